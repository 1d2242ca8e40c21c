#include "windows/frmtelcsi.h"

#include "forms/formlayout.h"
#include "forms/programtitle.h"
#include "forms/widgets.h"
#include "list/recordlistmodel.h"
#include "platform/dialogs.h"
#include "platform/launch.h"
#include "windows/frmabout.h"
#include "windows/frmimport.h"
#include "windows/recordlistview.h"

#include <QCheckBox>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

#include <array>

static void initResources() {
    Q_INIT_RESOURCE(zelvanor);
}

using form::dialogFont;
using form::place;
using form::spoken;
using form::twips;

namespace {

const QColor kDarkBlue(0, 0, 192);

constexpr std::array<int, ListColumn::kCount> kColumnTwips = {2500, 1440, 2500, 1400,
                                                              1400, 5000, 500};

} // namespace

frmTelcsi::frmTelcsi(const QString& dataFolder, const Desktop& desktop, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint)
    , m_store(dataFolder)
    , m_desktop(desktop)
    , m_dialogs(desktop.dialogs)
    , m_model(new RecordListModel(this))
    , m_errors(m_dialogs, [this] { Beolvas(); })
    , m_list(m_store, *m_model, m_errors)
    , m_records(m_store, m_dialogs, m_errors, [this](qint64 n) { return m_list.shows(n); })
    , m_print(m_store, m_dialogs, desktop.printers, m_errors)
    , m_exchange(m_store, m_dialogs, m_errors, [this] { Beolvas(); }) {
    setObjectName(QStringLiteral("frmTelcsi"));
    setWindowTitle(programTitle());
    initResources();
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/zelvanor-%1.png").arg(size), QSize(size, size));
    setWindowIcon(icon);
    buildControls();
    buildMenu();
    setTabOrderChain();
    Form_Load();
}

