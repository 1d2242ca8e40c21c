#include "carddavclient.h"
#include "radicaleserver.h"

#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using namespace Qt::StringLiterals;
using cardsync::DavResult;
using Kind = cardsync::DavResult::Kind;

Q_DECLARE_METATYPE(Kind)

namespace {

// Runs an asynchronous call until it reports back.
void await(const std::function<void(std::function<void()> finished)>& call) {
    QEventLoop loop;
    bool done = false;
    call([&]() {
        done = true;
        loop.quit();
    });
    if (!done)
        loop.exec();
}

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
    }

    void discover_data() {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("password");
        QTest::addColumn<qint64>("maxSize");
        QTest::addColumn<Kind>("expected");
        QTest::addColumn<QString>("books");
        const QString both = u"Munkahelyi|Névjegyek"_s;
        const QString r = u"radicale"_s;
        const qint64 any = 1 << 20;
        QTest::newRow("server address") << r << u"/"_s << u"titok"_s << any << Kind::Ok << both;
        QTest::newRow("host only") << r << u""_s << u"titok"_s << any << Kind::Ok << both;
        QTest::newRow("principal") << r << u"/anna/"_s << u"titok"_s << any << Kind::Ok << both;
        QTest::newRow("address book itself")
            << r << u"/anna/konyv/"_s << u"titok"_s << any << Kind::Ok << u"Névjegyek"_s;
        QTest::newRow("wrong password")
            << r << u"/"_s << u"rossz"_s << any << Kind::AuthFailed << u""_s;
        QTest::newRow("another user's address book")
            << r << u"/bela/sajat/"_s << u"titok"_s << any << Kind::Forbidden << u""_s;
        QTest::newRow("answer too large")
            << r << u"/"_s << u"titok"_s << qint64(100) << Kind::TooLarge << u""_s;
        QTest::newRow("nobody listening")
            << u"closed"_s << u"/"_s << u"titok"_s << any << Kind::Unreachable << u""_s;
        QTest::newRow("web page") << u"web page"_s << u"/"_s << u"titok"_s << any
                                  << Kind::NotCardDav << u""_s;
        QTest::newRow("broken XML")
            << u"broken XML"_s << u"/dav/"_s << u"titok"_s << any << Kind::BadXml << u""_s;
        QTest::newRow("silent server")
            << u"silent"_s << u"/"_s << u"titok"_s << any << Kind::Timeout << u""_s;
    }

    void discover() {
        QFETCH(QString, server);
        QFETCH(QString, path);
        QFETCH(QString, password);
        QFETCH(qint64, maxSize);
        QFETCH(Kind, expected);
        QFETCH(QString, books);

        std::unique_ptr<CannedServer> canned;
        if (server == u"web page"_s)
            canned = std::make_unique<CannedServer>(
                httpAnswer("200 OK", "text/html", "<html><body>Üdvözöljük!</body></html>"));
        else if (server == u"broken XML"_s)
            canned = std::make_unique<CannedServer>(httpAnswer(
                "207 Multi-Status", "application/xml",
                "<?xml version=\"1.0\"?><multistatus xmlns=\"DAV:\"><response><href>/a</href>"));
        else if (server == u"silent"_s || server == u"closed"_s)
            canned = std::make_unique<CannedServer>(QByteArray());
        QUrl address = m_server.url(path);
        if (canned)
            address.setPort(canned->serverPort());
        if (server == u"closed"_s)
            canned->close();

        cardsync::CardDavClient client;
        client.setCredentials(u"anna"_s, password);
        client.setTimeout(300);
        client.setMaxResponseSize(maxSize);
        DavResult result;
        QStringList found;
        await([&](auto finished) {
            client.discover(address, [&, finished](const DavResult& r, const auto& list) {
                result = r;
                for (const cardsync::AddressBook& book : list) {
                    found.append(book.displayName);
                    QCOMPARE(book.url, m_server.url(book.url.path()));
                }
                finished();
            });
        });
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
        cardsync::CardDavClient client;
        client.setCredentials(u"anna"_s, u"titok"_s);
        const QString href = book.path() + u"kiss ádám.vcf"_s;
        QString stale, current;
        const auto put = [&](const QByteArray& name, const QString& etag) {
            DavResult result;
            await([&](auto finished) {
                client.putCard(book, href, card(name, "uid-kiss"), etag,
                               [&, finished](const DavResult& r, const QString& newEtag) {
                                   result = r;
                                   stale = current;
                                   current = newEtag;
                                   finished();
                               });
            });
            return result;
        };
        if (exists) {
            QVERIFY(put("first", {}).ok());
            QVERIFY(put("old", current).ok());
        }
        const QString etag = version == u"stale"_s     ? stale
                             : version == u"current"_s ? current
                                                       : u""_s;
        DavResult result;
        if (operation == u"put"_s) {
            result = put("new", etag);
        } else {
            await([&](auto finished) {
                client.deleteCard(book, href, etag, [&, finished](const DavResult& r) {
                    result = r;
                    finished();
                });
            });
        }
        QCOMPARE(result.kind, expected);

        std::vector<cardsync::Card> cards;
        QStringList missing;
        await([&](auto finished) {
            client.fetchCards(book, {href},
                              [&, finished](const DavResult& r, const auto& c, const auto& m) {
                                  result = r;
                                  cards = c;
                                  missing = m;
                                  finished();
                              });
        });
        QVERIFY(result.ok());
        const bool written = expected == Kind::Ok && operation == u"put"_s;
        if (after == u"gone"_s) {
            QCOMPARE(missing, QStringList{href});
            QVERIFY(cards.empty());
        } else {
            QCOMPARE(cards.size(), size_t(1));
            QVERIFY(cards[0].vcard.contains("FN:" + after.toUtf8()));
            // The ETag of a write is the one the server lists afterwards.
            if (written)
                QCOMPARE(cards[0].etag, current);
        }
    }

    // The cards of an address book, and what changed since a sync token.
    void listAndChanges() {
        const QUrl book = m_server.addAddressBook(u"anna"_s, u"lista"_s, u"Lista"_s);
        cardsync::CardDavClient client;
        client.setCredentials(u"anna"_s, u"titok"_s);
        QMap<QString, QString> etags;
        bool allOk = true;
        const auto put = [&](const QByteArray& file, const QByteArray& name) {
            const QString href = book.path() + QString::fromUtf8(file) + u".vcf"_s;
            await([&](auto finished) {
                client.putCard(book, href, card(name, "uid-" + file), etags.value(href),
                               [&, finished](const DavResult& r, const QString& etag) {
                                   allOk &= r.ok();
                                   etags[href] = etag;
                                   finished();
                               });
            });
            return href;
        };
        const auto changes = [&](const QString& token) {
            std::pair<DavResult, cardsync::CollectionChanges> got;
            await([&](auto finished) {
                client.changesSince(book, token, [&, finished](const auto& r, const auto& c) {
                    got = {r, c};
                    finished();
                });
            });
            return got;
        };
        const QString a = put("a", "a"), b = put("b", "b"), c = put("c", "c");

        std::vector<cardsync::CardRef> listed;
        await([&](auto finished) {
            client.listCards(book, [&, finished](const DavResult& r, const auto& cards) {
                allOk &= r.ok();
                listed = cards;
                finished();
            });
        });
        QVERIFY(allOk);
        QMap<QString, QString> listedEtags;
        for (const cardsync::CardRef& ref : listed)
            listedEtags[ref.href] = ref.etag;
        QCOMPARE(listedEtags, etags);

        const auto [first, all] = changes({});
        QVERIFY(first.ok());
        QCOMPARE(all.changed.size(), size_t(3));
        QVERIFY(!all.syncToken.isEmpty());

        put("b", "b changed");
        const QString d = put("d", "d");
        await([&](auto finished) {
            client.deleteCard(book, c, etags[c], [&, finished](const DavResult& r) {
                allOk &= r.ok();
                finished();
            });
        });
        const auto [second, since] = changes(all.syncToken);
        QVERIFY(allOk);
        QVERIFY(second.ok());
        QStringList changed;
        for (const cardsync::CardRef& ref : since.changed) {
            changed.append(ref.href);
            QCOMPARE(ref.etag, etags[ref.href]);
        }
        changed.sort();
        QCOMPARE(changed, (QStringList{b, d}));
        QCOMPARE(since.removed, QStringList{c});

        QCOMPARE(changes(u"http://radicale.org/ns/sync/nincs-ilyen"_s).first.kind,
                 Kind::BadSyncToken);

        std::vector<cardsync::Card> fetched;
        QStringList missing;
        await([&](auto finished) {
            client.fetchCards(book, {a, c, d},
                              [&, finished](const DavResult& r, const auto& cards, const auto& m) {
                                  allOk &= r.ok();
                                  fetched = cards;
                                  missing = m;
                                  finished();
                              });
        });
        QVERIFY(allOk);
        QCOMPARE(missing, QStringList{c});
        QCOMPARE(fetched.size(), size_t(2));
        QVERIFY(fetched[0].vcard.contains("FN:a") || fetched[1].vcard.contains("FN:a"));
    }

private:
    RadicaleServer m_server;
    int m_books = 0;
};

QTEST_GUILESS_MAIN(TestCardDav)
#include "tst_carddav.moc"
