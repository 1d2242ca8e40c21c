#include "windows/frmtelcsi.h"

#include "csv/csvexport.h"
#include "csv/csvimport.h"
#include "forms/formlayout.h"
#include "forms/widgets.h"
#include "list/recordlistmodel.h"
#include "platform/dialogs.h"
#include "platform/launch.h"
#include "platform/printers.h"
#include "print/listprintout.h"
#include "print/printcanvas.h"
#include "store/exchangefile.h"
#include "store/fieldmatcher.h"
#include "vcard/vcardexchange.h"
#include "windows/frmabout.h"
#include "windows/frmimport.h"
#include "windows/recordlistview.h"

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>

#include <array>
#include <memory>
#include <new>

static void initResources() {
    Q_INIT_RESOURCE(zelvanor);
}

using form::dialogFont;
using form::place;
using form::spoken;

namespace {

const QColor kDarkBlue(0, 0, 192);

constexpr std::array<int, 7> kColumnTwips = {2500, 1440, 2500, 1400, 1400, 5000, 500};

} // namespace

frmTelcsi::frmTelcsi(const QString& dataFolder, const Desktop& desktop, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint)
    , m_store(dataFolder)
    , m_desktop(desktop)
    , m_dialogs(desktop.dialogs) {
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

QString frmTelcsi::programTitle() {
    return QStringLiteral("Zelvanor");
}

void frmTelcsi::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFont(dialogFont(8.25));
    client->setFixedSize(twips(13605), twips(9450));
    setCentralWidget(client);

    // Drawn first so that the three record buttons stand on it.
    auto* outline = new OutlineBox(QColor(255, 0, 0), 4, QColor(0, 255, 255), client);
    place(outline, "Körvonal1", QString(), 165, 8925, 3390, 465);

    m_model = new RecordListModel(this);
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
    // A window manager adds its frame after the window is shown; place the window once more
    // when the frame becomes known, so that the outer height and the centring include it.
    if (m_placed && !m_framePlaced && isVisible() &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
         event->type() == QEvent::WindowActivate) &&
        frameGeometry().size() != geometry().size()) {
        m_framePlaced = true;
        placeWindow();
    }
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

void frmTelcsi::showStoreError(const StoreError& error, const QString& consequence) {
    m_dialogs.message(programTitle(), error.message() + QStringLiteral("\n\n") + consequence,
                      Dialogs::Icon::Critical);
}

bool frmTelcsi::reportChangeError(const StoreError& error, const QString& unchanged,
                                  const QString& damaged) {
    switch (error.state) {
    case StoreError::State::Unchanged:
        showStoreError(error, unchanged);
        return false;
    case StoreError::State::ChangedNotSynced:
        m_dialogs.message(programTitle(),
                          error.message() + QStringLiteral("\n\nA változás megtörtént, de egy "
                                                           "áramszünet még elveszítheti."),
                          Dialogs::Icon::Warning);
        return true;
    case StoreError::State::MayBeDamaged:
        showStoreError(error, damaged);
        // The list shows what the file holds now.
        Beolvas();
        return false;
    }
    return false;
}

void frmTelcsi::reportExchangeError(const StoreError& error, const QString& what) {
    if (error.state == StoreError::State::ChangedNotSynced)
        m_dialogs.message(programTitle(),
                          error.message() + QStringLiteral("\n\n") + what +
                              QStringLiteral(" megtörtént, de egy áramszünet még elveszítheti."),
                          Dialogs::Icon::Warning);
    else
        showStoreError(error, what + QStringLiteral(" nem történt meg."));
}

bool frmTelcsi::listShows(qint64 recNo) const {
    for (int row = 0; row < m_model->rowCount(); ++row)
        if (m_model->recordNumber(row) == recNo)
            return true;
    return false;
}

void frmTelcsi::recordVanished(const QString& which, const QString& consequence) {
    m_dialogs.message(programTitle(),
                      QStringLiteral("A %1 névjegy időközben eltűnt a(z) „%2” fájlból.\n\n")
                              .arg(which, QDir::toNativeSeparators(m_store.dataPath())) +
                          consequence,
                      Dialogs::Icon::Warning);
    // The list shows what the file holds now.
    Beolvas();
}

void frmTelcsi::listOutOfMemory() {
    m_model->clear();
    m_dialogs.message(programTitle(),
                      QStringLiteral("Nincs elég memória a névjegyzék megjelenítéséhez, ezért a "
                                     "lista üresen marad.\nAz adatállomány névjegyei ettől nem "
                                     "sérültek."),
                      Dialogs::Icon::Critical);
}

