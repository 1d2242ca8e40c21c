#include "sync/syncstate.h"

#include "store/datafile.h"
#include "store/datastore.h"
#include "store/exchangefile.h"

#include <QDir>
#include <QIODevice>

#include <cerrno>

namespace cardsync {

namespace {

// One line per contact, so that the file reads in a text editor and a cut shows:
//   Zelvanor-Sync 1
//   book <address book URL>
//   token <the server's sync token>                     (only where there is one)
//   card <href> <ETag> <UID> <the record's 279 bytes in base64>
//   end <number of cards>
// Texts are percent-encoded, so that no blank or line break of their own splits a line.
constexpr QByteArrayView kMagic = "Zelvanor-Sync 1";
// A longer line is damage: no href, ETag or UID of a real server comes near it.
constexpr qsizetype kMaxLine = 64 * 1024;
constexpr qint64 kReadBlock = 256 * 1024;
// "card", the href and three blanks, and the record in base64 with the line feed.
constexpr qint64 kShortestCardLine = 4 + 1 + 3 + (kRecordSize + 2) / 3 * 4 + 1;

QByteArray encoded(const QString& text) {
    return text.toUtf8().toPercentEncoding();
}

bool decoded(QByteArrayView part, QString& text) {
    const QByteArray bytes = QByteArray::fromPercentEncoding(part.toByteArray());
    text = QString::fromUtf8(bytes);
    // Text that is not UTF-8 was not written here.
    return text.toUtf8() == bytes;
}

StoreError damaged(const QString& path, qint64 line) {
    StoreError e = systemError(StoreError::Action::Read, path, 0);
    e.detail = QStringLiteral("A szinkronizálás állapotát őrző fájl sérült (%1. sor). "
                              "Törölje a fájlt: a következő szinkronizálás újra párosítja a "
                              "névjegyeket.")
                   .arg(line);
    return e;
}

// Reads the lines of the state file one by one.
class LineReader {
public:
    explicit LineReader(const DataFile& file)
        : m_file(file) {}

    // Gets the next line without its line feed; ended is true at the end of the file. A line
    // that is too long, or a last line without its line feed, is damage (ok false).
    MaybeError next(QByteArray& line, bool& ended, bool& ok) {
        ended = false;
        ok = true;
        for (;;) {
            const qsizetype lf = m_buffer.indexOf('\n', m_pos);
            if (lf >= 0) {
                line = m_buffer.mid(m_pos, lf - m_pos);
                m_pos = lf + 1;
                ok = line.size() <= kMaxLine;
                return std::nullopt;
            }
            if (m_buffer.size() - m_pos > kMaxLine) {
                ok = false;
                return std::nullopt;
            }
            m_buffer.remove(0, m_pos);
            m_pos = 0;
            const qsizetype kept = m_buffer.size();
            m_buffer.resize(kept + kReadBlock);
            qint64 got = 0;
            if (auto err = m_file.readAt(m_offset, m_buffer.data() + kept, kReadBlock, got))
                return err;
            m_buffer.resize(kept + got);
            m_offset += got;
            if (got == 0) {
                ended = m_buffer.isEmpty();
                ok = ended;
                return std::nullopt;
            }
        }
    }

private:
    const DataFile& m_file;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qint64 m_offset = 0;
};

// Reads the whole file into state; returns the number of the first line that is wrong, or 0.
MaybeError parse(const DataFile& file, SyncState& state, qint64& badLine) {
    LineReader reader(file);
    QByteArray line;
    bool ended = false;
    bool ok = true;
    badLine = 0;
    qint64 lineNo = 0;
    const auto nextLine = [&]() -> MaybeError {
        ++lineNo;
        return reader.next(line, ended, ok);
    };
    if (auto err = nextLine())
        return err;
    if (!ok || ended || line != kMagic) {
        badLine = lineNo;
        return std::nullopt;
    }
    if (auto err = nextLine())
        return err;
    if (!ok || ended || !line.startsWith("book ") ||
        !decoded(QByteArrayView(line).sliced(5), state.bookUrl)) {
        badLine = lineNo;
        return std::nullopt;
    }
    // Room for as many cards as the file can hold, so that a large state is not copied while
    // it grows.
    qint64 length = 0;
    if (auto err = file.length(length))
        return err;
    state.cards.reserve(static_cast<size_t>(length / kShortestCardLine));
    bool first = true;
    for (;;) {
        if (auto err = nextLine())
            return err;
        if (first && ok && !ended && line.startsWith("token ")) {
            first = false;
            if (!decoded(QByteArrayView(line).sliced(6), state.syncToken)) {
                badLine = lineNo;
                return std::nullopt;
            }
            continue;
        }
        first = false;
        const QList<QByteArray> parts = line.split(' ');
        if (!ok || ended) {
            badLine = lineNo;
            return std::nullopt;
        }
        if (parts.size() == 2 && parts[0] == "end") {
            bool number = false;
            const qint64 count = parts[1].toLongLong(&number);
            if (!number || count != static_cast<qint64>(state.cards.size())) {
                badLine = lineNo;
                return std::nullopt;
            }
            break;
        }
        SyncedCard card;
        if (parts.size() != 5 || parts[0] != "card" || !decoded(parts[1], card.href) ||
            card.href.isEmpty() || !decoded(parts[2], card.etag) || !decoded(parts[3], card.uid)) {
            badLine = lineNo;
            return std::nullopt;
        }
        const auto bytes =
            QByteArray::fromBase64Encoding(parts[4], QByteArray::AbortOnBase64DecodingErrors);
        if (!bytes || bytes.decoded.size() != kRecordSize) {
            badLine = lineNo;
            return std::nullopt;
        }
        card.record = Record::fromBytes(bytes.decoded.constData());
        state.cards.push_back(std::move(card));
    }
    // Nothing may follow the end.
    if (auto err = nextLine())
        return err;
    if (!ended)
        badLine = lineNo;
    return std::nullopt;
}

} // namespace

QString syncStatePath(const DataStore& store) {
    return QDir(store.folder()).filePath(QStringLiteral("Telefon.sync"));
}

MaybeError writeSyncState(const QString& path, const SyncState& state) {
    return replaceFileWhole(path, [&](QIODevice& out) -> MaybeError {
        QByteArray text;
        const auto flush = [&]() -> MaybeError {
            errno = 0;
            if (out.write(text) != text.size())
                return exchangeWriteError(StoreError::Action::Write, path, errno, out);
            text.clear();
            return std::nullopt;
        };
        text += kMagic.toByteArray() + "\nbook " + encoded(state.bookUrl) + '\n';
        if (!state.syncToken.isEmpty())
            text += "token " + encoded(state.syncToken) + '\n';
        for (const SyncedCard& card : state.cards) {
            text += "card " + encoded(card.href) + ' ' + encoded(card.etag) + ' ' +
                    encoded(card.uid) + ' ' +
                    QByteArray(card.record.data(), kRecordSize).toBase64() + '\n';
            if (text.size() >= kReadBlock) {
                if (auto err = flush())
                    return err;
            }
        }
        text += "end " + QByteArray::number(static_cast<qint64>(state.cards.size())) + '\n';
        return flush();
    });
}

MaybeError readSyncState(const QString& path, SyncState& state) {
    state = {};
    DataFile file;
    if (auto err = file.openExisting(path)) {
        if (err->code == ENOENT)
            return std::nullopt;
        return err;
    }
    qint64 badLine = 0;
    MaybeError err = parse(file, state, badLine);
    if (!err && badLine != 0)
        err = damaged(path, badLine);
    if (err)
        state = {};
    return err;
}

} // namespace cardsync
