#include "contacttokens.h"
#include "radicaleserver.h"
#include "relayserver.h"
#include "sync/cardedit.h"
#include "sync/syncrun.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace cardsync;

namespace {

// What a phone keeps on its cards that the register cannot hold; "#" marks a card with it.
const QByteArray kExtras = "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQ==\r\nBDAY:1980-05-17\r\n";

// The server may order the lines as it likes, and XML turns their ends into line feeds.
bool hasExtras(const QByteArray& vcard) {
    return std::ranges::all_of(kExtras.trimmed().split('\r'), [&](const QByteArray& line) {
        return vcard.contains(line.trimmed());
    });
}

template <typename Fn> void waitFor(Fn done) {
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Between the run and the server: counts the requests, and from the n-th on, for a number of
// requests, either answers 500 without passing the request on, or passes it on and ends the
// connection after the answer's status line. It can also stand for a server that knows no
// sync-collection report.
class FaultProxy : public RelayServer {
public:
    int requests = 0;
    int failAt = 0;
    int failing = 1;
    bool drop = false;
    bool noSyncReport = false;

    using RelayServer::RelayServer;

protected:
    Decision request(QByteArray& head) override {
        ++requests;
        if (noSyncReport && head.startsWith("REPORT") && head.contains("\r\nDepth: 0"))
            return {answer("501 Not Implemented")};
        const bool fail = failAt > 0 && requests >= failAt && requests < failAt + failing;
        if (fail && !drop)
            return {answer("500 Internal Server Error")};
        return {{}, fail};
    }

private:
    static QByteArray answer(const QByteArray& status) {
        return "HTTP/1.1 " + status + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    }
};

} // namespace

class TestSyncRun : public QObject {
    Q_OBJECT

    RadicaleServer m_radicale;
    QNetworkAccessManager m_phone;
    QTemporaryDir m_dir;
    int m_books = 0;
    QString m_folder;
    QUrl m_book;

    // A new register and an empty address book, both reached through base.
    void fresh(const QUrl& base) {
        // A name that needs percent-encoding in the address.
        const QString name = u"névjegyek %1"_s.arg(++m_books);
        m_folder = m_dir.filePath(name);
        QDir().mkpath(m_folder);
        m_book = base.resolved(m_radicale.addAddressBook(u"anna"_s, name, name).path());
    }

    SyncResult sync(const QString& answer = {}, int* asked = nullptr) {
        SyncAccount account{m_book, u"anna"_s, m_book, {}, {}, false};
        SyncRun run(DataStore(m_folder), account, u"titok"_s);
        run.setConfirm([&](const QString&) {
            if (asked)
                ++*asked;
            return answer == u"yes"_s;
        });
        std::optional<SyncResult> result;
        connect(&run, &SyncRun::finished, this, [&](const SyncResult& r) { result = r; });
        run.start();
        waitFor([&]() { return result.has_value(); });
        return *result;
    }

