// Contacts from and to vCard files through the main window's menu, checked in the messages, the
// list and the bytes of Telefon.dat and of the vCard file.
#include "scripteddialogs.h"
#include "store/record.h"
#include "vcard/vcardwriter.h"
#include "windowharness.h"
#include "windows/frmtelcsi.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QTreeView>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

using Kind = ScriptedDialogs::Kind;

const QByteArray kTwoRecords =
    recordBytes({u"Ács Ödön"_s, u"Győr"_s, u"9021"_s, u"Fő utca 1."_s, u"06-96-111"_s}) +
    recordBytes({u"Bíró Éva"_s, u"Pécs"_s, u"7621"_s, u"Király u. 9."_s, u"06-72-222"_s,
                 u"06-30-333"_s, u"kolléga"_s, u"eva@pelda.hu"_s, u"www.pelda.hu"_s});

// Three cards in three dialects.
const QByteArray kCards = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Cseh Ferenc\r\nTEL:1\r\nEND:VCARD\r\n"
                          "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:"
                          "D=C3=A9nes;Gy=C5=91z=C5=91;;;\r\nEND:VCARD\r\n"
                          "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Erdős Írisz\r\n"
                          "ADR;PREF=1:;;Kossuth tér 2.;Eger;;3300;\r\nEND:VCARD\r\n";
const QByteArray kCardRecords =
    recordBytes({u"Cseh Ferenc"_s, {}, {}, {}, u"1"_s}) + recordBytes({u"Dénes Győző"_s}) +
    recordBytes({u"Erdős Írisz"_s, u"Eger"_s, u"3300"_s, u"Kossuth tér 2."_s});

QByteArray cardsOf(const QByteArray& records) {
    QByteArray out;
    for (qsizetype i = 0; i + kRecordSize <= records.size(); i += kRecordSize)
        vcard::appendCard(out, Record::fromBytes(records.constData() + i));
    return out;
}

enum class Target {
    File,
    NoCards,
    Missing,
    DataFile,
    DataFileLink,
    Folder,
    FullDisk,
    MissingFolder
};

} // namespace

class tst_vcardwindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void menuItems();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void import_data();
    void import();
    void exportReplacesFileWhole_data();
    void exportReplacesFileWhole();
    void exportFailures_data();
    void exportFailures();
};

void tst_vcardwindow::menuItems() {
    WindowHarness h;
    auto* menu = h.find<QMenu>(u"mnuAdatok"_s);
    QVERIFY(menu);
    QStringList captions;
    QString letters;
    for (QAction* a : menu->actions()) {
        captions.append(a->isSeparator() ? u"-"_s : a->text());
        const qsizetype amp = a->text().indexOf(u'&');
        if (amp >= 0)
            letters += a->text()[amp + 1].toLower();
    }
    QCOMPARE(
        captions,
        (QStringList{u"&Inportálás\"CSV\"fájlból"_s, u"&Exportálás (mentés) \"CSV\" fájlba"_s,
                     u"&Adatbázis törlése"_s, u"&Segítség az importáláshoz."_s, u"-"_s,
                     u"I&mportálás vCard (.vcf) fájlból"_s, u"E&xportálás vCard (.vcf) fájlba"_s,
                     u"-"_s, u"Szinkronizálási &fiók…"_s, u"Szin&kronizálás"_s}));
    // Every item has an access letter of its own.
    QCOMPARE(letters.size(), 8);
    for (QChar c : letters)
        QCOMPARE(letters.count(c), 1);
    QVERIFY(h.window().findChild<QAction*>(u"mnuVCardImport"_s));
    QVERIFY(h.window().findChild<QAction*>(u"mnuVCardExport"_s));
}

void tst_vcardwindow::cancelChangesNothing_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("dialog");
    QTest::newRow("import cancelled") << u"mnuVCardImport"_s << QString() << int(Kind::OpenFile);
    QTest::newRow("import with the preset name")
        << u"mnuVCardImport"_s << u"*.vcf"_s << int(Kind::OpenFile);
    QTest::newRow("export cancelled") << u"mnuVCardExport"_s << QString() << int(Kind::SaveFile);
    QTest::newRow("export with the preset name and blanks")
        << u"mnuVCardExport"_s << u" *.vcf "_s << int(Kind::SaveFile);
}

