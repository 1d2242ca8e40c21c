#pragma once

#include "store/datastore.h"
#include "store/record.h"
#include "sync/alignment.h"
#include "sync/carddavclient.h"
#include "sync/syncaccount.h"
#include "sync/syncplan.h"
#include "sync/syncstate.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// One two-way sync of a register with its address book, on the thread's event loop: the
// cards are listed and the needed ones fetched, the plan is made, and carried out in its
// order: the server's writes, then Telefon.dat's changes through the store's crash-safe
// operations, then the state. A failure anywhere stops the run; the next one finishes the
// work.
namespace cardsync {

struct SyncResult {
    bool ok = false;
    bool cancelled = false; // stopped by the user, or the deletions were not agreed to
    QString error;          // Hungarian, for a message; empty when ok
    SyncCounts counts;
    bool registerChanged = false;    // Telefon.dat was written: the list must be read again
    bool credentialsRefused = false; // the server refused the user name or the password
};

// One Hungarian message counting what changed on each side.
QString syncSummary(const SyncCounts& counts);

class SyncRun : public QObject {
    Q_OBJECT

public:
    SyncRun(const DataStore& store, const SyncAccount& account, const QString& password,
            QObject* parent = nullptr);

    // Asked, while the run waits, before a sync that would delete many contacts and about a
    // server certificate the system does not trust; without it the answer is No.
    void setConfirm(std::function<bool(const QString& question)> confirm) {
        m_confirm = std::move(confirm);
    }
    // The client the run talks through, for the connection's settings.
    CardDavClient& client() { return *m_client; }

    // Starts the run; finished() tells its end, exactly once.
    void start();
    // Stops the run at the next request; the result says cancelled.
    void cancel();
    bool isRunning() const { return m_running; }

Q_SIGNALS:
    void progress(const QString& step);
    void finished(const cardsync::SyncResult& result);

private:
    void begin();
    void listChanges(const QString& token);
    void listAll();
    void listed(const std::vector<CardRef>& cards, const QStringList& removed, bool sinceLast);
    void fetchNext();
    void fetched(const DavResult& result, const std::vector<Card>& cards,
                 const QStringList& missing);
    void plan();
    void writeNext();
    void written(const DavResult& result, const QString& etag);
    void fillEtags(const DavResult& result, const std::vector<CardRef>& cards);
    void changeRegister();
    MaybeError applyToRegister(bool& changedUnderfoot);
    void failNetwork(const DavResult& result);
    void fail(const QString& message, bool credentialsRefused = false);
    void end(SyncResult result);
    QString hrefKey(const QString& href) const;

    DataStore m_store;
    SyncAccount m_account;
    CardDavClient* m_client;
    std::function<bool(const QString&)> m_confirm;
    bool m_running = false;
    bool m_cancelled = false;
    bool m_registerChanged = false;
    int m_attempts = 0;
    SyncCounts m_agreed; // deletions the user agreed to in this run

    // The sync being made.
    SyncState m_last;
    std::vector<Record> m_today;
    Alignment m_alignment;
    QString m_token; // the server's token of the state listed
    std::vector<ServerCard> m_server;
    QHash<QString, size_t> m_serverIndex; // normalised href -> m_server
    QStringList m_toFetch;
    qsizetype m_fetched = 0;
    SyncPlan m_plan;
    size_t m_nextWrite = 0;
};

} // namespace cardsync
