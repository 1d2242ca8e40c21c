#include "platform/qtprograms.h"
#include "platform/qtshellopen.h"
#include "platform/systemregistry.h"
#include "version.h"
#include "windowharness.h"
#include "windows/frmabout.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <QtTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

const QString kToolKey = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_s;
const QString kFolderKey = u"SOFTWARE\\Microsoft\\Shared Tools Location"_s;
const QString kUnavailable = u"System Information Is Unavailable At This Time"_s;

QColor textColour(const QWidget* label) {
    return label->palette().color(QPalette::WindowText);
}

// Runs action while the About window, opened from the main window's menu, is on the screen.
// A window that the action leaves open is closed afterwards, so that the test goes on.
void withAboutOpen(WindowHarness& h, const std::function<void(frmAbout*)>& action) {
    bool ran = false;
    QTimer::singleShot(0, &h.window(), [&] {
        ran = true;
        auto* about = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
        QVERIFY(about);
        QVERIFY(QTest::qWaitForWindowExposed(about));
        action(about);
        if (about->isVisible())
            about->reject();
    });
    h.press(u"mnuAbout"_s);
    QVERIFY(ran);
}

} // namespace

class tst_about : public QObject {
    Q_OBJECT
public Q_SLOTS:
    void handleUrl(const QUrl& url) { m_handed.append(QString::fromLatin1(url.toEncoded())); }

private Q_SLOTS:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void launchButtons_data();
    void launchButtons();
    void desktopGetsAddressAsWritten_data();
    void desktopGetsAddressAsWritten();
    void aboutControls_data();
    void aboutControls();
    void aboutWindow();
    void linkColours_data();
    void linkColours();
    void links_data();
    void links();
    void closing_data();
    void closing();
    void modalAndAnew();
    void startSysInfo_data();
    void startSysInfo();
    void getKeyValue_data();
    void getKeyValue();
    void toolOnPath_data();
    void toolOnPath();
    void programFiles();

private:
    QStringList m_handed;
};

void tst_about::launchButtons_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("address"); // as handed to the desktop; empty: refused
    QTest::addColumn<bool>("desktopTakesIt");
    const auto mail = [](const char* name, const QString& field, const QString& address, bool ok) {
        QTest::newRow(name) << u"Command1"_s << field << address << ok;
    };
    const auto web = [](const char* name, const QString& field, const QString& address, bool ok) {
        QTest::newRow(name) << u"Command2"_s << field << address << ok;
    };
    mail("mail", u"anna@pelda.hu"_s, u"mailto:anna@pelda.hu"_s, true);
    mail("mail, blanks around", u"   anna@pelda.hu  "_s, u"mailto:anna@pelda.hu"_s, false);
    mail("mail, blanks inside stay", u" kovács anna@pelda.hu "_s, u"mailto:kovács anna@pelda.hu"_s,
         true);
    mail("mail already with mailto", u"mailto:anna@pelda.hu"_s, u"mailto:mailto:anna@pelda.hu"_s,
         true);
    mail("mail empty", QString(), u"mailto:"_s, false);
    mail("mail only blanks", u"    "_s, u"mailto:"_s, true);
    mail("mail with attach", u"b@pelda.hu?attach=.ssh/id"_s,
         u"mailto:b@pelda.hu%3Fattach=.ssh/id"_s, true);
    mail("mail with subject, body", u"b@pelda.hu?subject=&body=x"_s,
         u"mailto:b@pelda.hu%3Fsubject=&body=x"_s, true);
    mail("mail with fragment", u"b@pelda.hu#x"_s, u"mailto:b@pelda.hu%23x"_s, true);
    mail("mail with an escape", u"b@pelda.hu%3Fcc=x"_s, u"mailto:b@pelda.hu%253Fcc=x"_s, true);
    mail("two mails", u"anna@pelda.hu,bela@pelda.hu"_s, u"mailto:anna@pelda.hu,bela@pelda.hu"_s,
         true);
    web("host name", u"www.pelda.hu"_s, u"http://www.pelda.hu"_s, true);
    web("http", u"http://pelda.hu"_s, u"http://pelda.hu"_s, false);
    web("upper-case HTTP", u"HTTP://PELDA.HU"_s, u"HTTP://PELDA.HU"_s, true);
    web("mixed-case http", u"hTtP://pelda.hu/Út"_s, u"hTtP://pelda.hu/Út"_s, true);
    web("https", u"https://pelda.hu"_s, u"https://pelda.hu"_s, true);
    web("another scheme", u"ftp://pelda.hu"_s, u"http://ftp://pelda.hu"_s, true);
    web("http later on", u"www.pelda.hu/http"_s, u"http://www.pelda.hu/http"_s, false);
    web("blank before http", u"  http://pelda.hu "_s, u"http://pelda.hu"_s, true);
    web("http with nothing after", u"httpd"_s, QString(), true);
    web("scheme beginning with http", u"httpx://pelda.hu"_s, QString(), true);
    web("web empty", QString(), u"http://"_s, true);
    web("web only blanks", u"   "_s, u"http://"_s, false);
}