void tst_vcardwindow::cancelChangesNothing() {
    QFETCH(QString, item);
    QFETCH(QString, answer);
    QFETCH(int, dialog);
    WindowHarness h(kTwoRecords);
    if (!answer.isNull())
        h.dialogs().queueText(answer);
    const QStringList before = QDir(h.folder()).entryList(QDir::Files);
    h.press(item);
    QCOMPARE(h.dialogs().shown().size(), 1);
    QCOMPARE(int(h.dialogs().shown()[0].kind), dialog);
    QCOMPARE(h.dialogs().shown()[0].text, u"*.vcf"_s);
    QCOMPARE(h.dialogs().shown()[0].title,
             dialog == int(Kind::OpenFile) ? u"vCard (*.vcf *.vcard)"_s : u"*.vcf"_s);
    QCOMPARE(QDir(h.folder()).entryList(QDir::Files), before);
    QCOMPARE(readFile(h.dataPath()), kTwoRecords);
    QCOMPARE(h.recordNumbers(), (QList<qint64>{1, 2}));
    QVERIFY(!QApplication::overrideCursor());
}

void tst_vcardwindow::import_data() {
    QTest::addColumn<int>("target");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("expected"); // Telefon.dat afterwards
    QTest::addColumn<QString>("message");     // a part of the one message shown
    QTest::newRow("three cards behind two records")
        << int(Target::File) << kCards << kTwoRecords + kCardRecords
        << u"A névjegyek importálása befejeződött.\n3 névjegy került az adatbázisba."_s;
    QTest::newRow("a file without cards")
        << int(Target::NoCards) << QByteArray("nem névjegy\r\nTEL:1\r\n") << kTwoRecords
        << u"kontaktok.vcf” fájlban nincs névjegy."_s;
    QTest::newRow("a file that is not there")
        << int(Target::Missing) << QByteArray() << kTwoRecords << u"nem történt meg"_s;
    QTest::newRow("Telefon.dat itself")
        << int(Target::DataFile) << QByteArray() << kTwoRecords << u"Telefon.dat"_s;
    QTest::newRow("Telefon.dat under another name")
        << int(Target::DataFileLink) << QByteArray() << kTwoRecords << u"Telefon.dat"_s;
    QTest::newRow("a folder") << int(Target::Folder) << QByteArray() << kTwoRecords
                              << u"nem történt meg"_s;
    QTest::newRow("full disk: nothing arrives") << int(Target::FullDisk) << kCards.repeated(2000)
                                                << kTwoRecords << u"az adatbázis nem változott"_s;
}

void tst_vcardwindow::import() {
    QFETCH(int, target);
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, expected);
    QFETCH(QString, message);
    WindowHarness h(kTwoRecords);
    QString path = h.filePath(u"kontaktok.vcf"_s);
    switch (Target(target)) {
    case Target::File:
    case Target::NoCards:
    case Target::FullDisk:
        writeFile(path, file);
        break;
    case Target::Missing:
        break;
    case Target::DataFile:
        path = h.dataPath();
        break;
    case Target::DataFileLink:
        QVERIFY(QFile::link(h.dataPath(), path));
        break;
    case Target::Folder:
        QVERIFY(QDir(h.folder()).mkdir(u"kontaktok.vcf"_s));
        break;
    default:
        QFAIL("no such case");
    }
    h.dialogs().queueText(path);
    {
        std::optional<FileSizeLimit> limit;
        if (Target(target) == Target::FullDisk)
            limit.emplace(kTwoRecords.size() + 2 * kRecordSize);
        h.press(u"mnuVCardImport"_s);
    }
    QCOMPARE(readFile(h.dataPath()), expected);
    QCOMPARE(h.recordNumbers().size(), expected.size() / kRecordSize);
    QCOMPARE(h.dialogs().count(Kind::Message), 1);
    const ScriptedDialogs::Shown shown = h.dialogs().last(Kind::Message);
    QVERIFY2(shown.text.contains(message), qPrintable(shown.text));
    const bool success = Target(target) == Target::File;
    QCOMPARE(shown.icon, success ? Dialogs::Icon::Information : Dialogs::Icon::Critical);
    if (success)
        QCOMPARE(shown.title, u"Névjegyek importálása"_s);
    QVERIFY(!QApplication::overrideCursor());
}

