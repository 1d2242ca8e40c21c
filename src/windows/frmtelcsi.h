#pragma once

#include "commands/errorreport.h"
#include "commands/exchangecommands.h"
#include "commands/listcommands.h"
#include "commands/printjob.h"
#include "commands/recordcommands.h"
#include "commands/synccommands.h"
#include "forms/formlayout.h"
#include "platform/desktop.h"
#include "store/datastore.h"
#include "store/record.h"

#include <QMainWindow>

#include <array>
#include <utility>

class Dialogs;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class RecordListModel;
class RecordListView;

// The main window: the entry fields of one contact, the search switches, the record list and
// the commands that store, change and remove contacts.
class frmTelcsi final : public QMainWindow {
    Q_OBJECT
public:
    // dataFolder holds Telefon.dat; desktop answers every question the window asks and carries
    // out what it hands to the desktop.
    frmTelcsi(const QString& dataFolder, const Desktop& desktop, QWidget* parent = nullptr);
    ~frmTelcsi() override;

    // The record number of the row clicked last, 0 before the first click.
    qint64 selectedRecord() const { return m_selectedRecord; }
    RecordListModel* listModel() const { return m_model; }
    const DataStore& store() const { return m_store; }

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    void buildControls();
    void buildMenu();
    void setTabOrderChain();
    void placeWindow();
    // Gives a column of the list its designed width.
    void sizeColumn(int column);

    void Form_Load();
    void Beolvas();
    void MezoDel();

    void mnuKilep_Click();
    void cmdLista_Click();
    void cmdMezoDel_Click();
    void ListView1_ColumnClick(int column);
    void ListView1_ItemClick(int row);
    void cmdRogzit_Click();
    void cmdModosit_Click();
    void cmdTorol_Click();
    void mnuAdatbazisDel_Click();
    void mnuMentCSVbe_Click();
    void mnuImport_Click();
    void mnuHelp_Click();
    void mnuVCardImport_Click();
    void mnuVCardExport_Click();
    void mnuFiok_Click();
    void mnuSzinkron_Click();
    void txNev_Change();
    void txCim_Change();
    void txTelepules_Change();
    void txMegj_Change();
    void Command1_Click();
    void Command2_Click();
    void mnuAbout_Click();
    void cmdPrint_Click();

    // The one search routine behind the four change handlers.
    void searchList(const QCheckBox* searchSwitch, const QLineEdit* entry, Field field,
                    bool emptyListFirst);
    // The entry fields and the record fields they hold.
    std::array<std::pair<QLineEdit*, Field>, kFieldCount> entries() const;
    Record recordFromFields() const;

    DataStore m_store;
    Desktop m_desktop;
    Dialogs& m_dialogs;
    RecordListModel* m_model;
    // What the buttons and menu items do; the window hands them the fields and the list.
    ErrorReport m_errors;
    ListCommands m_list;
    RecordCommands m_records;
    PrintJob m_print;
    ExchangeCommands m_exchange;
    SyncCommands m_sync;
    qint64 m_selectedRecord = 0;
    bool m_placed = false;
    form::FrameWatch m_frameWatch;

    RecordListView* ListView1 = nullptr;
    QLineEdit* txNev = nullptr;
    QLineEdit* txCim = nullptr;
    QLineEdit* txTel1 = nullptr;
    QLineEdit* txTel2 = nullptr;
    QLineEdit* txMegj = nullptr;
    QLineEdit* txtMail = nullptr;
    QLineEdit* txWeb = nullptr;
    QLineEdit* txTelepules = nullptr;
    QLineEdit* txIrszam = nullptr;
    QPushButton* cmdRogzit = nullptr;
    QPushButton* cmdModosit = nullptr;
    QPushButton* cmdTorol = nullptr;
    QPushButton* cmdMezoDel = nullptr;
    QPushButton* cmdLista = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* cmdPrint = nullptr;
    QCheckBox* Check1 = nullptr;
    QCheckBox* Check2 = nullptr;
    QCheckBox* Check3 = nullptr;
    QCheckBox* Check4 = nullptr;
    QLabel* Felirat2 = nullptr;
    QLabel* Felirat3 = nullptr;
};