void tst_about::launchButtons() {
    QFETCH(QString, button);
    QFETCH(QString, field);
    QFETCH(QString, address);
    QFETCH(bool, desktopTakesIt);
    WindowHarness h(recordBytes({u"Anna"_s}));
    h.shell().result = desktopTakesIt;
    const QString entryName = button == u"Command1"_s ? u"txtMail"_s : u"txWeb"_s;
    h.entry(entryName)->setText(field);
    // The addresses come from the fields alone: the data file is not touched.
    QVERIFY(QFile::remove(h.dataPath()));
    h.press(button);
    QCOMPARE(h.shell().opened, address.isEmpty() ? QStringList() : QStringList{address});
    QCOMPARE(h.dialogs().shown().size(), 0);
    QCOMPARE(h.entry(entryName)->text(), field);
    QVERIFY(!QFile::exists(h.dataPath()));
    QCOMPARE(h.list()->model()->rowCount(), 1);
}

void tst_about::desktopGetsAddressAsWritten_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("handed"); // as the handler receives it, encoded; empty: refused
    QTest::newRow("mail") << u"mailto:anna@pelda.hu"_s << u"mailto:anna@pelda.hu"_s;
    QTest::newRow("accented mail")
        << u"mailto:kovács@pelda.hu"_s << u"mailto:kov%C3%A1cs@pelda.hu"_s;
    QTest::newRow("escape stays") << u"http://pelda.hu/a%20b"_s << u"http://pelda.hu/a%20b"_s;
    QTest::newRow("lone percent") << u"http://pelda.hu/100%"_s << u"http://pelda.hu/100%25"_s;
    QTest::newRow("blank") << u"http://pelda.hu/a b?q=ő"_s << u"http://pelda.hu/a%20b?q=%C5%91"_s;
    QTest::newRow("mailto alone") << u"mailto:"_s << u"mailto:"_s;
    QTest::newRow("escaped separators stay escaped")
        << u"mailto:a@pelda.hu%3Fattach=x%23y%253F"_s << u"mailto:a@pelda.hu%3Fattach=x%23y%253F"_s;
    QTest::newRow("http alone") << u"http://"_s << u"http://"_s;
    QTest::newRow("no scheme") << u"httpd"_s << QString();
    QTest::newRow("broken") << u"http://[pelda"_s << QString();
}

void tst_about::desktopGetsAddressAsWritten() {
    QFETCH(QString, address);
    QFETCH(QString, handed);
    m_handed.clear();
    const QStringList schemes = {u"mailto"_s, u"http"_s, QString()};
    for (const QString& scheme : schemes)
        QDesktopServices::setUrlHandler(scheme, this, "handleUrl");
    QtShellOpen shell;
    const bool taken = shell.open(address);
    for (const QString& scheme : schemes)
        QDesktopServices::unsetUrlHandler(scheme);
    QCOMPARE(taken, !handed.isEmpty());
    QCOMPARE(m_handed, handed.isEmpty() ? QStringList() : QStringList{handed});
}

