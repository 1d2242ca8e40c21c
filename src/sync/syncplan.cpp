#include "sync/syncplan.h"

#include "sync/cardedit.h"

#include <QHash>
#include <QSet>
#include <QUrl>
#include <QUuid>

#include <algorithm>
#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <unordered_map>

namespace cardsync {

namespace {

// The namespace of the UIDs of the copies that keep both versions of a contact.
const QUuid kCopyNamespace(0x6b1f2c3a, 0x52d4, 0x4e8b, 0x9a, 0x71, 0x3c, 0x0d, 0x5e, 0x8f, 0x21,
                           0x47);

// The card a record of the register ends up with; write is the plan's write whose answer
// gives the card's new ETag.
struct Link {
    SyncedCard card;
    int write = -1;
};

class Planner {
public:
    Planner(const SyncState& last, std::span<const Record> today, const Alignment& alignment,
            const std::vector<ServerCard>& server, const QString& bookPath,
            const std::function<QString()>& newUid)
        : m_last(last)
        , m_today(today)
        , m_serverList(server)
        , m_alignment(alignment)
        , m_bookPath(bookPath)
        , m_newUid(newUid) {
        for (const ServerCard& card : server)
            m_server.insert(card.href, &card);
        for (qint64 n : alignment.added)
            m_newHere[key(today[static_cast<size_t>(n - 1)])].push_back(n);
        m_linked.resize(today.size());
        m_linkWrite.assign(today.size(), -1);
        m_removed.assign(today.size(), false);
        m_plan.next.bookUrl = last.bookUrl;
        m_plan.contactsHere = static_cast<qint64>(today.size());
        m_plan.contactsThere = static_cast<qint64>(server.size());
    }

    SyncPlan run() {
        for (size_t i = 0; i < m_last.cards.size(); ++i) {
            m_claimed.insert(m_last.cards[i].href);
            contact(m_last.cards[i], m_alignment.synced[i]);
        }
        newContacts();
        finish();
        return std::move(m_plan);
    }

private:
    // One contact of the last sync, as it is on both sides now.
    void contact(const SyncedCard& was, const SyncedFate& fate) {
        const ServerCard* card = m_server.value(was.href);
        const bool serverChanged = card && card->etag != was.etag;
        std::optional<Record> theirs;
        if (serverChanged) {
            theirs = recordOfCard(card->vcard);
            // A card that cannot be read is left as it is on both sides, to be tried again.
            if (!theirs) {
                m_plan.cardsLeftOut = true;
                if (fate.kind != SyncedFate::Kind::Deleted)
                    link(fate.recNo, was);
                return;
            }
        }
        using Kind = SyncedFate::Kind;
        if (fate.kind == Kind::Deleted) {
            if (!card)
                return;
            if (serverChanged) {
                // Changed there, deleted here: the change wins.
                arriveHere(*theirs, withVersion(was, *card, *theirs));
                return;
            }
            write(ServerWrite::Kind::Delete, was.href, was.etag, {});
            ++m_plan.counts.deletedThere;
            return;
        }
        const qint64 n = fate.recNo;
        const Record& mine = m_today[static_cast<size_t>(n - 1)];
        const bool changedHere = fate.kind == Kind::Changed;
        if (!card) {
            if (!changedHere) {
                m_removed[static_cast<size_t>(n - 1)] = true;
                m_plan.remove.push_back(n);
                ++m_plan.counts.deletedHere;
                return;
            }
            // Changed here, deleted there: the change goes back as the card it was.
            SyncedCard restored{was.href, {}, was.uid, mine};
            link(n, restored,
                 write(ServerWrite::Kind::Create, was.href, {}, newCard(mine, was.uid)));
            ++m_plan.counts.newThere;
            return;
        }
        if (!changedHere && !serverChanged) {
            link(n, was);
            return;
        }
        if (!changedHere) {
            if (*theirs != mine) {
                m_plan.modify.emplace_back(n, *theirs);
                ++m_plan.counts.changedHere;
            }
            link(n, withVersion(was, *card, *theirs));
            return;
        }
        if (!serverChanged) {
            const std::optional<Record> current = recordOfCard(card->vcard);
            // Without the card's content it can only be replaced whole.
            const QByteArray edited =
                current ? editCard(card->vcard, *current, mine) : newCard(mine, was.uid);
            link(n, SyncedCard{was.href, {}, was.uid, mine},
                 write(ServerWrite::Kind::Update, was.href, card->etag, edited));
            ++m_plan.counts.changedThere;
            return;
        }
        bothChanged(n, was, *card, mine, *theirs);
    }

