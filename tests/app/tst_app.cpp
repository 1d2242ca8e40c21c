#include "list/recordlistmodel.h"
#include "platform/datafolder.h"
#include "scripteddialogs.h"
#include "store/datastore.h"
#include "store/record.h"
#include "windowharness.h"
#include "windows/frmtelcsi.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <cerrno>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// A contact as nine texts in the order of the record's fields: name, settlement, postcode,
// street address, telephone 1, telephone 2, note, e-mail address, web address.
using Contacts = QList<QStringList>;

const Contacts kThree = {
    {u"Zoltán Kovács"_s, u"Budapest"_s, u"123"_s, u"Fő utca 1."_s, u"06-1-111-1111"_s,
     u"06-30-222-2222"_s, u"  jegyzet  "_s, u"zoli@pelda.hu"_s, u"www.pelda.hu"_s},
    {u"Ábel Anna"_s, u"Győr"_s, u"9021"_s, u"Baross út 2."_s, u"96/123-456"_s, {}, {}, {}, {}},
    {u"Cukor Béla"_s, u"Őrbottyán"_s, u"2162"_s, u"Kossuth u. 3."_s, u"28/360-000"_s,
     u"20/999-8888"_s, u"rokon"_s, u"bela@pelda.hu"_s, QString()},
};

// Contacts whose only filled field is the one in the given column of the list.
Contacts contactsWith(int column, const QStringList& values) {
    static const int fieldOfColumn[] = {0, 1, 3, 4, 5, 6};
    Contacts out;
    for (const QString& v : values) {
        QStringList c(kFieldCount);
        if (column < 6)
            c[fieldOfColumn[column]] = v;
        out.append(c);
    }
    return out;
}

// Every row of the list, column by column.
Contacts listRows(const WindowHarness& s) {
    Contacts out;
    const QAbstractItemModel* m = s.list()->model();
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < m->columnCount(); ++c)
            row.append(m->index(r, c).data().toString());
        out.append(row);
    }
    return out;
}

constexpr auto kHidden = WindowHarness::Start::Hidden;

const QStringList kEntryFields = {u"txNev"_s,  u"txCim"_s,       u"txTel1"_s,
                                  u"txTel2"_s, u"txMegj"_s,      u"txtMail"_s,
                                  u"txWeb"_s,  u"txTelepules"_s, u"txIrszam"_s};

} // namespace

class tst_app : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void startUp_data();
    void startUp();
    void unreadableDataFile();
    void junkDataFile();
    void windowPlacement();
    void controls_data();
    void controls();
    void startState();
    void tabOrder();
    void rowClick_data();
    void rowClick();
    void sorting_data();
    void sorting();
    void mezoDel();
    void exit_data();
    void exit();
    void listReadableByScreenReader();
    void modelUnderTester();
    void dataFolderChoice_data();
    void dataFolderChoice();
    void dataFolderCannotBeMade();
    void dataFileBesideProgram();
};

void tst_app::startUp_data() {
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<Contacts>("contacts");
    QTest::addColumn<Contacts>("rows");
    QTest::newRow("missing") << false << Contacts{} << Contacts{};
    QTest::newRow("empty") << true << Contacts{} << Contacts{};
    QTest::newRow("three records")
        << true << kThree
        << Contacts{{u"Zoltán Kovács"_s, u"Budapest"_s, u"Fő utca 1."_s, u"06-1-111-1111"_s,
                     u"06-30-222-2222"_s, u"jegyzet"_s, u"1"_s},
                    {u"Ábel Anna"_s, u"Győr"_s, u"Baross út 2."_s, u"96/123-456"_s, {}, {}, u"2"_s},
                    {u"Cukor Béla"_s, u"Őrbottyán"_s, u"Kossuth u. 3."_s, u"28/360-000"_s,
                     u"20/999-8888"_s, u"rokon"_s, u"3"_s}};
    QTest::newRow("all fields blank")
        << true << Contacts{QStringList(kFieldCount)} << Contacts{{{}, {}, {}, {}, {}, {}, u"1"_s}};
}