void tst_about::aboutControls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry"); // pixels at 96 dpi: twips / 15
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("spoken");
    const auto row = [](const char* name, QRect geometry, const QString& text,
                        const QString& spoken) {
        QTest::newRow(name) << QString::fromLatin1(name) << geometry << text << spoken;
    };
    row("lblTitle", {70, 9, 259, 32}, u"Zelvanor program "_s, u"Zelvanor program "_s);
    row("lblVersion", {72, 42, 259, 15}, u"Verzió: " ZELVANOR_VERSION_STRING ""_s,
        u"Verzió: 2.1.12"_s);
    row("lblDescription", {70, 60, 259, 18}, frmAbout::makerLine(), frmAbout::makerLine());
    row("Label3_1", {69, 84, 43, 16}, u"E-mail:"_s, u"E-mail:"_s);
    row("Label1", {114, 84, 217, 20}, frmAbout::makerMail1(), frmAbout::makerMail1());
    row("Label3_2", {69, 111, 43, 16}, u"E-mail:"_s, u"E-mail:"_s);
    row("Label4", {114, 111, 217, 20}, frmAbout::makerMail2(), frmAbout::makerMail2());
    row("Label3_0", {69, 138, 43, 16}, u"Honlap:"_s, u"Honlap:"_s);
    row("Label2", {114, 138, 202, 18}, frmAbout::makerHomePage(), frmAbout::makerHomePage());
    row("Line1_1", {6, 163, 371, 1}, {}, u"Elválasztó vonal, szürke"_s);
    row("Line1_0", {7, 164, 370, 2}, {}, u"Elválasztó vonal, fehér"_s);
    row("cmdOK", {283, 175, 84, 23}, u"OK"_s, u"OK"_s);
    const QString purpose =
        u"A program telefonszámok és címek rögzítésére készült ingyenes program."_s;
    row("Label5", {20, 184, 251, 33}, purpose, purpose);
    row("cmdSysInfo", {284, 205, 83, 23}, u"&System Info..."_s, u"System Info..."_s);
}

void tst_about::aboutControls() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QFETCH(QString, spoken);
    WindowHarness h;
    frmAbout about(h.desktop());
    auto* control = about.findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), geometry);
    QCOMPARE(control->property("text").toString(), text);
    QCOMPARE(control->accessibleName(), spoken);
}

void tst_about::aboutWindow() {
    WindowHarness h;
    frmAbout about(h.desktop(), &h.window());
    QCOMPARE(about.windowTitle(), u"Zelvanor Névjegy"_s);
    QCOMPARE(about.accessibleName(), u"Zelvanor Névjegy"_s);
    QCOMPARE(about.minimumSize(), QSize(382, 232));
    QCOMPARE(about.maximumSize(), QSize(382, 232));
    const Qt::WindowFlags flags = about.windowFlags();
    QCOMPARE(flags & Qt::WindowType_Mask, Qt::Dialog);
    QVERIFY(flags.testFlag(Qt::MSWindowsFixedSizeDialogHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));

    const auto* title = about.findChild<QLabel*>(u"lblTitle"_s);
    QVERIFY(title->font().bold());
    QCOMPARE(title->font().pointSizeF(), 9.75);
    QVERIFY(title->alignment().testFlag(Qt::AlignHCenter));
    QVERIFY(about.findChild<QLabel*>(u"Label5"_s)->alignment().testFlag(Qt::AlignHCenter));
    for (const QString& link : {u"Label1"_s, u"Label4"_s, u"Label2"_s}) {
        const QFont f = about.findChild<QLabel*>(link)->font();
        QVERIFY(f.bold());
        QCOMPARE(f.pointSizeF(), 8.25);
    }
    const auto* maker = about.findChild<QLabel*>(u"lblDescription"_s);
    QCOMPARE(maker->toolTip(), u"Telefonszám:  "_s + frmAbout::makerPhone());
    QCOMPARE(textColour(maker), QColor(Qt::black));
    QVERIFY(about.findChild<QPushButton*>(u"cmdOK"_s)->isDefault());

    about.show();
    QVERIFY(QTest::qWaitForWindowActive(&about));
    const QRect outer = about.frameGeometry();
    const QRect screen = about.screen()->geometry();
    QCOMPARE(outer.left(), (screen.width() - outer.width()) / 2);
    QCOMPARE(outer.top(), (screen.height() - outer.height()) / 2);
    // OK first, then System Info, and round again.
    QCOMPARE(QApplication::focusWidget()->objectName(), u"cmdOK"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), u"cmdSysInfo"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget()->objectName(), u"cmdOK"_s);

    // The etched separator: a grey line over a white one two pixels high.
    const QImage image = about.grab().toImage();
    QCOMPARE(image.pixelColor(100, 163), QColor(128, 128, 128));
    QCOMPARE(image.pixelColor(100, 164), QColor(Qt::white));
    QCOMPARE(image.pixelColor(100, 165), QColor(Qt::white));
}

