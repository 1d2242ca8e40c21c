#include "contacttokens.h"
#include "sync/cardedit.h"
#include "sync/syncplan.h"

#include <QtTest>

using namespace Qt::StringLiterals;
using namespace cardsync;

namespace {

const QString kBook = u"/anna/konyv/"_s;

// A card's file name; a copy keeping the other version of a contact is named by a UUID.
QString stem(const QString& href) {
    const QString name = href.section(u'/', -1).chopped(4);
    return name.size() == 36 ? u"copy"_s : name;
}

// Every card on the server carries a photo that the register cannot hold.
QByteArray serverCard(const QString& token) {
    QByteArray card = newCard(contact(token), token.left(1));
    card.insert(card.indexOf("END:VCARD"), "PHOTO;ENCODING=b;TYPE=JPEG:AAAA\r\n");
    return card;
}

const ServerCard* find(const std::vector<ServerCard>& server, const QString& href) {
    const auto it = std::find_if(server.begin(), server.end(),
                                 [&](const ServerCard& c) { return c.href == href; });
    return it == server.end() ? nullptr : &*it;
}

QString describe(const SyncPlan& plan) {
    QStringList parts;
    for (const auto& [n, r] : plan.modify)
        parts.append(u"~%1:%2"_s.arg(n).arg(tokenOf(r)));
    for (qint64 n : plan.remove)
        parts.append(u"-%1"_s.arg(n));
    for (const Record& r : plan.append)
        parts.append(u"+"_s + tokenOf(r));
    for (const ServerWrite& w : plan.writes) {
        const QString what = w.kind == ServerWrite::Kind::Delete
                                 ? QString()
                                 : u":"_s + tokenOf(*recordOfCard(w.vcard));
        static const QStringList names = {u"new"_s, u"upd"_s, u"del"_s};
        parts.append(names[static_cast<int>(w.kind)] + u" "_s + stem(w.href) + what);
    }
    if (plan.counts.keptBoth)
        parts.append(u"kept %1"_s.arg(plan.counts.keptBoth));
    if (plan.needsConfirmation())
        parts.append(u"confirm"_s);
    return parts.join(u' ');
}

struct Sides {
    SyncState state;
    std::vector<Record> today;
    std::vector<ServerCard> server;
};

SyncPlan planned(const Sides& sides, int& uids) {
    const Alignment alignment = alignRecords(syncedRecords(sides.state), sides.today);
    std::vector<ServerCard> server = sides.server;
    const QStringList fetch = cardsToFetch(sides.state, alignment, server);
    // Only the cards asked for come with their content.
    for (ServerCard& card : server) {
        if (!fetch.contains(card.href))
            card.vcard.clear();
    }
    return planSync(sides.state, sides.today, alignment, server, kBook,
                    [&uids]() { return u"u"_s + QString::number(++uids); });
}

// Carries a plan out on both sides as the sync will, one step at a time: each server write
// (whose answer gives a new ETag), each record changed in place, the appended records, each
// record removed from the last, and the state. A sync cut short stops after the given steps.
Sides carriedOut(const Sides& before, SyncPlan plan, size_t steps = SIZE_MAX) {
    Sides after = before;
    static int version = 0;
    for (const ServerWrite& w : plan.writes) {
        if (steps-- == 0)
            return after;
        const auto it = std::find_if(after.server.begin(), after.server.end(),
                                     [&](const ServerCard& c) { return c.href == w.href; });
        if (w.kind == ServerWrite::Kind::Delete) {
            after.server.erase(it);
            continue;
        }
        const QString etag = u"w"_s + QString::number(++version);
        if (it == after.server.end())
            after.server.push_back({w.href, etag, w.vcard});
        else
            *it = {w.href, etag, w.vcard};
        plan.next.cards[static_cast<size_t>(w.stateIndex)].etag = etag;
    }
    for (const auto& [n, r] : plan.modify) {
        if (steps-- == 0)
            return after;
        after.today[static_cast<size_t>(n - 1)] = r;
    }
    if (!plan.append.empty() && steps-- == 0)
        return after;
    after.today.insert(after.today.end(), plan.append.begin(), plan.append.end());
    for (auto it = plan.remove.rbegin(); it != plan.remove.rend(); ++it) {
        if (steps-- == 0)
            return after;
        after.today.erase(after.today.begin() + (*it - 1));
    }
    if (steps != 0)
        after.state = plan.next;
    return after;
}

// The contacts on both sides, in any order.
QString contents(const Sides& sides) {
    QStringList here, there;
    for (const Record& r : sides.today)
        here.append(tokenOf(r));
    for (const ServerCard& card : sides.server)
        there.append(tokenOf(*recordOfCard(card.vcard)));
    here.sort();
    there.sort();
    return here.join(u' ') + u" | "_s + there.join(u' ');
}

} // namespace