void tst_app::startUp() {
    QFETCH(bool, fileExists);
    QFETCH(Contacts, contacts);
    QFETCH(Contacts, rows);
    WindowHarness s(fileExists ? recordsBytes(contacts) : QByteArray(), kHidden);
    QCOMPARE(listRows(s), rows);
    QCOMPARE(s.dialogs().shown().size(), 0);
    const QFileInfo file(s.window().store().dataPath());
    QCOMPARE(file.absolutePath(), QDir(s.folder()).absolutePath());
    QVERIFY(file.isFile());
    QCOMPARE(file.size(), qint64(contacts.size()) * kRecordSize);
}

void tst_app::unreadableDataFile() {
    WindowHarness s(QByteArray(), WindowHarness::Start::Later);
    QVERIFY(QDir(s.folder()).mkdir(u"Telefon.dat"_s));
    s.start(false);
    QCOMPARE(s.dialogs().shown().size(), 1);
    const ScriptedDialogs::Shown box = s.dialogs().shown().constFirst();
    QCOMPARE(box.kind, ScriptedDialogs::Kind::Message);
    QCOMPARE(box.icon, Dialogs::Icon::Critical);
    QVERIFY2(box.text.contains(QDir::toNativeSeparators(s.filePath(u"Telefon.dat"_s))),
             qPrintable(box.text));
    QCOMPARE(s.list()->model()->rowCount(), 0);
    s.press(u"cmdLista"_s); // and again, without harm
    QCOMPARE(s.dialogs().count(ScriptedDialogs::Kind::Message), 2);
}

void tst_app::junkDataFile() {
    WindowHarness s(QByteArray(), WindowHarness::Start::Later);
    QRandomGenerator random(1250);
    QByteArray junk(5 * kRecordSize + 100, Qt::Uninitialized);
    for (char& c : junk)
        c = static_cast<char>(random.bounded(256));
    junk[0] = '\0';
    junk[1] = '\xFF';
    writeFile(DataStore(s.folder()).dataPath(), junk);
    s.start(false);
    s.window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&s.window()));
    QCOMPARE(s.column(6), (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}));
    for (int c = 0; c < 7; ++c) {
        s.clickHeader(c);
        for (int r = 0; r < 5; ++r)
            s.clickRow(r);
    }
    QCOMPARE(s.find<QLineEdit>(u"txIrszam"_s)->text().size(), 4);
    QCOMPARE(s.dialogs().shown().size(), 0);
}

void tst_app::windowPlacement() {
    WindowHarness s(QByteArray(), kHidden);
    s.window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&s.window()));
    const QRect outer = s.window().frameGeometry();
    QCOMPARE(outer.height(), 683); // 10250 twips
    QCOMPARE(s.find(u"client"_s)->size(), QSize(907, 630));
    const QRect screen = s.window().screen()->geometry();
    QVERIFY(screen.contains(outer));
    QVERIFY2(
        qAbs(outer.center().x() - screen.center().x()) <= 1 &&
            qAbs(outer.center().y() - screen.center().y()) <= 1,
        qPrintable(
            u"%1,%2 %3x%4"_s.arg(outer.x()).arg(outer.y()).arg(outer.width()).arg(outer.height())));
    QVERIFY(s.window().windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!s.window().windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
}

