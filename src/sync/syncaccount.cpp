#include "sync/syncaccount.h"

#include "store/datafile.h"
#include "store/datastore.h"
#include "store/exchangefile.h"

#include <QDir>
#include <QIODevice>

#include <cerrno>

namespace cardsync {

namespace {

// A few lines of text, each a key and a percent-encoded value, so that it reads in an editor:
//   Zelvanor-Account 1
//   server <URL>
//   user <name>
//   book <URL>
//   bookname <display name>
//   certificate <SHA-256, hex; may be empty>
//   plainhttp <0 or 1>
constexpr QByteArrayView kMagic = "Zelvanor-Account 1";
// No real account comes near this; a bigger file is not ours.
constexpr qint64 kMaxSize = 64 * 1024;

const char* const kKeys[] = {"server", "user", "book", "bookname", "certificate", "plainhttp"};

StoreError damaged(const QString& path) {
    StoreError e = systemError(StoreError::Action::Read, path, 0);
    e.detail = QStringLiteral("A szinkronizálási fiók beállításait őrző fájl sérült. Adja meg "
                              "újra a fiók adatait.");
    return e;
}

bool isHex(const QByteArray& text) {
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

// The account in the file's text; none when any line is wrong or missing.
std::optional<SyncAccount> parse(const QByteArray& text) {
    QList<QByteArray> lines = text.split('\n');
    // The last line ends in a line feed like every other: what follows it is empty.
    if (lines.size() != 2 + static_cast<qsizetype>(std::size(kKeys)) || !lines.last().isEmpty() ||
        lines.first() != kMagic)
        return std::nullopt;
    QString values[std::size(kKeys)];
    for (size_t i = 0; i < std::size(kKeys); ++i) {
        const QByteArray& line = lines[static_cast<qsizetype>(i) + 1];
        const QByteArray key = QByteArray(kKeys[i]) + ' ';
        if (!line.startsWith(key))
            return std::nullopt;
        const QByteArray bytes = QByteArray::fromPercentEncoding(line.mid(key.size()));
        values[i] = QString::fromUtf8(bytes);
        if (values[i].toUtf8() != bytes || values[i].contains(u'\n'))
            return std::nullopt;
    }
    SyncAccount account;
    account.server = QUrl(values[0], QUrl::StrictMode);
    account.user = values[1];
    account.addressBook = QUrl(values[2], QUrl::StrictMode);
    account.addressBookName = values[3];
    account.trustedCertificate = values[4].toLatin1();
    if (!account.server.isValid() || !account.addressBook.isValid() ||
        !isHex(account.trustedCertificate) || (values[5] != u"0" && values[5] != u"1"))
        return std::nullopt;
    account.plainHttpAllowed = values[5] == u"1";
    return account;
}

} // namespace

QString syncAccountPath(const DataStore& store) {
    return QDir(store.folder()).filePath(QStringLiteral("Telefon.account"));
}

MaybeError readSyncAccount(const QString& path, std::optional<SyncAccount>& account) {
    account.reset();
    DataFile file;
    if (auto err = file.openExisting(path)) {
        if (err->code == ENOENT)
            return std::nullopt;
        return err;
    }
    QByteArray text(kMaxSize + 1, Qt::Uninitialized);
    qint64 got = 0;
    if (auto err = file.readAt(0, text.data(), text.size(), got))
        return err;
    if (got > kMaxSize)
        return damaged(path);
    text.resize(got);
    account = parse(text);
    if (!account)
        return damaged(path);
    return std::nullopt;
}

MaybeError writeSyncAccount(const QString& path, const SyncAccount& account) {
    const QString values[] = {account.server.toString(QUrl::FullyEncoded),
                              account.user,
                              account.addressBook.toString(QUrl::FullyEncoded),
                              account.addressBookName,
                              QString::fromLatin1(account.trustedCertificate),
                              account.plainHttpAllowed ? QStringLiteral("1") : QStringLiteral("0")};
    QByteArray text = kMagic.toByteArray() + '\n';
    for (size_t i = 0; i < std::size(kKeys); ++i)
        text += QByteArray(kKeys[i]) + ' ' + values[i].toUtf8().toPercentEncoding() + '\n';
    return replaceFileWhole(path, [&](QIODevice& out) -> MaybeError {
        errno = 0;
        if (out.write(text) != text.size())
            return exchangeWriteError(StoreError::Action::Write, path, errno, out);
        return std::nullopt;
    });
}

} // namespace cardsync