void frmTelcsi::Beolvas() {
    // A register too large for the memory leaves the list empty instead of ending the program.
    try {
        RecordRows rows = m_model->takeSpareRows();
        const MaybeError err =
            m_store.forEachRecord([&rows](const char* block, qint64 first, qint64 count) {
                rows.addRecords(block, first, count);
            });
        if (err) {
            m_model->clear();
            showStoreError(*err, QStringLiteral("A névjegyzék üresen marad."));
            return;
        }
        m_model->setRows(std::move(rows));
    } catch (const std::bad_alloc&) {
        listOutOfMemory();
    }
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
    // The column is chosen even when there is no memory to sort the list by it now: the next
    // filling of the list sorts by it.
    try {
        m_model->sortByColumn(column);
    } catch (const std::bad_alloc&) {
        listOutOfMemory();
    }
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
        showStoreError(*err, QStringLiteral("A kiválasztott névjegy nem tölthető be."));
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
    ListView1->setColumnWidth(0, twips(kColumnTwips[0]));
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
    if (const MaybeError err = m_store.append(recordFromFields())) {
        const QString file = QDir::toNativeSeparators(m_store.dataPath());
        if (!reportChangeError(
                *err,
                QStringLiteral("A névjegy nem került be az adatállományba; "
                               "a mezők tartalma megmaradt."),
                QStringLiteral("A névjegy nem került be az adatállományba, és a fájl eredeti "
                               "végét sem sikerült visszaállítani: a(z) „%1” fájl utolsó "
                               "névjegye sérült lehet. A mezők tartalma megmaradt.")
                    .arg(file)))
            return;
    }
    Beolvas();
    MezoDel();
}

void frmTelcsi::cmdModosit_Click() {
    if (m_selectedRecord == 0)
        return;
    Record stored;
    bool found = false;
    if (const MaybeError err = m_store.readRecord(m_selectedRecord, stored, found)) {
        showStoreError(*err, QStringLiteral("Az adatállomány nem változott."));
        return;
    }
    // The record the number pointed at is gone. After this window's own deletion that is no
    // news; a record the list still shows was taken by another program, which the user must
    // hear of. The typed fields stay for another try.
    if (!found) {
        if (!listShows(m_selectedRecord))
            return;
        recordVanished(
            QStringLiteral("módosítandó"),
            QStringLiteral("Az adatállomány nem változott; a mezők tartalma megmaradt."));
        return;
    }
    const QString question = QStringLiteral("Biztos MÓDOSÍTNI akarod a(z)") +
                             QStringLiteral("\n\r") + stored.rawField(Field::Nev) +
                             QStringLiteral("  adatait ?");
    if (!m_dialogs.askYesNo(QStringLiteral(" Módosítás az adatállományban !"), question))
        return;
    bool written = false;
    const QString file = QDir::toNativeSeparators(m_store.dataPath());
    if (const MaybeError err = m_store.modify(m_selectedRecord, recordFromFields(), written)) {
        if (!reportChangeError(
                *err, QStringLiteral("Az adatállomány nem változott; a mezők tartalma megmaradt."),
                QStringLiteral("A régi adatokat sem sikerült visszaírni: a(z) „%1” fájl %2. "
                               "névjegye sérült lehet. A mezők tartalma megmaradt.")
                    .arg(file, QString::number(m_selectedRecord))))
            return;
    } else if (!written) {
        // Another program shortened the file while the question was open.
        recordVanished(
            QStringLiteral("módosítandó"),
            QStringLiteral("Az adatállomány nem változott; a mezők tartalma megmaradt."));
        return;
    }
    Beolvas();
    MezoDel();
}

void frmTelcsi::cmdTorol_Click() {
    if (m_selectedRecord == 0)
        return;
    RecordDeletion deletion(m_store);
    if (const MaybeError err = deletion.begin(m_selectedRecord)) {
        deletion.cancel();
        showStoreError(*err, QStringLiteral("Az adatállomány nem változott."));
        return;
    }
    if (!deletion.hasRecord()) {
        deletion.cancel();
        if (!listShows(m_selectedRecord))
            return;
        recordVanished(QStringLiteral("törlendő"),
                       QStringLiteral("Az adatállomány nem változott."));
        return;
    }
    const QString question = QStringLiteral("Biztos TÖRÖLNI akarod a(z)") + QStringLiteral("\n\r") +
                             deletion.record().rawField(Field::Nev) + QStringLiteral("  tételt ?");
    if (!m_dialogs.askYesNo(QStringLiteral(" TÖRLÉS az adatállományból !"), question)) {
        deletion.cancel();
        return;
    }
    MaybeError err;
    try {
        err = deletion.commit();
    } catch (const std::bad_alloc&) {
        // Only the copy can run out of memory, before it replaces anything.
        m_dialogs.message(programTitle(),
                          QStringLiteral("Nincs elég memória a törléshez.\n\n"
                                         "Az adatállomány nem változott."),
                          Dialogs::Icon::Critical);
        return;
    }
    if (err &&
        !reportChangeError(*err, QStringLiteral("Az adatállomány nem változott."), QString()))
        return;
    Beolvas();
    MezoDel();
}

