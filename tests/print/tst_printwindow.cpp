// The printout as the window makes it: the prompt, the rows of the list in its order, the
// default printer or a PDF file in its stead, and what the user is told when printing fails.
#include "list/recordlistmodel.h"
#include "platform/printfont.h"
#include "printhelpers.h"
#include "recordingcanvas.h"
#include "scripteddialogs.h"
#include "scriptedprinters.h"
#include "windowharness.h"
#include "windows/frmtelcsi.h"

#include <QApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFontInfo>
#include <QLineEdit>
#include <QLocale>
#include <QPrinterInfo>
#include <QRawFont>
#include <QStandardPaths>
#include <QtTest>

#include <pwd.h>
#include <unistd.h>

namespace {

using Kind = ScriptedDialogs::Kind;

const QString kTitle = QStringLiteral("Nyomtatás");

// Records 1 to 5 of a small register, in file order.
const QList<QStringList> kFive = {
    {QStringLiteral("Szabó Anna"), QStringLiteral("Pécs"), QStringLiteral("7621")},
    {QStringLiteral("Kiss Béla"), QStringLiteral("Győr"), QStringLiteral("9021")},
    {QStringLiteral("Ábel Péter"), QStringLiteral("Eger"), QStringLiteral("3300")},
    {QStringLiteral("Kis Ödön"), QStringLiteral("Zalaegerszeg"), QStringLiteral("8900")},
    {QStringLiteral("Vass Kinga"), QStringLiteral("Ózd"), QStringLiteral("3600")},
};

// The names of the contact rows, in printed order, and their running numbers.
QStringList printedNames(const RecordingCanvas& c) {
    QStringList names;
    for (const auto& row : c.rows())
        names.append(row[1].text.trimmed());
    return names;
}

QList<qint64> printedNumbers(const RecordingCanvas& c) {
    QList<qint64> numbers;
    for (const auto& row : c.rows())
        numbers.append(row[0].text.trimmed().toLongLong());
    return numbers;
}

QString today() {
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
}

// Where the cups-pdf back end puts its files: its "Out" setting, ${HOME} being the home of
// the user who printed.
QString cupsPdfFolder() {
    QString out = QStringLiteral("${HOME}/PDF");
    QFile conf(QStringLiteral("/etc/cups/cups-pdf.conf"));
    if (conf.open(QIODevice::ReadOnly)) {
        for (const QByteArray& raw : conf.readAll().split('\n')) {
            const QString line = QString::fromUtf8(raw).trimmed();
            if (line.startsWith(QLatin1String("Out ")) || line.startsWith(QLatin1String("Out\t")))
                out = line.mid(4).trimmed();
        }
    }
    const passwd* pw = ::getpwuid(::getuid());
    const QString home = pw ? QString::fromLocal8Bit(pw->pw_dir) : QDir::homePath();
    const QString user = pw ? QString::fromLocal8Bit(pw->pw_name) : QString();
    return out.replace(QLatin1String("${HOME}"), home).replace(QLatin1String("${USER}"), user);
}

} // namespace

