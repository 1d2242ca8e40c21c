#include "platform/systemregistry.h"

#include <QFile>
#include <QStandardPaths>

#include <cstring>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {
const QByteArray kToolKey(registry::kSysInfoKey);
const QByteArray kToolValue(registry::kSysInfoValue);
} // namespace

ToolPathRegistry::ToolPathRegistry(QStringList tools)
    : m_tools(std::move(tools)) {}

QStringList ToolPathRegistry::knownTools() {
    return {QStringLiteral("kinfocenter"),
            QStringLiteral("gnome-system-monitor"),
            QStringLiteral("hardinfo"),
            QStringLiteral("hardinfo2"),
            QStringLiteral("mate-system-monitor"),
            QStringLiteral("xfce4-taskmanager")};
}

qint32 ToolPathRegistry::openKey(quint32 root, const QByteArray& keyPath, quint32, quint32,
                                 Handle& key) {
    // Key names are compared without regard to case, as the registry does.
    if (root != registry::kLocalMachine || keyPath.compare(kToolKey, Qt::CaseInsensitive) != 0)
        return registry::kFileNotFound;
    for (const QString& tool : m_tools) {
        const QString path = QStandardPaths::findExecutable(tool);
        if (!path.isEmpty()) {
            key = m_next++;
            m_open.insert(key, QFile::encodeName(path) + '\0');
            return registry::kSuccess;
        }
    }
    return registry::kFileNotFound;
}

qint32 ToolPathRegistry::queryValue(Handle key, const QByteArray& valueName, quint32& type,
                                    char* data, quint32& size) {
    const auto it = m_open.constFind(key);
    if (it == m_open.constEnd())
        return registry::kInvalidHandle;
    if (valueName.compare(kToolValue, Qt::CaseInsensitive) != 0)
        return registry::kFileNotFound;
    const QByteArray& value = *it;
    const auto needed = static_cast<quint32>(value.size());
    type = registry::kString;
    if (needed > size) {
        size = needed;
        return registry::kMoreData;
    }
    std::memcpy(data, value.constData(), needed);
    size = needed;
    return registry::kSuccess;
}

qint32 ToolPathRegistry::closeKey(Handle key) {
    return m_open.remove(key) ? registry::kSuccess : registry::kInvalidHandle;
}

#ifdef Q_OS_WIN
namespace {
// The predefined roots are sign-extended 32-bit values (HKEY_LOCAL_MACHINE is
// (HKEY)(ULONG_PTR)(LONG)0x80000002).
HKEY rootHandle(quint32 root) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}
} // namespace

qint32 WindowsRegistry::openKey(quint32 root, const QByteArray& keyPath, quint32 options,
                                quint32 access, Handle& key) {
    HKEY opened = nullptr;
    const LONG rc = RegOpenKeyExA(rootHandle(root), keyPath.constData(), options, access, &opened);
    key = reinterpret_cast<Handle>(opened);
    return rc;
}

qint32 WindowsRegistry::queryValue(Handle key, const QByteArray& valueName, quint32& type,
                                   char* data, quint32& size) {
    DWORD valueType = 0;
    DWORD valueSize = size;
    const LONG rc = RegQueryValueExA(reinterpret_cast<HKEY>(key), valueName.constData(), nullptr,
                                     &valueType, reinterpret_cast<BYTE*>(data), &valueSize);
    type = valueType;
    size = valueSize;
    return rc;
}

qint32 WindowsRegistry::closeKey(Handle key) {
    return RegCloseKey(reinterpret_cast<HKEY>(key));
}
#endif