void frmTelcsi::mnuAdatbazisDel_Click() {
    const QString question = QStringLiteral("Biztos benne hogy TÖRLI \r\n"
                                            "a teljes adatbázist?\r\n"
                                            "\r\n"
                                            "Mehet a TÖRLÉS?");
    if (!m_dialogs.askYesNo(QStringLiteral("Adatbázis törlése"), question))
        return;
    if (const MaybeError err = m_store.removeAll()) {
        if (!reportChangeError(*err, QStringLiteral("Az adatállomány nem változott."), QString()))
            return;
    }
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
    if (!searchSwitch->isChecked())
        return;
    // A search never shows a message about the file: one that cannot be read counts as one
    // without records. Running out of memory is told, and the list is left empty.
    try {
        const FieldMatcher matcher(field, entry->text());
        RecordRows rows = m_model->takeSpareRows();
        qint64 length = 0;
        // A failed read ends the search with the rows found until then.
        (void)m_store.forEachRecord(
            [&](const char* records, qint64 first, qint64 count) {
                rows.addMatching(records, first, count, matcher);
            },
            length);
        // The name search empties the list before it looks at the file; the other three leave
        // the list alone when the file is empty or cannot be opened.
        if (emptyListFirst || length > 0)
            m_model->setRows(std::move(rows));
    } catch (const std::bad_alloc&) {
        listOutOfMemory();
    }
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

namespace {

// The busy pointer over the whole program until the object ends or releases it.
class BusyPointer {
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { release(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

    // Puts the normal pointer back before the object ends, for a message shown meanwhile.
    void release() {
        if (m_shown)
            QApplication::restoreOverrideCursor();
        m_shown = false;
    }

private:
    bool m_shown = true;
};

} // namespace

void frmTelcsi::cmdPrint_Click() {
    const QString title = QStringLiteral("Nyomtatás");
    // Cancel gives an empty heading, and printing goes on.
    const QString heading = m_dialogs.prompt(
        title, QStringLiteral("Kérem adja meg a fejléc szövegét!"), QStringLiteral("Zelvanor"));

    // The rows as the list shows them now, narrowed and sorted as they are.
    QList<qint64> numbers;
    numbers.reserve(m_model->rowCount());
    for (int row = 0; row < m_model->rowCount(); ++row)
        numbers.append(m_model->recordNumber(row));

    Printers& printers = m_desktop.printers;
    const QString printerName = printers.defaultPrinterName();
    QString pdfPath;
    if (printerName.isEmpty()) {
        if (!m_dialogs.askYesNo(title, QStringLiteral("Nincs nyomtató telepítve a gépen.\n\n"
                                                      "Elmenti a listát PDF-fájlba?")))
            return;
        pdfPath = m_dialogs.saveFileName(QStringLiteral("*.pdf"), QString());
        if (pdfPath.isEmpty())
            return;
    }

    // Printing only reads the data file, and never writes a PDF over it.
    DataFile file;
    MaybeError err = file.open(m_store.dataPath(), DataFile::Access::Read);
    if (!err && !pdfPath.isEmpty())
        err = refuseDataFile(file, pdfPath);
    if (err) {
        showStoreError(*err, QStringLiteral("A lista nem került nyomtatásra."));
        return;
    }

    BusyPointer busy;

    const QString target =
        pdfPath.isEmpty()
            ? QStringLiteral("A(z) „%1” nyomtatón nem sikerült nyomtatni.").arg(printerName)
            : QStringLiteral("A(z) „%1” PDF-fájl nem készült el.")
                  .arg(QDir::toNativeSeparators(pdfPath));
    auto failed = [&](const QString& reason) {
        busy.release();
        m_dialogs.message(title, target + QStringLiteral("\n\n") + reason, Dialogs::Icon::Critical);
    };

    QString reason;
    std::unique_ptr<PrintCanvas> canvas =
        pdfPath.isEmpty() ? printers.openDefaultPrinter(programTitle(), reason)
                          : printers.openPdfFile(pdfPath, programTitle(), reason);
    if (!canvas) {
        (void)file.close();
        failed(reason);
        return;
    }

    ListPrintout printout(*canvas, heading,
                          QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));
    const MaybeError readError =
        printout.print(numbers, [&file](qint64 n, Record& record, bool& found) {
            return file.readRecord(n, record, found);
        });
    if (readError) {
        canvas->abort();
        (void)file.close();
        busy.release();
        showStoreError(*readError, QStringLiteral("A nyomtatás félbeszakadt."));
        return;
    }
    const bool ended = canvas->endDocument();
    (void)file.close();
    if (!ended)
        failed(canvas->errorReason());
}

namespace {

// The dialogs' preset name, which a cancelled dialog gives back.
const QString kCsvPattern = QStringLiteral("*.csv");
const QString kVcfPattern = QStringLiteral("*.vcf");

// The name a file dialog gave, without the blanks around it (only blanks, as in the stored
// fields); empty when the dialog was cancelled, which gives the preset back.
QString chosenName(const QString& name, const QString& preset) {
    const QString trimmed = trimBlanks(name);
    return trimmed == preset ? QString() : trimmed;
}

} // namespace

ImportResult frmTelcsi::runImport(const QString& what,
                                  const std::function<ImportResult()>& import) {
    ImportResult result;
    {
        const BusyPointer busy;
        result = import();
        // After a failed rollback the list shows what the file now holds.
        if (!result.error || !result.dataUnchanged)
            Beolvas();
    }
    if (result.error && result.error->state == StoreError::State::ChangedNotSynced)
        reportExchangeError(*result.error, what);
    else if (result.error)
        showStoreError(*result.error,
                       result.dataUnchanged
                           ? what + QStringLiteral(" nem történt meg; az adatbázis nem változott.")
                           : what + QStringLiteral(" nem történt meg, és az adatbázis "
                                                   "visszaállítása sem sikerült."));
    return result;
}

void frmTelcsi::mnuMentCSVbe_Click() {
    const QString name = chosenName(m_dialogs.saveFileName(kCsvPattern, kCsvPattern), kCsvPattern);
    if (name.isEmpty())
        return;
    if (const MaybeError err = exportCsv(m_store, name)) {
        reportExchangeError(*err, QStringLiteral("Az adatbázis mentése"));
        return;
    }
    m_dialogs.message(QStringLiteral("Adatbázis mentése"),
                      QStringLiteral("Az adatbázis mentése megtörtént."),
                      Dialogs::Icon::Information);
}

void frmTelcsi::mnuImport_Click() {
    const QString name = m_dialogs.openFileName(kCsvPattern, kCsvPattern);
    if (name == kCsvPattern)
        return;
    const ImportResult result = runImport(QStringLiteral("Az importálás"), [this, &name] {
        const ImportResult r = importCsv(m_store, name);
        QDir::setCurrent(m_store.folder());
        return r;
    });
    if (result.error)
        return;
    m_dialogs.message(QStringLiteral("Adatbázis importálása"),
                      QStringLiteral("Az adatbázis importálása befejeződött.\r\n"
                                     "\r\n"
                                     "Ha a listamezőben az adatbázis nem megfelelő,\r\n"
                                     "törölje az adatbázist és ellenőrízze a ''csv'' fájlt,\r\n"
                                     "majd indítsa el újra az importálást."),
                      Dialogs::Icon::Information);
}

void frmTelcsi::mnuVCardImport_Click() {
    const QString name = chosenName(
        m_dialogs.openFileName(QStringLiteral("vCard (*.vcf *.vcard)"), kVcfPattern), kVcfPattern);
    if (name.isEmpty())
        return;
    const ImportResult result = runImport(QStringLiteral("A névjegyek importálása"),
                                          [this, &name] { return importVCard(m_store, name); });
    if (result.error)
        return;
    m_dialogs.message(QStringLiteral("Névjegyek importálása"),
                      QStringLiteral("A névjegyek importálása befejeződött.\n"
                                     "%1 névjegy került az adatbázisba.")
                          .arg(result.added),
                      Dialogs::Icon::Information);
}

void frmTelcsi::mnuVCardExport_Click() {
    const QString name = chosenName(m_dialogs.saveFileName(kVcfPattern, kVcfPattern), kVcfPattern);
    if (name.isEmpty())
        return;
    qint64 count = 0;
    MaybeError err;
    {
        const BusyPointer busy;
        err = exportVCard(m_store, name, &count);
    }
    if (err) {
        reportExchangeError(*err, QStringLiteral("A névjegyek mentése"));
        return;
    }
    m_dialogs.message(QStringLiteral("Névjegyek exportálása"),
                      QStringLiteral("A névjegyek mentése megtörtént.\n"
                                     "%1 névjegy került a fájlba.")
                          .arg(count),
                      Dialogs::Icon::Information);
}

void frmTelcsi::mnuHelp_Click() {
    // Built anew for each opening, so that it is centred every time.
    frmImport help;
    help.exec();
}