class TestSyncPlan : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void plan_data() {
        QTest::addColumn<QString>("synced");
        QTest::addColumn<QString>("here");
        QTest::addColumn<QString>("there");
        QTest::addColumn<QString>("expected");
        const QString seven = u"A B C D E F G"_s;
        QTest::newRow("nothing changed") << u"A B C"_s << u"A B C"_s << u"A B C"_s << u""_s;
        QTest::newRow("first sync, empty address book")
            << u""_s << u"A B"_s << u""_s << u"new u1:A new u2:B"_s;
        QTest::newRow("first sync pairs equal contacts")
            << u""_s << u"A B"_s << u"B C"_s << u"+C new u1:A"_s;
        QTest::newRow("changed here") << u"A B"_s << u"A B'"_s << u"A B"_s << u"upd B:B'"_s;
        QTest::newRow("changed there") << u"A B"_s << u"A B"_s << u"A B'"_s << u"~2:B'"_s;
        // "B*" is B written again on the server: a new ETag, the same fields.
        QTest::newRow("changed there where the register cannot see")
            << u"A B"_s << u"A B"_s << u"A B*"_s << u""_s;
        QTest::newRow("both changed, other fields")
            << u"A B"_s << u"A B'"_s << u"A B^"_s << u"~2:B'^ upd B:B'^"_s;
        QTest::newRow("both changed alike") << u"A B"_s << u"A B'"_s << u"A B'"_s << u""_s;
        QTest::newRow("both changed one field")
            << u"A B"_s << u"A B'"_s << u"A B''"_s << u"+B'' new copy:B' kept 1"_s;
        QTest::newRow("deleted here") << u"A B"_s << u"A"_s << u"A B"_s << u"del B"_s;
        QTest::newRow("deleted there") << u"A B"_s << u"A B"_s << u"A"_s << u"-2"_s;
        QTest::newRow("changed here, deleted there")
            << u"A B"_s << u"A B'"_s << u"A"_s << u"new B:B'"_s;
        QTest::newRow("deleted here, changed there") << u"A B"_s << u"A"_s << u"A B'"_s << u"+B'"_s;
        QTest::newRow("deleted on both sides") << u"A B"_s << u"A"_s << u"A"_s << u""_s;
        QTest::newRow("new on both sides") << u"A"_s << u"A X"_s << u"A Y"_s << u"+Y new u1:X"_s;
        QTest::newRow("all kinds at once")
            << u"A B C D"_s << u"A C' D X"_s << u"A B^ C D Y"_s << u"+B^ +Y upd C:C' new u1:X"_s;
        QTest::newRow("register emptied")
            << seven << u""_s << seven << u"del A del B del C del D del E del F del G confirm"_s;
        QTest::newRow("address book emptied")
            << seven << seven << u""_s << u"-1 -2 -3 -4 -5 -6 -7 confirm"_s;
        QTest::newRow("a few deleted")
            << u"A B C"_s << u""_s << u"A B C"_s << u"del A del B del C"_s;
    }

    // The plan of one sync; carried out, it leaves both sides and the state in agreement, and
    // a second sync changes nothing.
    void plan() {
        QFETCH(QString, synced);
        QFETCH(QString, here);
        QFETCH(QString, there);
        QFETCH(QString, expected);
        Sides sides;
        sides.state.bookUrl = u"http://127.0.0.1"_s + kBook;
        QHash<QString, QString> syncedToken;
        for (const QString& t : synced.split(u' ', Qt::SkipEmptyParts)) {
            sides.state.cards.push_back({kBook + t + u".vcf"_s, u"e0"_s, t, contact(t)});
            syncedToken[t.left(1)] = t;
        }
        sides.today = contacts(here);
        for (const QString& t : there.split(u' ', Qt::SkipEmptyParts)) {
            const QString letter = t.left(1);
            const QString etag = syncedToken.value(letter) == t ? u"e0"_s : u"e1"_s;
            sides.server.push_back(
                {kBook + letter + u".vcf"_s, etag, serverCard(QString(t).remove(u'*'))});
        }

        int uids = 0;
        const SyncPlan first = planned(sides, uids);
        QCOMPARE(describe(first), expected);
        QVERIFY(!first.cardsLeftOut);

        const Sides after = carriedOut(sides, first);
        QCOMPARE(syncedRecords(after.state), after.today);
        QCOMPARE(after.state.cards.size(), after.server.size());
        for (const SyncedCard& card : after.state.cards) {
            const ServerCard* it = find(after.server, card.href);
            QVERIFY(it);
            QCOMPARE(it->etag, card.etag);
            QCOMPARE(recordOfCard(it->vcard), std::optional<Record>(card.record));
            QCOMPARE(uidOfCard(it->vcard), card.uid);
            // A card that stays keeps what the register cannot hold.
            QCOMPARE(it->vcard.contains("PHOTO"), find(sides.server, card.href) != nullptr);
        }
        QCOMPARE(describe(planned(after, uids)), u""_s);

        // Cut short after any step: the next sync ends where one uninterrupted sync does,
        // without losing or doubling a contact.
        const size_t steps = first.writes.size() + first.modify.size() +
                             (first.append.empty() ? 0 : 1) + first.remove.size() + 1;
        for (size_t k = 0; k < steps; ++k) {
            const Sides cut = carriedOut(sides, first, k);
            const Sides resumed = carriedOut(cut, planned(cut, uids));
            QVERIFY2(contents(resumed) == contents(after), qPrintable(QString::number(k)));
            QCOMPARE(describe(planned(resumed, uids)), u""_s);
        }
    }

    // A card that cannot be read changes nothing on either side, and the state cannot stand for
    // the server's: the next sync lists every card again.
    void unreadableCard_data() {
        QTest::addColumn<QString>("synced");
        QTest::addColumn<QString>("here");
        QTest::newRow("new there") << u"A"_s << u"A"_s;
        QTest::newRow("changed there") << u"A B"_s << u"A B"_s;
        QTest::newRow("changed there, deleted here") << u"A B"_s << u"A"_s;
    }

    void unreadableCard() {
        QFETCH(QString, synced);
        QFETCH(QString, here);
        Sides sides;
        for (const QString& t : synced.split(u' ')) {
            const QString href = kBook + t + u".vcf"_s;
            sides.state.cards.push_back({href, u"e0"_s, t, contact(t)});
            sides.server.push_back({href, u"e0"_s, serverCard(t)});
        }
        sides.today = contacts(here);
        if (sides.server.size() == 1)
            sides.server.push_back({kBook + u"B.vcf"_s, {}, {}});
        sides.server.back().etag = u"e1"_s;
        sides.server.back().vcard = "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n";
        int uids = 0;
        const SyncPlan plan = planned(sides, uids);
        QCOMPARE(describe(plan), u""_s);
        QVERIFY(plan.cardsLeftOut);
    }
};

QTEST_GUILESS_MAIN(TestSyncPlan)
#include "tst_syncplan.moc"
