#include "windows/frmabout.h"

#include "forms/formlayout.h"
#include "forms/programtitle.h"
#include "forms/widgets.h"
#include "platform/dialogs.h"
#include "platform/launch.h"
#include "platform/programs.h"
#include "platform/registry.h"
#include "version.h"
#include "windows/aboutwidgets.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

using form::dialogFont;
using form::place;
using form::spoken;

namespace {
// The links' text: as the window opens, under the mouse, and once the mouse has been over the
// window's background.
const QColor kLinkOpenColour(0, 0, 128);
const QColor kLinkHoverColour(255, 0, 0);
const QColor kLinkRestColour(0, 0, 192);

const QString kSysInfoKey = QString::fromLatin1(registry::kSysInfoKey);
const QString kSysInfoValue = QString::fromLatin1(registry::kSysInfoValue);
const QString kSysInfoFolderKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString kSysInfoFolderValue = QStringLiteral("MSINFO");
const QString kSysInfoFile = QStringLiteral("\\MSINFO32.EXE");
} // namespace

frmAbout::frmAbout(const Desktop& desktop, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
    , m_desktop(desktop) {
    setObjectName(QStringLiteral("frmAbout"));
    setFont(dialogFont(8.25));
    setFixedSize(form::twips(5730), form::twips(3480));
    setMouseTracking(true);
    setSizeGripEnabled(false);
    buildControls();
    Form_Load();
}

// The maker is the program's own: a team name, addresses under the domain reserved for
// examples, and a number from the range set aside for drama and fiction.
QString frmAbout::makerLine() {
    return QStringLiteral("Készítette: a Zelvanor fejlesztői");
}
QString frmAbout::makerPhone() {
    return QStringLiteral("+44 20 7946 0321");
}
QString frmAbout::makerMail1() {
    return QStringLiteral("zelvanor@example.org");
}
QString frmAbout::makerMail2() {
    return QStringLiteral("zelvanor.levelek@example.org");
}
QString frmAbout::makerHomePage() {
    return QStringLiteral("http://www.example.org/zelvanor/");
}

void frmAbout::buildControls() {
    auto label = []<typename L>(L* l, const char* name, int left, int top, int width, int height) {
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return place(l, name, l->text(), left, top, width, height);
    };
    // The etched separator is drawn on the background, under every control.
    place(new OutlineBox(Qt::gray, 0, QColor(128, 128, 128), this), "Line1_1",
          QStringLiteral("Elválasztó vonal, szürke"), 90, 2445, 5654 - 90, 15);
    place(new OutlineBox(Qt::white, 0, QColor(255, 255, 255), this), "Line1_0",
          QStringLiteral("Elválasztó vonal, fehér"), 105, 2460, 5654 - 105, 30);

    lblTitle = label(new QLabel(this), "lblTitle", 1050, 135, 3885, 480);
    lblTitle->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblTitle->setFont(dialogFont(9.75, true));
    lblVersion = label(new QLabel(this), "lblVersion", 1080, 630, 3885, 225);
    lblDescription = label(new QLabel(this), "lblDescription", 1050, 900, 3885, 270);
    paintLink(lblDescription, Qt::black);
    lblDescription->setToolTip(QStringLiteral("Telefonszám:  ") + makerPhone());

    label(new QLabel(QStringLiteral("E-mail:"), this), "Label3_1", 1035, 1260, 645, 240);
    label(new QLabel(QStringLiteral("E-mail:"), this), "Label3_2", 1035, 1665, 645, 240);
    label(new QLabel(QStringLiteral("Honlap:"), this), "Label3_0", 1035, 2070, 645, 240);

    auto link = [&](const QString& text, const char* name, int top, int width, int height,
                    const QColor& colour) {
        auto* l = label(new LinkLabel(text, this), name, 1710, top, width, height);
        l->setFont(dialogFont(8.25, true));
        paintLink(l, colour);
        connect(l, &LinkLabel::mouseMoved, this, [l] { paintLink(l, kLinkHoverColour); });
        return l;
    };
    Label1 = link(makerMail1(), "Label1", 1260, 3255, 300, kLinkOpenColour);
    Label4 = link(makerMail2(), "Label4", 1665, 3255, 300, kLinkOpenColour);
    Label2 = link(makerHomePage(), "Label2", 2070, 3030, 270, kLinkRestColour);
    connect(Label1, &LinkLabel::clicked, this, &frmAbout::Label1_Click);
    connect(Label4, &LinkLabel::clicked, this, &frmAbout::Label4_Click);
    connect(Label2, &LinkLabel::clicked, this, &frmAbout::Label2_Click);

    Label5 = label(new QLabel(this), "Label5", 300, 2760, 3765, 495);
    Label5->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    place(cmdOK, "cmdOK", spoken(cmdOK->text()), 4245, 2625, 1260, 345);
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    place(cmdSysInfo, "cmdSysInfo", spoken(cmdSysInfo->text()), 4260, 3075, 1245, 345);
    setTabOrder(cmdOK, cmdSysInfo);
    cmdOK->setFocus();

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

void frmAbout::Form_Load() {
    form::centreOnScreen(this);
    setWindowTitle(programTitle() + QStringLiteral(" Névjegy"));
    setAccessibleName(windowTitle());
    lblVersion->setText(QStringLiteral("Verzió: %1.%2.%3")
                            .arg(ZELVANOR_VERSION_MAJOR)
                            .arg(ZELVANOR_VERSION_MINOR)
                            .arg(ZELVANOR_VERSION_PATCH));
    lblTitle->setText(programTitle() + QStringLiteral(" program "));
    lblDescription->setText(makerLine());
    Label5->setText(
        QStringLiteral("A program telefonszámok és címek rögzítésére készült ingyenes program."));
    for (QLabel* l : {lblVersion, lblTitle, lblDescription, Label5})
        l->setAccessibleName(l->text());
}

bool frmAbout::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    // The window manager's frame is known only once the window is on the screen; centre the
    // outer size again then.
    if (m_frameWatch.frameArrived(this, event))
        form::centreOnScreen(this);
    return handled;
}

void frmAbout::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    form::centreOnScreen(this);
}