void tst_about::linkColours_data() {
    QTest::addColumn<QStringList>("moves"); // controls the mouse moves over; "" is the background
    QTest::addColumn<QList<QColor>>("colours"); // Label1, Label4, Label2 afterwards
    const QColor open(0, 0, 128), red(255, 0, 0), rest(0, 0, 192);
    QTest::newRow("none") << QStringList() << QList<QColor>{open, open, rest};
    QTest::newRow("over Label1") << QStringList{u"Label1"_s} << QList<QColor>{red, open, rest};
    QTest::newRow("over Label2") << QStringList{u"Label2"_s} << QList<QColor>{open, open, red};
    QTest::newRow("Label1 then Label4")
        << QStringList{u"Label1"_s, u"Label4"_s} << QList<QColor>{red, red, rest};
    QTest::newRow("Label1 then a plain label")
        << QStringList{u"Label1"_s, u"Label3_1"_s, u"lblTitle"_s} << QList<QColor>{red, open, rest};
    QTest::newRow("Label2 then a button")
        << QStringList{u"Label2"_s, u"cmdOK"_s} << QList<QColor>{open, open, red};
    QTest::newRow("Label1 then background")
        << QStringList{u"Label1"_s, QString()} << QList<QColor>{rest, rest, rest};
    QTest::newRow("background only") << QStringList{QString()} << QList<QColor>{rest, rest, rest};
    QTest::newRow("Label4 then over the separator")
        << QStringList{u"Label4"_s, u"Line1_0"_s} << QList<QColor>{rest, rest, rest};
    QTest::newRow("background, then Label4")
        << QStringList{QString(), u"Label4"_s} << QList<QColor>{rest, red, rest};
}

void tst_about::linkColours() {
    QFETCH(QStringList, moves);
    QFETCH(QList<QColor>, colours);
    WindowHarness h;
    frmAbout about(h.desktop());
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    // A move to where the mouse already is is no move: each test goes to a fresh spot.
    static int spot = 0;
    for (const QString& target : moves) {
        if (target.isEmpty()) {
            QTest::mouseMove(&about, QPoint(5 + spot++ % 20, 10));
        } else {
            auto* w = about.findChild<QWidget*>(target);
            QTest::mouseMove(&about, w->geometry().center());
        }
    }
    const QList<QColor> seen = {textColour(about.findChild<QWidget*>(u"Label1"_s)),
                                textColour(about.findChild<QWidget*>(u"Label4"_s)),
                                textColour(about.findChild<QWidget*>(u"Label2"_s))};
    QCOMPARE(seen, colours);
}

void tst_about::links_data() {
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("desktopTakesIt");
    QTest::newRow("first mail") << u"Label1"_s << u"mailto:zelvanor@example.org"_s << true;
    QTest::newRow("second mail") << u"Label4"_s << u"mailto:zelvanor.levelek@example.org"_s
                                 << false;
    QTest::newRow("home page") << u"Label2"_s << u"http://www.example.org/zelvanor/"_s << true;
    QTest::newRow("home page, refused")
        << u"Label2"_s << u"http://www.example.org/zelvanor/"_s << false;
}

