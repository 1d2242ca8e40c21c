// The main window's controls as they were designed: their places and sizes in twips, captions,
// fonts and colours, the menu and the tab order, and the window's own size and place. What
// the controls do is in frmtelcsi.cpp.
#include "forms/formlayout.h"
#include "forms/widgets.h"
#include "list/recordlistmodel.h"
#include "windows/frmtelcsi.h"
#include "windows/recordlistview.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

#include <array>

using form::button;
using form::caption;
using form::checkBox;
using form::dialogFont;
using form::entry;
using form::place;
using form::twips;

namespace {

const QColor kDarkBlue(0, 0, 192);

constexpr std::array<int, ListColumn::kCount> kColumnTwips = {2500, 1440, 2500, 1400,
                                                              1400, 5000, 500};

} // namespace

void frmTelcsi::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFont(dialogFont(8.25));
    client->setFixedSize(twips(13605), twips(9450));
    setCentralWidget(client);

    // Drawn first so that the three record buttons stand on it.
    auto* outline = new OutlineBox(QColor(255, 0, 0), 4, QColor(0, 255, 255), client);
    place(outline, "Körvonal1", QString(), 165, 8925, 3390, 465);

    ListView1 = place(new RecordListView(client), "ListView1", QStringLiteral("Névjegyzék"), 150,
                      2280, 13290, 6525);
    ListView1->setModel(m_model);
    for (int c = 0; c < ListColumn::kCount; ++c)
        sizeColumn(c);
    connect(ListView1->header(), &QHeaderView::sectionClicked, this,
            &frmTelcsi::ListView1_ColumnClick);
    connect(ListView1, &RecordListView::rowChosen, this, &frmTelcsi::ListView1_ItemClick);

    txNev = entry(client, "txNev", QStringLiteral("Név"), 1035, 360, 3075, 285, 40);
    txNev->setFont(dialogFont(8.25, true));
    txCim = entry(client, "txCim", QStringLiteral("Cím"), 7740, 360, 5610, 285, 50);
    txTel1 = entry(client, "txTel1", QStringLiteral("Telefonszám 1"), 1065, 1035, 1905, 285, 15);
    txTel2 = entry(client, "txTel2", QStringLiteral("Telefonszám 2"), 3045, 1035, 1815, 285, 15);
    txMegj = entry(client, "txMegj", QStringLiteral("Megjegyzés"), 5040, 1035, 8325, 285, 50);
    txtMail = entry(client, "txtMail", QStringLiteral("E-mail cím"), 1050, 1440, 5325, 285, 50);
    txWeb = entry(client, "txWeb", QStringLiteral("Webcím"), 1050, 1860, 5325, 285, 50);
    txTelepules =
        entry(client, "txTelepules", QStringLiteral("Település"), 5100, 360, 2535, 285, 25);
    txIrszam = entry(client, "txIrszam", QStringLiteral("Ir.szám"), 4230, 360, 795, 285, 15);
    txIrszam->setFont(dialogFont(8.25, true));
    QPalette blueText = txIrszam->palette();
    blueText.setColor(QPalette::Text, kDarkBlue);
    txIrszam->setPalette(blueText);

    auto command = [this](QPushButton* b, const char* name, int l, int t, int w, int h,
                          void (frmTelcsi::*handler)()) {
        connect(button(b, name, l, t, w, h), &QPushButton::clicked, this, handler);
        return b;
    };
    cmdRogzit = command(new QPushButton(QStringLiteral("&Rögzítés"), client), "cmdRogzit", 300,
                        9015, 1050, 285, &frmTelcsi::cmdRogzit_Click);
    cmdModosit = command(new QPushButton(QStringLiteral("&Módosítás"), client), "cmdModosit", 1425,
                         9015, 960, 285, &frmTelcsi::cmdModosit_Click);
    cmdTorol = command(new QPushButton(QStringLiteral("&Törlés"), client), "cmdTorol", 2460, 9015,
                       1005, 285, &frmTelcsi::cmdTorol_Click);
    cmdMezoDel = command(new WrapButton(QStringLiteral("Me&zők Törlése"), client), "cmdMezoDel",
                         7770, 1410, 825, 780, &frmTelcsi::cmdMezoDel_Click);
    cmdLista = command(new WrapButton(QStringLiteral("Telje&s lista"), client), "cmdLista", 10020,
                       1410, 780, 780, &frmTelcsi::cmdLista_Click);
    Command1 = command(new QPushButton(QStringLiteral("&E-mail írás"), client), "Command1", 6420,
                       1410, 1095, 375, &frmTelcsi::Command1_Click);
    cmdPrint = command(new QPushButton(QStringLiteral("&Listamező nyomtatása"), client), "cmdPrint",
                       10980, 1830, 2385, 375, &frmTelcsi::cmdPrint_Click);
    Command2 = command(new QPushButton(QStringLiteral("&Web"), client), "Command2", 6420, 1830,
                       1095, 375, &frmTelcsi::Command2_Click);

    Check1 = checkBox(client, QStringLiteral("Név keresés"), "Check1", 1680, 90, 1275, 285);
    Check2 = checkBox(client, QStringLiteral("Megjegyzés keresés"), "Check2", 8205, 780, 1995, 195);
    Check3 = checkBox(client, QStringLiteral("Keresés"), "Check3", 6030, 120, 1245, 195);
    Check4 = checkBox(client, QStringLiteral("Cím keresés"), "Check4", 9360, 120, 1995, 195);

    const Qt::Alignment left = Qt::AlignLeft;
    caption(client, "Felirat1_0", QStringLiteral("Név"), 1125, 120, 435, 195, left);
    caption(client, "Felirat1_1", QStringLiteral("Cím"), 7740, 120, 1365, 195, left);
    caption(client, "Felirat1_2", QStringLiteral("Telefonszám"), 1155, 810, 1365, 195, left);
    caption(client, "Felirat1_3", QStringLiteral("Telefonszám"), 3135, 810, 1365, 195, left);
    caption(client, "Felirat1_4", QStringLiteral("Megjegyzés"), 5130, 780, 1365, 195, left);
    caption(client, "Felirat1_5", QStringLiteral("E-mail cím:"), 180, 1470, 825, 195,
            Qt::AlignRight);
    caption(client, "Felirat1_6", QStringLiteral("Webcím:"), 180, 1890, 825, 195, Qt::AlignRight);
    caption(client, "Felirat1_8", QStringLiteral("Település"), 5160, 120, 795, 195, left);
    caption(client, "Felirat1_10", QStringLiteral("Ir.szám"), 4260, 150, 795, 195,
            Qt::AlignHCenter);

    auto phone = [client](const char* name, const QString& spokenName, int l) {
        auto* label = place(new QLabel(client), name, spokenName, l, 8970, 2490, 375);
        label->setFont(dialogFont(13.5));
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, kDarkBlue);
        label->setPalette(p);
        return label;
    };
    Felirat2 = phone("Felirat2", QStringLiteral("Telefonszám 1 kijelző"), 3630);
    Felirat3 = phone("Felirat3", QStringLiteral("Telefonszám 2 kijelző"), 6465);

    connect(txNev, &QLineEdit::textChanged, this, &frmTelcsi::txNev_Change);
    connect(txCim, &QLineEdit::textChanged, this, &frmTelcsi::txCim_Change);
    connect(txTelepules, &QLineEdit::textChanged, this, &frmTelcsi::txTelepules_Change);
    connect(txMegj, &QLineEdit::textChanged, this, &frmTelcsi::txMegj_Change);
}

