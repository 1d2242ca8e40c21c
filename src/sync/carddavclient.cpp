#include "sync/carddavclient.h"

#include <QAuthenticator>
#include <QCryptographicHash>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSet>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QTimer>

#include <algorithm>

namespace cardsync {

namespace {

// Redirections followed within one request; more is a loop.
constexpr int kMaxHops = 5;

const QByteArray kXmlType = QByteArrayLiteral("application/xml; charset=utf-8");

QByteArray escaped(const QString& text) {
    return text.toHtmlEscaped().toUtf8();
}

QByteArray propfindBody(const QByteArray& props) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<d:propfind xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:prop>" +
           props + "</d:prop></d:propfind>";
}

// The path an href names, whatever its spelling.
QString hrefPath(const QUrl& base, const QString& href) {
    return base.resolved(QUrl(href)).path(QUrl::FullyDecoded);
}

DavResult failed(DavResult::Kind kind, const QUrl& url, int status = 0) {
    DavResult r;
    r.kind = kind;
    r.url = url;
    r.httpStatus = status;
    return r;
}

QByteArray sha256Hex(const QSslCertificate& certificate) {
    return certificate.digest(QCryptographicHash::Sha256).toHex();
}

QString sslErrorText(const QSslError& error, const QUrl& url) {
    switch (error.error()) {
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain:
        return QStringLiteral("A tanúsítványt nem hitelesítő szervezet, hanem saját maga írta "
                              "alá.");
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::CertificateUntrusted:
        return QStringLiteral("A tanúsítvány kiadóját a rendszer nem ismeri.");
    case QSslError::CertificateExpired:
        return QStringLiteral("A tanúsítvány lejárt.");
    case QSslError::CertificateNotYetValid:
        return QStringLiteral("A tanúsítvány még nem érvényes.");
    case QSslError::HostNameMismatch:
        return QStringLiteral("A tanúsítvány nem erre a címre (%1) szól.").arg(url.host());
    case QSslError::CertificateRevoked:
        return QStringLiteral("A tanúsítványt a kiadója visszavonta.");
    default:
        return QStringLiteral("A tanúsítvány nem ellenőrizhető (%1).").arg(error.errorString());
    }
}

QString trustQuestion(const QUrl& url, const QByteArray& fingerprint,
                      const QList<QSslError>& errors) {
    QStringList reasons;
    for (const QSslError& error : errors) {
        const QString reason = QStringLiteral("– ") + sslErrorText(error, url);
        if (!reasons.contains(reason))
            reasons.append(reason);
    }
    return QStringLiteral("A(z) %1 szerver tanúsítványát a rendszer nem tartja "
                          "megbízhatónak:\n%2\n\nA tanúsítvány SHA-256 ujjlenyomata:\n%3\n\nHa ez "
                          "a saját szerverének tanúsítványa (vesse össze az ujjlenyomatot a "
                          "szerveren láthatóval), a program ettől kezdve megbízik benne ennél a "
                          "fióknál.\nMegbízik ebben a tanúsítványban?")
        .arg(url.host(), reasons.join(u'\n'), readableFingerprint(fingerprint));
}

} // namespace

bool needsPlainHttpConsent(const QUrl& address) {
    if (address.scheme() != QLatin1StringView("http"))
        return false;
    const QString host = address.host();
    return host.compare(QLatin1StringView("localhost"), Qt::CaseInsensitive) != 0 &&
           !QHostAddress(host).isLoopback();
}

QString plainHttpWarning(const QUrl& address) {
    return QStringLiteral("A(z) %1 szerverrel titkosítatlan (http://) a kapcsolat: a jelszó és "
                          "a névjegyek titkosítás nélkül mennek át a hálózaton, és aki a "
                          "forgalmat látja, elolvashatja őket.\nCsak megbízható hálózaton "
                          "használja így. Folytatja?")
        .arg(address.host());
}

QString readableFingerprint(const QByteArray& sha256Hex) {
    QStringList pairs;
    for (qsizetype i = 0; i + 1 < sha256Hex.size(); i += 2)
        pairs.append(QString::fromLatin1(sha256Hex.mid(i, 2)).toUpper());
    return pairs.join(u':');
}

