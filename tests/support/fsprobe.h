#pragma once

#include "store/posixfs.h"

#include <QList>
#include <QString>

#include <map>

// Watches the store's file-system calls while it lives, and makes chosen ones fail. Calls on
// a handle are told by the name the handle was opened under.
class FsProbe final : public fsys::Observer {
public:
    struct Event {
        fsys::Call call;
        QString path; // the name, or the name of the handle's file
        QString target;
        qint64 result;
        int error;
        bool injected;
    };

    FsProbe();
    ~FsProbe() override;
    FsProbe(const FsProbe&) = delete;
    FsProbe& operator=(const FsProbe&) = delete;

    // The nth call (from 1) of a kind made from now on, on the given file if one is named,
    // fails with error; a negative error throws std::bad_alloc from it instead, as where
    // memory runs out.
    void failCall(fsys::Call call, int nth, int error, const QString& path = QString());

    QList<Event> events() const;
    // Calls of a kind seen so far, failed ones included.
    int count(fsys::Call call) const;
    int injected() const;
    void clear();

    int before(const fsys::CallInfo& info) override;
    void after(const fsys::CallInfo& info, qint64 result, int error) override;

private:
    struct Rule {
        fsys::Call call;
        QString path;
        int nth;
        int error;
        int seen = 0;
    };

    QString pathOf(const fsys::CallInfo& info) const;

    fsys::Observer* m_previous = nullptr;
    std::map<int, QString> m_handles;
    std::map<int, QString> m_closing;
    std::map<fsys::Call, int> m_counts;
    QList<Rule> m_rules;
    QList<Event> m_events;
    int m_injected = 0;
    bool m_injecting = false; // whether the call under way was failed on purpose
};

const char* callName(fsys::Call call);
