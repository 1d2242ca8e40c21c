// Szinkronizálás from the main window: the account kept beside Telefon.dat, the password asked
// once where no keyring holds it, the progress window that can cancel the run, the one
// message at the end, and the list read again; against a real Radicale.
#include "contacttokens.h"
#include "radicaleserver.h"
#include "sync/syncaccount.h"
#include "sync/syncrun.h"
#include "windowharness.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using Kind = ScriptedDialogs::Kind;

class tst_syncwindow : public QObject {
    Q_OBJECT
    RadicaleServer m_radicale;
    int m_books = 0;

private Q_SLOTS:
    void initTestCase() { QCOMPARE(m_radicale.start({{u"anna"_s, u"titok"_s}}), QString()); }
    void synchronize_data();
    void synchronize();
};

void tst_syncwindow::synchronize_data() {
    QTest::addColumn<bool>("account");
    QTest::addColumn<QString>("password"); // typed when asked; empty: the prompt is cancelled
    QTest::addColumn<QString>("cancelAt"); // a part of the progress step where Cancel is pressed
    QTest::addColumn<int>("icon");         // of the last message
    QTest::addColumn<QString>("message");  // a part of it
    QTest::addColumn<int>("cardsAfter");   // on the server; -1: not looked at

    cardsync::SyncCounts two;
    two.newThere = 2;
    const QString summary = cardsync::syncSummary(two);
    const int info = int(Dialogs::Icon::Information);
    QTest::newRow("no account yet")
        << false << QString() << QString() << info << u"Szinkronizálási fiók"_s << -1;
    QTest::newRow("first sync") << true << u"titok"_s << QString() << info << summary << 2;
    QTest::newRow("password prompt cancelled")
        << true << QString() << QString() << -1 << QString() << 0;
    QTest::newRow("wrong password")
        << true << u"rossz"_s << QString() << int(Dialogs::Icon::Critical) << u"jelszó"_s << 0;
    QTest::newRow("cancelled while listing")
        << true << u"titok"_s << u"listázása"_s << info << u"megszakadt"_s << 0;
}

void tst_syncwindow::synchronize() {
    QFETCH(bool, account);
    QFETCH(QString, password);
    QFETCH(QString, cancelAt);
    QFETCH(int, icon);
    QFETCH(QString, message);
    QFETCH(int, cardsAfter);

    QByteArray two;
    for (const Record& r : contacts(u"A B"_s))
        two.append(r.data(), kRecordSize);
    WindowHarness h(two);
    const QString name = u"konyv%1"_s.arg(++m_books);
    const QUrl book = m_radicale.addAddressBook(u"anna"_s, name, name);
    if (account)
        QVERIFY(!cardsync::writeSyncAccount(
            cardsync::syncAccountPath(h.window().store()),
            cardsync::SyncAccount{book, u"anna"_s, book, name, {}, false}));
    h.dialogs().queueText(password);
    h.dialogs().cancelAtStep(cancelAt);

    h.press(u"mnuSzinkron"_s);

    QCOMPARE(h.dialogs().count(Kind::Password), account ? 1 : 0);
    QVERIFY(!h.dialogs().progressOpen());
    QCOMPARE(h.dialogs().count(Kind::Message), icon < 0 ? 0 : 1);
    if (icon >= 0) {
        const ScriptedDialogs::Shown shown = h.dialogs().last(Kind::Message);
        QCOMPARE(int(shown.icon), icon);
        QVERIFY2(shown.text.contains(message), qPrintable(shown.text));
    }
    // The register is never changed by a sync that only sends it: its bytes stay.
    QCOMPARE(readFile(h.dataPath()), two);
    if (icon == int(Dialogs::Icon::Critical)) {
        // A refused password is asked for again at the next sync.
        h.press(u"mnuSzinkron"_s);
        QCOMPARE(h.dialogs().count(Kind::Password), 2);
    }
    if (cardsAfter < 0)
        return;
    cardsync::CardDavClient client;
    client.setCredentials(u"anna"_s, u"titok"_s);
    std::optional<int> cards;
    client.listCards(book,
                     [&](const cardsync::DavResult& r, const std::vector<cardsync::CardRef>& refs) {
                         cards = r.ok() ? int(refs.size()) : -1;
                     });
    QTRY_VERIFY(cards.has_value());
    QCOMPARE(*cards, cardsAfter);
    if (cardsAfter == 0)
        return;
    // A second sync finds nothing to do, and asks for no password: the run keeps it.
    h.dialogs().clear();
    h.press(u"mnuSzinkron"_s);
    QCOMPARE(h.dialogs().count(Kind::Password), 0);
    QCOMPARE(h.dialogs().last(Kind::Message).text, cardsync::syncSummary({}));
}

QTEST_MAIN(tst_syncwindow)
#include "tst_syncwindow.moc"