    // Fields changed on one side only are merged; where one field changed on both sides to
    // different values, both versions stay: the card as another record here, the record as
    // another card there.
    void bothChanged(qint64 n, const SyncedCard& was, const ServerCard& card, const Record& mine,
                     const Record& theirs) {
        Record merged = mine;
        for (int i = 0; i < kFieldCount; ++i) {
            const Field f = static_cast<Field>(i);
            const bool changedHere = mine.fieldBytes(f) != was.record.fieldBytes(f);
            const bool changedThere = theirs.fieldBytes(f) != was.record.fieldBytes(f);
            if (changedHere && changedThere && mine.fieldBytes(f) != theirs.fieldBytes(f)) {
                arriveHere(theirs, withVersion(was, card, theirs));
                // The copy's UID follows from the card and the record, so that a sync cut
                // short after writing it finds it again instead of writing another.
                const QByteArray seed = was.href.toUtf8() + QByteArray(mine.data(), kRecordSize);
                createThere(
                    n, QUuid::createUuidV5(kCopyNamespace, seed).toString(QUuid::WithoutBraces),
                    mine);
                ++m_plan.counts.keptBoth;
                return;
            }
            if (changedThere)
                std::memcpy(merged.data() + layout(f).offset, theirs.fieldBytes(f).data(),
                            static_cast<size_t>(layout(f).width));
        }
        if (merged != mine) {
            m_plan.modify.emplace_back(n, merged);
            ++m_plan.counts.changedHere;
        }
        SyncedCard linked = withVersion(was, card, merged);
        int w = -1;
        if (merged != theirs) {
            w = write(ServerWrite::Kind::Update, was.href, card.etag,
                      editCard(card.vcard, theirs, merged));
            ++m_plan.counts.changedThere;
        }
        link(n, linked, w);
    }

    // Cards new on the server and records new here.
    void newContacts() {
        for (const ServerCard& card : m_serverList) {
            if (m_claimed.contains(card.href))
                continue;
            const std::optional<Record> theirs = recordOfCard(card.vcard);
            if (!theirs) {
                m_plan.cardsLeftOut = true;
                continue;
            }
            arriveHere(*theirs, {card.href, card.etag, uidOfCard(card.vcard), *theirs});
        }
        for (qint64 n : m_alignment.added) {
            if (m_linked[static_cast<size_t>(n - 1)].href.isEmpty())
                createThere(n, m_newUid(), m_today[static_cast<size_t>(n - 1)]);
        }
    }

    // A contact that arrives here pairs with a new record equal to it instead of doubling it:
    // a first sync with an address book that holds some of the same contacts, or a sync that
    // was cut short after it wrote the register.
    void arriveHere(const Record& record, const SyncedCard& card) {
        const auto same = m_newHere.find(key(record));
        if (same != m_newHere.end() && !same->second.empty()) {
            link(same->second.front(), card);
            same->second.pop_front();
            return;
        }
        m_plan.append.push_back(record);
        m_appended.push_back({card, -1});
        ++m_plan.counts.newHere;
    }

    // A new card for record n. A card already at its address with the same contact, written by
    // a sync that was cut short, is taken as it is.
    void createThere(qint64 n, const QString& uid, const Record& mine) {
        const QString href = hrefFor(uid);
        if (const ServerCard* there = m_server.value(href);
            there && recordOfCard(there->vcard) == mine) {
            m_claimed.insert(href);
            link(n, {href, there->etag, uid, mine});
            return;
        }
        link(n, SyncedCard{href, {}, uid, mine},
             write(ServerWrite::Kind::Create, href, {}, newCard(mine, uid)));
        ++m_plan.counts.newThere;
    }