class tst_printwindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QCOMPARE(QApplication::overrideCursor(), nullptr); }

    void prompt_data() {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("heading");

        QTest::newRow("default accepted")
            << QStringList{QStringLiteral("Zelvanor")} << QStringLiteral("Zelvanor");
        QTest::newRow("own heading") << QStringList{QStringLiteral("Családi címlista – 2026")}
                                     << QStringLiteral("Családi címlista – 2026");
        // Cancel gives an empty heading and the printout goes on.
        QTest::newRow("cancelled") << QStringList{} << QString();
    }
    void prompt() {
        QFETCH(QStringList, answers);
        QFETCH(QString, heading);
        const QByteArray data = recordsBytes(kFive) + kNumbered.records(6, 45);
        WindowHarness h(data);
        for (const QString& a : answers)
            h.dialogs().queueText(a);
        h.press(QStringLiteral("cmdPrint"));

        QCOMPARE(h.dialogs().shown().size(), 1);
        const auto asked = h.dialogs().last(Kind::Prompt);
        QCOMPARE(asked.title, kTitle);
        QCOMPARE(asked.text, QStringLiteral("Kérem adja meg a fejléc szövegét!") +
                                 QLatin1Char('\0') + QStringLiteral("Zelvanor"));

        QCOMPARE(h.printers().jobs().size(), 1);
        QCOMPARE(h.printers().jobs().first().target, QStringLiteral("printer"));
        const RecordingCanvas* c = h.printers().lastCanvas();
        QVERIFY(c);
        QCOMPARE(c->ends(), 1);
        QCOMPARE(c->aborts(), 0);
        QCOMPARE(c->pages(), 2);
        for (int page = 1; page <= 2; ++page) {
            const auto texts = c->textsOnPage(page);
            QCOMPARE(texts[1].text, QString::number(page) + QStringLiteral(". oldal   ") + today());
            QCOMPARE(texts[2].text, heading);
        }
        QCOMPARE(printedNumbers(*c), oneTo(50));
        // Printing reads the file and nothing else.
        QCOMPARE(readFile(h.dataPath()), data);
    }

    void listOrder_data() {
        QTest::addColumn<int>("sortColumn");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QStringList>("names");

        QTest::newRow("file order")
            << -1 << QString()
            << QStringList{QStringLiteral("Szabó Anna"), QStringLiteral("Kiss Béla"),
                           QStringLiteral("Ábel Péter"), QStringLiteral("Kis Ödön"),
                           QStringLiteral("Vass Kinga")};
        QTest::newRow("sorted by name")
            << 0 << QString()
            << QStringList{QStringLiteral("Ábel Péter"), QStringLiteral("Kis Ödön"),
                           QStringLiteral("Kiss Béla"), QStringLiteral("Szabó Anna"),
                           QStringLiteral("Vass Kinga")};
        QTest::newRow("narrowed by the name search")
            << -1 << QStringLiteral("Ki")
            << QStringList{QStringLiteral("Kiss Béla"), QStringLiteral("Kis Ödön"),
                           QStringLiteral("Vass Kinga")};
        QTest::newRow("narrowed, then sorted")
            << 0 << QStringLiteral("Ki")
            << QStringList{QStringLiteral("Kis Ödön"), QStringLiteral("Kiss Béla"),
                           QStringLiteral("Vass Kinga")};
    }
    void listOrder() {
        QFETCH(int, sortColumn);
        QFETCH(QString, search);
        QFETCH(QStringList, names);
        WindowHarness h(recordsBytes(kFive));
        if (!search.isEmpty()) {
            h.tick(QStringLiteral("Check1"));
            typeText(h.entry(QStringLiteral("txNev")), search);
        }
        if (sortColumn >= 0)
            h.clickHeader(sortColumn);
        QCOMPARE(h.column(0), names);

        h.dialogs().queueText(QStringLiteral("Zelvanor"));
        h.press(QStringLiteral("cmdPrint"));
        const RecordingCanvas* c = h.printers().lastCanvas();
        QVERIFY(c);
        QCOMPARE(printedNames(*c), names);
        // Running numbers follow the printed order, not the record numbers.
        QCOMPARE(printedNumbers(*c), oneTo(names.size()));
        QCOMPARE(c->pages(), 1);
        QCOMPARE(c->ends(), 1);
        // The list is left as it was.
        QCOMPARE(h.column(0), names);
    }

    void fileChangedSinceTheListWasRead_data() {
        QTest::addColumn<bool>("fileRemoved");
        QTest::addColumn<QStringList>("names");

        QTest::newRow("last records gone")
            << false << QStringList{QStringLiteral("Szabó Anna"), QStringLiteral("Kiss Béla")};
        QTest::newRow("file gone") << true << QStringList{};
    }
    void fileChangedSinceTheListWasRead() {
        QFETCH(bool, fileRemoved);
        QFETCH(QStringList, names);
        WindowHarness h(recordsBytes(kFive));
        QCOMPARE(h.recordNumbers().size(), 5);
        // Another program shortens or removes the file behind the window's back.
        if (fileRemoved)
            QVERIFY(QFile::remove(h.dataPath()));
        else
            writeFile(h.dataPath(), recordsBytes(kFive.mid(0, 2)));
        const QByteArray before = readFile(h.dataPath());

        h.press(QStringLiteral("cmdPrint"));
        const RecordingCanvas* c = h.printers().lastCanvas();
        QVERIFY(c);
        QCOMPARE(printedNames(*c), names);
        QCOMPARE(printedNumbers(*c), oneTo(names.size()));
        QCOMPARE(c->ends(), 1);
        QCOMPARE(h.dialogs().count(Kind::Message), 0);
        // A missing file is created empty, as everywhere; an existing one is only read.
        QVERIFY(QFileInfo::exists(h.dataPath()));
        QCOMPARE(readFile(h.dataPath()), before);
    }

    void printerFails_data() {
        QTest::addColumn<bool>("atBegin");
        QTest::newRow("job refused") << true;
        QTest::newRow("job lost at the end") << false;
    }
    void printerFails() {
        QFETCH(bool, atBegin);
        const QByteArray data = recordsBytes(kFive);
        WindowHarness h(data);
        const QString reason = QStringLiteral("A nyomtató ki van kapcsolva.");
        (atBegin ? h.printers().beginFailure : h.printers().endFailure) = reason;
        h.press(QStringLiteral("cmdPrint"));

        QCOMPARE(h.dialogs().count(Kind::Message), 1);
        const auto m = h.dialogs().last(Kind::Message);
        QCOMPARE(m.title, kTitle);
        QCOMPARE(m.icon, Dialogs::Icon::Critical);
        QVERIFY2(m.text.contains(QStringLiteral("„Irodai nyomtató”")), qPrintable(m.text));
        QVERIFY2(m.text.contains(reason), qPrintable(m.text));
        QCOMPARE(readFile(h.dataPath()), data);
        QCOMPARE(h.recordNumbers(), oneTo(5));
    }

    void noPrinter_data() {
        QTest::addColumn<bool>("saveAsPdf");
        QTest::addColumn<bool>("nameGiven");

        QTest::newRow("declined") << false << false;
        QTest::newRow("save dialog cancelled") << true << false;
        QTest::newRow("saved as PDF") << true << true;
    }
    void noPrinter() {
        QFETCH(bool, saveAsPdf);
        QFETCH(bool, nameGiven);
        WindowHarness h(kNumbered.records(1, 3));
        h.printers().printerName.clear();
        const QString pdf = h.filePath(QStringLiteral("lista.pdf"));
        h.dialogs().queueText(QStringLiteral("Zelvanor"));
        h.dialogs().queueYesNo(saveAsPdf);
        if (nameGiven)
            h.dialogs().queueText(pdf);
        h.press(QStringLiteral("cmdPrint"));

        QCOMPARE(h.dialogs().count(Kind::YesNo), 1);
        const auto q = h.dialogs().last(Kind::YesNo);
        QCOMPARE(q.title, kTitle);
        QVERIFY(q.text.contains(QLatin1String("PDF")));
        QCOMPARE(h.dialogs().count(Kind::SaveFile), saveAsPdf ? 1 : 0);
        if (saveAsPdf)
            QCOMPARE(h.dialogs().last(Kind::SaveFile).title, QStringLiteral("*.pdf"));
        QCOMPARE(h.dialogs().count(Kind::Message), 0);
        QCOMPARE(h.printers().jobs().size(), nameGiven ? 1 : 0);
        QCOMPARE(QFileInfo::exists(pdf), nameGiven);
        if (nameGiven)
            QCOMPARE(pdfPages(pdf), 1);
    }

    // The whole way through the window to a PDF file, read back as text and as word boxes.
    void pdfReadBack() {
        const QString longName = QStringLiteral("Szentgyörgyiné Kovácsházi Erzsébet Mária");
        QByteArray data = kNumbered.records(1, 51);
        data.replace(
            50 * kRecordSize, kRecordSize,
            recordBytes({longName, QStringLiteral("Őrbottyán"), QStringLiteral("2162"),
                         QStringLiteral("Űrhajós utca 5."), QStringLiteral("28/555-666"), QString(),
                         QStringLiteral("ősszel hívni"), QStringLiteral("titkos@example.hu")}));
        WindowHarness h(data);
        h.printers().printerName.clear();
        const QString pdf = h.filePath(QStringLiteral("névsor.pdf"));
        h.dialogs().queueText(QStringLiteral("Ügyfeleink"));
        h.dialogs().queueYesNo(true);
        h.dialogs().queueText(pdf);
        h.press(QStringLiteral("cmdPrint"));
        QCOMPARE(h.dialogs().count(Kind::Message), 0);

        QCOMPARE(pdfPages(pdf), 2);
        const QStringList pages = pdfPageTexts(pdf);
        QCOMPARE(pages.size(), 2);
        for (int p = 0; p < 2; ++p) {
            // The text tool shows runs of blanks as it likes.
            QVERIFY2(pages[p].simplified().contains(
                         QStringLiteral("%1. oldal %2").arg(p + 1).arg(today().simplified())),
                     qPrintable(pages[p]));
            for (const char* word : {"Ügyfeleink", "Név", "Cím", "Telefon", "Megjegyzés"})
                QVERIFY2(pages[p].contains(QString::fromUtf8(word)), word);
        }
        QVERIFY(pages[0].contains(QStringLiteral("Ügyfél 001")));
        QVERIFY(pages[0].contains(QStringLiteral("9021 Győr, Fő utca 50.")));
        QVERIFY(pages[0].contains(QLatin1String("96/100050")));
        QVERIFY(!pages[0].contains(QStringLiteral("Ügyfél 051")));
        // The long name runs on under the address cell, which is printed after it.
        QVERIFY2(pages[1].contains(QStringLiteral("51   Szentgyörgyiné Kovácsházi Erzsébet")),
                 qPrintable(pages[1]));
        QVERIFY(pages[1].contains(QStringLiteral("ősszel hívni")));
        QVERIFY(!pages[1].contains(QLatin1String("example")));

        // Measured from the corner of the printable area, 5 mm in from the paper's.
        const QList<PdfWord> words = pdfWords(pdf);
        auto find = [&words](int page, const QString& text, int nth = 0) -> PdfWord {
            for (const PdfWord& w : words)
                if (w.page == page && w.text == text && nth-- == 0)
                    return {w.page, w.text, w.left - 5, w.top - 5, w.right - 5, w.bottom - 5};
            return {0, text, -1, -1, -1, -1};
        };
        struct Title {
            QString text;
            int nth;
            qreal from, to;
        };
        const QList<Title> titles = {{QStringLiteral("Név"), 0, 10, 50},
                                     {QStringLiteral("Cím"), 0, 50, 113},
                                     {QStringLiteral("Telefon"), 0, 113, 135},
                                     {QStringLiteral("Telefon"), 1, 135, 156},
                                     {QStringLiteral("Megjegyzés"), 0, 156, 200}};
        for (int page = 1; page <= 2; ++page) {
            for (const Title& t : titles) {
                const PdfWord w = find(page, t.text, t.nth);
                QVERIFY2(w.page == page, qPrintable(t.text));
                // Each title inside its grid column, the line between the rules' top ends
                // and the first rule under it.
                QVERIFY2(w.left > t.from && w.right < t.to,
                         qPrintable(
                             QStringLiteral("%1: %2–%3 mm").arg(t.text).arg(w.left).arg(w.right)));
                const qreal baseline = w.bottom - (w.bottom - w.top) * 0.216 / 1.107;
                QVERIFY2(baseline > 19.5 && w.bottom < 22,
                         qPrintable(
                             QStringLiteral("%1: %2–%3 mm").arg(t.text).arg(w.top).arg(w.bottom)));
            }
            // The page number line from column 115, inside the table's width.
            const PdfWord oldal = find(page, QStringLiteral("oldal"));
            QVERIFY(oldal.left > 156 && oldal.right < 200);
        }
        // Under the long name the address still starts in its own cell.
        for (const char* word : {"2162", "Őrbottyán,", "Űrhajós"}) {
            const PdfWord w = find(2, QString::fromUtf8(word));
            QVERIFY2(w.left > 50 && w.left < 113, word);
        }
        // The first contact row stands in its cells, 1 mm under the rule at 22 mm.
        const PdfWord first = find(1, QStringLiteral("Ügyfél"));
        QVERIFY2(first.left > 10 && first.left < 13, qPrintable(QString::number(first.left)));
        QVERIFY2(first.top > 22 && first.bottom < 27, qPrintable(QString::number(first.top)));
    }

    void pdfCannotBeWritten_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("sizeLimit");
        QTest::addColumn<QString>("reason");

        QTest::newRow("no such folder")
            << QStringLiteral("nincs/lista.pdf") << qint64(0) << QStringLiteral("nem található");
        QTest::newRow("disk full") << QStringLiteral("lista.pdf") << qint64(6000)
                                   << QStringLiteral("nem íródott ki teljesen");
        // Saving the list over the register would lose every contact.
        QTest::newRow("the register itself")
            << QStringLiteral("Telefon.dat") << qint64(0) << QStringLiteral("saját adatállománya");
    }
    void pdfCannotBeWritten() {
        QFETCH(QString, name);
        QFETCH(qint64, sizeLimit);
        QFETCH(QString, reason);
        const QByteArray data = kNumbered.records(1, 120);
        WindowHarness h(data);
        h.printers().printerName.clear();
        const QString pdf = h.filePath(name);
        h.dialogs().queueText(QStringLiteral("Zelvanor"));
        h.dialogs().queueYesNo(true);
        h.dialogs().queueText(pdf);
        {
            std::unique_ptr<FileSizeLimit> limit;
            if (sizeLimit > 0)
                limit = std::make_unique<FileSizeLimit>(sizeLimit);
            h.press(QStringLiteral("cmdPrint"));
        }
        QCOMPARE(h.dialogs().count(Kind::Message), 1);
        const auto m = h.dialogs().last(Kind::Message);
        QCOMPARE(m.icon, Dialogs::Icon::Critical);
        QVERIFY2(m.text.contains(QDir::toNativeSeparators(pdf)), qPrintable(m.text));
        QVERIFY2(m.text.contains(reason), qPrintable(m.text));
        QCOMPARE(readFile(h.dataPath()), data);
    }

    void fontHasTheColumnWidthAndTheLetters() {
        const QFont f = printFont(QStringLiteral("Times New Roman CE"), 10, false);
        const QString family = QFontInfo(f).family();
        QVERIFY2(family == QLatin1String("Times New Roman") ||
                     family == QLatin1String("Liberation Serif"),
                 qPrintable(family));
        // 821/2048 em: column 115 at 10 points lands about 161 mm from the edge.
        QVERIFY2(qAbs(averageCharWidthEm(f) - 821.0 / 2048) < 0.002,
                 qPrintable(QString::number(averageCharWidthEm(f))));
        const QRawFont raw = QRawFont::fromFont(f);
        for (const QChar c : QStringLiteral("őűŐŰčřšžŁ"))
            QVERIFY2(raw.supportsCharacter(c), qPrintable(QString(c)));
    }

    // The real default printer: a cups-pdf queue set up by the CI script.
    void systemDefaultPrinter() {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull())
            QSKIP("no CUPS server with a default printer runs here");
        const QByteArray uri =
            runTool(QStringLiteral("lpstat"), {QStringLiteral("-v"), info.printerName()});
        // Never send a test page to a printer with paper in it.
        if (!uri.contains("cups-pdf:"))
            QSKIP("the default printer is not a cups-pdf queue");
        const QDir out(cupsPdfFolder());
        const QDateTime started = QDateTime::currentDateTime().addSecs(-1);

        WindowHarness h(kNumbered.records(1, 60));
        h.printers().useSystemPrinter = true;
        h.dialogs().queueText(QStringLiteral("Zelvanor"));
        h.press(QStringLiteral("cmdPrint"));
        QCOMPARE(h.dialogs().count(Kind::YesNo), 0);
        QCOMPARE(h.dialogs().count(Kind::SaveFile), 0);
        QCOMPARE(h.dialogs().count(Kind::Message), 0);
        QCOMPARE(h.printers().jobs().size(), 1);

        // The queue is empty once the back end has written the file.
        while (!runTool(QStringLiteral("lpstat"), {QStringLiteral("-o"), info.printerName()})
                    .trimmed()
                    .isEmpty())
            QTest::qWait(100);
        QString newest;
        QDateTime newestTime = started;
        for (const QFileInfo& fi : out.entryInfoList({QStringLiteral("*.pdf")}, QDir::Files)) {
            if (fi.lastModified() >= newestTime) {
                newest = fi.absoluteFilePath();
                newestTime = fi.lastModified();
            }
        }
        QVERIFY2(!newest.isEmpty(), qPrintable(out.path()));
        // The back end runs the job through Ghostscript, whose fonts keep no text to read back;
        // the page count tells that the whole job arrived.
        QCOMPARE(pdfPages(newest), 2);
    }
};

int runPrintWindowTests(int argc, char** argv) {
    tst_printwindow t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_printwindow.moc"
