#pragma once

#include "platform/programs.h"
#include "platform/registry.h"
#include "platform/shellopen.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// Records every address handed to the desktop and answers with a set result.
class RecordingShellOpen final : public ShellOpen {
public:
    bool open(const QString& address) override {
        opened.append(address);
        return result;
    }
    QStringList opened;
    bool result = true;
};

// A registry holding the values a test puts into it. Keys and value names are compared without
// regard to case, as in the Windows registry.
class ScriptedRegistry final : public Registry {
public:
    struct Value {
        quint32 type = registry::kString;
        QByteArray data;
        // The size the query reports; -1 for the size of data.
        qint64 reportedSize = -1;
    };

    // A string value stored with its closing NUL, as the registry editor stores it.
    void putString(const QString& key, const QString& name, const QString& text);
    void put(const QString& key, const QString& name, const Value& value);
    // Opening the key with anything more than this access mask is denied.
    void restrictAccess(const QString& key, quint32 allowedMask);

    qint32 openKey(quint32 root, const QByteArray& keyPath, quint32 options, quint32 access,
                   Handle& key) override;
    qint32 queryValue(Handle key, const QByteArray& valueName, quint32& type, char* data,
                      quint32& size) override;
    qint32 closeKey(Handle key) override;

    QList<quint32> openMasks; // the access mask of every open, granted or not
    int openKeys() const { return static_cast<int>(m_open.size()); }

private:
    QHash<QString, QHash<QString, Value>> m_keys;
    QHash<QString, quint32> m_allowed;
    QHash<Handle, QString> m_open;
    Handle m_next = 100;
};

// Program files that a test says exist, and a record of every program started.
class RecordingPrograms final : public Programs {
public:
    bool exists(const QString& path) override { return existing.contains(path); }
    bool start(const QString& program) override {
        started.append(program);
        return startWorks;
    }
    QSet<QString> existing;
    QStringList started;
    bool startWorks = true;
};