void tst_app::controls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry"); // pixels at 96 dpi: twips / 15
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("spoken"); // accessible name
    QTest::addColumn<int>("maxLength");
    const auto row = [](const QString& name, QRect geometry, const QString& caption,
                        const QString& spoken, int maxLength = -1) {
        QTest::newRow(name.toUtf8().constData())
            << name << geometry << caption << spoken << maxLength;
    };
    row(u"ListView1"_s, {10, 152, 886, 435}, {}, u"Névjegyzék"_s);
    row(u"txNev"_s, {69, 24, 205, 19}, {}, u"Név"_s, 40);
    row(u"txTel1"_s, {71, 69, 127, 19}, {}, u"Telefonszám 1"_s, 15);
    row(u"txtMail"_s, {70, 96, 355, 19}, {}, u"E-mail cím"_s, 50);
    row(u"txTelepules"_s, {340, 24, 169, 19}, {}, u"Település"_s, 25);
    row(u"txIrszam"_s, {282, 24, 53, 19}, {}, u"Ir.szám"_s, 15);
    row(u"cmdRogzit"_s, {20, 601, 70, 19}, u"&Rögzítés"_s, u"Rögzítés"_s);
    row(u"cmdMezoDel"_s, {518, 94, 55, 52}, u"Me&zők Törlése"_s, u"Mezők Törlése"_s);
    row(u"cmdLista"_s, {668, 94, 52, 52}, u"Telje&s lista"_s, u"Teljes lista"_s);
    row(u"Command1"_s, {428, 94, 73, 25}, u"&E-mail írás"_s, u"E-mail írás"_s);
    row(u"cmdPrint"_s, {732, 122, 159, 25}, u"&Listamező nyomtatása"_s, u"Listamező nyomtatása"_s);
    row(u"Check2"_s, {547, 52, 133, 13}, u"Megjegyzés keresés"_s, u"Megjegyzés keresés"_s);
    row(u"Check4"_s, {624, 8, 133, 13}, u"Cím keresés"_s, u"Cím keresés"_s);
    row(u"Felirat1_5"_s, {12, 98, 55, 13}, u"E-mail cím:"_s, u"E-mail cím:"_s);
    row(u"Felirat1_10"_s, {284, 10, 53, 13}, u"Ir.szám"_s, u"Ir.szám"_s);
    row(u"Felirat2"_s, {242, 598, 166, 25}, {}, u"Telefonszám 1 kijelző"_s);
    row(u"Körvonal1"_s, {11, 595, 226, 31}, {}, {});
    row(u"mnuKilep"_s, {}, u"&Kilépés"_s, {});
    row(u"mnuAdatok"_s, {}, u"&Adatbázis"_s, {});
    row(u"mnuImport"_s, {}, u"&Inportálás\"CSV\"fájlból"_s, {});
    row(u"mnuMentCSVbe"_s, {}, u"&Exportálás (mentés) \"CSV\" fájlba"_s, {});
    row(u"mnuAbout"_s, {}, u"&Szerző"_s, {});
}

void tst_app::controls() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, caption);
    QFETCH(QString, spoken);
    QFETCH(int, maxLength);
    WindowHarness s(QByteArray(), kHidden);
    QObject* control = s.window().findChild<QObject*>(name);
    QVERIFY(control);
    const char* textProperty = qobject_cast<QMenu*>(control) ? "title" : "text";
    QCOMPARE(control->property(textProperty).toString(), caption);
    if (!geometry.isNull()) {
        auto* widget = qobject_cast<QWidget*>(control);
        QCOMPARE(widget->geometry(), geometry);
        QCOMPARE(widget->accessibleName(), spoken);
    }
    if (auto* entry = qobject_cast<QLineEdit*>(control)) {
        QCOMPARE(entry->maxLength(), maxLength);
        QTest::keyClicks(entry, QString(60, u'7'));
        QCOMPARE(entry->text().size(), maxLength);
    }
}

void tst_app::startState() {
    WindowHarness s(recordsBytes(kThree), kHidden);
    QVERIFY(s.showActive());
    QCOMPARE(s.focused(), u"ListView1"_s);
    for (const QString& name : {u"Check1"_s, u"Check2"_s, u"Check3"_s, u"Check4"_s})
        QVERIFY(!s.find<QCheckBox>(name)->isChecked());
    QCOMPARE(s.window().selectedRecord(), qint64(0));
    const QStringList headers = {u"Név"_s,     u"Település"_s,  u"Cím"_s, u"Telefon"_s,
                                 u"Telefon"_s, u"Megjegyzés"_s, u"Rec"_s};
    const QList<int> widths = {167, 96, 167, 93, 93, 333, 33}; // twips / 15
    for (int c = 0; c < headers.size(); ++c) {
        QCOMPARE(s.list()->model()->headerData(c, Qt::Horizontal).toString(), headers[c]);
        QCOMPARE(s.list()->columnWidth(c), widths[c]);
    }
    // The list sets only how its text is laid out; the typeface is the window's.
    const QFont windowFont = s.find<QWidget>(u"client"_s)->font();
    QCOMPARE(s.list()->font().family(), windowFont.family());
    QCOMPARE(s.list()->font().pointSizeF(), 8.25);
    QCOMPARE(s.list()->font().bold(), false);
}