QString DavResult::message() const {
    const QString host = url.host();
    switch (kind) {
    case Kind::Ok:
        return {};
    case Kind::Changed:
        return QStringLiteral("A névjegy közben megváltozott a szerveren.");
    case Kind::NotFound:
        return QStringLiteral("A kért cím nem található a szerveren (%1).")
            .arg(url.toDisplayString());
    case Kind::AuthFailed:
        return QStringLiteral("A(z) %1 szerver nem fogadta el a felhasználónevet vagy a "
                              "jelszót.\nEllenőrizze a fiók adatait.")
            .arg(host);
    case Kind::Forbidden:
        return QStringLiteral("A(z) %1 szerver megtagadta a hozzáférést (403).\nA "
                              "felhasználónak nincs joga ehhez a címjegyzékhez.")
            .arg(host);
    case Kind::Unreachable:
        return QStringLiteral("A(z) %1 szerver nem érhető el.\nEllenőrizze a címet és a "
                              "hálózati kapcsolatot.")
            .arg(host);
    case Kind::Timeout:
        return QStringLiteral("A(z) %1 szerver nem válaszolt időben.").arg(host);
    case Kind::TooLarge:
        return QStringLiteral("A(z) %1 szerver válasza túl nagy, ezért a program nem olvasta "
                              "végig.")
            .arg(host);
    case Kind::NotCardDav:
        return QStringLiteral("Ezen a címen nem CardDAV-szerver (névjegyszerver) válaszol: %1")
            .arg(url.toDisplayString());
    case Kind::BadXml:
        return QStringLiteral("A(z) %1 szerver válasza nem olvasható (hibás XML).").arg(host);
    case Kind::BadSyncToken:
        return QStringLiteral("A szerver már nem ismeri a legutóbbi szinkronizálás állapotát.");
    case Kind::Insecure:
        return QStringLiteral("A szerver titkosítatlan vagy idegen címre irányított át, ezért "
                              "a program nem követte: %1")
            .arg(url.toDisplayString());
    case Kind::Untrusted:
        return QStringLiteral("A(z) %1 szerver tanúsítványa nem megbízható, ezért a program nem "
                              "kapcsolódott hozzá.")
            .arg(host);
    case Kind::PlainHttp:
        return QStringLiteral("A(z) %1 szerver címe titkosítatlan (http://), ezért a program nem "
                              "kapcsolódott hozzá: a jelszó titkosítás nélkül menne át a "
                              "hálózaton.\nAdjon meg https:// kezdetű címet.")
            .arg(host);
    case Kind::ServerError:
        return QStringLiteral("A(z) %1 szerver hibát jelzett (%2).").arg(host).arg(httpStatus);
    case Kind::Cancelled:
        return QStringLiteral("A művelet megszakadt.");
    }
    return {};
}

struct CardDavClient::Request {
    QUrl url;
    QByteArray verb;
    QByteArray body;
    QList<std::pair<QByteArray, QByteArray>> headers;
    AnswerFn done;
    int hops = 0;
    QNetworkReply* reply = nullptr;
    QTimer* timer = nullptr;
    QByteArray received;
    bool authTried = false;
    // What the handshake refused: the server's certificate and why.
    QSslCertificate certificate;
    QList<QSslError> sslErrors;
    DavResult::Kind stopped = DavResult::Kind::Ok; // why the program ended it, if it did
};

CardDavClient::CardDavClient(QObject* parent)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this)) {
    connect(m_network, &QNetworkAccessManager::authenticationRequired, this,
            &CardDavClient::authenticate);
}

CardDavClient::~CardDavClient() {
    // The callbacks may belong to objects already gone: they are not called.
    for (Request* request : m_running) {
        request->reply->disconnect(this);
        request->reply->abort();
        delete request;
    }
    for (Request* request : m_awaitingTrust)
        delete request;
}

void CardDavClient::setCertificateTrust(const QByteArray& trustedSha256Hex, TrustFn ask) {
    m_trusted = trustedSha256Hex.toLower();
    m_trusted.removeIf([](char c) { return c == ':' || c == ' '; });
    m_ask = std::move(ask);
}

void CardDavClient::setCredentials(const QString& user, const QString& password) {
    m_user = user;
    m_password = password;
}