void tst_about::links() {
    QFETCH(QString, link);
    QFETCH(QString, address);
    QFETCH(bool, desktopTakesIt);
    WindowHarness h;
    h.shell().result = desktopTakesIt;
    withAboutOpen(h, [&](frmAbout* about) {
        QTest::mouseClick(about->findChild<QWidget*>(link), Qt::LeftButton);
        QCOMPARE(h.shell().opened, QStringList{address});
        QVERIFY(about->isVisible());
        QCOMPARE(h.dialogs().shown().size(), 0);
    });
}

void tst_about::closing_data() {
    QTest::addColumn<int>("how");
    QTest::newRow("OK clicked") << 0;
    QTest::newRow("Enter") << 1;
    QTest::newRow("Enter on the keypad") << 2;
    QTest::newRow("Esc") << 3;
    QTest::newRow("title bar") << 4;
}

void tst_about::closing() {
    QFETCH(int, how);
    WindowHarness h;
    bool closed = false;
    withAboutOpen(h, [&](frmAbout* about) {
        switch (how) {
        case 0:
            QTest::mouseClick(about->findChild<QPushButton*>(u"cmdOK"_s), Qt::LeftButton);
            break;
        case 1:
            QTest::keyClick(about, Qt::Key_Return);
            break;
        case 2:
            QTest::keyClick(about, Qt::Key_Enter, Qt::KeypadModifier);
            break;
        case 3:
            QTest::keyClick(about, Qt::Key_Escape);
            break;
        default:
            about->close();
        }
        closed = !about->isVisible();
    });
    QVERIFY(closed);
    QVERIFY(h.window().findChildren<frmAbout*>().isEmpty());
    QCOMPARE(h.programs().started.size(), 0);
}

void tst_about::modalAndAnew() {
    WindowHarness h;
    h.entry(u"txtMail"_s)->setText(u"anna@pelda.hu"_s);
    auto* mailButton = h.find<QPushButton>(u"Command1"_s);
    QPoint firstPlace;
    withAboutOpen(h, [&](frmAbout* about) {
        QCOMPARE(QApplication::activeModalWidget(), about);
        firstPlace = about->pos();
        // The main window takes no click while the About window is open.
        QTest::mouseClick(mailButton, Qt::LeftButton);
        QCOMPARE(h.shell().opened, QStringList());
        // Changes made now are gone at the next opening.
        QTest::mouseMove(about, about->findChild<QWidget*>(u"Label1"_s)->geometry().center());
        about->move(about->pos() + QPoint(40, 30));
        QTest::mouseClick(about->findChild<QPushButton*>(u"cmdOK"_s), Qt::LeftButton);
    });
    QTest::mouseClick(mailButton, Qt::LeftButton);
    QCOMPARE(h.shell().opened, QStringList{u"mailto:anna@pelda.hu"_s});
    withAboutOpen(h, [&](frmAbout* about) {
        QCOMPARE(about->pos(), firstPlace);
        QCOMPARE(textColour(about->findChild<QWidget*>(u"Label1"_s)), QColor(0, 0, 128));
    });
}

void tst_about::startSysInfo_data() {
    QTest::addColumn<QString>("tool");   // try 1: the tool's path; empty: no such key
    QTest::addColumn<QString>("folder"); // try 2: the tool's folder; empty: no such key
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("startWorks");
    QTest::addColumn<QString>("started"); // empty: nothing started, the message shown
    const QString tool = u"C:\\Program Files\\Common Files\\msinfo\\MSINFO32.EXE"_s;
    const QString folder = u"C:\\Program Files\\Common Files\\msinfo"_s;
    QTest::newRow("try 1, taken as it stands") << tool << folder << QStringList() << true << tool;
    QTest::newRow("try 1, start fails")
        << tool << QString() << QStringList{tool} << false << QString();
    QTest::newRow("try 2, tool in the folder")
        << QString() << folder << QStringList{tool} << true << tool;
    QTest::newRow("try 2, folder without the tool")
        << QString() << folder << QStringList{folder + u"\\msinfo.exe"_s} << true << QString();
    QTest::newRow("try 2, start fails")
        << QString() << folder << QStringList{tool} << false << QString();
    QTest::newRow("neither") << QString() << QString() << QStringList{tool} << true << QString();
}

