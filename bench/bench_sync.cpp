// Aligning the records of the last sync with today's register, and whole syncs against a local
// Radicale, each beside a plain client that makes the same requests in the same order.
#include "benchmarks.h"
#include "generator.h"
#include "radicaleserver.h"
#include "registers.h"

#include "store/datastore.h"
#include "sync/alignment.h"
#include "sync/cardedit.h"
#include "sync/syncrun.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QUuid>

using namespace benchutil;

namespace {

std::vector<Record> generated(qint64 count, std::uint64_t seed) {
    contactgen::RegisterGenerator generator(seed);
    std::vector<Record> records;
    records.reserve(static_cast<size_t>(count));
    for (qint64 i = 0; i < count; ++i)
        records.push_back(generator.next());
    return records;
}

// A day's work on the register: every hundredth record changed in place, every two-hundredth
// removed (offset, so that no record is both), and one in a hundred appended.
std::vector<Record> worked(const std::vector<Record>& synced) {
    std::vector<Record> today;
    today.reserve(synced.size() + synced.size() / 100);
    for (size_t i = 0; i < synced.size(); ++i) {
        if (i % 200 == 50)
            continue;
        Record r = synced[i];
        if (i % 100 == 0)
            r.setField(Field::Megj, QStringLiteral("új megjegyzés"));
        today.push_back(r);
    }
    const std::vector<Record> added =
        generated(static_cast<qint64>(synced.size() / 100), contactgen::kDefaultSeed + 1);
    today.insert(today.end(), added.begin(), added.end());
    return today;
}

void align(benchmark::State& state, bool changed) {
    const qint64 count = state.range(0);
    const std::vector<Record> synced = generated(count, contactgen::kDefaultSeed);
    const std::vector<Record> today = changed ? worked(synced) : synced;
    const auto expectedAdded = static_cast<size_t>(changed ? count / 100 : 0);
    for (auto _ : state) {
        Stopwatch t;
        const cardsync::Alignment alignment = cardsync::alignRecords(synced, today);
        state.SetIterationTime(t.seconds());
        if (alignment.added.size() != expectedAdded)
            return fail(state, QStringLiteral("%1 new records").arg(alignment.added.size()));
    }
}

void alignUnchanged(benchmark::State& state) {
    align(state, false);
}

void alignWorked(benchmark::State& state) {
    align(state, true);
}

RadicaleServer* radicale() {
    static RadicaleServer server;
    static const QString error = server.start({{QStringLiteral("anna"), QStringLiteral("titok")}});
    return error.isEmpty() ? &server : nullptr;
}

// Waits for one callback of the client.
template <typename Call> void await(Call call) {
    QEventLoop loop;
    bool done = false;
    call([&]() {
        done = true;
        loop.quit();
    });
    if (!done)
        loop.exec();
}

// A register of count generated contacts and an address book of its own: empty, or holding the
// same contacts as cards written straight into the server's storage, which a first sync pairs.
struct SyncSides {
    QTemporaryDir dir;
    QUrl book;
    std::vector<Record> records;

    SyncSides(qint64 count, bool filled)
        : records(generated(count, contactgen::kDefaultSeed)) {
        static int books = 0;
        const QString name = QStringLiteral("bench%1").arg(++books);
        book = radicale()->addAddressBook(QStringLiteral("anna"), name, name);
        QFile file(DataStore(dir.path()).dataPath());
        if (file.open(QIODevice::WriteOnly)) {
            for (const Record& r : records)
                file.write(r.data(), kRecordSize);
        }
        const QDir cards(radicale()->addressBookFolder(QStringLiteral("anna"), name));
        for (size_t i = 0; filled && i < records.size(); ++i) {
            const QString uid = QStringLiteral("bench-%1").arg(i);
            QFile card(cards.filePath(uid + QStringLiteral(".vcf")));
            if (card.open(QIODevice::WriteOnly))
                card.write(cardsync::newCard(records[i], uid));
        }
    }