void CardDavClient::authenticate(QNetworkReply* reply, QAuthenticator* authenticator) {
    const auto it = std::find_if(m_running.begin(), m_running.end(),
                                 [reply](const Request* r) { return r->reply == reply; });
    // Asked again for the same request: the server refused them, and the answer stays 401.
    if (it == m_running.end() || (*it)->authTried || m_user.isEmpty())
        return;
    (*it)->authTried = true;
    authenticator->setUser(m_user);
    authenticator->setPassword(m_password);
}

void CardDavClient::send(const QUrl& url, const QByteArray& verb, const QByteArray& body,
                         const QList<std::pair<QByteArray, QByteArray>>& headers, AnswerFn done) {
    // Refused before any connection is made; reported from the event loop like any answer.
    if (!m_plainHttpAllowed && needsPlainHttpConsent(url)) {
        QTimer::singleShot(0, this, [url, done = std::move(done)]() {
            done({failed(DavResult::Kind::PlainHttp, url), {}, {}});
        });
        return;
    }
    auto* request = new Request;
    request->url = url;
    request->verb = verb;
    request->body = body;
    request->headers = headers;
    request->done = std::move(done);
    start(request);
}

void CardDavClient::start(Request* request) {
    QNetworkRequest nr(request->url);
    nr.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                    QNetworkRequest::ManualRedirectPolicy);
    for (const auto& [name, value] : request->headers)
        nr.setRawHeader(name, value);
    request->reply = m_network->sendCustomRequest(nr, request->verb, request->body);
    request->timer = new QTimer(this);
    request->timer->setSingleShot(true);
    request->timer->setInterval(m_timeoutMs);
    m_running.push_back(request);

    QNetworkReply* reply = request->reply;
    const auto stop = [request](DavResult::Kind why) {
        request->stopped = why;
        // Reports finished at once, which ends the request: nothing may touch it afterwards.
        request->reply->abort();
    };
    connect(request->timer, &QTimer::timeout, this, [stop]() { stop(DavResult::Kind::Timeout); });
    const auto alive = [request]() { request->timer->start(); };
    connect(reply, &QNetworkReply::uploadProgress, this, alive);
    connect(reply, &QNetworkReply::downloadProgress, this, alive);
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, request, stop]() {
        const QVariant length = request->reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > m_maxResponse)
            stop(DavResult::Kind::TooLarge);
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, request, stop]() {
        request->received += request->reply->readAll();
        if (request->received.size() > m_maxResponse)
            stop(DavResult::Kind::TooLarge);
    });
    connect(reply, &QNetworkReply::sslErrors, this,
            [this, request](const QList<QSslError>& errors) { sslErrors(request, errors); });
    connect(reply, &QNetworkReply::finished, this, [this, request]() { finish(request); });
    request->timer->start();
}

void CardDavClient::finish(Request* request) {
    QNetworkReply* reply = request->reply;
    request->timer->stop();
    request->timer->deleteLater();
    reply->disconnect(this);
    reply->deleteLater();
    m_running.erase(std::find(m_running.begin(), m_running.end(), request));
    if (request->stopped == DavResult::Kind::Ok && !request->sslErrors.isEmpty()) {
        settleTrust(request);
        return;
    }
    if (request->stopped == DavResult::Kind::Ok)
        request->received += reply->readAll();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    Answer answer;
    answer.result.url = request->url;
    answer.result.httpStatus = status;
    using Kind = DavResult::Kind;
    Kind& kind = answer.result.kind;
    if (request->stopped != Kind::Ok) {
        kind = request->stopped;
    } else if (status == 301 || status == 302 || status == 303 || status == 307 || status == 308) {
        const QUrl target = request->url.resolved(
            reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl());
        // Credentials may follow only to the same server or over https.
        const bool sameServer = target.scheme() == request->url.scheme() &&
                                target.host() == request->url.host() &&
                                target.port() == request->url.port();
        const bool safe = target.scheme() == QLatin1StringView("https") ||
                          (target.scheme() == QLatin1StringView("http") && sameServer);
        if (!safe) {
            kind = Kind::Insecure;
            answer.result.url = target;
        } else if (request->hops >= kMaxHops) {
            kind = Kind::ServerError;
        } else {
            auto* next = new Request;
            next->url = target;
            next->verb = request->verb;
            next->body = request->body;
            next->headers = request->headers;
            next->done = std::move(request->done);
            next->hops = request->hops + 1;
            delete request;
            start(next);
            return;
        }
    } else if (status == 0) {
        switch (reply->error()) {
        case QNetworkReply::OperationCanceledError:
            kind = Kind::Cancelled;
            break;
        case QNetworkReply::TimeoutError:
            kind = Kind::Timeout;
            break;
        default:
            kind = Kind::Unreachable;
            break;
        }
    } else if (status >= 200 && status < 300) {
        kind = Kind::Ok;
    } else if (status == 401) {
        kind = Kind::AuthFailed;
    } else if (status == 403) {
        kind = Kind::Forbidden;
    } else if (status == 404) {
        kind = Kind::NotFound;
    } else if (status == 412) {
        kind = Kind::Changed;
    } else {
        kind = Kind::ServerError;
    }
    answer.body = std::move(request->received);
    answer.etag = reply->rawHeader("ETag");
    const AnswerFn done = std::move(request->done);
    delete request;
    done(answer);
}

