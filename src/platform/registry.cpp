#include "platform/registry.h"

#include <QtEndian>

bool GetKeyValue(Registry& registry, quint32 root, const QString& keyPath, const QString& valueName,
                 QString& keyValue) {
    using namespace registry;
    Registry::Handle key = 0;
    qint32 rc = registry.openKey(root, keyPath.toLocal8Bit(), 0, kOpenAccess, key);
    // The wide mask asks for write rights, which a user without administrator rights does not
    // have on the machine's keys; reading needs none of them.
    if (rc == kAccessDenied)
        rc = registry.openKey(root, keyPath.toLocal8Bit(), 0, kReadAccess, key);
    if (rc != kSuccess) {
        keyValue.clear();
        return false;
    }

    QByteArray buffer(kBufferSize, '\0');
    quint32 type = 0;
    quint32 size = kBufferSize;
    rc = registry.queryValue(key, valueName.toLocal8Bit(), type, buffer.data(), size);
    bool result = false;
    if (rc != kSuccess) {
        keyValue.clear();
    } else {
        // A string is usually stored with its closing NUL, but need not be.
        const qsizetype reported = qMin<qsizetype>(size, buffer.size());
        const qsizetype length =
            reported > 0 && buffer.at(reported - 1) == '\0' ? reported - 1 : reported;
        if (type == kString) {
            keyValue = QString::fromLocal8Bit(buffer.constData(), length);
        } else if (type == kNumber) {
            // The number's own four bytes, whatever the cut above made of them.
            keyValue = QString::number(qFromLittleEndian<quint32>(buffer.constData()));
        }
        result = true;
    }
    registry.closeKey(key);
    return result;
}