void tst_vcardwindow::exportReplacesFileWhole_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("old"); // the file the export replaces
    QTest::addColumn<QString>("message");
    QTest::newRow("two records over a longer file")
        << kTwoRecords << QByteArray(100000, 'x')
        << u"A névjegyek mentése megtörtént.\n2 névjegy került a fájlba."_s;
    QTest::newRow("an empty register gives an empty file")
        << QByteArray("") << QByteArray() << u"\n0 névjegy került a fájlba."_s;
    QTest::newRow("no register at all")
        << QByteArray() << QByteArray("régi") << u"\n0 névjegy került a fájlba."_s;
}

void tst_vcardwindow::exportReplacesFileWhole() {
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, old);
    QFETCH(QString, message);
    WindowHarness h(data);
    const QString path = h.filePath(u"ki.vcf"_s);
    if (!old.isNull())
        writeFile(path, old);
    h.dialogs().queueText(path);
    h.press(u"mnuVCardExport"_s);
    QCOMPARE(readFile(path), cardsOf(data));
    QCOMPARE(readFile(h.dataPath()), data.isNull() ? QByteArray("") : data);
    QCOMPARE(h.dialogs().count(Kind::Message), 1);
    const ScriptedDialogs::Shown shown = h.dialogs().last(Kind::Message);
    QCOMPARE(shown.title, u"Névjegyek exportálása"_s);
    QCOMPARE(shown.icon, Dialogs::Icon::Information);
    QVERIFY2(shown.text.contains(message), qPrintable(shown.text));
    // Only the data file and the new file are left in the folder.
    QCOMPARE(QDir(h.folder()).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase),
             (QStringList{u"ki.vcf"_s, u"Telefon.dat"_s}));
    QVERIFY(!QApplication::overrideCursor());
}

void tst_vcardwindow::exportFailures_data() {
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("message");
    QTest::newRow("Telefon.dat itself") << int(Target::DataFile) << u"Telefon.dat"_s;
    QTest::newRow("Telefon.dat under another name")
        << int(Target::DataFileLink) << u"Telefon.dat"_s;
    QTest::newRow("a folder that is not there")
        << int(Target::MissingFolder) << u"nem történt meg"_s;
    QTest::newRow("full disk: the old file stays") << int(Target::FullDisk) << u"nem történt meg"_s;
}

void tst_vcardwindow::exportFailures() {
    QFETCH(int, target);
    QFETCH(QString, message);
    QByteArray data;
    for (int i = 0; i < 500; ++i)
        data += kTwoRecords;
    WindowHarness h(data);
    const QByteArray old = "BEGIN:VCARD\r\nFN:régi\r\nEND:VCARD\r\n";
    QString path = h.filePath(u"ki.vcf"_s);
    writeFile(path, old);
    switch (Target(target)) {
    case Target::DataFile:
        path = h.dataPath();
        break;
    case Target::DataFileLink:
        path = h.filePath(u"masik.vcf"_s);
        QVERIFY(QFile::link(h.dataPath(), path));
        break;
    case Target::MissingFolder:
        path = h.filePath(u"nincs/ki.vcf"_s);
        break;
    default:
        break;
    }
    h.dialogs().queueText(path);
    {
        std::optional<FileSizeLimit> limit;
        if (Target(target) == Target::FullDisk)
            limit.emplace(4096); // Telefon.dat is only read
        h.press(u"mnuVCardExport"_s);
    }
    QCOMPARE(readFile(h.dataPath()), data);
    QCOMPARE(readFile(h.filePath(u"ki.vcf"_s)), old);
    QCOMPARE(h.dialogs().count(Kind::Message), 1);
    const ScriptedDialogs::Shown shown = h.dialogs().last(Kind::Message);
    QCOMPARE(shown.icon, Dialogs::Icon::Critical);
    QVERIFY2(shown.text.contains(message), qPrintable(shown.text));
    QVERIFY(!QApplication::overrideCursor());
}

QTEST_MAIN(tst_vcardwindow)
#include "tst_vcardwindow.moc"