void CardDavClient::sslErrors(Request* request, const QList<QSslError>& errors) {
    QSslCertificate leaf = request->reply->sslConfiguration().peerCertificate();
    if (leaf.isNull() && !errors.isEmpty())
        leaf = errors.front().certificate();
    if (!leaf.isNull() && !m_trusted.isEmpty() && sha256Hex(leaf) == m_trusted) {
        // The very certificate the user accepted: these errors, on this connection only.
        request->reply->ignoreSslErrors(errors);
        return;
    }
    // The handshake fails; the question comes once the reply has finished, outside the
    // network code.
    request->certificate = leaf;
    request->sslErrors = errors;
}

void CardDavClient::settleTrust(Request* request) {
    m_awaitingTrust.push_back(request);
    // A question is open (its dialog runs the event loop): its answer settles this one too.
    if (m_asking)
        return;
    m_asking = true;
    const QPointer<CardDavClient> alive(this);
    QSet<QByteArray> refused;
    while (!m_awaitingTrust.empty()) {
        Request* r = m_awaitingTrust.front();
        const QByteArray fingerprint = sha256Hex(r->certificate);
        // A handshake that showed no certificate has nothing to trust.
        if (r->stopped == DavResult::Kind::Ok && !r->certificate.isNull() &&
            fingerprint != m_trusted && !refused.contains(fingerprint)) {
            // A copy: the client, and with it m_ask, may go while the question is open.
            const TrustFn ask = m_ask;
            const bool yes =
                ask && ask(fingerprint, trustQuestion(r->url, fingerprint, r->sslErrors));
            if (!alive)
                return;
            if (yes)
                m_trusted = fingerprint;
            else
                refused.insert(fingerprint);
        }
        m_awaitingTrust.erase(m_awaitingTrust.begin());
        if (r->stopped == DavResult::Kind::Ok && !r->certificate.isNull() &&
            fingerprint == m_trusted) {
            r->received.clear();
            r->authTried = false;
            r->sslErrors.clear();
            start(r);
            continue;
        }
        const bool cancelled = r->stopped == DavResult::Kind::Cancelled;
        Answer answer;
        answer.result =
            failed(cancelled ? DavResult::Kind::Cancelled : DavResult::Kind::Untrusted, r->url);
        const AnswerFn done = std::move(r->done);
        delete r;
        done(answer);
        if (!alive)
            return;
    }
    m_asking = false;
}

void CardDavClient::cancelAll() {
    for (Request* request : m_awaitingTrust)
        request->stopped = DavResult::Kind::Cancelled;
    const std::vector<Request*> running = m_running;
    for (Request* request : running) {
        // A callback of an earlier one may have ended it already.
        if (std::find(m_running.begin(), m_running.end(), request) == m_running.end())
            continue;
        request->stopped = DavResult::Kind::Cancelled;
        request->reply->abort();
        // A reply that had already finished does not report it again.
        if (std::find(m_running.begin(), m_running.end(), request) != m_running.end())
            finish(request);
    }
}

void CardDavClient::propfind(const QUrl& url, int depth, const QByteArray& props,
                             std::function<void(const DavResult&, const MultiStatus&)> done) {
    send(url, "PROPFIND", propfindBody(props),
         {{"Depth", QByteArray::number(depth)}, {"Content-Type", kXmlType}},
         [done](const Answer& answer) {
             MultiStatus ms;
             DavResult result = answer.result;
             const int status = result.httpStatus;
             if (result.kind == DavResult::Kind::ServerError &&
                 (status == 400 || status == 405 || status == 501))
                 result.kind = DavResult::Kind::NotCardDav;
             else if (result.ok() && status != 207)
                 result.kind = DavResult::Kind::NotCardDav;
             else if (result.ok() && !parseMultiStatus(answer.body, ms))
                 result.kind = DavResult::Kind::BadXml;
             done(result, ms);
         });
}

