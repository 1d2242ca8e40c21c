// The page layout of the printed list, drawn onto a recording canvas.
#include "print/listprintout.h"
#include "printhelpers.h"
#include "recordingcanvas.h"

#include <QtTest>

namespace {

const QString kDate = QStringLiteral("2026.12.07.");

// Reads from a list of records standing in for the data file; record n is records[n - 1].
RecordReader readerOf(const QList<Record>& records) {
    return [records](qint64 n, Record& record, bool& found) -> MaybeError {
        found = n >= 1 && n <= records.size();
        if (found)
            record = records[n - 1];
        return std::nullopt;
    };
}

QList<Record> numbered(int n) {
    QList<Record> records;
    for (int i = 1; i <= n; ++i)
        records.append(makeRecord({QStringLiteral("Név %1").arg(i)}));
    return records;
}

struct Printed {
    RecordingCanvas canvas;
    MaybeError error;
    qint64 rows = 0;
};

void printOut(Printed& p, const QList<qint64>& numbers, const RecordReader& read,
              const QString& heading = QStringLiteral("Zelvanor")) {
    ListPrintout printout(p.canvas, heading, kDate);
    p.error = printout.print(numbers, read);
    p.rows = printout.printedRows();
}

// The running numbers printed on one page, in order.
QList<qint64> runningNumbers(const RecordingCanvas& c, int page) {
    QList<qint64> out;
    for (const auto& row : c.rows())
        if (row.first().page == page)
            out.append(row.first().text.trimmed().toLongLong());
    return out;
}

} // namespace

