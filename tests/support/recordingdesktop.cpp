#include "recordingdesktop.h"

#include <cstring>

void ScriptedRegistry::putString(const QString& key, const QString& name, const QString& text) {
    put(key, name, {registry::kString, text.toLocal8Bit() + '\0', -1});
}

void ScriptedRegistry::put(const QString& key, const QString& name, const Value& value) {
    m_keys[key.toLower()][name.toLower()] = value;
}

void ScriptedRegistry::restrictAccess(const QString& key, quint32 allowedMask) {
    m_allowed[key.toLower()] = allowedMask;
}

qint32 ScriptedRegistry::openKey(quint32 root, const QByteArray& keyPath, quint32, quint32 access,
                                 Handle& key) {
    openMasks.append(access);
    const QString name = QString::fromLocal8Bit(keyPath).toLower();
    if (root != registry::kLocalMachine || !m_keys.contains(name))
        return registry::kFileNotFound;
    if (m_allowed.contains(name) && (access & ~m_allowed.value(name)) != 0)
        return registry::kAccessDenied;
    key = m_next++;
    m_open.insert(key, name);
    return registry::kSuccess;
}

qint32 ScriptedRegistry::queryValue(Handle key, const QByteArray& valueName, quint32& type,
                                    char* data, quint32& size) {
    if (!m_open.contains(key))
        return registry::kInvalidHandle;
    const auto& values = m_keys.value(m_open.value(key));
    const QString name = QString::fromLocal8Bit(valueName).toLower();
    if (!values.contains(name))
        return registry::kFileNotFound;
    const Value& v = values.value(name);
    type = v.type;
    const auto stored = static_cast<quint32>(v.data.size());
    if (stored > size) {
        size = stored;
        return registry::kMoreData;
    }
    std::memcpy(data, v.data.constData(), stored);
    size = v.reportedSize < 0 ? stored : static_cast<quint32>(v.reportedSize);
    return registry::kSuccess;
}

qint32 ScriptedRegistry::closeKey(Handle key) {
    return m_open.remove(key) ? registry::kSuccess : registry::kInvalidHandle;
}