void tst_app::tabOrder() {
    WindowHarness s(recordsBytes(kThree), kHidden);
    QVERIFY(s.showActive());
    const QStringList chain = {u"txNev"_s,      u"txCim"_s,       u"txTel1"_s,     u"txTel2"_s,
                               u"txMegj"_s,     u"cmdRogzit"_s,   u"cmdModosit"_s, u"cmdTorol"_s,
                               u"cmdMezoDel"_s, u"Check1"_s,      u"Check2"_s,     u"cmdLista"_s,
                               u"txtMail"_s,    u"Command1"_s,    u"cmdPrint"_s,   u"Command2"_s,
                               u"txWeb"_s,      u"txTelepules"_s, u"Check3"_s,     u"txIrszam"_s,
                               u"Check4"_s,     u"ListView1"_s};
    QCOMPARE(s.focused(), u"ListView1"_s);
    QStringList visited;
    for (int i = 0; i < chain.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(s.focused());
    }
    QCOMPARE(visited, chain);
}

void tst_app::rowClick_data() {
    QTest::addColumn<bool>("keyboard");
    QTest::newRow("mouse") << false;
    QTest::newRow("arrow key") << true;
}

void tst_app::rowClick() {
    QFETCH(bool, keyboard);
    WindowHarness s(recordsBytes(kThree), kHidden);
    QVERIFY(s.showActive());
    s.clickHeader(0);
    QCOMPARE(s.column(6), (QStringList{u"2"_s, u"3"_s, u"1"_s}));
    s.find<QCheckBox>(u"Check1"_s)->setChecked(true);
    s.list()->setColumnWidth(0, 300);

    // The last row holds record 1.
    if (keyboard) {
        s.list()->setFocus();
        s.list()->setCurrentIndex(s.list()->model()->index(1, 0));
        QTest::keyClick(s.list(), Qt::Key_Down);
    } else {
        s.clickRow(2);
    }
    QCOMPARE(s.window().selectedRecord(), qint64(1));
    const QStringList expected = {u"Zoltán Kovács"_s,  u"Fő utca 1."_s, u"06-1-111-1111"_s,
                                  u"06-30-222-2222"_s, u"jegyzet"_s,    u"zoli@pelda.hu"_s,
                                  u"www.pelda.hu"_s,   u"Budapest"_s,   u"123 "_s};
    for (int i = 0; i < kEntryFields.size(); ++i)
        QCOMPARE(s.find<QLineEdit>(kEntryFields[i])->text(), expected[i]);
    QCOMPARE(s.find<QLabel>(u"Felirat2"_s)->text(), u"06-1-111-1111"_s);
    QCOMPARE(s.find<QLabel>(u"Felirat3"_s)->text(), u"06-30-222-2222"_s);
    QVERIFY(!s.find<QCheckBox>(u"Check1"_s)->isChecked());
    QCOMPARE(s.column(6), (QStringList{u"2"_s, u"3"_s, u"1"_s})); // not narrowed, same order
    QCOMPARE(s.list()->columnWidth(0), 167);
    QCOMPARE(s.dialogs().shown().size(), 0);
}

void tst_app::sorting_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("texts"); // in file order
    QTest::addColumn<QStringList>("sorted");
    QTest::newRow("cs after c") << 0 << QStringList{u"Csaba"_s, u"Cukor"_s, u"Cirill"_s}
                                << QStringList{u"Cirill"_s, u"Cukor"_s, u"Csaba"_s};
    QTest::newRow("ny and zs") << 0 << QStringList{u"Nyári"_s, u"Zsolt"_s, u"Németh"_s, u"Zoltán"_s}
                               << QStringList{u"Németh"_s, u"Nyári"_s, u"Zoltán"_s, u"Zsolt"_s};
    QTest::newRow("o ó ö ő") << 1
                             << QStringList{u"Őrbottyán"_s, u"Ózd"_s, u"Ököritófülpös"_s,
                                            u"Orosháza"_s, u"Pécs"_s}
                             << QStringList{u"Orosháza"_s, u"Ózd"_s, u"Ököritófülpös"_s,
                                            u"Őrbottyán"_s, u"Pécs"_s};
    QTest::newRow("case does not count") << 2 << QStringList{u"b utca"_s, u"A utca"_s, u"c utca"_s}
                                         << QStringList{u"A utca"_s, u"b utca"_s, u"c utca"_s};
    QTest::newRow("numbers as text") << 3 << QStringList{u"9"_s, u"10"_s, u"100"_s, u"2"_s}
                                     << QStringList{u"10"_s, u"100"_s, u"2"_s, u"9"_s};
    QStringList twelve;
    for (int i = 1; i <= 12; ++i)
        twelve.append(QString::number(i));
    QTest::newRow("Rec, twelve records")
        << 6 << twelve << QStringList{u"1"_s, u"10"_s, u"11"_s, u"12"_s, u"2"_s, u"3"_s,
                                      u"4"_s, u"5"_s,  u"6"_s,  u"7"_s,  u"8"_s, u"9"_s};
}

