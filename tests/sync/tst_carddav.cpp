#include "radicaleserver.h"
#include "relayserver.h"
#include "sync/carddavclient.h"

#include <QCryptographicHash>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using namespace Qt::StringLiterals;
using cardsync::DavResult;
using Kind = cardsync::DavResult::Kind;

Q_DECLARE_METATYPE(Kind)

namespace {

// The client's calls, each run to its end, giving back what its callback got.
struct Blocking {
    template <typename... Got, typename Call>
    static std::tuple<std::decay_t<Got>...> run(Call call) {
        std::tuple<std::decay_t<Got>...> got;
        QEventLoop loop;
        bool done = false;
        call([&](Got... args) {
            got = {args...};
            done = true;
            loop.quit();
        });
        if (!done)
            loop.exec();
        return got;
    }
    auto discover(const QUrl& address) {
        return run<const DavResult&, const std::vector<cardsync::AddressBook>&>(
            [&](auto done) { client.discover(address, done); });
    }
    auto list(const QUrl& book) {
        return run<const DavResult&, const std::vector<cardsync::CardRef>&>(
            [&](auto done) { client.listCards(book, done); });
    }
    auto changes(const QUrl& book, const QString& token) {
        return run<const DavResult&, const cardsync::CollectionChanges&>(
            [&](auto done) { client.changesSince(book, token, done); });
    }
    auto fetch(const QUrl& book, const QStringList& hrefs) {
        return run<const DavResult&, const std::vector<cardsync::Card>&, const QStringList&>(
            [&](auto done) { client.fetchCards(book, hrefs, done); });
    }
    auto put(const QUrl& book, const QString& href, const QByteArray& vcard, const QString& etag) {
        return run<const DavResult&, const QString&>(
            [&](auto done) { client.putCard(book, href, vcard, etag, done); });
    }
    DavResult remove(const QUrl& book, const QString& href, const QString& etag) {
        return std::get<0>(
            run<const DavResult&>([&](auto done) { client.deleteCard(book, href, etag, done); }));
    }
    cardsync::CardDavClient client;
};

// A server that is none of CardDAV: it answers every request with the same bytes, or never.
class CannedServer : public QTcpServer {
public:
    explicit CannedServer(const QByteArray& answer) {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this, answer]() {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [socket, answer]() {
                    socket->readAll();
                    if (!answer.isEmpty()) {
                        socket->write(answer);
                        socket->disconnectFromHost();
                    }
                });
            }
        });
    }
};

// In front of Radicale as a web server that asks for Digest authentication (MD5, qop=auth)
// would stand: a request that answers the challenge rightly goes on with the password as
// Radicale takes it, any other gets the challenge.
class DigestGate : public RelayServer {
public:
    DigestGate(quint16 target, const QByteArray& user, const QByteArray& password)
        : RelayServer(target)
        , m_user(user)
        , m_password(password) {}

protected:
    Decision request(QByteArray& head) override {
        if (!answers(head, m_user, m_password))
            return {"HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"Zelvanor\", "
                    "nonce=\"6f1c2a\", qop=\"auth\", algorithm=MD5\r\nContent-Length: 0\r\n"
                    "Connection: close\r\n\r\n"};
        QByteArrayList lines;
        for (const QByteArray& line : head.split('\n')) {
            if (!line.toLower().startsWith("authorization:"))
                lines.append(line.trimmed());
        }
        lines.append("Authorization: Basic " + (m_user + ':' + m_password).toBase64());
        head = lines.join("\r\n");
        return {};
    }

private:
    // RFC 7616 with MD5: the response is H(H(user:realm:password):nonce:nc:cnonce:qop:
    // H(method:uri)).
    static bool answers(const QByteArray& head, const QByteArray& user,
                        const QByteArray& password) {
        QHash<QByteArray, QByteArray> p;
        for (const QByteArray& line : head.split('\n')) {
            if (!line.toLower().startsWith("authorization: digest "))
                continue;
            for (const QByteArray& part : line.mid(22).trimmed().split(',')) {
                const qsizetype eq = part.indexOf('=');
                QByteArray value = part.mid(eq + 1).trimmed();
                if (value.startsWith('"'))
                    value = value.mid(1, value.size() - 2);
                p.insert(part.left(eq).trimmed(), value);
            }
        }
        const auto md5 = [](const QByteArray& text) {
            return QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex();
        };
        const QByteArray method = head.left(head.indexOf(' '));
        const QByteArray expected =
            md5(md5(user + ':' + p.value("realm") + ':' + password) + ':' + p.value("nonce") + ':' +
                p.value("nc") + ':' + p.value("cnonce") + ':' + p.value("qop") + ':' +
                md5(method + ':' + p.value("uri")));
        return p.value("username") == user && p.value("nonce") == "6f1c2a" &&
               p.value("response") == expected;
    }