void tst_about::startSysInfo() {
    QFETCH(QString, tool);
    QFETCH(QString, folder);
    QFETCH(QStringList, files);
    QFETCH(bool, startWorks);
    QFETCH(QString, started);
    WindowHarness h;
    if (!tool.isEmpty())
        h.registry().putString(kToolKey, u"PATH"_s, tool);
    if (!folder.isEmpty())
        h.registry().putString(kFolderKey, u"MSINFO"_s, folder);
    h.programs().existing = QSet<QString>(files.cbegin(), files.cend());
    h.programs().startWorks = startWorks;
    withAboutOpen(h, [&](frmAbout* about) {
        QTest::mouseClick(about->findChild<QPushButton*>(u"cmdSysInfo"_s), Qt::LeftButton);
        QVERIFY(about->isVisible());
    });
    const QStringList tried = h.programs().started;
    if (started.isEmpty()) {
        QVERIFY(tried.isEmpty() || !startWorks);
        QCOMPARE(h.dialogs().shown().size(), 1);
        const ScriptedDialogs::Shown box = h.dialogs().shown().constFirst();
        QCOMPARE(box.kind, ScriptedDialogs::Kind::Message);
        QCOMPARE(box.title, u"Zelvanor"_s);
        QCOMPARE(box.text, kUnavailable);
        QCOMPARE(box.icon, Dialogs::Icon::None);
    } else {
        QCOMPARE(tried, QStringList{started});
        QCOMPARE(h.dialogs().shown().size(), 0);
    }
    QCOMPARE(h.registry().openKeys(), 0);
}

void tst_about::getKeyValue_data() {
    QTest::addColumn<bool>("present");
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<qint64>("reportedSize");   // -1: the size of data
    QTest::addColumn<quint32>("allowedAccess"); // 0: any
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("text");
    const quint32 sz = registry::kString, dword = registry::kNumber;
    const QByteArray path = "C:\\Tools\\MSINFO32.EXE";
    QTest::newRow("string with its NUL")
        << true << sz << path + '\0' << -1LL << 0u << true << QString::fromLatin1(path);
    QTest::newRow("string without a NUL")
        << true << sz << path << -1LL << 0u << true << QString::fromLatin1(path);
    QTest::newRow("size short of the NUL") << true << sz << path + '\0' << qint64(path.size()) << 0u
                                           << true << QString::fromLatin1(path);
    QTest::newRow("empty string") << true << sz << QByteArray(1, '\0') << -1LL << 0u << true
                                  << QString();
    QTest::newRow("no data at all")
        << true << sz << QByteArray() << -1LL << 0u << true << QString();
    QTest::newRow("full buffer") << true << sz << QByteArray(1024, 'x') << -1LL << 0u << true
                                 << QString(1024, u'x');
    QTest::newRow("longer than the buffer")
        << true << sz << QByteArray(1025, 'x') << -1LL << 0u << false << QString();
    QTest::newRow("number") << true << dword << QByteArray("\x78\x56\x34\x12", 4) << -1LL << 0u
                            << true << u"305419896"_s;
    QTest::newRow("number ending in a zero byte")
        << true << dword << QByteArray("\x00\x01\x00\x00", 4) << -1LL << 0u << true << u"256"_s;
    QTest::newRow("largest number")
        << true << dword << QByteArray(4, '\xFF') << -1LL << 0u << true << u"4294967295"_s;
    QTest::newRow("other type leaves the text")
        << true << 3u << QByteArray("\x01\x02", 2) << -1LL << 0u << true << u"before"_s;
    QTest::newRow("missing") << false << sz << QByteArray() << -1LL << 0u << false << QString();
    QTest::newRow("write access refused")
        << true << sz << path + '\0' << -1LL << registry::kReadAccess << true
        << QString::fromLatin1(path);
    QTest::newRow("no access at all")
        << true << sz << path + '\0' << -1LL << 0x1000u << false << QString();
}