frmTelcsi::~frmTelcsi() = default;

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
    for (int c = 0; c < static_cast<int>(kColumnTwips.size()); ++c)
        ListView1->setColumnWidth(c, twips(kColumnTwips[static_cast<std::size_t>(c)]));
    connect(ListView1->header(), &QHeaderView::sectionClicked, this,
            &frmTelcsi::ListView1_ColumnClick);
    connect(ListView1, &RecordListView::rowChosen, this, &frmTelcsi::ListView1_ItemClick);

    auto entry = [client](const char* name, const QString& spokenName, int l, int t, int w, int h,
                          int maxLength) {
        auto* e = place(new QLineEdit(client), name, spokenName, l, t, w, h);
        e->setMaxLength(maxLength);
        return e;
    };
    txNev = entry("txNev", QStringLiteral("Név"), 1035, 360, 3075, 285, 40);
    txNev->setFont(dialogFont(8.25, true));
    txCim = entry("txCim", QStringLiteral("Cím"), 7740, 360, 5610, 285, 50);
    txTel1 = entry("txTel1", QStringLiteral("Telefonszám 1"), 1065, 1035, 1905, 285, 15);
    txTel2 = entry("txTel2", QStringLiteral("Telefonszám 2"), 3045, 1035, 1815, 285, 15);
    txMegj = entry("txMegj", QStringLiteral("Megjegyzés"), 5040, 1035, 8325, 285, 50);
    txtMail = entry("txtMail", QStringLiteral("E-mail cím"), 1050, 1440, 5325, 285, 50);
    txWeb = entry("txWeb", QStringLiteral("Webcím"), 1050, 1860, 5325, 285, 50);
    txTelepules = entry("txTelepules", QStringLiteral("Település"), 5100, 360, 2535, 285, 25);
    txIrszam = entry("txIrszam", QStringLiteral("Ir.szám"), 4230, 360, 795, 285, 15);
    txIrszam->setFont(dialogFont(8.25, true));
    QPalette blueText = txIrszam->palette();
    blueText.setColor(QPalette::Text, kDarkBlue);
    txIrszam->setPalette(blueText);

    auto button = [client](QPushButton* b, const char* name, int l, int t, int w, int h) {
        b->setAutoDefault(false);
        return place(b, name, spoken(b->text()), l, t, w, h);
    };
    cmdRogzit = button(new QPushButton(QStringLiteral("&Rögzítés"), client), "cmdRogzit", 300, 9015,
                       1050, 285);
    cmdModosit = button(new QPushButton(QStringLiteral("&Módosítás"), client), "cmdModosit", 1425,
                        9015, 960, 285);
    cmdTorol = button(new QPushButton(QStringLiteral("&Törlés"), client), "cmdTorol", 2460, 9015,
                      1005, 285);
    cmdMezoDel = button(new WrapButton(QStringLiteral("Me&zők Törlése"), client), "cmdMezoDel",
                        7770, 1410, 825, 780);
    cmdLista = button(new WrapButton(QStringLiteral("Telje&s lista"), client), "cmdLista", 10020,
                      1410, 780, 780);
    Command1 = button(new QPushButton(QStringLiteral("&E-mail írás"), client), "Command1", 6420,
                      1410, 1095, 375);
    cmdPrint = button(new QPushButton(QStringLiteral("&Listamező nyomtatása"), client), "cmdPrint",
                      10980, 1830, 2385, 375);
    Command2 =
        button(new QPushButton(QStringLiteral("&Web"), client), "Command2", 6420, 1830, 1095, 375);

    auto check = [client](const QString& caption, const char* name, int l, int t, int w, int h) {
        return place(new QCheckBox(caption, client), name, caption, l, t, w, h);
    };
    Check1 = check(QStringLiteral("Név keresés"), "Check1", 1680, 90, 1275, 285);
    Check2 = check(QStringLiteral("Megjegyzés keresés"), "Check2", 8205, 780, 1995, 195);
    Check3 = check(QStringLiteral("Keresés"), "Check3", 6030, 120, 1245, 195);
    Check4 = check(QStringLiteral("Cím keresés"), "Check4", 9360, 120, 1995, 195);

    auto caption = [client](int index, const QString& text, int l, int t, int w, int h,
                            Qt::Alignment align) {
        auto* label =
            place(new QLabel(text, client),
                  QStringLiteral("Felirat1_%1").arg(index).toUtf8().constData(), text, l, t, w, h);
        label->setAlignment(align | Qt::AlignTop);
        return label;
    };
    caption(0, QStringLiteral("Név"), 1125, 120, 435, 195, Qt::AlignLeft);
    caption(1, QStringLiteral("Cím"), 7740, 120, 1365, 195, Qt::AlignLeft);
    caption(2, QStringLiteral("Telefonszám"), 1155, 810, 1365, 195, Qt::AlignLeft);
    caption(3, QStringLiteral("Telefonszám"), 3135, 810, 1365, 195, Qt::AlignLeft);
    caption(4, QStringLiteral("Megjegyzés"), 5130, 780, 1365, 195, Qt::AlignLeft);
    caption(5, QStringLiteral("E-mail cím:"), 180, 1470, 825, 195, Qt::AlignRight);
    caption(6, QStringLiteral("Webcím:"), 180, 1890, 825, 195, Qt::AlignRight);
    caption(8, QStringLiteral("Település"), 5160, 120, 795, 195, Qt::AlignLeft);
    caption(10, QStringLiteral("Ir.szám"), 4260, 150, 795, 195, Qt::AlignHCenter);

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

    connect(cmdLista, &QPushButton::clicked, this, &frmTelcsi::cmdLista_Click);
    connect(cmdMezoDel, &QPushButton::clicked, this, &frmTelcsi::cmdMezoDel_Click);
    connect(cmdRogzit, &QPushButton::clicked, this, &frmTelcsi::cmdRogzit_Click);
    connect(cmdModosit, &QPushButton::clicked, this, &frmTelcsi::cmdModosit_Click);
    connect(cmdTorol, &QPushButton::clicked, this, &frmTelcsi::cmdTorol_Click);
    connect(txNev, &QLineEdit::textChanged, this, &frmTelcsi::txNev_Change);
    connect(txCim, &QLineEdit::textChanged, this, &frmTelcsi::txCim_Change);
    connect(txTelepules, &QLineEdit::textChanged, this, &frmTelcsi::txTelepules_Change);
    connect(txMegj, &QLineEdit::textChanged, this, &frmTelcsi::txMegj_Change);
    connect(Command1, &QPushButton::clicked, this, &frmTelcsi::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmTelcsi::Command2_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmTelcsi::cmdPrint_Click);
}