void frmAbout::paintLink(QLabel* label, const QColor& colour) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

void frmAbout::mouseMoveEvent(QMouseEvent* event) {
    // Only moves over the bare background (and the drawn lines) come here: the other controls
    // do not track the mouse, and the links take their own moves.
    Form_MouseMove();
    QDialog::mouseMoveEvent(event);
}

void frmAbout::Form_MouseMove() {
    for (QLabel* l : {Label1, Label4, Label2})
        paintLink(l, kLinkRestColour);
}

void frmAbout::cmdOK_Click() {
    accept();
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo();
}

void frmAbout::StartSysInfo() {
    QString path;
    bool found =
        GetKeyValue(m_desktop.registry, registry::kLocalMachine, kSysInfoKey, kSysInfoValue, path);
    if (!found && GetKeyValue(m_desktop.registry, registry::kLocalMachine, kSysInfoFolderKey,
                              kSysInfoFolderValue, path)) {
        path += kSysInfoFile;
        found = m_desktop.programs.exists(path);
    }
    if (found && m_desktop.programs.start(path))
        return;
    m_desktop.dialogs.message(programTitle(),
                              QStringLiteral("System Information Is Unavailable At This Time"),
                              Dialogs::Icon::None);
}

void frmAbout::Label1_Click() {
    (void)OpenMail(m_desktop.shell, QStringLiteral("mailto:") + makerMail1());
}

void frmAbout::Label4_Click() {
    (void)OpenMail(m_desktop.shell, QStringLiteral("mailto:") + makerMail2());
}

void frmAbout::Label2_Click() {
    (void)OpenBrowser(m_desktop.shell, makerHomePage());
}
