// Adding, changing and removing contacts through the main window, checked in the list it shows
// and in the bytes of Telefon.dat.
#include "list/recordlistmodel.h"
#include "scripteddialogs.h"
#include "store/record.h"
#include "windowharness.h"
#include "windows/frmtelcsi.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <array>
#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using Fields = std::array<QString, kFieldCount>; // in the order of the record

// The entry field of each record field.
const std::array<const char*, kFieldCount> kEntries = {
    "txNev", "txTelepules", "txIrszam", "txCim", "txTel1", "txTel2", "txMegj", "txtMail", "txWeb"};

const QStringList kNames = {QStringLiteral("Ács Ödön"), QStringLiteral("Bíró Éva"),
                            QStringLiteral("Cseh Ferenc"), QStringLiteral("Dénes Győző"),
                            QStringLiteral("Erdős Írisz")};

// Contact n (1 to 5) of the usual file; every field differs from contact to contact.
const SampleContacts kContacts([](int n) {
    const QString t = QString::number(n);
    return QStringList{kNames[n - 1],
                       QStringLiteral("Győr ") + t,
                       QStringLiteral("90") + t,
                       QStringLiteral("Fő utca ") + t,
                       QStringLiteral("06-1-") + t,
                       QStringLiteral("06-30-") + t,
                       QStringLiteral("jegyzet ") + t,
                       QStringLiteral("m%1@pelda.hu").arg(t),
                       QStringLiteral("www.pelda%1.hu").arg(t)};
});

// What the user types over a contact: the name with leading blanks, which are stored, and a
// postcode one digit too long, which is cut.
const Fields kTyped = {
    QStringLiteral("  Újvári Őze"), QStringLiteral("Pécs"),        QStringLiteral("76215"),
    QStringLiteral("Király u. 9."), QStringLiteral("72/111-222"),  QStringLiteral("20/333-4444"),
    QStringLiteral("új kolléga"),   QStringLiteral("uo@pelda.hu"), QStringLiteral("uo.pelda.hu")};

QByteArray bytesOf(const Fields& f) {
    return recordBytes(QStringList(f.cbegin(), f.cend()));
}

QString stored40(const QString& name) {
    return name.leftJustified(40, u' ');
}

enum class Failure { DataIsFolder, FolderGone, TempIsFolder, SizeLimit };
enum class Leftover { None, Longer, SymLink, HardLink };

} // namespace

class tst_edit : public QObject {
    Q_OBJECT

private:
    // Builds the window over a data folder whose Telefon.dat holds the given bytes (none when
    // data is null).
    void open(const QByteArray& data) {
        m_h = std::make_unique<WindowHarness>(data);
        m_w = &m_h->window();
        m_dialogs = &m_h->dialogs();
    }
    QString dataPath() const { return m_h->dataPath(); }
    QString tempPath() const { return m_h->filePath(QStringLiteral("xx.dat")); }
    QString folder() const { return m_h->folder(); }
    QLineEdit* entry(const char* name) const { return m_h->entry(QString::fromLatin1(name)); }
    void press(const QString& name) { m_h->press(name); }
    void clickRow(int row) { m_h->clickRow(row); }
    void fill(const Fields& f) {
        for (std::size_t i = 0; i < kEntries.size(); ++i) {
            entry(kEntries[i])->clear();
            typeText(entry(kEntries[i]), f[i]);
        }
    }
    Fields fields() const {
        Fields f;
        for (std::size_t i = 0; i < kEntries.size(); ++i)
            f[i] = entry(kEntries[i])->text();
        return f;
    }
    // The rows of the list as "record number, blank, name".
    QStringList listed() const {
        QStringList rows;
        for (int r = 0; r < m_w->listModel()->rowCount(); ++r)
            rows << QStringLiteral("%1 %2")
                        .arg(m_w->listModel()->recordNumber(r))
                        .arg(m_w->listModel()->text(r, 0));
        return rows;
    }
    static QStringList numbered(const QStringList& names) {
        QStringList rows;
        for (const QString& n : names)
            rows << QStringLiteral("%1 %2").arg(rows.size() + 1).arg(n);
        return rows;
    }