void frmTelcsi::buildMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("menuBar"));
    QAction* kilep = bar->addAction(QStringLiteral("&Kilépés"));
    kilep->setObjectName(QStringLiteral("mnuKilep"));
    connect(kilep, &QAction::triggered, this, &frmTelcsi::mnuKilep_Click);

    QMenu* adatok = bar->addMenu(QStringLiteral("&Adatbázis"));
    adatok->setObjectName(QStringLiteral("mnuAdatok"));
    adatok->menuAction()->setObjectName(QStringLiteral("mnuAdatokAction"));
    auto item = [adatok](const QString& caption, const char* name) {
        QAction* a = adatok->addAction(caption);
        a->setObjectName(QString::fromUtf8(name));
        return a;
    };
    connect(item(QStringLiteral("&Inportálás\"CSV\"fájlból"), "mnuImport"), &QAction::triggered,
            this, &frmTelcsi::mnuImport_Click);
    connect(item(QStringLiteral("&Exportálás (mentés) \"CSV\" fájlba"), "mnuMentCSVbe"),
            &QAction::triggered, this, &frmTelcsi::mnuMentCSVbe_Click);
    QAction* adatbazisDel = item(QStringLiteral("&Adatbázis törlése"), "mnuAdatbazisDel");
    connect(adatbazisDel, &QAction::triggered, this, &frmTelcsi::mnuAdatbazisDel_Click);
    connect(item(QStringLiteral("&Segítség az importáláshoz."), "mnuHelp"), &QAction::triggered,
            this, &frmTelcsi::mnuHelp_Click);
    adatok->addSeparator();
    connect(item(QStringLiteral("I&mportálás vCard (.vcf) fájlból"), "mnuVCardImport"),
            &QAction::triggered, this, &frmTelcsi::mnuVCardImport_Click);
    connect(item(QStringLiteral("E&xportálás vCard (.vcf) fájlba"), "mnuVCardExport"),
            &QAction::triggered, this, &frmTelcsi::mnuVCardExport_Click);

    QAction* about = bar->addAction(QStringLiteral("&Szerző"));
    about->setObjectName(QStringLiteral("mnuAbout"));
    connect(about, &QAction::triggered, this, &frmTelcsi::mnuAbout_Click);
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

bool frmTelcsi::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    // Placed once more when the frame becomes known, so that the outer height and the centring
    // include it.
    if (m_placed && m_frameWatch.frameArrived(this, event))
        placeWindow();
    return handled;
}

void frmTelcsi::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_placed) {
        // Only now does the window system tell how thick the frame is.
        m_placed = true;
        placeWindow();
        ListView1->setFocus();
    }
}

void frmTelcsi::Form_Load() {
    placeWindow();
    Beolvas();
    ListView1->setFocus();
}

void frmTelcsi::Beolvas() {
    m_list.reload();
}

void frmTelcsi::cmdLista_Click() {
    Beolvas();
}

void frmTelcsi::MezoDel() {
    for (QLineEdit* e :
         {txNev, txCim, txTel1, txTel2, txMegj, txtMail, txTelepules, txIrszam, txWeb})
        e->setText(QString());
    txNev->setFocus();
}

void frmTelcsi::cmdMezoDel_Click() {
    MezoDel();
}

void frmTelcsi::ListView1_ColumnClick(int column) {
    m_list.sortBy(column);
    if (m_model->sortColumn() < 0)
        return;
    ListView1->header()->setSortIndicatorShown(true);
    ListView1->header()->setSortIndicator(m_model->sortColumn(), Qt::AscendingOrder);
}

void frmTelcsi::ListView1_ItemClick(int row) {
    const qint64 n = m_model->recordNumber(row);
    if (n <= 0)
        return;
    m_selectedRecord = n;
    // Untick the switches first, so that filling the fields below starts no search.
    for (QCheckBox* c : {Check1, Check2, Check3, Check4})
        c->setChecked(false);

    Record record;
    bool found = false;
    if (const MaybeError err = m_store.readRecord(n, record, found)) {
        m_errors.failure(*err, QStringLiteral("A kiválasztott névjegy nem tölthető be."));
        return;
    }
    // A record that another program has removed since the list was read shows as empty.
    txNev->setText(record.displayField(Field::Nev));
    txCim->setText(record.displayField(Field::Cim));
    txTel1->setText(record.displayField(Field::Tel1));
    txTel2->setText(record.displayField(Field::Tel2));
    txMegj->setText(record.displayField(Field::Megj));
    Felirat2->setText(record.displayField(Field::Tel1));
    Felirat3->setText(record.displayField(Field::Tel2));
    txtMail->setText(record.displayField(Field::Mail));
    txTelepules->setText(record.displayField(Field::Telepules));
    txIrszam->setText(record.rawField(Field::Irszam));
    txWeb->setText(record.displayField(Field::Web));
    ListView1->setColumnWidth(ListColumn::Nev, twips(kColumnTwips[ListColumn::Nev]));
}