void tst_about::getKeyValue() {
    QFETCH(bool, present);
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    QFETCH(qint64, reportedSize);
    QFETCH(quint32, allowedAccess);
    QFETCH(bool, result);
    QFETCH(QString, text);
    ScriptedRegistry reg;
    if (present)
        reg.put(kToolKey, u"PATH"_s, {type, data, reportedSize});
    if (allowedAccess)
        reg.restrictAccess(kToolKey, allowedAccess);
    QString value = u"before"_s;
    QCOMPARE(GetKeyValue(reg, registry::kLocalMachine, kToolKey, u"PATH"_s, value), result);
    QCOMPARE(value, text);
    QCOMPARE(reg.openMasks.constFirst(), registry::kOpenAccess);
    QCOMPARE(reg.openKeys(), 0);
}

void tst_about::toolOnPath_data() {
    QTest::addColumn<QStringList>("executables");
    QTest::addColumn<QStringList>("plainFiles");
    QTest::addColumn<QString>("found"); // empty: the message is shown
    QTest::newRow("none") << QStringList() << QStringList() << QString();
    QTest::newRow("one") << QStringList{u"hardinfo"_s} << QStringList() << u"hardinfo"_s;
    QTest::newRow("first known wins")
        << QStringList{u"xfce4-taskmanager"_s, u"gnome-system-monitor"_s, u"kinfocenter"_s}
        << QStringList() << u"kinfocenter"_s;
    QTest::newRow("not executable") << QStringList{u"mate-system-monitor"_s}
                                    << QStringList{u"kinfocenter"_s} << u"mate-system-monitor"_s;
    QTest::newRow("unknown tool") << QStringList{u"sysinfo"_s} << QStringList() << QString();
}

void tst_about::toolOnPath() {
#ifndef Q_OS_UNIX
    QSKIP("the tools are shell scripts");
#endif
    QFETCH(QStringList, executables);
    QFETCH(QStringList, plainFiles);
    QFETCH(QString, found);
    QTemporaryDir bin;
    for (const QString& name : executables + plainFiles) {
        QFile f(bin.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n");
        f.close();
        if (executables.contains(name))
            QVERIFY(f.setPermissions(f.permissions() | QFile::ExeOwner));
    }
    const QByteArray oldPath = qgetenv("PATH");
    const auto restorePath = qScopeGuard([&] { qputenv("PATH", oldPath); });
    qputenv("PATH", QFile::encodeName(bin.path()));

    WindowHarness h;
    ToolPathRegistry toolRegistry;
    const Desktop desktop{h.dialogs(),  h.shell(),    toolRegistry,
                          h.programs(), h.printers(), h.passwords()};
    frmAbout about(desktop);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QTest::mouseClick(about.findChild<QPushButton*>(u"cmdSysInfo"_s), Qt::LeftButton);
    QString folder = u"before"_s;
    const bool secondTry =
        GetKeyValue(toolRegistry, registry::kLocalMachine, kFolderKey, u"MSINFO"_s, folder);

    QVERIFY(!secondTry);
    QCOMPARE(folder, QString());
    if (found.isEmpty()) {
        QCOMPARE(h.programs().started, QStringList());
        QCOMPARE(h.dialogs().last(ScriptedDialogs::Kind::Message).text, kUnavailable);
    } else {
        QCOMPARE(h.programs().started, QStringList{bin.filePath(found)});
        QCOMPARE(h.dialogs().shown().size(), 0);
    }
}

void tst_about::programFiles() {
#ifndef Q_OS_UNIX
    QSKIP("starts /bin/true");
#endif
    QTemporaryDir dir;
    const QString plain = dir.filePath(u"MSINFO32.EXE"_s);
    writeFile(plain, "not a program");
    QtPrograms programs;
    QVERIFY(programs.exists(plain));
    QVERIFY(!programs.exists(dir.filePath(u"missing.exe"_s)));
    QVERIFY(!programs.exists(dir.path()));
    QVERIFY(!programs.exists(QString()));
    QVERIFY(!programs.start(QString()));
    QVERIFY(!programs.start(dir.filePath(u"missing"_s)));
    QVERIFY(!programs.start(plain));
    // A path with blanks is one program, not a command line.
    QVERIFY(!programs.start(u"/bin/sh -c true"_s));
    QVERIFY(programs.start(u"/bin/true"_s));
}

QTEST_MAIN(tst_about)
#include "tst_about.moc"
