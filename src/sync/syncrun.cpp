#include "sync/syncrun.h"

#include "store/appendbatch.h"

#include <QFileInfo>
#include <QSet>
#include <QUuid>

#include <algorithm>

namespace cardsync {

namespace {

// Cards fetched in one addressbook-multiget: the answer stays a few megabytes even with photos.
constexpr qsizetype kFetchBatch = 200;
// Runs made again from the start when a card changed on the server during the run.
constexpr int kMaxAttempts = 3;

const QString kResume = QStringLiteral("\nAz adatbázis ép maradt; a következő szinkronizálás "
                                       "befejezi a félbemaradt munkát.");

QString counted(int n, const QString& what) {
    return QStringLiteral("%1 %2").arg(n).arg(what);
}

} // namespace

QString syncSummary(const SyncCounts& c) {
    const bool here = c.newHere || c.changedHere || c.deletedHere;
    const bool there = c.newThere || c.changedThere || c.deletedThere;
    if (!here && !there && !c.keptBoth)
        return QStringLiteral("A szinkronizálás kész: sem az adatbázisban, sem a szerveren nem "
                              "változott semmi.");
    const auto side = [](int added, int changed, int deleted) {
        return counted(added, QStringLiteral("új, ")) +
               counted(changed, QStringLiteral("módosított, ")) +
               counted(deleted, QStringLiteral("törölt névjegy."));
    };
    QString text = QStringLiteral("A szinkronizálás kész.\n\nAz adatbázisban: ") +
                   side(c.newHere, c.changedHere, c.deletedHere) +
                   QStringLiteral("\nA szerveren: ") +
                   side(c.newThere, c.changedThere, c.deletedThere);
    if (c.keptBoth)
        text += QStringLiteral("\nMindkét oldalon másképp módosult, ezért mindkét változatában "
                               "megmaradt: %1 névjegy.")
                    .arg(c.keptBoth);
    return text;
}

SyncRun::SyncRun(const DataStore& store, const SyncAccount& account, const QString& password,
                 QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_account(account)
    , m_client(new CardDavClient(this)) {
    m_client->setCredentials(account.user, password);
    // What the user agreed to for this account holds; a certificate not trusted yet is asked
    // about like any other question of the run.
    m_client->setPlainHttpAllowed(account.plainHttpAllowed);
    m_client->setCertificateTrust(account.trustedCertificate,
                                  [this](const QByteArray&, const QString& question) {
                                      return m_confirm && m_confirm(question);
                                  });
}

void SyncRun::start() {
    if (m_running)
        return;
    m_running = true;
    m_cancelled = false;
    m_registerChanged = false;
    m_attempts = 0;
    m_agreed = {};
    begin();
}

void SyncRun::cancel() {
    if (!m_running)
        return;
    m_cancelled = true;
    // Each running request reports Cancelled, which ends the run.
    m_client->cancelAll();
}

QString SyncRun::hrefKey(const QString& href) const {
    return m_account.addressBook.resolved(QUrl(href)).path(QUrl::FullyEncoded);
}

void SyncRun::begin() {
    ++m_attempts;
    const QString bookUrl = m_account.addressBook.toString(QUrl::FullyEncoded);
    SyncState last;
    if (const MaybeError err = readSyncState(syncStatePath(m_store), last)) {
        fail(err->message());
        return;
    }
    m_last = startingState(std::move(last), bookUrl);
    Q_EMIT progress(QStringLiteral("A szerver névjegyeinek listázása…"));
    listChanges(m_last.syncToken);
}

// Where the server keeps tokens of its states, only what changed since the last sync is listed
// (all of it without a token); otherwise, or where the server no longer knows the token, every
// card.
void SyncRun::listChanges(const QString& token) {
    m_client->changesSince(
        m_account.addressBook, token,
        [this, token](const DavResult& result, const CollectionChanges& changes) {
            using Kind = DavResult::Kind;
            // An answer without a token is no answer to this report.
            const bool whole = !changes.truncated && !changes.syncToken.isEmpty();
            if (result.ok() && whole) {
                m_token = changes.syncToken;
                listed(changes.changed, changes.removed, !token.isEmpty());
                return;
            }
            if (result.kind == Kind::BadSyncToken && !token.isEmpty()) {
                listChanges({});
                return;
            }
            // Failures that a plain listing would meet just the same end the run here.
            const bool unsupported =
                result.ok() || result.kind == Kind::NotCardDav ||
                result.kind == Kind::ServerError || result.kind == Kind::Forbidden ||
                result.kind == Kind::BadXml || result.kind == Kind::BadSyncToken;
            if (!unsupported) {
                failNetwork(result);
                return;
            }
            listAll();
        });
}

void SyncRun::listAll() {
    m_token.clear();
    m_client->listCards(m_account.addressBook,
                        [this](const DavResult& result, const std::vector<CardRef>& cards) {
                            if (!result.ok())
                                failNetwork(result);
                            else
                                listed(cards, {}, false);
                        });
}

// The server's cards: those listed, or since the last sync those of its state as changed since.
void SyncRun::listed(const std::vector<CardRef>& cards, const QStringList& removed,
                     bool sinceLast) {
    m_server.clear();
    m_serverIndex.clear();
    const auto add = [this](const QString& href, const QString& etag) {
        const auto it = m_serverIndex.constFind(href);
        if (it != m_serverIndex.cend()) {
            m_server[*it].etag = etag;
            return;
        }
        m_serverIndex.insert(href, m_server.size());
        m_server.push_back({href, etag, {}});
    };
    if (sinceLast) {
        QSet<QString> gone;
        for (const QString& href : removed)
            gone.insert(hrefKey(href));
        for (const SyncedCard& card : m_last.cards) {
            if (!gone.contains(card.href))
                add(card.href, card.etag);
        }
    }
    for (const CardRef& card : cards)
        add(hrefKey(card.href), card.etag);

    m_today.clear();
    m_today.reserve(static_cast<size_t>(QFileInfo(m_store.dataPath()).size() / kRecordSize));
    const MaybeError err = m_store.forEachRecord([this](const char* records, qint64, qint64 count) {
        for (qint64 i = 0; i < count; ++i)
            m_today.push_back(Record::fromBytes(records + i * kRecordSize));
    });
    if (err) {
        fail(err->message());
        return;
    }
    m_alignment = alignRecords(syncedRecords(m_last), m_today);
    m_toFetch = cardsToFetch(m_last, m_alignment, m_server);
    m_fetched = 0;
    fetchNext();
}

void SyncRun::fetchNext() {
    if (m_cancelled) {
        fail({});
        return;
    }
    if (m_fetched >= m_toFetch.size()) {
        plan();
        return;
    }
    Q_EMIT progress(
        QStringLiteral("A névjegyek letöltése… (%1/%2)").arg(m_fetched).arg(m_toFetch.size()));
    const QStringList batch = m_toFetch.mid(m_fetched, kFetchBatch);
    m_fetched += batch.size();
    m_client->fetchCards(m_account.addressBook, batch,
                         [this](const DavResult& r, const std::vector<Card>& cards,
                                const QStringList& missing) { fetched(r, cards, missing); });
}

void SyncRun::fetched(const DavResult& result, const std::vector<Card>& cards,
                      const QStringList& missing) {
    if (!result.ok()) {
        failNetwork(result);
        return;
    }
    for (const Card& card : cards) {
        const auto it = m_serverIndex.constFind(hrefKey(card.href));
        if (it == m_serverIndex.cend())
            continue;
        ServerCard& known = m_server[*it];
        known.vcard = card.vcard;
        // The version that came with the content, should it have changed since the listing.
        if (!card.etag.isEmpty())
            known.etag = card.etag;
    }
    // Deleted since the listing: gone for this sync.
    if (!missing.isEmpty()) {
        QSet<QString> gone;
        for (const QString& href : missing)
            gone.insert(hrefKey(href));
        std::erase_if(m_server, [&](const ServerCard& c) { return gone.contains(c.href); });
        m_serverIndex.clear();
        for (size_t i = 0; i < m_server.size(); ++i)
            m_serverIndex.insert(m_server[i].href, i);
    }
    fetchNext();
}

void SyncRun::plan() {
    m_plan = planSync(m_last, m_today, m_alignment, m_server,
                      m_account.addressBook.path(QUrl::FullyEncoded),
                      []() { return QUuid::createUuid().toString(QUuid::WithoutBraces); });
    // The token holds for the next sync only where the state holds every card as listed.
    m_plan.next.syncToken = m_plan.cardsLeftOut ? QString() : m_token;
    // The server's cards are needed no more; a big address book must not stay in memory.
    m_server = {};
    m_serverIndex.clear();
    const SyncCounts& c = m_plan.counts;
    const bool agreed = c.deletedHere <= m_agreed.deletedHere &&
                        c.deletedThere <= m_agreed.deletedThere && m_attempts > 1;
    if (m_plan.needsConfirmation() && !agreed) {
        const QString question = QStringLiteral("A szinkronizálás sok névjegyet törölne:\n"
                                                "az adatbázisból %1 névjegyet a(z) %2 közül,\n"
                                                "a szerverről %3 névjegyet a(z) %4 közül.\n\n"
                                                "Folytatja a szinkronizálást?")
                                     .arg(c.deletedHere)
                                     .arg(m_plan.contactsHere)
                                     .arg(c.deletedThere)
                                     .arg(m_plan.contactsThere);
        if (!m_confirm || !m_confirm(question)) {
            SyncResult result;
            result.cancelled = true;
            result.error = QStringLiteral("A szinkronizálás elmaradt: sem az adatbázis, sem a "
                                          "szerver nem változott.");
            end(result);
            return;
        }
        m_agreed = c;
    }
    m_nextWrite = 0;
    if (!m_plan.writes.empty())
        Q_EMIT progress(QStringLiteral("A változások feltöltése a szerverre…"));
    writeNext();
}

void SyncRun::writeNext() {
    if (m_cancelled) {
        fail({});
        return;
    }
    if (m_nextWrite == m_plan.writes.size()) {
        // A server that gave no ETag for a written card tells it in a listing.
        const bool unknown = std::any_of(m_plan.next.cards.begin(), m_plan.next.cards.end(),
                                         [](const SyncedCard& c) { return c.etag.isEmpty(); });
        if (!unknown) {
            changeRegister();
            return;
        }
        m_client->listCards(
            m_account.addressBook,
            [this](const DavResult& r, const std::vector<CardRef>& cards) { fillEtags(r, cards); });
        return;
    }
    const ServerWrite& w = m_plan.writes[m_nextWrite];
    if (w.kind == ServerWrite::Kind::Delete) {
        m_client->deleteCard(m_account.addressBook, w.href, w.etag,
                             [this](const DavResult& r) { written(r, {}); });
        return;
    }
    m_client->putCard(m_account.addressBook, w.href, w.vcard, w.etag,
                      [this](const DavResult& r, const QString& etag) { written(r, etag); });
}

void SyncRun::written(const DavResult& result, const QString& etag) {
    const ServerWrite& w = m_plan.writes[m_nextWrite];
    using Kind = DavResult::Kind;
    const bool gone = w.kind == ServerWrite::Kind::Delete && result.kind == Kind::NotFound;
    if (!result.ok() && !gone) {
        // The card changed (or went) since it was read: never overwritten, the whole sync is
        // made again from what is there now. The writes made so far are found again by it.
        const bool changed = result.kind == Kind::Changed ||
                             (w.kind == ServerWrite::Kind::Update && result.kind == Kind::NotFound);
        if (changed && !m_cancelled && m_attempts < kMaxAttempts) {
            begin();
            return;
        }
        if (changed && !m_cancelled) {
            fail(QStringLiteral("A névjegyek a szinkronizálás közben újra és újra megváltoztak "
                                "a szerveren. Próbálja meg később.") +
                 kResume);
            return;
        }
        failNetwork(result);
        return;
    }
    if (w.stateIndex >= 0)
        m_plan.next.cards[static_cast<size_t>(w.stateIndex)].etag = etag;
    ++m_nextWrite;
    writeNext();
}

void SyncRun::fillEtags(const DavResult& result, const std::vector<CardRef>& cards) {
    if (!result.ok()) {
        failNetwork(result);
        return;
    }
    QHash<QString, QString> etags;
    for (const CardRef& card : cards)
        etags.insert(hrefKey(card.href), card.etag);
    for (SyncedCard& card : m_plan.next.cards) {
        if (card.etag.isEmpty())
            card.etag = etags.value(card.href);
    }
    changeRegister();
}

void SyncRun::changeRegister() {
    if (m_cancelled) {
        fail({});
        return;
    }
    if (!m_plan.modify.empty() || !m_plan.append.empty() || !m_plan.remove.empty())
        Q_EMIT progress(QStringLiteral("Az adatbázis frissítése…"));
    bool changedUnderfoot = false;
    if (const MaybeError err = applyToRegister(changedUnderfoot)) {
        QString message = err->message();
        if (err->state == StoreError::State::Unchanged)
            message += kResume;
        fail(message);
        return;
    }
    if (changedUnderfoot) {
        fail(QStringLiteral("Az adatbázis a szinkronizálás közben megváltozott, ezért a "
                            "szinkronizálás leállt.") +
             kResume);
        return;
    }
    Q_EMIT progress(QStringLiteral("A szinkronizálás állapotának mentése…"));
    // Where nothing changed the state file is left as it is.
    const bool same = m_plan.next == m_last;
    if (const MaybeError err =
            same ? std::nullopt : writeSyncState(syncStatePath(m_store), m_plan.next)) {
        fail(err->message() + kResume);
        return;
    }
    SyncResult result;
    result.ok = true;
    result.counts = m_plan.counts;
    end(result);
}

// In the plan's order: records changed in place, the new ones appended in one batch, then the
// removed ones in one copy of the file. Each record is checked to be the one the plan was made
// from.
MaybeError SyncRun::applyToRegister(bool& changedUnderfoot) {
    const auto stillThere = [this](qint64 n, const Record& found) {
        return n >= 1 && n <= static_cast<qint64>(m_today.size()) &&
               found == m_today[static_cast<size_t>(n - 1)];
    };
    for (const auto& [n, record] : m_plan.modify) {
        Record now;
        bool found = false;
        if (MaybeError err = m_store.readRecord(n, now, found))
            return err;
        if (!found || !stillThere(n, now)) {
            changedUnderfoot = true;
            return std::nullopt;
        }
        bool written = false;
        if (MaybeError err = m_store.modify(n, record, written))
            return err;
        if (!written) {
            changedUnderfoot = true;
            return std::nullopt;
        }
        m_registerChanged = true;
    }
    if (!m_plan.append.empty()) {
        RecordAppendBatch batch(m_store);
        if (MaybeError err = batch.begin())
            return err;
        if (batch.firstRecordNumber() <= static_cast<qint64>(m_today.size())) {
            batch.rollback();
            changedUnderfoot = true;
            return std::nullopt;
        }
        for (const Record& record : m_plan.append) {
            if (MaybeError err = batch.add(record))
                return err;
        }
        if (MaybeError err = batch.commit())
            return err;
        m_registerChanged = true;
    }
    if (!m_plan.remove.empty()) {
        RecordDeletion deletion(m_store);
        if (MaybeError err = deletion.begin(m_plan.remove)) {
            deletion.cancel();
            return err;
        }
        bool same = deletion.hasRecord();
        for (size_t i = 0; same && i < m_plan.remove.size(); ++i)
            same = stillThere(m_plan.remove[i], deletion.records()[i]);
        if (!same) {
            deletion.cancel();
            changedUnderfoot = true;
            return std::nullopt;
        }
        if (MaybeError err = deletion.commit())
            return err;
        m_registerChanged = true;
    }
    return std::nullopt;
}

void SyncRun::failNetwork(const DavResult& result) {
    if (m_cancelled || result.kind == DavResult::Kind::Cancelled) {
        fail({});
        return;
    }
    fail(result.message() + kResume, result.kind == DavResult::Kind::AuthFailed);
}

void SyncRun::fail(const QString& message, bool credentialsRefused) {
    SyncResult result;
    result.credentialsRefused = credentialsRefused;
    result.cancelled = m_cancelled;
    result.error = m_cancelled ? QStringLiteral("A szinkronizálás megszakadt.") + kResume : message;
    end(result);
}

void SyncRun::end(SyncResult result) {
    if (!m_running)
        return;
    m_running = false;
    result.registerChanged = m_registerChanged;
    m_plan = {};
    m_today = {};
    m_last = {};
    Q_EMIT finished(result);
}

} // namespace cardsync