void frmTelcsi::mnuKilep_Click() {
    if (m_dialogs.askYesNo(QStringLiteral(" Kilépés "),
                           QStringLiteral("Biztos hogy Befejezed?\r\n\r\n")))
        close();
}

Record frmTelcsi::recordFromFields() const {
    Record r;
    r.setField(Field::Nev, txNev->text());
    r.setField(Field::Telepules, txTelepules->text());
    r.setField(Field::Irszam, txIrszam->text());
    r.setField(Field::Cim, txCim->text());
    r.setField(Field::Tel1, txTel1->text());
    r.setField(Field::Tel2, txTel2->text());
    r.setField(Field::Megj, txMegj->text());
    r.setField(Field::Mail, txtMail->text());
    r.setField(Field::Web, txWeb->text());
    return r;
}

void frmTelcsi::cmdRogzit_Click() {
    if (!m_records.add(recordFromFields()))
        return;
    Beolvas();
    MezoDel();
}

void frmTelcsi::cmdModosit_Click() {
    if (!m_records.modify(m_selectedRecord, recordFromFields()))
        return;
    Beolvas();
    MezoDel();
}

void frmTelcsi::cmdTorol_Click() {
    if (!m_records.remove(m_selectedRecord))
        return;
    Beolvas();
    MezoDel();
}

void frmTelcsi::mnuAdatbazisDel_Click() {
    if (!m_records.removeAll())
        return;
    // The list of a register that is gone. Telefon.dat is not made again here, so that the
    // file in the trash can be put back without a clash; the next change creates it.
    m_model->clear();
}

void frmTelcsi::txNev_Change() {
    searchList(Check1, txNev, Field::Nev, true);
}
void frmTelcsi::txCim_Change() {
    searchList(Check4, txCim, Field::Cim, false);
}
void frmTelcsi::txTelepules_Change() {
    searchList(Check3, txTelepules, Field::Telepules, false);
}
void frmTelcsi::txMegj_Change() {
    searchList(Check2, txMegj, Field::Megj, false);
}

void frmTelcsi::searchList(const QCheckBox* searchSwitch, const QLineEdit* entry, Field field,
                           bool emptyListFirst) {
    // The name search empties the list before it looks at the file; the other three leave the
    // list alone when the file is empty or cannot be opened.
    if (searchSwitch->isChecked())
        m_list.search(field, entry->text(), emptyListFirst);
}

// The desktop's answer does not matter to the user here: a failed launch shows nothing.
void frmTelcsi::Command1_Click() {
    (void)OpenMail(m_desktop.shell, QStringLiteral("mailto:") + trimBlanks(txtMail->text()));
}

void frmTelcsi::Command2_Click() {
    (void)OpenBrowser(m_desktop.shell, trimBlanks(txWeb->text()));
}

void frmTelcsi::mnuAbout_Click() {
    // Made anew for every opening, so that it starts as it was designed.
    frmAbout about(m_desktop, this);
    about.exec();
}

void frmTelcsi::cmdPrint_Click() {
    // The rows as the list shows them now, narrowed and sorted as they are.
    QList<qint64> numbers;
    numbers.reserve(m_model->rowCount());
    for (int row = 0; row < m_model->rowCount(); ++row)
        numbers.append(m_model->recordNumber(row));
    m_print.run(numbers);
}

void frmTelcsi::mnuMentCSVbe_Click() {
    m_exchange.exportCsv();
}

void frmTelcsi::mnuImport_Click() {
    m_exchange.importCsv();
}

void frmTelcsi::mnuVCardImport_Click() {
    m_exchange.importVCard();
}

void frmTelcsi::mnuVCardExport_Click() {
    m_exchange.exportVCard();
}

void frmTelcsi::mnuHelp_Click() {
    // Built anew for each opening, so that it is centred every time.
    frmImport help;
    help.exec();
}
