// The CSV commands of the main window and the import help window, driven through the real
// window: what the user is asked and told, the busy pointer, the list, and the bytes on disk.
#include "forms/formlayout.h"
#include "list/recordlistmodel.h"
#include "permissions.h"
#include "scripteddialogs.h"
#include "store/appendbatch.h"
#include "store/cp1250.h"
#include "store/record.h"
#include "windowharness.h"
#include "windows/frmimport.h"
#include "windows/frmtelcsi.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QString kPattern = u"*.csv"_s;
const QString kImportDone =
    u"Az adatbázis importálása befejeződött.\r\n\r\nHa a listamezőben az adatbázis nem "
    u"megfelelő,\r\ntörölje az adatbázist és ellenőrízze a ''csv'' fájlt,\r\nmajd indítsa el "
    u"újra az importálást."_s;

// Contact n; the postcode ends in the number's last two digits.
const SampleContacts kContacts([](int n) {
    const QString t = QString::number(n);
    return QStringList{
        u"Ács Ödön "_s + t, u"Győr"_s,    u"90"_s + t.right(2),     u"Fő utca "_s + t, u"96/"_s + t,
        QString(),          u"jegyzet"_s, u"o%1@pelda.hu"_s.arg(t), u"www.pelda.hu"_s};
});

// Import lines of the contacts: postcode before settlement, fields trimmed.
QByteArray importLines(int from, int count) {
    QByteArray out;
    for (int i = from; i < from + count; ++i) {
        QStringList f = kContacts.fields(i);
        f.swapItemsAt(1, 2);
        out += cp1250::encode(f.join(u';')) + "\r\n";
    }
    return out;
}

enum class Failure {
    FolderReadOnly,
    FolderMissing,
    DiskFull,
    DataFileChosen,
    FileUnreadable,
    FileMissing,
    UntrimmedPattern,
    DataFileReadOnly,
    DataFolderReadOnly,
    TargetIsFolder
};

} // namespace

class tst_csvwindow : public QObject {
    Q_OBJECT

private:
    void open(const QByteArray& data) {
        m_h = std::make_unique<WindowHarness>(data);
        m_cursorsAtReload.clear();
        connect(m_h->window().listModel(), &QAbstractItemModel::modelReset, this, [this] {
            const QCursor* c = QApplication::overrideCursor();
            m_cursorsAtReload << (c ? c->shape() : Qt::ArrowCursor);
        });
    }
    ScriptedDialogs& dialogs() { return m_h->dialogs(); }
    QStringList names() const { return m_h->column(0); }
    QStringList entries() const {
        QStringList texts;
        for (const char* e : {"txNev", "txTelepules", "txIrszam", "txCim", "txTel1", "txTel2",
                              "txMegj", "txtMail", "txWeb"})
            texts << m_h->entry(QString::fromLatin1(e))->text();
        return texts;
    }
    QStringList folderEntries(const QString& folder) const {
        return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    }

    std::unique_ptr<WindowHarness> m_h;
    QList<Qt::CursorShape> m_cursorsAtReload;

private Q_SLOTS:
    void cleanup() {
        m_h.reset();
        QDir::setCurrent(QDir::tempPath());
    }

