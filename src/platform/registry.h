#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The registry calls of the About window, in the narrow-character form of the Windows registry:
// key paths, value names and string data are bytes in the system's ANSI code page. Every call
// returns 0 on success, otherwise the system's error code.
class Registry {
public:
    using Handle = quintptr;

    virtual ~Registry() = default;
    virtual qint32 openKey(quint32 root, const QByteArray& keyPath, quint32 options, quint32 access,
                           Handle& key) = 0;
    // size: the buffer's size going in, the size of the value's data coming out.
    virtual qint32 queryValue(Handle key, const QByteArray& valueName, quint32& type, char* data,
                              quint32& size) = 0;
    virtual qint32 closeKey(Handle key) = 0;
};

namespace registry {
// HKEY_LOCAL_MACHINE as a 32-bit root handle.
constexpr quint32 kLocalMachine = 0x80000002;
// Query, set and create values and sub-keys, enumerate, notify, create link, read control.
constexpr quint32 kOpenAccess = 0x2003F;
// Read only (KEY_READ): what the look-up needs, granted to every user.
constexpr quint32 kReadAccess = 0x20019;
constexpr qint32 kSuccess = 0;
constexpr qint32 kFileNotFound = 2;
constexpr qint32 kAccessDenied = 5;
constexpr qint32 kInvalidHandle = 6;
constexpr qint32 kMoreData = 234;
constexpr quint32 kString = 1; // REG_SZ
constexpr quint32 kNumber = 4; // REG_DWORD
constexpr quint32 kBufferSize = 1024;
// Where Windows keeps the path of its system information tool.
inline constexpr char kSysInfoKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr char kSysInfoValue[] = "PATH";
} // namespace registry

// Reads one value into keyValue: a string value as its text, a 32-bit number in decimal, any
// other type leaving keyValue as it was. A key or value that cannot be read gives the empty
// text and false.
bool GetKeyValue(Registry& registry, quint32 root, const QString& keyPath, const QString& valueName,
                 QString& keyValue);
