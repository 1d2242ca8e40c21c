#include "windows/frmtelcsi.h"

#include "forms/programtitle.h"
#include "list/recordlistmodel.h"
#include "platform/dialogs.h"
#include "platform/launch.h"
#include "windows/frmabout.h"
#include "windows/frmaccount.h"
#include "windows/frmimport.h"
#include "windows/recordlistview.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>

#include <array>

static void initResources() {
    Q_INIT_RESOURCE(zelvanor);
}

frmTelcsi::frmTelcsi(const QString& dataFolder, const Desktop& desktop, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint)
    , m_store(dataFolder)
    , m_desktop(desktop)
    , m_dialogs(desktop.dialogs)
    // Owned by the window from its body on: a child added here would reach event() before
    // the window's own members are made.
    , m_model(new RecordListModel)
    , m_errors(m_dialogs, [this] { Beolvas(); })
    , m_list(m_store, *m_model, m_errors)
    , m_records(m_store, m_dialogs, m_errors, [this](qint64 n) { return m_list.shows(n); })
    , m_print(m_store, m_dialogs, desktop.printers, m_errors)
    , m_exchange(m_store, m_dialogs, m_errors, [this] { Beolvas(); })
    , m_sync(m_store, m_dialogs, desktop.passwords, m_errors, [this] { Beolvas(); }) {
    m_model->setParent(this);
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
    for (const auto& entry : entries())
        entry.first->setText(QString());
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
    // A record that another program has removed since the list was read shows as empty. The
    // postcode keeps the blanks it is stored with.
    for (const auto& [entry, field] : entries())
        entry->setText(field == Field::Irszam ? record.rawField(field)
                                              : record.displayField(field));
    Felirat2->setText(record.displayField(Field::Tel1));
    Felirat3->setText(record.displayField(Field::Tel2));
    sizeColumn(ListColumn::Nev);
}

void frmTelcsi::mnuKilep_Click() {
    if (m_dialogs.askYesNo(QStringLiteral(" Kilépés "),
                           QStringLiteral("Biztos hogy Befejezed?\r\n\r\n")))
        close();
}

std::array<std::pair<QLineEdit*, Field>, kFieldCount> frmTelcsi::entries() const {
    return {{{txNev, Field::Nev},
             {txCim, Field::Cim},
             {txTel1, Field::Tel1},
             {txTel2, Field::Tel2},
             {txMegj, Field::Megj},
             {txtMail, Field::Mail},
             {txTelepules, Field::Telepules},
             {txIrszam, Field::Irszam},
             {txWeb, Field::Web}}};
}

Record frmTelcsi::recordFromFields() const {
    Record r;
    for (const auto& [entry, field] : entries())
        r.setField(field, entry->text());
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

void frmTelcsi::mnuFiok_Click() {
    m_sync.editAccount(
        [this](const SyncCommands::AccountEdit& shown) -> std::optional<SyncCommands::AccountEdit> {
            const cardsync::SyncAccount& a = shown.account;
            const AccountFields initial{a.server,          a.user,
                                        shown.password,    a.addressBook,
                                        a.addressBookName, a.trustedCertificate,
                                        a.plainHttpAllowed};
            // Made anew for every opening, so that it starts as it was designed.
            frmAccount window(initial, m_desktop, this);
            if (window.exec() != QDialog::Accepted)
                return std::nullopt;
            const AccountFields f = window.fields();
            return SyncCommands::AccountEdit{{f.server, f.user, f.addressBook, f.addressBookName,
                                              f.trustedCertificate, f.plainHttpAllowed},
                                             f.password};
        });
}

void frmTelcsi::mnuSzinkron_Click() {
    m_sync.synchronize();
}

void frmTelcsi::mnuHelp_Click() {
    // Built anew for each opening, so that it is centred every time.
    frmImport help;
    help.exec();
}