    QByteArray m_user;
    QByteArray m_password;
};

QByteArray httpAnswer(const QByteArray& status, const QByteArray& type, const QByteArray& body) {
    return "HTTP/1.1 " + status + "\r\nContent-Type: " + type +
           "\r\nConnection: close\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\n\r\n" + body;
}

// A server keeps a card's UID for good: another UID at the same address is refused.
QByteArray card(const QByteArray& name, const QByteArray& uid) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + name + "\r\nN:" + name +
           ";;;;\r\nEND:VCARD\r\n";
}

} // namespace

class TestCardDav : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        const QString error = m_server.start({{u"anna"_s, u"titok"_s}, {u"bela"_s, u"masik"_s}});
        QVERIFY2(error.isEmpty(), qPrintable(error));
        m_server.addAddressBook(u"anna"_s, u"konyv"_s, u"Névjegyek"_s);
        m_server.addAddressBook(u"anna"_s, u"munka"_s, u"Munkahelyi"_s);
        m_server.addAddressBook(u"bela"_s, u"sajat"_s, u"Béla névjegyei"_s);
        const QString tlsError = m_tls.start({{u"anna"_s, u"titok"_s}}, true);
        QVERIFY2(tlsError.isEmpty(), qPrintable(tlsError));
        m_tls.addAddressBook(u"anna"_s, u"konyv"_s, u"Névjegyek"_s);
        QProcess openssl;
        openssl.start(u"openssl"_s, {u"x509"_s, u"-noout"_s, u"-fingerprint"_s, u"-sha256"_s,
                                     u"-in"_s, m_tls.certificateFile()});
        QVERIFY(openssl.waitForFinished(-1));
        m_shown = QString::fromLatin1(openssl.readAllStandardOutput()).section(u'=', 1).trimmed();
        m_own = QString(m_shown).remove(u':').toLower().toLatin1();
    }

    // Radicale answers where canned is empty; otherwise a server that answers with those bytes
    // ("silent": never, "closed": a port nobody listens on, "cancelled": never, and the call is
    // cancelled).
    void discover_data() {
        QTest::addColumn<QByteArray>("canned");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("password");
        QTest::addColumn<qint64>("maxSize");
        QTest::addColumn<Kind>("expected");
        QTest::addColumn<QString>("books");
        const QString both = u"Munkahelyi|Névjegyek"_s;
        const QString pw = u"titok"_s;
        const qint64 any = 1 << 20;
        const QByteArray page = httpAnswer("200 OK", "text/html", "<html>Üdvözöljük!</html>");
        const QByteArray broken = httpAnswer("207 Multi-Status", "application/xml",
                                             "<multistatus xmlns=\"DAV:\"><response><href>/a");
        QTest::newRow("server address") << QByteArray() << u"/"_s << pw << any << Kind::Ok << both;
        QTest::newRow("host only") << QByteArray() << u""_s << pw << any << Kind::Ok << both;
        QTest::newRow("principal") << QByteArray() << u"/anna/"_s << pw << any << Kind::Ok << both;
        QTest::newRow("address book itself")
            << QByteArray() << u"/anna/konyv/"_s << pw << any << Kind::Ok << u"Névjegyek"_s;
        QTest::newRow("wrong password")
            << QByteArray() << u"/"_s << u"rossz"_s << any << Kind::AuthFailed << u""_s;
        QTest::newRow("digest") << QByteArray("digest") << u"/"_s << pw << any << Kind::Ok << both;
        QTest::newRow("digest, wrong password")
            << QByteArray("digest") << u"/"_s << u"rossz"_s << any << Kind::AuthFailed << u""_s;
        QTest::newRow("another user's address book")
            << QByteArray() << u"/bela/sajat/"_s << pw << any << Kind::Forbidden << u""_s;
        QTest::newRow("answer too large")
            << QByteArray() << u"/"_s << pw << qint64(100) << Kind::TooLarge << u""_s;
        QTest::newRow("nobody listening")
            << QByteArray("closed") << u"/"_s << pw << any << Kind::Unreachable << u""_s;
        QTest::newRow("web page") << page << u"/"_s << pw << any << Kind::NotCardDav << u""_s;
        QTest::newRow("broken XML") << broken << u"/dav/"_s << pw << any << Kind::BadXml << u""_s;
        QTest::newRow("silent server")
            << QByteArray("silent") << u"/"_s << pw << any << Kind::Timeout << u""_s;
        QTest::newRow("cancelled")
            << QByteArray("cancelled") << u"/"_s << pw << any << Kind::Cancelled << u""_s;
    }

    void discover() {
        QFETCH(QByteArray, canned);
        QFETCH(QString, path);
        QFETCH(QString, password);
        QFETCH(qint64, maxSize);
        QFETCH(Kind, expected);
        QFETCH(QString, books);
        QUrl address = m_server.url(path);
        std::unique_ptr<QTcpServer> other;
        if (canned == "digest") {
            other =
                std::make_unique<DigestGate>(static_cast<quint16>(address.port()), "anna", "titok");
            address.setPort(other->serverPort());
        } else if (!canned.isEmpty()) {
            const bool silent = canned == "silent" || canned == "cancelled";
            other = std::make_unique<CannedServer>(silent ? QByteArray() : canned);
            address.setPort(other->serverPort());
            if (canned == "closed")
                other->close();
        }

        Blocking dav;
        dav.client.setCredentials(u"anna"_s, password);
        dav.client.setTimeout(300);
        dav.client.setMaxResponseSize(maxSize);
        if (canned == "cancelled")
            QTimer::singleShot(0, &dav.client, [&dav]() { dav.client.cancelAll(); });
        const auto [result, list] = dav.discover(address);
        QStringList found;
        for (const cardsync::AddressBook& book : list) {
            found.append(book.displayName);
            QCOMPARE(book.url, address.resolved(QUrl(book.url.path())));
        }
        QCOMPARE(result.kind, expected);
        QVERIFY(result.ok() || !result.message().isEmpty());
        found.sort();
        QCOMPARE(found.join(u'|'), books);
    }

    // Every write names the version it replaces; a card changed meanwhile is left as it is.
    void conditionalWrite_data() {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<Kind>("expected");
        QTest::addColumn<QString>("after");
        QTest::newRow("new card") << u"put"_s << u"none"_s << false << Kind::Ok << u"new"_s;
        QTest::newRow("new card where one is")
            << u"put"_s << u"none"_s << true << Kind::Changed << u"old"_s;
        QTest::newRow("change the version seen")
            << u"put"_s << u"current"_s << true << Kind::Ok << u"new"_s;
        QTest::newRow("change an older version")
            << u"put"_s << u"stale"_s << true << Kind::Changed << u"old"_s;
        QTest::newRow("delete the version seen")
            << u"delete"_s << u"current"_s << true << Kind::Ok << u"gone"_s;
        QTest::newRow("delete an older version")
            << u"delete"_s << u"stale"_s << true << Kind::Changed << u"old"_s;
        QTest::newRow("delete what is gone")
            << u"delete"_s << u"none"_s << false << Kind::NotFound << u"gone"_s;
    }

    void conditionalWrite() {
        QFETCH(QString, operation);
        QFETCH(QString, version);
        QFETCH(bool, exists);
        QFETCH(Kind, expected);
        QFETCH(QString, after);

        const QUrl book =
            m_server.addAddressBook(u"anna"_s, u"w"_s + QString::number(++m_books), u"Írás"_s);
        Blocking dav;
        dav.client.setCredentials(u"anna"_s, u"titok"_s);
        const QString href = book.path() + u"kiss ádám.vcf"_s;
        QString stale, current;
        const auto put = [&](const QByteArray& name, const QString& etag) {
            const auto [result, newEtag] = dav.put(book, href, card(name, "uid-kiss"), etag);
            stale = std::exchange(current, newEtag);
            return result;
        };
        if (exists) {
            QVERIFY(put("first", {}).ok());
            QVERIFY(put("old", current).ok());
        }
        const QString etag = version == u"stale"_s     ? stale
                             : version == u"current"_s ? current
                                                       : u""_s;
        const DavResult result =
            operation == u"put"_s ? put("new", etag) : dav.remove(book, href, etag);
        QCOMPARE(result.kind, expected);

        const auto [fetched, cards, missing] = dav.fetch(book, {href});
        QVERIFY(fetched.ok());
        if (after == u"gone"_s) {
            QCOMPARE(missing, QStringList{href});
            QVERIFY(cards.empty());
        } else {
            QCOMPARE(cards.size(), size_t(1));
            QVERIFY(cards[0].vcard.contains("FN:" + after.toUtf8()));
            // The ETag of a write is the one the server lists afterwards.
            if (expected == Kind::Ok)
                QCOMPARE(cards[0].etag, current);
        }
    }

    // The cards of an address book, and what changed since a sync token.
    void listAndChanges() {
        const QUrl book = m_server.addAddressBook(u"anna"_s, u"lista"_s, u"Lista"_s);
        Blocking dav;
        dav.client.setCredentials(u"anna"_s, u"titok"_s);
        QMap<QString, QString> etags;
        const auto put = [&](const QByteArray& file, const QByteArray& name) {
            const QString href = book.path() + QString::fromUtf8(file) + u".vcf"_s;
            const auto [result, etag] = dav.put(book, href, card(name, "uid-" + file), etags[href]);
            etags[href] = result.ok() ? etag : u"failed"_s;
            return href;
        };
        const QString a = put("a", "a"), b = put("b", "b"), c = put("c", "c");
        const auto [listResult, listed] = dav.list(book);
        QVERIFY(listResult.ok());
        QMap<QString, QString> listedEtags;
        for (const cardsync::CardRef& ref : listed)
            listedEtags[ref.href] = ref.etag;
        QCOMPARE(listedEtags, etags);

        const auto [first, all] = dav.changes(book, {});
        QVERIFY(first.ok());
        QCOMPARE(all.changed.size(), size_t(3));
        put("b", "b changed");
        const QString d = put("d", "d");
        QVERIFY(dav.remove(book, c, etags[c]).ok());
        const auto [second, since] = dav.changes(book, all.syncToken);
        QVERIFY(second.ok());
        QStringList changed;
        for (const cardsync::CardRef& ref : since.changed) {
            changed.append(ref.href);
            QCOMPARE(ref.etag, etags[ref.href]);
        }
        changed.sort();
        QCOMPARE(changed, (QStringList{b, d}));
        QCOMPARE(since.removed, QStringList{c});
        QCOMPARE(std::get<0>(dav.changes(book, u"http://radicale.org/ns/sync/nincs"_s)).kind,
                 Kind::BadSyncToken);

        const auto [fetched, cards, missing] = dav.fetch(book, {a, c, d});
        QVERIFY(fetched.ok());
        QCOMPARE(missing, QStringList{c});
        QCOMPARE(cards.size(), size_t(2));
        QVERIFY(cards[0].vcard.contains("FN:a") || cards[1].vcard.contains("FN:a"));
    }

    // The https server with its own certificate, or the plain one under another host name.
    void security_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QByteArray>("trusted");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<Kind>("expected");
        const QByteArray none, other(64, 'e');
        QTest::newRow("own certificate refused") << u""_s << none << false << Kind::Untrusted;
        QTest::newRow("own certificate accepted") << u""_s << none << true << Kind::Ok;
        QTest::newRow("trusted before") << u""_s << m_own << false << Kind::Ok;
        QTest::newRow("another certificate than before") << u""_s << other << true << Kind::Ok;
        QTest::newRow("plain http elsewhere")
            << u"example.invalid"_s << none << true << Kind::PlainHttp;
        QTest::newRow("plain http to localhost") << u"localhost"_s << none << false << Kind::Ok;
    }

    void security() {
        QFETCH(QString, host);
        QFETCH(QByteArray, trusted);
        QFETCH(bool, yes);
        QFETCH(Kind, expected);
        const bool asked = host.isEmpty() && trusted != m_own;
        QUrl address = (host.isEmpty() ? m_tls : m_server).url(u"/"_s);
        if (!host.isEmpty())
            address.setHost(host);
        Blocking dav;
        dav.client.setCredentials(u"anna"_s, u"titok"_s);
        QByteArrayList fingerprints;
        QString question;
        dav.client.setCertificateTrust(trusted, [&](const QByteArray& sha256, const QString& text) {
            fingerprints.append(sha256);
            question = text;
            return yes;
        });
        QCOMPARE(std::get<0>(dav.discover(address)).kind, expected);
        QCOMPARE(fingerprints, asked ? QByteArrayList{m_own} : QByteArrayList());
        QCOMPARE(question.contains(m_shown), asked);
        QCOMPARE(dav.client.trustedCertificate(), asked && yes ? m_own : trusted);
    }

private:
    RadicaleServer m_server;
    RadicaleServer m_tls;
    QString m_shown;  // its certificate's fingerprint as openssl shows it
    QByteArray m_own; // and in hex
    int m_books = 0;
};

QTEST_GUILESS_MAIN(TestCardDav)
#include "tst_carddav.moc"