    cardsync::SyncResult sync() const {
        cardsync::SyncRun run(DataStore(dir.path()),
                              {book, QStringLiteral("anna"), book, {}, {}, false},
                              QStringLiteral("titok"));
        cardsync::SyncResult result;
        await([&](auto done) {
            QObject::connect(&run, &cardsync::SyncRun::finished,
                             [&, done](const cardsync::SyncResult& r) {
                                 result = r;
                                 done();
                             });
            run.start();
        });
        return result;
    }
};

// The peak growth of the resident memory over a sync, whole and per contact.
void reportMemory(benchmark::State& state, const benchfiles::PeakGrowth& memory) {
    state.counters["peak_growth_MiB"] = static_cast<double>(memory.kib()) / 1024.0;
    state.counters["per_contact_B"] =
        static_cast<double>(memory.kib()) * 1024.0 / static_cast<double>(state.range(0));
}

std::unique_ptr<cardsync::CardDavClient> plainClient() {
    auto client = std::make_unique<cardsync::CardDavClient>();
    client->setCredentials(QStringLiteral("anna"), QStringLiteral("titok"));
    return client;
}

void list(cardsync::CardDavClient& client, const QUrl& book) {
    await([&](auto done) {
        client.listCards(book, [done](const cardsync::DavResult&, const auto&) { done(); });
    });
}

void put(cardsync::CardDavClient& client, const QUrl& book, const QString& href,
         const QByteArray& card, const QString& etag) {
    await([&](auto done) {
        client.putCard(book, href, card, etag,
                       [done](const cardsync::DavResult&, const QString&) { done(); });
    });
}

QString newHref(const QUrl& book, const QString& uid) {
    return book.path() + uid + QStringLiteral(".vcf");
}

// The first sync of the register to an empty address book; plain: one listing and a PUT of
// each card, one after the other.
void firstSync(benchmark::State& state, bool plain) {
    if (!radicale())
        return fail(state, QStringLiteral("radicale does not start"));
    benchfiles::PeakGrowth memory;
    for (auto _ : state) {
        const SyncSides sides(state.range(0), false);
        memory.start();
        Stopwatch t;
        if (plain) {
            const auto client = plainClient();
            list(*client, sides.book);
            for (const Record& r : sides.records) {
                const QString uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
                put(*client, sides.book, newHref(sides.book, uid), cardsync::newCard(r, uid), {});
            }
        } else if (const auto result = sides.sync(); !result.ok) {
            return fail(state, result.error);
        }
        state.SetIterationTime(t.seconds());
        memory.stop();
    }
    reportMemory(state, memory);
}

// A sync with nothing changed, or after one change on each side, of a register synced with an
// address book that holds the same contacts; plain: the changes since the last sync's token in
// one report, then a multiget of the two cards and one PUT.
void laterSync(benchmark::State& state, bool changed, bool plain) {
    if (!radicale())
        return fail(state, QStringLiteral("radicale does not start"));
    const SyncSides sides(state.range(0), true);
    if (const auto result = sides.sync(); !result.ok)
        return fail(state, result.error);
    const auto client = plainClient();
    const DataStore store(sides.dir.path());
    benchfiles::PeakGrowth memory;
    int round = 0;
    for (auto _ : state) {
        cardsync::SyncState last;
        cardsync::readSyncState(cardsync::syncStatePath(store), last);
        const cardsync::SyncedCard& mine = last.cards.at(0);
        const cardsync::SyncedCard& theirs = last.cards.at(1);
        if (changed) {
            ++round;
            // Here a new note on the first contact, there a new one on the second.
            Record r = mine.record;
            r.setField(Field::Megj, QStringLiteral("itt %1").arg(round));
            bool written = false;
            DataStore(store).modify(1, r, written);
            Record t = theirs.record;
            t.setField(Field::Megj, QStringLiteral("ott %1").arg(round));
            put(*client, sides.book, theirs.href, cardsync::newCard(t, theirs.uid), theirs.etag);
        }
        memory.start();
        Stopwatch t;
        if (plain) {
            await([&](auto done) {
                client->changesSince(sides.book, last.syncToken,
                                     [done](const auto&, const auto&) { done(); });
            });
            if (changed) {
                await([&](auto done) {
                    client->fetchCards(sides.book, {mine.href, theirs.href},
                                       [done](const auto&, const auto&, const auto&) { done(); });
                });
                put(*client, sides.book, mine.href, cardsync::newCard(mine.record, mine.uid),
                    mine.etag);
            }
        } else if (const auto result = sides.sync(); !result.ok) {
            return fail(state, result.error);
        }
        state.SetIterationTime(t.seconds());
        memory.stop();
        if (last.syncToken.isEmpty())
            return fail(state, QStringLiteral("no sync token was kept"));
        if (plain && changed) {
            // The plain client's write is undone by a real sync, out of the timing.
            sides.sync();
        }
    }
    reportMemory(state, memory);
}

void syncFirst(benchmark::State& state) {
    firstSync(state, false);
}
void syncFirstPlain(benchmark::State& state) {
    firstSync(state, true);
}
void syncUnchanged(benchmark::State& state) {
    laterSync(state, false, false);
}
void syncUnchangedPlain(benchmark::State& state) {
    laterSync(state, false, true);
}
void syncOneChangeEach(benchmark::State& state) {
    laterSync(state, true, false);
}
void syncOneChangeEachPlain(benchmark::State& state) {
    laterSync(state, true, true);
}

} // namespace

void registerSyncBenchmarks(const Sizes& run) {
    add("Sync_AlignUnchanged", alignUnchanged, {10000, 100000, 1000000}, run);
    add("Sync_AlignWorked", alignWorked, {10000, 100000, 1000000}, run);
    const Sizes synced = {100, 1000, 10000};
    add("Sync_First", syncFirst, synced, run);
    add("Sync_FirstPlain", syncFirstPlain, synced, run);
    add("Sync_Unchanged", syncUnchanged, synced, run);
    add("Sync_UnchangedPlain", syncUnchangedPlain, synced, run);
    add("Sync_OneChangeEach", syncOneChangeEach, synced, run);
    add("Sync_OneChangeEachPlain", syncOneChangeEachPlain, synced, run);
}