class tst_printout : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pages_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QList<int>>("rowsPerPage");

        QTest::newRow("empty list") << 0 << QList<int>{0};
        QTest::newRow("one row") << 1 << QList<int>{1};
        QTest::newRow("49 rows") << 49 << QList<int>{49};
        // A full page always gets a successor with header and grid only.
        QTest::newRow("50 rows") << 50 << QList<int>{50, 0};
        QTest::newRow("51 rows") << 51 << QList<int>{50, 1};
        QTest::newRow("100 rows") << 100 << QList<int>{50, 50, 0};
        QTest::newRow("123 rows") << 123 << QList<int>{50, 50, 23};
    }
    void pages() {
        QFETCH(int, rows);
        QFETCH(QList<int>, rowsPerPage);
        Printed p;
        printOut(p, oneTo(rows), readerOf(numbered(rows)));
        QVERIFY(!p.error);
        QCOMPARE(p.rows, rows);
        QCOMPARE(p.canvas.pages(), rowsPerPage.size());
        // The layout leaves ending the job to its caller.
        QCOMPARE(p.canvas.ends(), 0);

        qint64 running = 0;
        for (int page = 1; page <= rowsPerPage.size(); ++page) {
            const QList<qint64> numbers = runningNumbers(p.canvas, page);
            QCOMPARE(numbers.size(), rowsPerPage[page - 1]);
            // The running number goes on across pages.
            for (qint64 n : numbers)
                QCOMPARE(n, ++running);
            // Every page carries its header and the full grid.
            const auto texts = p.canvas.textsOnPage(page);
            QVERIFY(texts.size() >= 9);
            QCOMPARE(texts[1].text, QString::number(page) + QStringLiteral(". oldal   ") + kDate);
            QCOMPARE(p.canvas.linesOnPage(page).size(), 56);
            // Rows stand 5 mm apart from 23 mm down on every page.
            qreal y = 23;
            for (const auto& row : p.canvas.rows()) {
                if (row.first().page != page)
                    continue;
                for (const auto& cell : row)
                    QCOMPARE(cell.y, y);
                y += 5;
            }
        }
    }

    void header_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("column");
        QTest::addColumn<qreal>("points");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("endsLine");

        QTest::newRow("empty first line") << 0 << 0 << -1 << 10.0 << QString() << true;
        QTest::newRow("page number and date")
            << 1 << 1 << 115 << 10.0 << QStringLiteral("1. oldal   2026.12.07.") << true;
        QTest::newRow("heading") << 2 << 2 << 10 << 12.0 << QStringLiteral("Címlista 2026") << true;
        QTest::newRow("empty line under the heading") << 3 << 3 << -1 << 12.0 << QString() << true;
        QTest::newRow("title Név") << 4 << 4 << 20 << 10.0 << QStringLiteral("Név") << false;
        QTest::newRow("title Cím") << 5 << 4 << 55 << 10.0 << QStringLiteral("Cím") << false;
        QTest::newRow("first Telefon, with its blank")
            << 6 << 4 << 83 << 10.0 << QStringLiteral("Telefon ") << false;
        QTest::newRow("second Telefon")
            << 7 << 4 << 99 << 10.0 << QStringLiteral("Telefon") << false;
        QTest::newRow("title Megjegyzés")
            << 8 << 4 << 120 << 10.0 << QStringLiteral("Megjegyzés") << true;
    }
    void header() {
        QFETCH(int, index);
        QFETCH(int, line);
        QFETCH(int, column);
        QFETCH(qreal, points);
        QFETCH(QString, text);
        QFETCH(bool, endsLine);
        Printed p;
        printOut(p, {}, readerOf({}), QStringLiteral("Címlista 2026"));
        const auto texts = p.canvas.textsOnPage(1);
        QCOMPARE(texts.size(), 9);
        const RecordingCanvas::Text& t = texts[index];
        QCOMPARE(t.text, text);
        QCOMPARE(t.line, line);
        QCOMPARE(t.column, column);
        QCOMPARE(t.points, points);
        QCOMPARE(t.endsLine, endsLine);
        QCOMPARE(t.face, QStringLiteral("Times New Roman CE"));
        QVERIFY(!t.bold);
        // Placed by lines from the top, not by a y position.
        QCOMPARE(t.y, -1.0);
    }

    void grid() {
        Printed p;
        printOut(p, oneTo(3), readerOf(numbered(3)));
        const auto lines = p.canvas.linesOnPage(1);
        QCOMPARE(lines.size(), 56);
        QList<qreal> verticals;
        QList<qreal> horizontals;
        for (const auto& l : lines) {
            if (l.x1 == l.x2) {
                QCOMPARE(l.y1, 18.0);
                QCOMPARE(l.y2, 275.0);
                verticals.append(l.x1);
            } else {
                QCOMPARE(l.y1, l.y2);
                QCOMPARE(l.x1, 1.0);
                QCOMPARE(l.x2, 200.0);
                horizontals.append(l.y1);
            }
        }
        QCOMPARE(verticals, (QList<qreal>{10, 50, 113, 135, 156}));
        QCOMPARE(horizontals.size(), 51);
        for (int k = 0; k < 51; ++k)
            QCOMPARE(horizontals[k], 22.0 + 5 * k);
    }

    void cells_data() {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QStringList>("cells");

        const QString name40 = QStringLiteral("Szentgyörgyiné Kovácsházi Erzsébet Mária");
        const QString street50 =
            QStringLiteral("Hősök tere 123456789012345678901234567890123456789");
        const QString note50 = QStringLiteral("Őszi szünetben hívni, délelőtt 9 és 11 óra között!");

        QTest::newRow("ordinary contact")
            << QStringList{QStringLiteral("Kovács Ödön"),   QStringLiteral("Őrbottyán"),
                           QStringLiteral("2162"),          QStringLiteral("Petőfi út 3."),
                           QStringLiteral("28/123-456"),    QStringLiteral("30/987-6543"),
                           QStringLiteral("kolléga"),       QStringLiteral("odon@example.hu"),
                           QStringLiteral("www.example.hu")}
            << QStringList{QStringLiteral(" 1"),
                           QStringLiteral("Kovács Ödön").leftJustified(40),
                           QStringLiteral("2162 Őrbottyán, Petőfi út 3.") + QString(23, u' '),
                           QStringLiteral("28/123-456"),
                           QStringLiteral("30/987-6543"),
                           QStringLiteral("kolléga") + QString(23, u' ')};
        QTest::newRow("full-width fields cut only where the table says")
            << QStringList{name40,
                           QStringLiteral("Hódmezővásárhely"),
                           QStringLiteral("6800"),
                           street50,
                           QString(),
                           QString(),
                           note50}
            << QStringList{QStringLiteral(" 1"),
                           name40,
                           QStringLiteral("6800 Hódmezővásárhely, ") + street50.left(35),
                           QString(),
                           QString(),
                           note50.left(30)};
        QTest::newRow("no postcode and no settlement")
            << QStringList{QStringLiteral("Nagy Éva"), QString(), QString(),
                           QStringLiteral("Fő utca 1.")}
            << QStringList{QStringLiteral(" 1"),
                           QStringLiteral("Nagy Éva").leftJustified(40),
                           QStringLiteral(" , Fő utca 1.") + QString(25, u' '),
                           QString(),
                           QString(),
                           QString(30, u' ')};
        QTest::newRow("blanks around the name stay, around the phones go")
            << QStringList{QStringLiteral("  Tóth Ilona"),
                           QStringLiteral("  Eger "),
                           QStringLiteral(" 33"),
                           QStringLiteral("  Dobó tér 1."),
                           QStringLiteral("   36/111-222 "),
                           QStringLiteral("  06 20 333 444"),
                           QStringLiteral("  csak este")}
            << QStringList{QStringLiteral(" 1"),
                           QStringLiteral("  Tóth Ilona").leftJustified(40),
                           QStringLiteral("33 Eger,   Dobó tér 1.") + QString(22, u' '),
                           QStringLiteral("36/111-222"),
                           QStringLiteral("06 20 333 444"),
                           QStringLiteral("  csak este") + QString(19, u' ')};
    }
    void cells() {
        QFETCH(QStringList, fields);
        QFETCH(QStringList, cells);
        Printed p;
        printOut(p, {1}, readerOf({makeRecord(fields)}));
        const auto rows = p.canvas.rows();
        QCOMPARE(rows.size(), 1);
        const auto& row = rows.first();
        QCOMPARE(row.size(), 6);
        const QList<qreal> xs = {1, 11, 51, 114, 136, 157};
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(row[i].text, cells[i]);
            QCOMPARE(row[i].x, xs[i]);
            QCOMPARE(row[i].y, 23.0);
            QCOMPARE(row[i].points, 9.0);
            QVERIFY(!row[i].bold);
            QCOMPARE(row[i].face, QStringLiteral("Times New Roman CE"));
            QCOMPARE(row[i].endsLine, i == 5);
        }
        // The e-mail and web addresses are never printed.
        for (const auto& t : p.canvas.texts())
            QVERIFY(!t.text.contains(QLatin1String("example")));
    }

    // Numbers the file no longer has are left out and not counted.
    void vanishedRecordsAreLeftOut() {
        Printed p;
        printOut(p, {7, 3, 0, 1}, readerOf(numbered(3)));
        QVERIFY(!p.error);
        const auto rows = p.canvas.rows();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0][0].text, QStringLiteral(" 1"));
        QCOMPARE(rows[0][1].text.trimmed(), QStringLiteral("Név 3"));
        QCOMPARE(rows[1][0].text, QStringLiteral(" 2"));
        QCOMPARE(rows[1][1].text.trimmed(), QStringLiteral("Név 1"));
    }

    void readErrorStopsThePrintout() {
        int reads = 0;
        const RecordReader failing = [&reads](qint64 n, Record& record, bool& found) -> MaybeError {
            ++reads;
            if (n == 3)
                return systemError(StoreError::Action::Read, QStringLiteral("Telefon.dat"), EIO);
            record = makeRecord({QStringLiteral("Név")});
            found = true;
            return std::nullopt;
        };
        Printed p;
        printOut(p, {1, 2, 3, 4}, failing);
        QVERIFY(p.error);
        QCOMPARE(p.error->code, EIO);
        QCOMPARE(reads, 3);
        QCOMPARE(p.rows, 2);
    }
};

int runPrintoutTests(int argc, char** argv) {
    tst_printout t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_printout.moc"