void frmTelcsi::buildMenu() {
    using Handler = void (frmTelcsi::*)();
    auto wire = [this](QAction* action, const char* name, Handler handler) {
        action->setObjectName(QString::fromUtf8(name));
        connect(action, &QAction::triggered, this, handler);
    };
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("menuBar"));
    wire(bar->addAction(QStringLiteral("&Kilépés")), "mnuKilep", &frmTelcsi::mnuKilep_Click);

    QMenu* adatok = bar->addMenu(QStringLiteral("&Adatbázis"));
    adatok->setObjectName(QStringLiteral("mnuAdatok"));
    adatok->menuAction()->setObjectName(QStringLiteral("mnuAdatokAction"));
    // A null caption stands for a separator.
    const struct {
        const char* caption;
        const char* name;
        Handler handler;
    } items[] = {
        {"&Inportálás\"CSV\"fájlból", "mnuImport", &frmTelcsi::mnuImport_Click},
        {"&Exportálás (mentés) \"CSV\" fájlba", "mnuMentCSVbe", &frmTelcsi::mnuMentCSVbe_Click},
        {"&Adatbázis törlése", "mnuAdatbazisDel", &frmTelcsi::mnuAdatbazisDel_Click},
        {"&Segítség az importáláshoz.", "mnuHelp", &frmTelcsi::mnuHelp_Click},
        {nullptr, nullptr, nullptr},
        {"I&mportálás vCard (.vcf) fájlból", "mnuVCardImport", &frmTelcsi::mnuVCardImport_Click},
        {"E&xportálás vCard (.vcf) fájlba", "mnuVCardExport", &frmTelcsi::mnuVCardExport_Click},
        {nullptr, nullptr, nullptr},
        {"Szinkronizálási &fiók…", "mnuFiok", &frmTelcsi::mnuFiok_Click},
        {"Szin&kronizálás", "mnuSzinkron", &frmTelcsi::mnuSzinkron_Click},
    };
    for (const auto& item : items) {
        if (item.caption)
            wire(adatok->addAction(QString::fromUtf8(item.caption)), item.name, item.handler);
        else
            adatok->addSeparator();
    }

    wire(bar->addAction(QStringLiteral("&Szerző")), "mnuAbout", &frmTelcsi::mnuAbout_Click);
}

void frmTelcsi::setTabOrderChain() {
    const std::array<QWidget*, 22> chain = {
        ListView1, txNev,      txCim,       txTel1, txTel2,   txMegj,  cmdRogzit, cmdModosit,
        cmdTorol,  cmdMezoDel, Check1,      Check2, cmdLista, txtMail, Command1,  cmdPrint,
        Command2,  txWeb,      txTelepules, Check3, txIrszam, Check4};
    for (QWidget* w : chain)
        w->setFocusPolicy(Qt::StrongFocus);
    for (std::size_t i = 0; i + 1 < chain.size(); ++i)
        setTabOrder(chain[i], chain[i + 1]);
}

void frmTelcsi::placeWindow() {
    // The outer height, title bar and frame included, is 10250 twips; the window stands in
    // the middle of the screen.
    const int outerHeight = twips(10250);
    const QMargins frame = form::frameMargins(this);
    resize(twips(13605), outerHeight - frame.top() - frame.bottom());
    form::centreOnScreen(this);
}

void frmTelcsi::sizeColumn(int column) {
    ListView1->setColumnWidth(column, twips(kColumnTwips[static_cast<std::size_t>(column)]));
}