void CardDavClient::discover(const QUrl& address, DiscoverFn done) {
    const bool web = address.scheme() == QLatin1StringView("http") ||
                     address.scheme() == QLatin1StringView("https");
    if (!address.isValid() || !web || address.host().isEmpty()) {
        done(failed(DavResult::Kind::NotCardDav, address), {});
        return;
    }
    // A bare server address is looked up where RFC 6764 puts the service first.
    QUrl wellKnown = address;
    wellKnown.setPath(QStringLiteral("/.well-known/carddav"));
    wellKnown.setQuery(QString());
    const bool bare = address.path().isEmpty() || address.path() == QLatin1StringView("/");
    discoverAt(bare ? std::vector<QUrl>{wellKnown, address} : std::vector<QUrl>{address, wellKnown},
               std::move(done));
}

void CardDavClient::discoverAt(std::vector<QUrl> candidates, DiscoverFn done) {
    const QUrl url = candidates.front();
    candidates.erase(candidates.begin());
    propfind(url, 0,
             "<d:resourcetype/><d:displayname/><d:current-user-principal/>"
             "<c:addressbook-home-set/>",
             [this, candidates, done](const DavResult& result, const MultiStatus& ms) {
                 using Kind = DavResult::Kind;
                 const bool tryNext =
                     result.kind == Kind::NotCardDav || result.kind == Kind::NotFound ||
                     result.kind == Kind::BadXml || result.kind == Kind::ServerError;
                 const DavResponse* r = ms.responses.empty() ? nullptr : &ms.responses.front();
                 if (result.ok() && r && r->isAddressBook) {
                     done(result, {{result.url, r->displayName}});
                 } else if (result.ok() && r && !r->homeSets.isEmpty()) {
                     listBooks(result.url.resolved(QUrl(r->homeSets.front())), done);
                 } else if (result.ok() && r && !r->principal.isEmpty()) {
                     const QUrl principal = result.url.resolved(QUrl(r->principal));
                     propfind(principal, 0, "<c:addressbook-home-set/>",
                              [this, principal, done](const DavResult& pr, const MultiStatus& pms) {
                                  if (!pr.ok()) {
                                      done(pr, {});
                                  } else if (pms.responses.empty() ||
                                             pms.responses.front().homeSets.isEmpty()) {
                                      done(failed(DavResult::Kind::NotCardDav, principal), {});
                                  } else {
                                      listBooks(principal.resolved(
                                                    QUrl(pms.responses.front().homeSets.front())),
                                                done);
                                  }
                              });
                 } else if ((result.ok() || tryNext) && !candidates.empty()) {
                     discoverAt(candidates, done);
                 } else if (result.ok()) {
                     done(failed(Kind::NotCardDav, result.url), {});
                 } else {
                     done(result, {});
                 }
             });
}

void CardDavClient::listBooks(const QUrl& home, DiscoverFn done) {
    propfind(home, 1, "<d:resourcetype/><d:displayname/>",
             [home, done](const DavResult& result, const MultiStatus& ms) {
                 std::vector<AddressBook> books;
                 for (const DavResponse& r : ms.responses) {
                     if (!r.isAddressBook)
                         continue;
                     AddressBook book{home.resolved(QUrl(r.href)), r.displayName};
                     if (book.displayName.isEmpty()) {
                         const QString path = book.url.path(QUrl::FullyDecoded);
                         book.displayName = path.section(u'/', -2, -2, QString::SectionSkipEmpty);
                     }
                     books.push_back(book);
                 }
                 done(result, books);
             });
}

void CardDavClient::listCards(const QUrl& book, ListFn done) {
    propfind(book, 1, "<d:resourcetype/><d:getetag/>",
             [book, done](const DavResult& result, const MultiStatus& ms) {
                 std::vector<CardRef> cards;
                 const QString bookPath = book.path(QUrl::FullyDecoded);
                 for (const DavResponse& r : ms.responses) {
                     if (r.isCollection || hrefPath(book, r.href) == bookPath)
                         continue;
                     cards.push_back({r.href, r.etag});
                 }
                 done(result, cards);
             });
}