    QTemporaryDir m_home;
    std::unique_ptr<WindowHarness> m_h;
    frmTelcsi* m_w = nullptr;
    ScriptedDialogs* m_dialogs = nullptr;

private Q_SLOTS:
    // The user's trash lives under a home of the test's own.
    void initTestCase() {
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.path()));
    }
    void cleanup() {
        m_w = nullptr;
        m_dialogs = nullptr;
        m_h.reset();
    }

    void addGoesBehindTheLastWholeRecord_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<qint64>("recNo");
        QTest::addColumn<QByteArray>("kept"); // what stays in front of the new record

        const QByteArray two = kContacts.records(1, 2);
        QTest::newRow("no file") << QByteArray() << qint64(1) << QByteArray("");
        QTest::newRow("two records") << two << qint64(3) << two;
        // An incomplete last record of up to 139 bytes is overwritten, a longer one is kept
        // and filled up with blanks.
        QTest::newRow("tail of 139") << two + QByteArray(139, 'x') << qint64(3) << two;
        QTest::newRow("tail of 140") << two + QByteArray(140, 'x') << qint64(4)
                                     << two + QByteArray(140, 'x') + QByteArray(139, ' ');
    }
    void addGoesBehindTheLastWholeRecord() {
        QFETCH(QByteArray, before);
        QFETCH(qint64, recNo);
        QFETCH(QByteArray, kept);
        open(before);
        fill(kTyped);
        press(QStringLiteral("cmdRogzit"));

        QCOMPARE(readFile(dataPath()), kept + bytesOf(kTyped));
        QCOMPARE(listed().size(), recNo);
        QCOMPARE(listed().last(), QStringLiteral("%1 %2").arg(recNo).arg(kTyped[0].trimmed()));
        QCOMPARE(fields(), Fields{});
        QCOMPARE(m_dialogs->shown().size(), 0);
    }

    // Record 3 of five is clicked, every field changed, then the button pressed and answered.
    void questionThenChange_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QList<int>>("after"); // contacts in the file afterwards, -1 the typed one
        QTest::addColumn<qint64>("xxSize");    // -1: no xx.dat
        QTest::addColumn<QString>("nextName"); // named by the next press without a row click

        const QString modTitle = QStringLiteral(" Módosítás az adatállományban !");
        const QString delTitle = QStringLiteral(" TÖRLÉS az adatállományból !");
        auto modText = [](const QString& n) {
            return QStringLiteral("Biztos MÓDOSÍTNI akarod a(z)\n\r") + stored40(n) +
                   QStringLiteral("  adatait ?");
        };
        auto delText = [](const QString& n) {
            return QStringLiteral("Biztos TÖRÖLNI akarod a(z)\n\r") + stored40(n) +
                   QStringLiteral("  tételt ?");
        };
        const qint64 leftover = 7 * kRecordSize; // an old xx.dat lies in the folder
        QTest::newRow("modify, no")
            << QStringLiteral("cmdModosit") << false << modTitle << modText(kNames[2])
            << QList<int>{0, 1, 2, 3, 4} << leftover << modText(kNames[2]);
        QTest::newRow("modify, yes")
            << QStringLiteral("cmdModosit") << true << modTitle << modText(kNames[2])
            << QList<int>{0, 1, -1, 3, 4} << leftover << modText(kTyped[0]);
        QTest::newRow("delete, no")
            << QStringLiteral("cmdTorol") << false << delTitle << delText(kNames[2])
            << QList<int>{0, 1, 2, 3, 4} << qint64(0) << delText(kNames[2]);
        QTest::newRow("delete, yes")
            << QStringLiteral("cmdTorol") << true << delTitle << delText(kNames[2])
            << QList<int>{0, 1, 3, 4} << qint64(-1) << delText(kNames[3]);
    }
    void questionThenChange() {
        QFETCH(QString, button);
        QFETCH(bool, yes);
        QFETCH(QString, title);
        QFETCH(QString, question);
        QFETCH(QList<int>, after);
        QFETCH(qint64, xxSize);
        QFETCH(QString, nextName);
        open(kContacts.records(1, 5));
        writeFile(tempPath(), kContacts.records(1, 5) + kContacts.records(1, 2));
        const QByteArray before = readFile(dataPath());

        press(button); // no row clicked yet: nothing happens
        QCOMPARE(m_dialogs->shown().size(), 0);
        QCOMPARE(readFile(dataPath()), before);

        clickRow(2);
        QCOMPARE(m_w->selectedRecord(), qint64(3));
        fill(kTyped);
        m_dialogs->queueYesNo(yes);
        press(button);

        QCOMPARE(m_dialogs->shown().size(), 1);
        QCOMPARE(m_dialogs->last(ScriptedDialogs::Kind::YesNo).title, title);
        QCOMPARE(m_dialogs->last(ScriptedDialogs::Kind::YesNo).text, question);
        QByteArray expected;
        QStringList names;
        for (int i : after) {
            expected += i < 0 ? bytesOf(kTyped) : kContacts.record(i + 1);
            names << (i < 0 ? kTyped[0].trimmed() : kNames[i]);
        }
        QCOMPARE(readFile(dataPath()), expected);
        QCOMPARE(listed(), numbered(names));
        QCOMPARE(fields(), yes ? Fields{} : kTyped);
        QCOMPARE(QFileInfo::exists(tempPath()), xxSize >= 0);
        if (xxSize >= 0)
            QCOMPARE(QFileInfo(tempPath()).size(), xxSize);
        QCOMPARE(m_w->selectedRecord(), qint64(3));

        // The number still stands for record 3, whatever holds it now.
        m_dialogs->clear();
        press(button);
        QCOMPARE(m_dialogs->last(ScriptedDialogs::Kind::YesNo).text, nextName);
        QCOMPARE(readFile(dataPath()), expected);
    }

    void deleteKeepsExactlyTheOtherRecords_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QByteArray>("tail");
        QTest::addColumn<Leftover>("leftover"); // an old xx.dat in the folder
        QTest::addColumn<int>("deleted");
        QTest::addColumn<bool>("yes");

        QTest::newRow("first of five") << 5 << QByteArray() << Leftover::None << 1 << true;
        QTest::newRow("last of five") << 5 << QByteArray() << Leftover::None << 5 << true;
        QTest::newRow("the only one") << 1 << QByteArray() << Leftover::None << 1 << true;
        QTest::newRow("incomplete tail dropped")
            << 3 << QByteArray(200, 'x') << Leftover::None << 2 << true;
        QTest::newRow("longer old xx.dat") << 2 << QByteArray() << Leftover::Longer << 1 << true;
        // Emptying the old xx.dat must not reach the data through a link.
        for (bool yes : {true, false}) {
            QTest::addRow("xx.dat a symbolic link to the data, %s", yes ? "yes" : "no")
                << 3 << QByteArray() << Leftover::SymLink << 2 << yes;
            QTest::addRow("xx.dat a hard link to the data, %s", yes ? "yes" : "no")
                << 3 << QByteArray() << Leftover::HardLink << 2 << yes;
        }
    }
    void deleteKeepsExactlyTheOtherRecords() {
        QFETCH(int, count);
        QFETCH(QByteArray, tail);
        QFETCH(Leftover, leftover);
        QFETCH(int, deleted);
        QFETCH(bool, yes);
        open(kContacts.records(1, count) + tail);
        switch (leftover) {
        case Leftover::None:
            break;
        case Leftover::Longer:
            writeFile(tempPath(), kContacts.records(1, count + 3) + "zz");
            break;
        case Leftover::SymLink:
            QVERIFY(QFile::link(dataPath(), tempPath()));
            break;
        case Leftover::HardLink:
            QCOMPARE(::link(QFile::encodeName(dataPath()).constData(),
                            QFile::encodeName(tempPath()).constData()),
                     0);
            break;
        }
        clickRow(deleted - 1);
        m_dialogs->queueYesNo(yes);
        press(QStringLiteral("cmdTorol"));

        QByteArray expected;
        QStringList names;
        for (int i = 0; i < count; ++i) {
            if (!yes || i != deleted - 1) {
                expected += kContacts.record(i + 1);
                names << kNames[i];
            }
        }
        QCOMPARE(readFile(dataPath()), expected + (yes ? QByteArray() : tail));
        QVERIFY(QFileInfo(dataPath()).isFile() && !QFileInfo(dataPath()).isSymLink());
        QCOMPARE(listed(), numbered(names));
    }

    // Once the selected number points behind the last record, both buttons do nothing.
    void staleSelectionDoesNothing_data() {
        QTest::addColumn<QString>("howGone");
        QTest::addColumn<QString>("button");
        for (const char* how : {"cmdTorol", "mnuAdatbazisDel"})
            for (const char* button : {"cmdModosit", "cmdTorol"})
                QTest::addRow("%s, then %s", how, button)
                    << QString::fromLatin1(how) << QString::fromLatin1(button);
    }
    void staleSelectionDoesNothing() {
        QFETCH(QString, howGone);
        QFETCH(QString, button);
        open(kContacts.records(1, 3));
        clickRow(2);
        m_dialogs->queueYesNo(true);
        press(howGone);
        QCOMPARE(m_w->selectedRecord(), qint64(3));
        QVERIFY(!QFileInfo::exists(tempPath()));

        const QByteArray before = readFile(dataPath());
        m_dialogs->clear();
        fill(kTyped);
        m_dialogs->queueYesNo(true);
        press(button);
        QCOMPARE(m_dialogs->shown().size(), 0);
        QCOMPARE(readFile(dataPath()), before);
        QVERIFY(!QFileInfo::exists(tempPath()));
        QCOMPARE(fields(), kTyped);
    }

    void deleteWholeRegister_data() {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("fileGone"); // Telefon.dat removed behind the window's back
        QTest::addColumn<bool>("trash");    // whether the desktop's trash can take the file
        QTest::newRow("no") << false << false << true;
        QTest::newRow("yes, into the trash") << true << false << true;
        QTest::newRow("yes, no trash") << true << false << false;
        QTest::newRow("yes, file already gone") << true << true << true;
    }
    void deleteWholeRegister() {
        QFETCH(bool, yes);
        QFETCH(bool, fileGone);
        QFETCH(bool, trash);
        const QString trashFolder = m_home.filePath(QStringLiteral("Trash"));
        QFile::remove(trashFolder);
        QVERIFY(QDir(trashFolder).removeRecursively());
        if (!trash)
            writeFile(trashFolder, "a file where the trash would be");
        open(kContacts.records(1, 3));
        clickRow(1);
        fill(kTyped);
        if (fileGone)
            QVERIFY(QFile::remove(dataPath()));
        m_dialogs->queueYesNo(yes);
        press(QStringLiteral("mnuAdatbazisDel"));

        QCOMPARE(m_dialogs->shown().size(), 1);
        QCOMPARE(m_dialogs->last(ScriptedDialogs::Kind::YesNo).title,
                 QStringLiteral("Adatbázis törlése"));
        QCOMPARE(m_dialogs->last(ScriptedDialogs::Kind::YesNo).text,
                 QStringLiteral("Biztos benne hogy TÖRLI \r\na teljes adatbázist?\r\n\r\n"
                                "Mehet a TÖRLÉS?"));
        QCOMPARE(m_w->listModel()->rowCount(), yes ? 0 : 3);
        QCOMPARE(fields(), kTyped);
        QCOMPARE(m_w->selectedRecord(), qint64(2));
        if (!yes) {
            QCOMPARE(readFile(dataPath()), kContacts.records(1, 3));
            return;
        }
        // Nothing stands in the register's place, so the trashed file can be put back.
        QVERIFY(!QFileInfo::exists(dataPath()));
        const QString trashed = trashFolder + QStringLiteral("/files/Telefon.dat");
        QCOMPARE(QFileInfo::exists(trashed), trash && !fileGone);
        if (QFileInfo::exists(trashed)) {
            QCOMPARE(readFile(trashed), kContacts.records(1, 3));
            const QByteArray info =
                readFile(trashFolder + QStringLiteral("/info/Telefon.dat.trashinfo"));
            QVERIFY2(info.contains("Path=" + QFile::encodeName(dataPath())), info.constData());
        }
        // The next new contact starts the register again.
        m_dialogs->clear();
        press(QStringLiteral("cmdRogzit"));
        QCOMPARE(m_dialogs->count(ScriptedDialogs::Kind::Message), 0);
        QCOMPARE(readFile(dataPath()), bytesOf(kTyped));
        QCOMPARE(listed(), QStringList{QStringLiteral("1 ") + kTyped[0].trimmed()});
    }

    // A failing file operation is reported once, and files and fields stay as they were.
    void failureChangesNothing_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<Failure>("failure");
        QTest::addColumn<qint64>("limit"); // bytes, for Failure::SizeLimit
        QTest::addColumn<QString>("failing");

        const QString data = QStringLiteral("Telefon.dat");
        const QString temp = QStringLiteral("xx.dat");
        const QString add = QStringLiteral("cmdRogzit");
        const QString mod = QStringLiteral("cmdModosit");
        const QString del = QStringLiteral("cmdTorol");
        // The file holds five records and 100 bytes more.
        QTest::newRow("add, folder gone") << add << Failure::FolderGone << 0ll << data;
        QTest::newRow("add over the tail, disk full")
            << add << Failure::SizeLimit << 5ll * kRecordSize + 150 << data;
        QTest::newRow("modify, data file is a folder")
            << mod << Failure::DataIsFolder << 0ll << data;
        QTest::newRow("modify, disk full")
            << mod << Failure::SizeLimit << 2ll * kRecordSize + 100 << data;
        QTest::newRow("delete, xx.dat is a folder") << del << Failure::TempIsFolder << 0ll << temp;
        QTest::newRow("delete, disk full") << del << Failure::SizeLimit << 700ll << temp;
        QTest::newRow("delete all, data file is a folder")
            << QStringLiteral("mnuAdatbazisDel") << Failure::DataIsFolder << 0ll << data;
    }
    void failureChangesNothing() {
        QFETCH(QString, button);
        QFETCH(Failure, failure);
        QFETCH(qint64, limit);
        QFETCH(QString, failing);
        const QByteArray before = kContacts.records(1, 5) + QByteArray(100, 'x');
        open(before);
        clickRow(2);
        fill(kTyped);
        switch (failure) {
        case Failure::DataIsFolder:
            QVERIFY(QFile::remove(dataPath()));
            QVERIFY(QDir(folder()).mkdir(QStringLiteral("Telefon.dat")));
            break;
        case Failure::FolderGone:
            QVERIFY(QDir(folder()).removeRecursively());
            break;
        case Failure::TempIsFolder:
            QVERIFY(QDir(folder()).mkdir(QStringLiteral("xx.dat")));
            break;
        case Failure::SizeLimit:
            break;
        }
        m_dialogs->queueYesNo(true);
        {
            std::unique_ptr<FileSizeLimit> lim;
            if (failure == Failure::SizeLimit)
                lim = std::make_unique<FileSizeLimit>(limit);
            press(button);
        }

        QCOMPARE(m_dialogs->count(ScriptedDialogs::Kind::Message), 1);
        const ScriptedDialogs::Shown msg = m_dialogs->last(ScriptedDialogs::Kind::Message);
        QCOMPARE(msg.icon, Dialogs::Icon::Critical);
        QVERIFY2(msg.text.contains(QDir::toNativeSeparators(m_h->filePath(failing))),
                 qPrintable(msg.text));
        QCOMPARE(fields(), kTyped);
        QCOMPARE(m_w->listModel()->rowCount(), 5);
        if (failure == Failure::SizeLimit || failure == Failure::TempIsFolder)
            QCOMPARE(readFile(dataPath()), before);
    }
};

QTEST_MAIN(tst_edit)
#include "tst_edit.moc"