    void cancelDoesNothing_data() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("answer"); // null: the dialog is cancelled
        const QString save = u"mnuMentCSVbe"_s;
        const QString load = u"mnuImport"_s;
        QTest::newRow("export cancelled") << save << QString();
        QTest::newRow("export with the preset name") << save << kPattern;
        QTest::newRow("export with the preset name in blanks") << save << u"  *.csv  "_s;
        QTest::newRow("import cancelled") << load << QString();
        QTest::newRow("import with the preset name") << load << kPattern;
    }
    void cancelDoesNothing() {
        QFETCH(QString, menu);
        QFETCH(QString, answer);
        const QByteArray before = kContacts.records(1, 3);
        open(before);
        const QStringList files = folderEntries(m_h->folder());
        if (!answer.isNull())
            dialogs().queueText(answer);
        m_h->press(menu);

        QCOMPARE(dialogs().shown().size(), 1);
        const ScriptedDialogs::Shown d = dialogs().shown().first();
        QCOMPARE(d.kind, menu == u"mnuImport"_s ? ScriptedDialogs::Kind::OpenFile
                                                : ScriptedDialogs::Kind::SaveFile);
        QCOMPARE(d.title, kPattern); // the filter
        QCOMPARE(d.text, kPattern);  // the preset name
        QVERIFY(m_cursorsAtReload.isEmpty());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(readFile(m_h->dataPath()), before);
        QCOMPARE(folderEntries(m_h->folder()), files);
    }

    void exportWritesEveryRecord_data() {
        QTest::addColumn<QString>("answer"); // relative to the folder
        QTest::addColumn<QString>("written");
        QTest::addColumn<int>("count");
        QTest::newRow("three records") << u"lista.csv"_s << u"lista.csv"_s << 3;
        QTest::newRow("no extension added") << u"lista"_s << u"lista"_s << 3;
        QTest::newRow("blanks around the name trimmed") << u"  lista.csv "_s << u"lista.csv"_s << 3;
        QTest::newRow("empty register") << u"ures.csv"_s << u"ures.csv"_s << 0;
    }
    void exportWritesEveryRecord() {
        QFETCH(QString, answer);
        QFETCH(QString, written);
        QFETCH(int, count);
        const QByteArray before = kContacts.records(1, count);
        open(before);
        if (count > 0)
            m_h->clickRow(count - 1);
        const QStringList shown = entries();
        const qint64 selected = m_h->window().selectedRecord();
        m_cursorsAtReload.clear();
        QDir::setCurrent(m_h->folder());
        dialogs().queueText(answer);
        m_h->press(u"mnuMentCSVbe"_s);

        const QByteArray out = readFile(m_h->filePath(written));
        QCOMPARE(out.size(), qsizetype(count) * 289);
        for (int i = 0; i < count; ++i) {
            QCOMPARE(out.mid(qsizetype(i) * 289, 65), before.mid(qsizetype(i) * kRecordSize, 65));
            QCOMPARE(out.mid(qsizetype(i) * 289 + 286, 3), QByteArray(";\r\n"));
        }
        QStringList files = folderEntries(m_h->folder());
        files.sort();
        QCOMPARE(files, QStringList({u"Telefon.dat"_s, written}));
        QCOMPARE(dialogs().count(ScriptedDialogs::Kind::Message), 1);
        const ScriptedDialogs::Shown msg = dialogs().last(ScriptedDialogs::Kind::Message);
        QCOMPARE(msg.title, u"Adatbázis mentése"_s);
        QCOMPARE(msg.text, u"Az adatbázis mentése megtörtént."_s);
        QCOMPARE(msg.icon, Dialogs::Icon::Information);
        // Only the file was written: data, list, fields and the selection stay.
        QCOMPARE(readFile(m_h->dataPath()), before);
        QVERIFY(m_cursorsAtReload.isEmpty());
        QCOMPARE(entries(), shown);
        QCOMPARE(m_h->window().selectedRecord(), selected);
    }

    void importAppendsAndReloads() {
        const QByteArray before = kContacts.records(1, 10);
        open(before);
        m_h->clickRow(4);
        const QStringList shown = entries();
        const QString file = m_h->filePath(u"uj.csv"_s);
        writeFile(file, importLines(11, 3));
        QDir::setCurrent(QDir::rootPath());
        m_cursorsAtReload.clear();
        for (int round = 1; round <= 2; ++round) {
            dialogs().clear();
            dialogs().queueText(file);
            m_h->press(u"mnuImport"_s);

            QByteArray expected = before;
            for (int r = 0; r < round; ++r)
                expected += kContacts.records(11, 3);
            QCOMPARE(readFile(m_h->dataPath()), expected);
            QCOMPARE(m_h->recordNumbers().size(), 10 + 3 * round);
            QCOMPARE(m_h->recordNumbers().last(), qint64(10 + 3 * round));
            QCOMPARE(names().mid(10 + 3 * (round - 1)),
                     QStringList({u"Ács Ödön 11"_s, u"Ács Ödön 12"_s, u"Ács Ödön 13"_s}));
            // The list was reloaded under the busy pointer, which is gone again.
            QCOMPARE(m_cursorsAtReload, QList<Qt::CursorShape>(round, Qt::WaitCursor));
            QVERIFY(!QApplication::overrideCursor());
            QCOMPARE(QDir::currentPath(), QDir(m_h->folder()).canonicalPath());
            QCOMPARE(dialogs().shown().size(), 2);
            const ScriptedDialogs::Shown msg = dialogs().last(ScriptedDialogs::Kind::Message);
            QCOMPARE(msg.title, u"Adatbázis importálása"_s);
            QCOMPARE(msg.text, kImportDone);
            QCOMPARE(msg.icon, Dialogs::Icon::Information);
            QCOMPARE(entries(), shown);
            QCOMPARE(m_h->window().selectedRecord(), qint64(5));
        }
    }

    // Every failure is told with the file and the reason, never as success, and leaves
    // Telefon.dat byte for byte as it was.
    void failureIsReported_data() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<Failure>("failure");
        const QString save = u"mnuMentCSVbe"_s;
        const QString load = u"mnuImport"_s;
        QTest::newRow("export, folder read-only") << save << Failure::FolderReadOnly;
        QTest::newRow("export, folder missing") << save << Failure::FolderMissing;
        QTest::newRow("export, disk full") << save << Failure::DiskFull;
        QTest::newRow("export, Telefon.dat chosen") << save << Failure::DataFileChosen;
        QTest::newRow("export, a folder of that name") << save << Failure::TargetIsFolder;
        QTest::newRow("import, file unreadable") << load << Failure::FileUnreadable;
        QTest::newRow("import, file missing") << load << Failure::FileMissing;
        QTest::newRow("import, preset name with a blank") << load << Failure::UntrimmedPattern;
        QTest::newRow("import, disk full") << load << Failure::DiskFull;
        QTest::newRow("import, Telefon.dat chosen") << load << Failure::DataFileChosen;
        QTest::newRow("import, Telefon.dat read-only") << load << Failure::DataFileReadOnly;
        QTest::newRow("import, data folder read-only, no Telefon.dat")
            << load << Failure::DataFolderReadOnly;
    }
    void failureIsReported() {
        QFETCH(QString, menu);
        QFETCH(Failure, failure);
        const bool importing = menu == u"mnuImport"_s;
        const QByteArray before = kContacts.records(1, 20) + "tail";
        open(before);
        m_cursorsAtReload.clear();
        const QString target = m_h->filePath(u"sub/lista.csv"_s);
        QVERIFY(QDir(m_h->folder()).mkdir(u"sub"_s));
        QString chosen = target;
        QString named = target; // the file the message must name
        std::unique_ptr<PermissionBitsBind> bits;
        std::unique_ptr<FileSizeLimit> full;
        switch (failure) {
        case Failure::FolderReadOnly:
            QVERIFY(
                QFile::setPermissions(m_h->filePath(u"sub"_s), QFile::ReadOwner | QFile::ExeOwner));
            bits = std::make_unique<PermissionBitsBind>();
            break;
        case Failure::FolderMissing:
            chosen = named = m_h->filePath(u"nincs/lista.csv"_s);
            break;
        case Failure::DiskFull:
            if (importing) {
                writeFile(target, importLines(100, 10000));
                named = m_h->dataPath();
                full = std::make_unique<FileSizeLimit>(before.size() + 6000 * kRecordSize);
            } else {
                writeFile(target, "a previous export");
                full = std::make_unique<FileSizeLimit>(289 * 5);
            }
            break;
        case Failure::DataFileChosen:
            QVERIFY(QFile::link(m_h->dataPath(), target));
            break;
        case Failure::FileUnreadable:
            writeFile(target, importLines(1, 3));
            QVERIFY(QFile::setPermissions(target, QFile::WriteOwner));
            bits = std::make_unique<PermissionBitsBind>();
            break;
        case Failure::FileMissing:
            break;
        case Failure::TargetIsFolder:
            QVERIFY(QDir(m_h->folder()).mkdir(u"sub/lista.csv"_s));
            break;
        case Failure::UntrimmedPattern:
            QDir::setCurrent(m_h->folder());
            chosen = named = u" *.csv"_s;
            break;
        case Failure::DataFileReadOnly:
            writeFile(target, importLines(1, 3));
            QVERIFY(QFile::setPermissions(m_h->dataPath(), QFile::ReadOwner));
            bits = std::make_unique<PermissionBitsBind>();
            named = m_h->dataPath();
            break;
        case Failure::DataFolderReadOnly:
            writeFile(target, importLines(1, 3));
            QVERIFY(QFile::remove(m_h->dataPath()));
            QVERIFY(QFile::setPermissions(m_h->folder(), QFile::ReadOwner | QFile::ExeOwner));
            bits = std::make_unique<PermissionBitsBind>();
            named = m_h->dataPath();
            break;
        }
        const QByteArray targetBefore = readFile(target);
        const QStringList subBefore = folderEntries(m_h->filePath(u"sub"_s));
        dialogs().queueText(chosen);
        m_h->press(menu);
        full.reset();
        bits.reset();
        QFile::setPermissions(m_h->folder(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(m_h->filePath(u"sub"_s),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QCOMPARE(dialogs().count(ScriptedDialogs::Kind::Message), 1);
        const ScriptedDialogs::Shown msg = dialogs().last(ScriptedDialogs::Kind::Message);
        QCOMPARE(msg.icon, Dialogs::Icon::Critical);
        QVERIFY2(msg.text.contains(u"„"_s + QDir::toNativeSeparators(named) + u"”"_s),
                 qPrintable(msg.text));
        QVERIFY2(!msg.text.contains(u"megtörtént"_s) && !msg.text.contains(u"befejeződött"_s),
                 qPrintable(msg.text));
        // The reason is the system's, in Hungarian.
        QVERIFY2(msg.text.split(u'\n').value(1).endsWith(u'.') &&
                     !msg.text.contains(u"file"_s, Qt::CaseInsensitive),
                 qPrintable(msg.text));
        QVERIFY(!QApplication::overrideCursor());
        if (failure == Failure::DataFolderReadOnly)
            QVERIFY(!QFileInfo::exists(m_h->dataPath()));
        else
            QCOMPARE(readFile(m_h->dataPath()), before);
        QCOMPARE(m_h->recordNumbers().size(), 20);
        if (failure == Failure::DataFileChosen)
            QVERIFY(QFileInfo(target).isSymLink());
        else if (!importing)
            QCOMPARE(readFile(target), targetBefore); // an older file is kept whole
        if (!importing && failure != Failure::DataFileChosen)
            QCOMPARE(folderEntries(m_h->filePath(u"sub"_s)), subBefore); // nothing left behind
        if (importing)
            QVERIFY(m_cursorsAtReload.isEmpty());

        // Once the cause is gone, a retry appends every contact exactly once.
        if (importing && failure == Failure::DiskFull) {
            dialogs().clear();
            dialogs().queueText(chosen);
            m_h->press(menu);
            QCOMPARE(dialogs().last(ScriptedDialogs::Kind::Message).text, kImportDone);
            // The incomplete tail gives way to the first new record, as it does for an add.
            QCOMPARE(QFileInfo(m_h->dataPath()).size(), (20 + 10000) * kRecordSize);
            QCOMPARE(readFile(m_h->dataPath()).right(kRecordSize), kContacts.record(10099));
        }
    }

    void helpWindowControls_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("heading"); // bold and centred
        auto add = [](int index, int l, int t, int w, int h, const QString& text, bool heading) {
            QTest::addRow("Label1(%d)", index) << index << QRect(l, t, w, h) << text << heading;
        };
        add(6, 210, 2220, 12255, 285,
            u"A táblázatot az alábbiak szerint kell kitölteni és \"*.CSV\" fájl formátumban "
            u"menteni."_s,
            true);
        add(11, 4290, 2610, 3795, 285, u"A oszlop - név (40 karakter)"_s, false);
        add(3, 4290, 2910, 3795, 285, u"B oszlop - Irányítószám (4 karakter)"_s, false);
        add(1, 4290, 3210, 3795, 285, u"C oszlop - Település (25 karakter)"_s, false);
        add(4, 4290, 3510, 3795, 285, u"D oszlop - Cím (50 karakter)"_s, false);
        add(8, 4290, 3810, 3795, 285, u"E  oszlop - Telefon 1 (15 karakter)"_s, false);
        add(5, 4290, 4110, 3795, 285, u"F oszlop - Telefon 2 (15 karakter)"_s, false);
        add(12, 4290, 4410, 3795, 285, u"G oszlop - megjegyzés (50 karakter)"_s, false);
        add(9, 4290, 4710, 3795, 285, u"H oszlop - E-mail cím (40 karakter)"_s, false);
        add(10, 4290, 5010, 3795, 285, u"I oszlop -Web cím (40 karakter)"_s, false);
        add(7, 270, 5370, 13245, 495,
            u"Mentés után a főablakban az \"Adatbázis\" menüben lévő \"Importálás CSV fájlból\" "
            u"almenüt alkalmazva tallózással keresd meg az elmentett \"CSV\" fájlt, majd "
            u"kiválasztás után a Megnyitás gombbal elkezdheted az importálást."_s,
            true);
    }
    void helpWindowControls() {
        QFETCH(int, index);
        QFETCH(QRect, twips);
        QFETCH(QString, text);
        QFETCH(bool, heading);
        frmImport w;
        w.show();
        auto* label = w.findChild<QLabel*>(u"Label1_%1"_s.arg(index));
        QVERIFY(label);
        QCOMPARE(label->text(), text);
        QCOMPARE(label->accessibleName(), text);
        QCOMPARE(label->geometry(),
                 form::twipRect(twips.x(), twips.y(), twips.width(), twips.height()));
        QCOMPARE(label->font().bold(), heading);
        QCOMPARE(label->alignment() & Qt::AlignHorizontal_Mask,
                 heading ? Qt::AlignHCenter : Qt::AlignLeft);
        if (index == 7) {
            // Wraps onto exactly two lines inside its box.
            QVERIFY(label->wordWrap());
            const QFontMetrics fm(label->font());
            const int line =
                fm.boundingRect(QRect(0, 0, 100000, 1000), Qt::TextWordWrap, text).height();
            const int height =
                fm.boundingRect(QRect(0, 0, label->width(), 1000), Qt::TextWordWrap, text).height();
            QVERIFY2(height > line && height <= 2 * line + 1,
                     qPrintable(u"%1 %2"_s.arg(line).arg(height)));
            QVERIFY(height <= label->height());
        } else {
            QVERIFY(label->sizeHint().width() <= label->width());
        }
    }

    void helpWindowLayout() {
        frmImport w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.windowTitle(), u"Segítség az adatok importálásához."_s);
        QCOMPARE(w.findChild<QWidget*>(u"client"_s)->size(), QSize(968, 397)); // 14520 × 5955
        QVERIFY(w.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(w.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(w.minimumSize() != w.maximumSize()); // the frame can be resized
        auto* bar = w.findChild<QMenuBar*>();
        QVERIFY(bar);
        QCOMPARE(bar->actions().size(), 1);
        QCOMPARE(bar->actions().first()->objectName(), u"mnuVissza"_s);
        QCOMPARE(bar->actions().first()->text(), u"&Vissza"_s);
        QVERIFY(!bar->actions().first()->menu());
        QCOMPARE(w.findChildren<QLabel*>(QRegularExpression(u"^Label1_"_s)).size(), 11);

        auto* image = w.findChild<QLabel*>(u"Image1"_s);
        QCOMPARE(image->geometry(), form::twipRect(30, 90, 14475, 1965));
        QVERIFY(image->hasScaledContents());
        QCOMPARE(image->pixmap().size(), QSize(1197, 129));
        QVERIFY(!image->accessibleName().isEmpty());

        // The controls stay where they are when the window grows.
        const QRect before = w.findChild<QLabel*>(u"Label1_7"_s)->geometry();
        w.resize(w.width() + 200, w.height() + 100);
        QCOMPARE(w.findChild<QLabel*>(u"Label1_7"_s)->geometry(), before);
        QCOMPARE(image->geometry(), form::twipRect(30, 90, 14475, 1965));
    }

    void helpWindowOpensModallyCentred() {
        open(kContacts.records(1, 2));
        struct Opening {
            QString title;
            QRect outer;
            bool modal = false;
        };
        QList<Opening> openings;
        for (int i = 0; i < 2; ++i) {
            QTimer::singleShot(0, this, [&openings, this] {
                QWidget* w = QApplication::activeModalWidget();
                Opening o;
                if (auto* help = qobject_cast<frmImport*>(w)) {
                    (void)QTest::qWaitForWindowExposed(help);
                    o.title = help->windowTitle();
                    o.outer = help->frameGeometry();
                    o.modal = help->windowModality() == Qt::ApplicationModal;
                    help->move(5, 5); // moved by the user before closing
                    help->findChild<QAction*>(u"mnuVissza"_s)->trigger();
                } else if (w) {
                    w->close(); // not the help window: end its modal loop all the same
                }
                openings << o;
            });
            m_h->press(u"mnuHelp"_s);
        }
        QCOMPARE(openings.size(), 2);
        const QRect screen = m_h->window().screen()->geometry();
        for (const Opening& o : openings) {
            QCOMPARE(o.title, u"Segítség az adatok importálásához."_s);
            QVERIFY(o.modal);
            QVERIFY2(qAbs(o.outer.center().x() - screen.center().x()) <= 1 &&
                         qAbs(o.outer.center().y() - screen.center().y()) <= 1,
                     qPrintable(u"%1,%2"_s.arg(o.outer.x()).arg(o.outer.y())));
        }
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(dialogs().shown().size(), 0);
    }

    // A sheet saved as CSV by LibreOffice, where it is installed.
    void spreadsheetRoundTrip() {
        const QString soffice = QStandardPaths::findExecutable(u"soffice"_s);
        if (soffice.isEmpty())
            QSKIP("LibreOffice (soffice) is not installed");
        open(QByteArray());
        const QString sheet = m_h->filePath(u"lista.fods"_s);
        QByteArray rows;
        const QList<QStringList> cells = {
            {u"Kovács Péter"_s, u"1041"_s, u"Budapest"_s, u"Deák F. u. 1."_s, u"06-1-234"_s},
            {u"Szűcs \"Öcsi\" Ágnes"_s, u"9021"_s, u"Győr"_s, u"Fő tér 2; 3. em."_s}};
        for (const QStringList& row : cells) {
            rows += "<table:table-row>";
            for (const QString& c : row) {
                bool number = false;
                c.toInt(&number);
                rows += number ? "<table:table-cell office:value-type=\"float\" office:value=\"" +
                                     c.toUtf8() + "\">"
                               : QByteArray("<table:table-cell office:value-type=\"string\">");
                rows += "<text:p>" + c.toHtmlEscaped().toUtf8() + "</text:p></table:table-cell>";
            }
            rows += "</table:table-row>";
        }
        writeFile(sheet, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                         "<office:document "
                         "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                         "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                         "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
                         "office:version=\"1.2\" "
                         "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\">"
                         "<office:body><office:spreadsheet><table:table table:name=\"Munka1\">" +
                             rows +
                             "</table:table></office:spreadsheet></office:body></office:document>");
        QTemporaryDir profile;
        QProcess p;
        p.setWorkingDirectory(m_h->folder());
        // ";" between fields, quotation marks around text, UTF-8.
        p.start(soffice, {u"-env:UserInstallation=file://"_s + profile.path(), u"--headless"_s,
                          u"--convert-to"_s, u"csv:Text - txt - csv (StarCalc):59,34,76"_s,
                          u"--outdir"_s, m_h->folder(), sheet});
        QVERIFY(p.waitForFinished(-1));
        const QString csv = m_h->filePath(u"lista.csv"_s);
        QVERIFY2(QFileInfo::exists(csv), p.readAllStandardError().constData());

        dialogs().queueText(csv);
        m_h->press(u"mnuImport"_s);
        QCOMPARE(dialogs().last(ScriptedDialogs::Kind::Message).text, kImportDone);
        // A quotation mark inside a field is dropped and a ";" inside one separates, as in
        // any other file.
        QCOMPARE(readFile(m_h->dataPath()),
                 recordBytes({u"Kovács Péter"_s, u"Budapest"_s, u"1041"_s, u"Deák F. u. 1."_s,
                              u"06-1-234"_s}) +
                     recordBytes({u"Szűcs Öcsi Ágnes"_s, u"Győr"_s, u"9021"_s, u"Fő tér 2"_s,
                                  u"3. em."_s}));
    }
};

int main(int argc, char* argv[]) {
    return runOnDesktopScreen<tst_csvwindow>(argc, argv);
}

#include "tst_csvwindow.moc"