void tst_app::sorting() {
    QFETCH(int, column);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, sorted);
    WindowHarness s(recordsBytes(contactsWith(column, texts)), kHidden);
    QCOMPARE(s.column(column), texts);
    s.window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&s.window()));
    s.clickHeader(column);
    QCOMPARE(s.column(column), sorted);
    QCOMPARE(s.list()->header()->sortIndicatorSection(), column);
    QCOMPARE(s.list()->header()->sortIndicatorOrder(), Qt::AscendingOrder);
    s.clickHeader(column); // never descending
    QCOMPARE(s.column(column), sorted);
    s.press(u"cmdLista"_s); // stays sorted after a reload
    QCOMPARE(s.column(column), sorted);
}

void tst_app::mezoDel() {
    WindowHarness s(recordsBytes(kThree), kHidden);
    QVERIFY(s.showActive());
    s.clickRow(0); // every field filled
    QCOMPARE(s.find<QLineEdit>(u"txWeb"_s)->text(), u"www.pelda.hu"_s);
    s.press(u"cmdMezoDel"_s);
    for (const QString& name : kEntryFields)
        QCOMPARE(s.find<QLineEdit>(name)->text(), QString());
    QCOMPARE(s.find<QLabel>(u"Felirat2"_s)->text(), u"06-1-111-1111"_s);
    QCOMPARE(s.find<QLabel>(u"Felirat3"_s)->text(), u"06-30-222-2222"_s);
    QCOMPARE(s.focused(), u"txNev"_s);
    QCOMPARE(s.window().selectedRecord(), qint64(1));
    QCOMPARE(s.list()->model()->rowCount(), 3);
}

void tst_app::exit_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("No") << false;
    QTest::newRow("Yes") << true;
}

void tst_app::exit() {
    QFETCH(bool, yes);
    WindowHarness s(recordsBytes(kThree), kHidden);
    s.window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&s.window()));
    s.dialogs().queueYesNo(yes);
    s.find<QAction>(u"mnuKilep"_s)->trigger();
    QCOMPARE(s.dialogs().count(ScriptedDialogs::Kind::YesNo), 1);
    QCOMPARE(s.dialogs().last(ScriptedDialogs::Kind::YesNo).title, u" Kilépés "_s);
    QCOMPARE(s.dialogs().last(ScriptedDialogs::Kind::YesNo).text,
             u"Biztos hogy Befejezed?\r\n\r\n"_s);
    QCOMPARE(s.window().isVisible(), !yes);
    QCOMPARE(s.list()->model()->rowCount(), 3);
}

void tst_app::listReadableByScreenReader() {
    WindowHarness s(recordsBytes(kThree), kHidden);
    s.window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&s.window()));
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(s.list());
    QVERIFY(list);
    QCOMPARE(list->text(QAccessible::Name), u"Névjegyzék"_s);
    QAccessibleTableInterface* table = list->tableInterface();
    QVERIFY(table);
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(table->columnCount(), 7);
    const Contacts rows = listRows(s);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 7; ++c) {
            QAccessibleInterface* cell = table->cellAt(r, c);
            QVERIFY(cell);
            QCOMPARE(cell->text(QAccessible::Name), rows[r][c]);
        }
}

void tst_app::modelUnderTester() {
    WindowHarness s(recordsBytes(kThree), kHidden);
    QAbstractItemModelTester tester(s.window().listModel(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    s.window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&s.window()));
    s.list()->setCurrentIndex(s.list()->model()->index(1, 2)); // a persistent index to move
    for (int c = 0; c < 7; ++c)
        s.window().listModel()->sortByColumn(c);
    QStringList twelve;
    for (int i = 0; i < 12; ++i)
        twelve.append(QString(QChar(u'a' + (i * 5) % 12)));
    writeFile(DataStore(s.folder()).dataPath(), recordsBytes(contactsWith(0, twelve)));
    s.press(u"cmdLista"_s);
    s.list()->setCurrentIndex(s.list()->model()->index(3, 0));
    const QString current = s.list()->currentIndex().siblingAtColumn(6).data().toString();
    s.clickHeader(0);
    // The current row follows its record through the sort.
    QVERIFY(s.list()->currentIndex().row() != 3);
    QCOMPARE(s.list()->currentIndex().siblingAtColumn(6).data().toString(), current);
    writeFile(DataStore(s.folder()).dataPath(), QByteArray());
    s.press(u"cmdLista"_s);
    s.window().listModel()->sortByColumn(6);
    QCOMPARE(s.list()->model()->rowCount(), 0);
}