    // The next state takes the linked cards' places in today's order, without a copy: a large
    // register's state is held only once.
    void finish() {
        std::sort(m_plan.remove.begin(), m_plan.remove.end());
        std::vector<SyncedCard>& cards = m_linked;
        const auto place = [this](int write, size_t at) {
            if (write >= 0)
                m_plan.writes[static_cast<size_t>(write)].stateIndex = static_cast<int>(at);
        };
        size_t kept = 0;
        for (size_t i = 0; i < cards.size(); ++i) {
            if (m_removed[i] || cards[i].href.isEmpty())
                continue;
            place(m_linkWrite[i], kept);
            if (kept != i)
                cards[kept] = std::move(cards[i]);
            ++kept;
        }
        cards.resize(kept);
        for (Link& l : m_appended) {
            place(l.write, cards.size());
            cards.push_back(std::move(l.card));
        }
        m_plan.next.cards = std::move(cards);
    }

    static SyncedCard withVersion(const SyncedCard& was, const ServerCard& card,
                                  const Record& record) {
        const QString uid = uidOfCard(card.vcard);
        return {was.href, card.etag, uid.isEmpty() ? was.uid : uid, record};
    }

    QString hrefFor(const QString& uid) const {
        QString path = m_bookPath;
        if (!path.endsWith(u'/'))
            path += u'/';
        return path + QString::fromUtf8(QUrl::toPercentEncoding(uid)) + QStringLiteral(".vcf");
    }

    int write(ServerWrite::Kind kind, const QString& href, const QString& etag,
              const QByteArray& vcard) {
        m_plan.writes.push_back({kind, href, etag, vcard, -1});
        return static_cast<int>(m_plan.writes.size()) - 1;
    }

    void link(qint64 n, const SyncedCard& card, int w = -1) {
        m_linked[static_cast<size_t>(n - 1)] = card;
        m_linkWrite[static_cast<size_t>(n - 1)] = w;
    }

    static std::string key(const Record& record) { return std::string(record.data(), kRecordSize); }

    const SyncState& m_last;
    std::span<const Record> m_today;
    const std::vector<ServerCard>& m_serverList;
    const Alignment& m_alignment;
    QString m_bookPath;
    const std::function<QString()>& m_newUid;
    QHash<QString, const ServerCard*> m_server;
    std::vector<SyncedCard> m_linked; // by today's record; no href: not linked
    std::vector<int> m_linkWrite;
    std::vector<char> m_removed;
    std::vector<Link> m_appended;
    std::unordered_map<std::string, std::deque<qint64>> m_newHere; // today's new records
    QSet<QString> m_claimed; // cards that are no new contact: synced before, or taken
    SyncPlan m_plan;
};

} // namespace

bool SyncPlan::needsConfirmation() const {
    const auto many = [](qint64 deleted, qint64 of) { return deleted > 5 && deleted * 2 > of; };
    return many(counts.deletedHere, contactsHere) || many(counts.deletedThere, contactsThere);
}

SyncState startingState(SyncState last, const QString& bookUrl) {
    if (last.bookUrl == bookUrl)
        return last;
    return SyncState{bookUrl, {}, {}};
}

std::vector<Record> syncedRecords(const SyncState& state) {
    std::vector<Record> records;
    records.reserve(state.cards.size());
    for (const SyncedCard& card : state.cards)
        records.push_back(card.record);
    return records;
}

QStringList cardsToFetch(const SyncState& last, const Alignment& alignment,
                         const std::vector<ServerCard>& server) {
    QHash<QString, qsizetype> synced;
    for (size_t i = 0; i < last.cards.size(); ++i)
        synced.insert(last.cards[i].href, static_cast<qsizetype>(i));
    QStringList hrefs;
    for (const ServerCard& card : server) {
        const auto it = synced.constFind(card.href);
        if (it == synced.cend()) {
            hrefs.append(card.href);
            continue;
        }
        const auto i = static_cast<size_t>(*it);
        if (card.etag != last.cards[i].etag ||
            alignment.synced[i].kind == SyncedFate::Kind::Changed)
            hrefs.append(card.href);
    }
    return hrefs;
}

SyncPlan planSync(const SyncState& last, std::span<const Record> today, const Alignment& alignment,
                  const std::vector<ServerCard>& server, const QString& bookPath,
                  const std::function<QString()>& newUid) {
    return Planner(last, today, alignment, server, bookPath, newUid).run();
}

} // namespace cardsync
