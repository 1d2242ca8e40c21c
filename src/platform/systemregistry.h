#pragma once

#include "platform/registry.h"

#include <QHash>
#include <QStringList>

// Where a desktop without the Windows registry keeps a system-information tool: the key the
// About window looks at first names the first of the known tools found on the PATH; nothing
// else is there.
class ToolPathRegistry final : public Registry {
public:
    explicit ToolPathRegistry(QStringList tools = knownTools());

    static QStringList knownTools();

    qint32 openKey(quint32 root, const QByteArray& keyPath, quint32 options, quint32 access,
                   Handle& key) override;
    qint32 queryValue(Handle key, const QByteArray& valueName, quint32& type, char* data,
                      quint32& size) override;
    qint32 closeKey(Handle key) override;

private:
    QStringList m_tools;
    QHash<Handle, QByteArray> m_open; // key → path of the tool, NUL included
    Handle m_next = 1;
};

#ifdef Q_OS_WIN
// The Windows registry itself.
class WindowsRegistry final : public Registry {
public:
    qint32 openKey(quint32 root, const QByteArray& keyPath, quint32 options, quint32 access,
                   Handle& key) override;
    qint32 queryValue(Handle key, const QByteArray& valueName, quint32& type, char* data,
                      quint32& size) override;
    qint32 closeKey(Handle key) override;
};
#endif
