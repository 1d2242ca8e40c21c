#pragma once

#include "sync/davxml.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <vector>

class QAuthenticator;
class QNetworkAccessManager;
class QNetworkReply;
class QSslError;

// Talking to a CardDAV server: finding the address books, listing, fetching, writing and
// deleting cards. Every call is asynchronous on the thread's event loop and ends in its
// callback exactly once, also when it is cancelled.
namespace cardsync {

// How a request ended.
struct DavResult {
    enum class Kind {
        Ok,
        Changed,      // 412: the card is no longer the version named; nothing was written
        NotFound,     // 404
        AuthFailed,   // 401: wrong user name or password
        Forbidden,    // 403
        Unreachable,  // no connection to the server
        Timeout,      // the server stopped answering
        TooLarge,     // the answer went beyond the size allowed
        NotCardDav,   // the address answers, but not as a CardDAV server
        BadXml,       // an answer that cannot be read
        BadSyncToken, // the server no longer knows the sync token: list everything instead
        Insecure,     // a redirection from https to plain http
        Untrusted,    // a server certificate the system does not trust, and the user did not
        PlainHttp,    // plain http to another machine, not allowed: the password would show
        ServerError,  // any other failure the server reported
        Cancelled,
    };
    Kind kind = Kind::Ok;
    int httpStatus = 0;
    QUrl url;

    bool ok() const { return kind == Kind::Ok; }
    // One or two Hungarian sentences for a message.
    QString message() const;
};

// Plain http to this address needs the user's consent: it leaves the machine unencrypted.
bool needsPlainHttpConsent(const QUrl& address);
// The Yes/No warning to confirm before the password goes to the address over plain http.
QString plainHttpWarning(const QUrl& address);
// A SHA-256 fingerprint as it is usually shown: "AB:CD:...".
QString readableFingerprint(const QByteArray& sha256Hex);

struct AddressBook {
    QUrl url;
    QString displayName;
};

// A card as a listing names it.
struct CardRef {
    QString href;
    QString etag;
};

struct Card {
    QString href;
    QString etag;
    QByteArray vcard; // UTF-8
};

// What changed in an address book since a sync token.
struct CollectionChanges {
    std::vector<CardRef> changed; // new or changed cards
    QStringList removed;          // hrefs of deleted cards
    QString syncToken;            // the token for next time
    bool truncated = false;       // the server gave only a part; the token is of that part
};

class CardDavClient : public QObject {
    Q_OBJECT

public:
    explicit CardDavClient(QObject* parent = nullptr);
    ~CardDavClient() override;

    // Given to the server whenever it asks (Basic or Digest); a second request for the same
    // answer means they were refused.
    void setCredentials(const QString& user, const QString& password);
    // How long the server may stay silent within one request.
    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    // An answer longer than this ends the request: the server cannot fill the memory.
    void setMaxResponseSize(qint64 bytes) { m_maxResponse = bytes; }

    // Asked about a server certificate that the system does not trust: its SHA-256
    // fingerprint (lower-case hex) and a Hungarian question that shows it. Yes trusts that
    // certificate and the request goes on; No ends it as Untrusted.
    using TrustFn = std::function<bool(const QByteArray& sha256Hex, const QString& question)>;
    // The certificate trusted before (hex, colons allowed; empty: none) passes without a
    // question; any other untrusted one is asked about.
    void setCertificateTrust(const QByteArray& trustedSha256Hex, TrustFn ask);
    // The certificate trusted now, the one accepted last if a question was answered Yes:
    // the caller keeps it for the account.
    QByteArray trustedCertificate() const { return m_trusted; }
    // Plain http to another machine than this one is refused (PlainHttp) unless the user
    // has confirmed plainHttpWarning().
    void setPlainHttpAllowed(bool allowed) { m_plainHttpAllowed = allowed; }

    using DiscoverFn = std::function<void(const DavResult&, const std::vector<AddressBook>&)>;
    using ListFn = std::function<void(const DavResult&, const std::vector<CardRef>&)>;
    using ChangesFn = std::function<void(const DavResult&, const CollectionChanges&)>;
    using CardsFn =
        std::function<void(const DavResult&, const std::vector<Card>&, const QStringList&)>;
    using PutFn = std::function<void(const DavResult&, const QString& etag)>;
    using DoneFn = std::function<void(const DavResult&)>;

    // The address books of the account, found from a server address (through
    // /.well-known/carddav, the user's principal and its address book home) or from the
    // address of an address book itself.
    void discover(const QUrl& address, DiscoverFn done);
    // Every card of an address book with its ETag.
    void listCards(const QUrl& book, ListFn done);
    // The token of the address book's present state and nothing else (empty token) or what
    // changed since a token; BadSyncToken when the server no longer knows it.
    void changesSince(const QUrl& book, const QString& syncToken, ChangesFn done);
    // The cards named, with their ETags; the hrefs that are gone are listed apart.
    void fetchCards(const QUrl& book, const QStringList& hrefs, CardsFn done);
    // Writes a card: over the version etag only, or, with an empty etag, only where there is
    // no card yet. The new ETag is empty when the server does not tell it.
    void putCard(const QUrl& book, const QString& href, const QByteArray& vcard,
                 const QString& etag, PutFn done);
    // Deletes the card if it is still the version etag.
    void deleteCard(const QUrl& book, const QString& href, const QString& etag, DoneFn done);

    // Ends every running request; each reports Cancelled (one waiting for the certificate
    // question, once it is answered).
    void cancelAll();

private:
    struct Request;
    struct Answer {
        DavResult result;
        QByteArray body;
        QByteArray etag;
    };
    using AnswerFn = std::function<void(const Answer&)>;

    void send(const QUrl& url, const QByteArray& verb, const QByteArray& body,
              const QList<std::pair<QByteArray, QByteArray>>& headers, AnswerFn done);
    void start(Request* request);
    void finish(Request* request);
    void authenticate(QNetworkReply* reply, QAuthenticator* authenticator);
    void sslErrors(Request* request, const QList<QSslError>& errors);
    void settleTrust(Request* request);
    void propfind(const QUrl& url, int depth, const QByteArray& props,
                  std::function<void(const DavResult&, const MultiStatus&)> done);
    void discoverAt(std::vector<QUrl> candidates, DiscoverFn done);
    void listBooks(const QUrl& home, DiscoverFn done);

    QNetworkAccessManager* m_network;
    QString m_user;
    QString m_password;
    // A home server listing a large address book for the first time reads every card before it
    // answers: on a small machine that takes minutes, not seconds.
    int m_timeoutMs = 120000;
    qint64 m_maxResponse = 64 * 1024 * 1024;
    std::vector<Request*> m_running;
    QByteArray m_trusted;
    TrustFn m_ask;
    bool m_plainHttpAllowed = false;
    // Refused for their certificate, waiting for the question: one at a time is asked.
    std::vector<Request*> m_awaitingTrust;
    bool m_asking = false;
};

} // namespace cardsync