    void writeRegister(const QString& tokens) {
        QFile file(DataStore(m_folder).dataPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (const Record& r : contacts(tokens))
            file.write(r.data(), kRecordSize);
    }

    // A request of the phone, straight to the server.
    void phone(const QByteArray& verb, const QString& href, const QByteArray& body = {}) {
        QNetworkRequest request(m_radicale.url(QUrl(m_book.resolved(QUrl(href))).path()));
        request.setRawHeader("Authorization", "Basic " + QByteArray("anna:titok").toBase64());
        request.setRawHeader("Content-Type", "text/vcard; charset=utf-8");
        QNetworkReply* reply = m_phone.sendCustomRequest(request, verb, body);
        waitFor([reply]() { return reply->isFinished(); });
        QVERIFY2(reply->error() == QNetworkReply::NoError, qPrintable(reply->errorString()));
        reply->deleteLater();
    }

    // The server's cards by their token, read straight from the server.
    std::map<QString, Card> serverCards() {
        CardDavClient client;
        client.setCredentials(u"anna"_s, u"titok"_s);
        const QUrl book = m_radicale.url(m_book.path());
        std::optional<QStringList> hrefs;
        client.listCards(book, [&](const DavResult&, const std::vector<CardRef>& cards) {
            hrefs = QStringList();
            for (const CardRef& c : cards)
                hrefs->append(c.href);
        });
        waitFor([&]() { return hrefs.has_value(); });
        std::optional<std::map<QString, Card>> found;
        client.fetchCards(book, *hrefs,
                          [&](const DavResult&, const std::vector<Card>& cards, auto) {
                              found.emplace();
                              for (const Card& c : cards)
                                  (*found)[tokenOf(*recordOfCard(c.vcard)) +
                                           (hasExtras(c.vcard) ? u"#"_s : u""_s)] = c;
                          });
        waitFor([&]() { return found.has_value(); });
        return *found;
    }

    // The phone makes the server hold the tokens: it edits a card whose contact changed, writes
    // a new one and deletes a missing one, each card it writes carrying the extras.
    void phoneChanges(const QString& tokens) {
        std::map<QString, Card> cards;
        for (auto& [token, card] : serverCards())
            cards[token.left(1)] = card;
        for (const QString& t : tokens.split(u' ', Qt::SkipEmptyParts)) {
            const Card card = cards[t.left(1)];
            cards.erase(t.left(1));
            const std::optional<Record> was = recordOfCard(card.vcard);
            if (was == contact(t))
                continue;
            QByteArray vcard =
                was ? editCard(card.vcard, *was, contact(t)) : newCard(contact(t), t);
            vcard.insert(vcard.indexOf("END:VCARD"), kExtras);
            phone("PUT", was ? card.href : t + u".vcf"_s, vcard);
        }
        for (const auto& [letter, card] : cards)
            phone("DELETE", card.href);
    }

    QString contents() {
        QStringList here, there;
        DataStore(m_folder).forEachRecord([&](const char* records, qint64, qint64 count) {
            for (qint64 i = 0; i < count; ++i)
                here.append(tokenOf(Record::fromBytes(records + i * kRecordSize)));
        });
        for (const auto& [token, card] : serverCards())
            there.append(token);
        here.sort();
        return here.join(u' ') + u" | "_s + there.join(u' ');
    }

    // The state keeps a token of the right form that the server never gave.
    void forgetToken() {
        const QString path = syncStatePath(DataStore(m_folder));
        SyncState state;
        QVERIFY(!readSyncState(path, state));
        if (state.syncToken.isEmpty())
            return;
        state.syncToken = u"http://radicale.org/ns/sync/"_s + QString(64, u'a');
        QVERIFY(!writeSyncState(path, state));
    }

    // The starting state on both sides, synced, then the changes on each side.
    void prepare(const QString& synced, const QString& here, const QString& there) {
        if (!synced.isEmpty()) {
            writeRegister(synced);
            QVERIFY(sync().ok);
        }
        writeRegister(here);
        phoneChanges(there);
    }

private Q_SLOTS:
    void initTestCase() {
        const QString error = m_radicale.start({{u"anna"_s, u"titok"_s}});
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void scenario_data() {
        QTest::addColumn<QString>("listing");
        QTest::addColumn<QString>("synced");
        QTest::addColumn<QString>("here");
        QTest::addColumn<QString>("there");
        QTest::addColumn<QString>("answer"); // to the deletion question; empty: never asked
        QTest::addColumn<QString>("expected");
        const QString seven = u"A B C D E F G"_s;
        // Each row with the changes since the last sync listed through the server's token, with
        // a token the server no longer knows, and by a server without such a report.
        for (const QString& listing : {u"since token"_s, u"token unknown"_s, u"no sync report"_s}) {
            const auto row = [&](const char* name) -> QTestData& {
                return QTest::addRow("%s, %s", name, qPrintable(listing)) << listing;
            };
            row("first sync, empty address book")
                << u""_s << u"A B"_s << u""_s << u""_s << u"A B | A B"_s;
            row("first sync pairs equal contacts")
                << u""_s << u"A B"_s << u"B C"_s << u""_s << u"A B C | A B# C#"_s;
            row("changed there") << u"A B"_s << u"A B"_s << u"A B'"_s << u""_s << u"A B' | A B'#"_s;
            row("both changed, other fields, extras kept")
                << u"A B"_s << u"A B'"_s << u"A B^"_s << u""_s << u"A B'^ | A B'^#"_s;
            row("both changed one field")
                << u"A B"_s << u"A B'"_s << u"A B''"_s << u""_s << u"A B' B'' | A B' B''#"_s;
            row("changed here, deleted there")
                << u"A B"_s << u"A B'"_s << u"A"_s << u""_s << u"A B' | A B'"_s;
            row("deleted here, changed there")
                << u"A B"_s << u"A"_s << u"A B'"_s << u""_s << u"A B' | A B'#"_s;
            row("all kinds at once") << u"A B C D"_s << u"A C' D X"_s << u"A B^ C D Y"_s << u""_s
                                     << u"A B^ C' D X Y | A B^# C' D X Y#"_s;
            row("register emptied, kept")
                << seven << u""_s << seven << u"no"_s << u" | A B C D E F G"_s;
            row("register emptied, agreed") << seven << u""_s << seven << u"yes"_s << u" | "_s;
            row("address book emptied, kept")
                << seven << seven << u""_s << u"no"_s << u"A B C D E F G | "_s;
            row("address book emptied, agreed") << seven << seven << u""_s << u"yes"_s << u" | "_s;
        }
    }

    // One sync leaves both sides as expected, and a second one changes nothing.
    void scenario() {
        QFETCH(QString, listing);
        QFETCH(QString, synced);
        QFETCH(QString, here);
        QFETCH(QString, there);
        QFETCH(QString, answer);
        QFETCH(QString, expected);
        FaultProxy proxy(static_cast<quint16>(m_radicale.url({}).port()));
        proxy.noSyncReport = listing == u"no sync report"_s;
        fresh(QUrl(u"http://127.0.0.1:%1/"_s.arg(proxy.serverPort())));
        prepare(synced, here, there);
        if (listing == u"token unknown"_s)
            forgetToken();
        int asked = 0;
        const SyncResult first = sync(answer, &asked);
        QCOMPARE(asked, answer.isEmpty() ? 0 : 1);
        QVERIFY2(first.ok == (answer != u"no"_s), qPrintable(first.error));
        QCOMPARE(contents(), expected);
        proxy.requests = 0;
        const SyncResult second = sync(answer);
        QCOMPARE(syncSummary(second.counts), syncSummary({}));
        QCOMPARE(contents(), expected);
        // Nothing changed: one report tells it, where the server has it, sent twice as the
        // server first asks for the password.
        if (answer != u"no"_s)
            QCOMPARE(proxy.requests, proxy.noSyncReport ? 3 : 2);
    }

    void interrupted_data() {
        QTest::addColumn<bool>("drop");
        QTest::addColumn<int>("failing");
        QTest::newRow("server error") << false << 1;
        // Sent again by the network classes, a write already made meets a changed card.
        QTest::newRow("connection dropped once") << true << 1;
        QTest::newRow("connection lost") << true << 3;
    }

    // Cut at every request, the next sync ends where an uninterrupted one does.
    void interrupted() {
        QFETCH(bool, drop);
        QFETCH(int, failing);
        FaultProxy proxy(static_cast<quint16>(m_radicale.url({}).port()));
        proxy.drop = drop;
        proxy.failing = failing;
        const QUrl base(u"http://127.0.0.1:%1/"_s.arg(proxy.serverPort()));
        const auto prepared = [&]() {
            fresh(base);
            prepare(u"A B C D"_s, u"A C' D X"_s, u"A B^ C D Y"_s);
            proxy.requests = 0;
        };
        prepared();
        QVERIFY(sync().ok);
        const int requests = proxy.requests;
        const QString expected = contents();
        for (int n = 1; n <= requests; ++n) {
            prepared();
            proxy.failAt = n;
            const SyncResult cut = sync();
            proxy.failAt = 0;
            // A request the network classes sent again may have passed.
            QVERIFY(cut.ok || (!cut.error.isEmpty() && !cut.registerChanged));
            QVERIFY2(sync().ok, qPrintable(QString::number(n)));
            QVERIFY2(contents() == expected, qPrintable(QString::number(n) + contents()));
            QCOMPARE(syncSummary(sync().counts), syncSummary({}));
        }
    }

    // Killed before any of its file-system calls, the next sync ends where one uninterrupted
    // sync does: in particular between the register's changes and before the state's.
    void killed() {
        const auto run = [this](long killAt) {
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(u"SYNC_KILL_AT"_s, QString::number(killAt));
            child.setProcessEnvironment(env);
            child.start(QStringLiteral(SYNC_CHILD), {m_folder, m_book.toString()});
            child.waitForFinished(-1);
            return child.readAllStandardOutput().trimmed().toLong();
        };
        const auto prepared = [this]() {
            fresh(m_radicale.url({}));
            prepare(u"A B C D E"_s, u"A B C' D X"_s, u"A B^ C E Y"_s);
        };
        prepared();
        const long calls = run(0);
        QVERIFY(calls > 0);
        const QString expected = contents();
        for (long n = 1; n <= calls; ++n) {
            prepared();
            run(n);
            QVERIFY2(sync().ok, qPrintable(QString::number(n)));
            QVERIFY2(contents() == expected, qPrintable(QString::number(n) + contents()));
            QCOMPARE(syncSummary(sync().counts), syncSummary({}));
        }
    }

    void account() {
        const QString path = m_dir.filePath(u"Telefon.account"_s);
        std::optional<SyncAccount> read;
        QVERIFY(!readSyncAccount(path, read) && !read);
        const SyncAccount account{QUrl(u"https://dav.example/"_s),
                                  u"Kovács Éva"_s,
                                  QUrl(u"https://dav.example/eva/n%C3%A9vjegyek/"_s),
                                  u"Családi névjegyek"_s,
                                  "ab12",
                                  true};
        QVERIFY(!writeSyncAccount(path, account));
        QVERIFY(!readSyncAccount(path, read));
        QCOMPARE(read, account);
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write("user x\n");
        file.close();
        QVERIFY(readSyncAccount(path, read) && !read);
    }
};

QTEST_GUILESS_MAIN(TestSyncRun)
#include "tst_syncrun.moc"
