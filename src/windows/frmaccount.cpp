#include "windows/frmaccount.h"

#include "platform/dialogs.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <initializer_list>

using cardsync::AddressBook;
using cardsync::DavResult;
using form::place;
using form::spoken;

namespace {

QString windowCaption() {
    return QStringLiteral("Szinkronizálási fiók");
}

// What the list shows of an address book: its display name, or where it has none, the last
// part of its address.
QString bookName(const AddressBook& book) {
    if (!book.displayName.trimmed().isEmpty())
        return book.displayName;
    const QString name = book.url.adjusted(QUrl::StripTrailingSlash).fileName();
    return name.isEmpty() ? book.url.toDisplayString() : name;
}

bool isWeb(const QUrl& url) {
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == QLatin1StringView("https") ||
            url.scheme() == QLatin1StringView("http"));
}

// The address as typed, with https where no scheme is written.
QUrl typedAddress(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    return QUrl(t.contains(QLatin1StringView("://")) ? t : QStringLiteral("https://") + t,
                QUrl::StrictMode);
}

} // namespace

frmAccount::frmAccount(const AccountFields& initial, const Desktop& desktop, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
    , m_desktop(desktop) {
    setObjectName(QStringLiteral("frmAccount"));
    setWindowTitle(windowCaption());
    setAccessibleName(windowCaption());
    setFont(form::dialogFont(8.25));
    setFixedSize(form::twips(6600), form::twips(3420));
    setSizeGripEnabled(false);
    buildControls();

    txServer->setText(initial.server.toDisplayString());
    txUser->setText(initial.user);
    txPassword->setText(initial.password);
    if (!initial.addressBook.isEmpty())
        cboCimjegyzek->addItem(bookName({initial.addressBook, initial.addressBookName}),
                               initial.addressBook);

    // A home server's own certificate is asked about once, showing its fingerprint.
    m_client.setCertificateTrust(initial.trustedCertificate,
                                 [this](const QByteArray&, const QString& question) {
                                     return m_desktop.dialogs.askYesNo(windowCaption(), question);
                                 });
    m_plainHttpAllowed = initial.plainHttpAllowed;
    m_client.setPlainHttpAllowed(m_plainHttpAllowed);
}

void frmAccount::buildControls() {
    auto label = [this](const QString& text, const char* name, int top, QWidget* buddy) {
        auto* l = place(new QLabel(text, this), name, spoken(text), 120, top + 45, 1560, 255);
        l->setBuddy(buddy);
        return l;
    };
    txServer =
        form::entry(this, "txServer", QStringLiteral("Szerver címe"), 1740, 150, 4695, 315, 2048);
    txServer->setPlaceholderText(QStringLiteral("https://dav.example.org/"));
    txUser =
        form::entry(this, "txUser", QStringLiteral("Felhasználónév"), 1740, 570, 3000, 315, 256);
    txPassword =
        form::entry(this, "txPassword", QStringLiteral("Jelszó"), 1740, 990, 3000, 315, 1024);
    txPassword->setEchoMode(QLineEdit::Password);
    label(QStringLiteral("&Szerver címe:"), "lblServer", 150, txServer);
    label(QStringLiteral("&Felhasználónév:"), "lblUser", 570, txUser);
    label(QStringLiteral("&Jelszó:"), "lblPassword", 990, txPassword);

    cmdKeres = form::button(new QPushButton(QStringLiteral("Címjegyzékek &keresése"), this),
                            "cmdKeres", 1740, 1410, 2400, 345);

    cboCimjegyzek = place(new QComboBox(this), "cboCimjegyzek", QStringLiteral("Címjegyzék"), 1740,
                          1890, 4695, 315);
    label(QStringLiteral("&Címjegyzék:"), "lblCimjegyzek", 1890, cboCimjegyzek);
    lblAllapot = place(new QLabel(this), "lblAllapot", QString(), 1740, 2280, 4695, 255);

    cmdOK =
        form::button(new QPushButton(QStringLiteral("OK"), this), "cmdOK", 3870, 2850, 1215, 345);
    cmdOK->setDefault(true);
    cmdMegse = form::button(new QPushButton(QStringLiteral("Mégse"), this), "cmdMegse", 5220, 2850,
                            1215, 345);

    setTabOrder(txServer, txUser);
    setTabOrder(txUser, txPassword);
    setTabOrder(txPassword, cmdKeres);
    setTabOrder(cmdKeres, cboCimjegyzek);
    setTabOrder(cboCimjegyzek, cmdOK);
    setTabOrder(cmdOK, cmdMegse);
    txServer->setFocus();

    connect(cmdKeres, &QPushButton::clicked, this, &frmAccount::cmdKeres_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmAccount::cmdOK_Click);
    connect(cmdMegse, &QPushButton::clicked, this, &frmAccount::reject);
    // The address books found belong to the server and user they were found with.
    connect(txServer, &QLineEdit::textEdited, this, &frmAccount::serverOrUser_Change);
    connect(txUser, &QLineEdit::textEdited, this, &frmAccount::serverOrUser_Change);
}

QUrl frmAccount::serverAddress(const QString& text) {
    const QUrl url = typedAddress(text);
    return isWeb(url) ? url.adjusted(QUrl::RemoveUserInfo) : QUrl();
}

AccountFields frmAccount::fields() const {
    AccountFields f;
    f.server = serverAddress(txServer->text());
    f.user = txUser->text();
    f.password = txPassword->text();
    if (cboCimjegyzek->currentIndex() >= 0) {
        f.addressBook = cboCimjegyzek->currentData().toUrl();
        f.addressBookName = cboCimjegyzek->currentText();
    }
    f.trustedCertificate = m_client.trustedCertificate();
    f.plainHttpAllowed = m_plainHttpAllowed;
    return f;
}

bool frmAccount::checkServer() {
    const QUrl typed = typedAddress(txServer->text());
    if (!isWeb(typed)) {
        showWarning(txServer->text().trimmed().isEmpty()
                        ? QStringLiteral("Adja meg a szerver címét.")
                        : QStringLiteral("A szerver címe nem érvényes.\nPéldául: "
                                         "https://dav.example.org/"));
        txServer->setFocus();
        return false;
    }
    // A user name or password written into the address goes to its own field: the address is
    // kept in the settings file, the password never is.
    if (!typed.userInfo().isEmpty()) {
        if (txUser->text().isEmpty())
            txUser->setText(typed.userName());
        if (txPassword->text().isEmpty())
            txPassword->setText(typed.password());
        txServer->setText(typed.adjusted(QUrl::RemoveUserInfo).toDisplayString());
    }
    return true;
}

void frmAccount::cmdKeres_Click() {
    if (!checkServer())
        return;
    const QUrl address = serverAddress(txServer->text());
    // The password would travel unencrypted to another machine: only with the user's consent.
    if (!m_plainHttpAllowed && cardsync::needsPlainHttpConsent(address)) {
        if (!m_desktop.dialogs.askYesNo(windowCaption(), cardsync::plainHttpWarning(address)))
            return;
        m_plainHttpAllowed = true;
        m_client.setPlainHttpAllowed(true);
    }
    m_client.setCredentials(txUser->text(), txPassword->text());
    setSearching(true);
    m_client.discover(address,
                      [this](const DavResult& result, const std::vector<AddressBook>& books) {
                          discovered(result, books);
                      });
}

void frmAccount::discovered(const DavResult& result, const std::vector<AddressBook>& books) {
    setSearching(false);
    if (result.kind == DavResult::Kind::Cancelled) {
        Q_EMIT searchEnded();
        return;
    }
    if (!result.ok()) {
        lblAllapot->clear();
        showWarning(result.message());
    } else if (books.empty()) {
        lblAllapot->clear();
        showWarning(QStringLiteral("A szerveren nem található címjegyzék ennél a "
                                   "felhasználónál."));
    } else {
        // The book chosen before stays chosen when it is still there.
        const QUrl chosen = cboCimjegyzek->currentData().toUrl();
        cboCimjegyzek->clear();
        for (const AddressBook& book : books)
            cboCimjegyzek->addItem(bookName(book), book.url);
        cboCimjegyzek->setCurrentIndex(std::max(0, cboCimjegyzek->findData(chosen)));
        lblAllapot->setText(QStringLiteral("%1 címjegyzék található.").arg(books.size()));
        cboCimjegyzek->setFocus();
    }
    lblAllapot->setAccessibleName(lblAllapot->text());
    Q_EMIT searchEnded();
}

void frmAccount::setSearching(bool searching) {
    if (searching) {
        m_busy.emplace();
        lblAllapot->setText(QStringLiteral("Címjegyzékek keresése..."));
    } else {
        m_busy.reset();
    }
    for (QWidget* w : std::initializer_list<QWidget*>{txServer, txUser, txPassword, cmdKeres,
                                                      cboCimjegyzek, cmdOK})
        w->setEnabled(!searching);
}

void frmAccount::serverOrUser_Change() {
    cboCimjegyzek->clear();
    lblAllapot->clear();
    // The consent was given for the address typed before.
    m_plainHttpAllowed = false;
    m_client.setPlainHttpAllowed(false);
}

void frmAccount::cmdOK_Click() {
    if (!checkServer())
        return;
    if (cboCimjegyzek->currentIndex() < 0) {
        showWarning(QStringLiteral("Válasszon címjegyzéket: a „Címjegyzékek keresése” gomb "
                                   "megkeresi a szerveren."));
        cmdKeres->setFocus();
        return;
    }
    accept();
}

void frmAccount::reject() {
    // A search still running ends here; its answer is no longer wanted.
    m_client.cancelAll();
    QDialog::reject();
}

void frmAccount::showWarning(const QString& text) {
    m_desktop.dialogs.message(windowCaption(), text, Dialogs::Icon::Warning);
}

void frmAccount::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    form::centreOnScreen(this);
}

bool frmAccount::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    // The window manager's frame is known only once the window is on the screen.
    if (m_frameWatch.frameArrived(this, event))
        form::centreOnScreen(this);
    return handled;
}