void tst_app::dataFolderChoice_data() {
    QTest::addColumn<QString>("program"); // what stands at the program folder's path
    QTest::addColumn<bool>("usesProgramFolder");
    QTest::newRow("writable") << u"folder"_s << true;
    // Permission bits do not stop root, so these are folders nobody can write into.
    QTest::newRow("missing") << u"missing"_s << false;
    QTest::newRow("a file") << u"file"_s << false;
}

void tst_app::dataFolderChoice() {
    QFETCH(QString, program);
    QFETCH(bool, usesProgramFolder);
    QTemporaryDir dir;
    const QString programFolder = dir.filePath(u"bin"_s);
    const QString userFolder = dir.filePath(u"home/.local/share/Zelvanor"_s);
    if (program == u"folder")
        QVERIFY(QDir(dir.path()).mkdir(u"bin"_s));
    if (program == u"file") {
        QFile f(programFolder);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QString chosen = chooseDataFolder(programFolder, userFolder).folder;
    QCOMPARE(chosen, usesProgramFolder ? programFolder : userFolder);
    QVERIFY(QFileInfo(chosen).isDir());
    QCOMPARE(QFileInfo::exists(userFolder), !usesProgramFolder);
    if (usesProgramFolder) // the probe leaves nothing behind
        QCOMPARE(
            QDir(programFolder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList());
}

void tst_app::dataFolderCannotBeMade() {
    QTemporaryDir dir;
    writeFile(dir.filePath(u"home"_s), "not a folder");
    const QString userFolder = dir.filePath(u"home/.local/share/Zelvanor"_s);
    const DataFolderChoice choice = chooseDataFolder(dir.filePath(u"missing"_s), userFolder);
    QCOMPARE(choice.folder, userFolder);
    QVERIFY(choice.error);
    QCOMPARE(choice.error->code, ENOTDIR);
    QVERIFY2(choice.error->message().startsWith(
                 u"A(z) „%1” mappa nem hozható létre."_s.arg(QDir::toNativeSeparators(userFolder))),
             qPrintable(choice.error->message()));
    QVERIFY(!chooseDataFolder(dir.filePath(u"missing"_s), dir.filePath(u"made/here"_s)).error);
    QVERIFY(QFileInfo(dir.filePath(u"made/here"_s)).isDir());
}

void tst_app::dataFileBesideProgram() {
    QTemporaryDir programDir;
    QTemporaryDir workDir;
    QTemporaryDir homeDir;
    const QString program = programDir.filePath(u"zelvanor"_s);
    QVERIFY(QFile::copy(QStringLiteral(ZELVANOR_PROGRAM), program));
    QVERIFY(QFile::setPermissions(program, QFile::permissions(QStringLiteral(ZELVANOR_PROGRAM))));
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"HOME"_s, homeDir.path());
    env.insert(u"XDG_DATA_HOME"_s, homeDir.path());
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(workDir.path());
    process.start(program, {});
    QVERIFY2(process.waitForStarted(), qPrintable(process.errorString()));
    const QString dataFile = programDir.filePath(u"Telefon.dat"_s);
    // Waits for the program to get going; a slow machine only makes it wait longer.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(dataFile) || process.state() == QProcess::NotRunning,
                             120000);
    process.kill();
    process.waitForFinished();
    QVERIFY2(QFileInfo(dataFile).isFile(), process.readAllStandardError().constData());
    QCOMPARE(QFileInfo(dataFile).size(), qint64(0));
    QCOMPARE(QDir(workDir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList());
}

int main(int argc, char* argv[]) {
    return runOnDesktopScreen<tst_app>(argc, argv);
}

#include "tst_app.moc"
