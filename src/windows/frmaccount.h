#pragma once

#include "commands/busypointer.h"
#include "forms/formlayout.h"
#include "platform/desktop.h"
#include "sync/carddavclient.h"

#include <QDialog>
#include <QString>
#include <QUrl>

#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// What the account window shows and gives back: the server, the user and the address book the
// register is synced with.
struct AccountFields {
    QUrl server;
    QString user;
    QString password;
    QUrl addressBook;
    QString addressBookName;
    // The server certificate the user chose to trust (SHA-256, hex), and the user's consent to
    // plain http to another machine.
    QByteArray trustedCertificate;
    bool plainHttpAllowed = false;
};

// The sync account: server address, user name, password, and the address book, found on the
// server by its display name or given by its own address. The window keeps nothing itself:
// its caller stores the fields when it ends with OK.
class frmAccount final : public QDialog {
    Q_OBJECT
public:
    frmAccount(const AccountFields& initial, const Desktop& desktop, QWidget* parent = nullptr);

    // The fields as they stand; after OK, as they were accepted.
    AccountFields fields() const;

    // A server address as the user types it: without a scheme, https; an invalid or
    // non-web address gives an invalid URL. A user name and password written into the address
    // are left out.
    static QUrl serverAddress(const QString& text);

public Q_SLOTS:
    void reject() override;

Q_SIGNALS:
    // The search for the address books has ended, found or not.
    void searchEnded();

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    void buildControls();
    void cmdKeres_Click();
    void cmdOK_Click();
    void serverOrUser_Change();
    bool checkServer();
    void discovered(const cardsync::DavResult& result,
                    const std::vector<cardsync::AddressBook>& books);
    void setSearching(bool searching);
    void showWarning(const QString& text);

    Desktop m_desktop;
    form::FrameWatch m_frameWatch;
    cardsync::CardDavClient m_client;
    bool m_plainHttpAllowed = false;
    std::optional<BusyPointer> m_busy;

    QLineEdit* txServer = nullptr;
    QLineEdit* txUser = nullptr;
    QLineEdit* txPassword = nullptr;
    QPushButton* cmdKeres = nullptr;
    QComboBox* cboCimjegyzek = nullptr;
    QLabel* lblAllapot = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdMegse = nullptr;
};