void CardDavClient::changesSince(const QUrl& book, const QString& syncToken, ChangesFn done) {
    const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                            "<d:sync-collection xmlns:d=\"DAV:\"><d:sync-token>" +
                            escaped(syncToken) +
                            "</d:sync-token><d:sync-level>1</d:sync-level>"
                            "<d:prop><d:getetag/></d:prop></d:sync-collection>";
    send(book, "REPORT", body, {{"Depth", "0"}, {"Content-Type", kXmlType}},
         [book, done](const Answer& answer) {
             DavResult result = answer.result;
             CollectionChanges changes;
             MultiStatus ms;
             const bool refused = result.kind == DavResult::Kind::Forbidden ||
                                  result.kind == DavResult::Kind::ServerError;
             if (refused && answer.body.contains("valid-sync-token"))
                 result.kind = DavResult::Kind::BadSyncToken;
             else if (result.ok() && result.httpStatus != 207)
                 result.kind = DavResult::Kind::NotCardDav;
             else if (result.ok() && !parseMultiStatus(answer.body, ms))
                 result.kind = DavResult::Kind::BadXml;
             if (result.ok()) {
                 const QString bookPath = book.path(QUrl::FullyDecoded);
                 for (const DavResponse& r : ms.responses) {
                     const bool self = hrefPath(book, r.href) == bookPath;
                     if (self && r.status == 507)
                         changes.truncated = true;
                     else if (r.status == 404)
                         changes.removed.append(r.href);
                     else if (!r.isCollection && !self)
                         changes.changed.push_back({r.href, r.etag});
                 }
                 changes.syncToken = ms.syncToken;
             }
             done(result, changes);
         });
}

void CardDavClient::fetchCards(const QUrl& book, const QStringList& hrefs, CardsFn done) {
    QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                      "<c:addressbook-multiget xmlns:d=\"DAV:\" "
                      "xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
                      "<d:prop><d:getetag/><c:address-data/></d:prop>";
    for (const QString& href : hrefs)
        body += "<d:href>" + escaped(href) + "</d:href>";
    body += "</c:addressbook-multiget>";
    send(book, "REPORT", body, {{"Depth", "1"}, {"Content-Type", kXmlType}},
         [book, hrefs, done](const Answer& answer) {
             DavResult result = answer.result;
             MultiStatus ms;
             if (result.ok() && result.httpStatus != 207)
                 result.kind = DavResult::Kind::NotCardDav;
             else if (result.ok() && !parseMultiStatus(answer.body, ms))
                 result.kind = DavResult::Kind::BadXml;
             std::vector<Card> cards;
             QStringList missing;
             if (result.ok()) {
                 QSet<QString> found;
                 for (const DavResponse& r : ms.responses) {
                     if (!r.hasAddressData)
                         continue;
                     cards.push_back({r.href, r.etag, r.addressData});
                     found.insert(hrefPath(book, r.href));
                 }
                 for (const QString& href : hrefs) {
                     if (!found.contains(hrefPath(book, href)))
                         missing.append(href);
                 }
             }
             done(result, cards, missing);
         });
}

void CardDavClient::putCard(const QUrl& book, const QString& href, const QByteArray& vcard,
                            const QString& etag, PutFn done) {
    QList<std::pair<QByteArray, QByteArray>> headers = {
        {"Content-Type", "text/vcard; charset=utf-8"}};
    if (etag.isEmpty())
        headers.emplaceBack("If-None-Match", "*");
    else
        headers.emplaceBack("If-Match", etag.toUtf8());
    send(book.resolved(QUrl(href)), "PUT", vcard, headers,
         [done](const Answer& answer) { done(answer.result, QString::fromUtf8(answer.etag)); });
}

void CardDavClient::deleteCard(const QUrl& book, const QString& href, const QString& etag,
                               DoneFn done) {
    QList<std::pair<QByteArray, QByteArray>> headers;
    if (!etag.isEmpty())
        headers.emplaceBack("If-Match", etag.toUtf8());
    send(book.resolved(QUrl(href)), "DELETE", {}, headers,
         [done](const Answer& answer) { done(answer.result); });
}

} // namespace cardsync
