// The sync account: the window against a real Radicale server, and the passwords where no
// keyring answers.
#include "platform/qtpasswordstore.h"
#include "radicaleserver.h"
#include "standins.h"
#include "windows/frmaccount.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

class tst_account : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        const QString error = m_server.start({{u"anna"_s, u"titok"_s}});
        QVERIFY2(error.isEmpty(), qPrintable(error));
        m_book = m_server.addAddressBook(u"anna"_s, u"csalad"_s, u"Családi névjegyek"_s);
        m_server.addAddressBook(u"anna"_s, u"munka"_s, u"Munkahelyi"_s);
    }

    void discovery_data();
    void discovery();
    void keyringAbsent();

private:
    RadicaleServer m_server;
    QUrl m_book;
    StandIns m_standIns;
};

void tst_account::discovery_data() {
    QTest::addColumn<QString>("path");      // on the server; empty: the address book itself
    QTest::addColumn<bool>("inAddress");    // user and password written into the address
    QTest::addColumn<QString>("password");  // typed into its field
    QTest::addColumn<QStringList>("books"); // listed, by name; none: the search fails
    QTest::newRow("server address")
        << u"/"_s << false << u"titok"_s << QStringList{u"Családi névjegyek"_s, u"Munkahelyi"_s};
    QTest::newRow("address book itself")
        << QString() << false << u"titok"_s << QStringList{u"Családi névjegyek"_s};
    QTest::newRow("credentials in the address")
        << u"/"_s << true << QString() << QStringList{u"Családi névjegyek"_s, u"Munkahelyi"_s};
    QTest::newRow("wrong password") << u"/"_s << false << u"rossz"_s << QStringList();
}

void tst_account::discovery() {
    QFETCH(QString, path);
    QFETCH(bool, inAddress);
    QFETCH(QString, password);
    QFETCH(QStringList, books);
    m_standIns.dialogs.clear();
    QUrl address = path.isNull() ? m_book : m_server.url(path);
    if (inAddress)
        address.setUserInfo(u"anna:titok"_s);

    frmAccount window({}, m_standIns.desktop, nullptr);
    window.show();
    window.findChild<QLineEdit*>(u"txServer"_s)->setText(address.toString());
    window.findChild<QLineEdit*>(u"txUser"_s)->setText(inAddress ? QString() : u"anna"_s);
    window.findChild<QLineEdit*>(u"txPassword"_s)->setText(password);
    QSignalSpy ended(&window, &frmAccount::searchEnded);
    QTest::mouseClick(window.findChild<QPushButton*>(u"cmdKeres"_s), Qt::LeftButton);
    QVERIFY(QApplication::overrideCursor());
    while (ended.isEmpty())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QVERIFY(!QApplication::overrideCursor());

    auto* list = window.findChild<QComboBox*>(u"cboCimjegyzek"_s);
    QStringList listed;
    for (int i = 0; i < list->count(); ++i)
        listed << list->itemText(i);
    listed.sort();
    QCOMPARE(listed, books);
    // The password stays out of the address, which is kept in a file.
    QCOMPARE(window.fields().server, address.adjusted(QUrl::RemoveUserInfo));
    QCOMPARE(window.fields().user, u"anna"_s);
    if (books.isEmpty()) {
        cardsync::DavResult refused;
        refused.kind = cardsync::DavResult::Kind::AuthFailed;
        refused.url = address;
        QCOMPARE(m_standIns.dialogs.last(ScriptedDialogs::Kind::Message).text, refused.message());
        return;
    }
    QCOMPARE(m_standIns.dialogs.count(ScriptedDialogs::Kind::Message), 0);
    QCOMPARE(window.fields().password, u"titok"_s);
    list->setCurrentIndex(list->findText(u"Családi névjegyek"_s));
    QTest::mouseClick(window.findChild<QPushButton*>(u"cmdOK"_s), Qt::LeftButton);
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QCOMPARE(window.fields().addressBook, m_book);
    QCOMPARE(window.fields().addressBookName, u"Családi névjegyek"_s);
}

// No keyring on the session bus (main() points the bus nowhere): the keyring says so instead of
// waiting, and the password given in this run is kept in memory for this run only, for this
// register's account alone.
void tst_account::keyringAbsent() {
    QTemporaryDir here;
    QTemporaryDir other;
    const QUrl server = m_server.url(u"/"_s);
    const QString account = passwordAccount(here.path(), server, u"anna"_s);
    QCOMPARE(passwordAccount(here.path() + u"/"_s, m_server.url(QString()), u"anna"_s), account);

    QtPasswordStore keyring;
    QString error;
    QVERIFY(!keyring.read(account, error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!keyring.write(account, u"titok"_s, error));
    QVERIFY(!error.isEmpty());

    FallbackPasswords passwords(keyring);
    QVERIFY(!passwords.read(account, error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!passwords.write(account, u"titok"_s, error));
    QVERIFY(error.contains(u"kilépésig"_s));
    QCOMPARE(passwords.read(account, error), u"titok"_s);
    QVERIFY(error.isEmpty());
    QVERIFY(!passwords.read(passwordAccount(other.path(), server, u"anna"_s), error));
    QVERIFY(!passwords.read(passwordAccount(here.path(), server, u"bela"_s), error));
    passwords.remove(account, error);
    QVERIFY(!passwords.read(account, error));
}

int main(int argc, char* argv[]) {
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/zelvanor-test-bus");
    QApplication app(argc, argv);
    tst_account test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_account.moc"
