#include "sync/cardedit.h"

#include "vcard/vcardreader.h"
#include "vcard/vcardtext.h"
#include "vcard/vcardwriter.h"

#include <QBuffer>

#include <algorithm>
#include <vector>

namespace cardsync {

namespace {

constexpr int kNotPreferred = 1000;

// One property of the card: its lines as they came, and what is made of it.
struct Line {
    QByteArray raw;      // the physical lines, folded, with their line ends
    QByteArray unfolded; // the logical line without its line end
    QByteArray name;     // upper case, without a group
    qsizetype colon = -1;
    int depth = 0; // 1 for the card's own properties
    bool removed = false;
    QByteArray replacement; // the new logical line, if any
};

bool sameWord(QByteArrayView a, QByteArrayView b) {
    return a.size() == b.size() && qstrnicmp(a.data(), b.data(), a.size()) == 0;
}

// Calls fn for each part between sep characters outside "...".
template <typename Fn> void forEachPart(QByteArrayView bytes, char sep, Fn&& fn) {
    qsizetype start = 0;
    bool quoted = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '"') {
            quoted = !quoted;
        } else if (bytes[i] == sep && !quoted) {
            fn(bytes.sliced(start, i - start));
            start = i + 1;
        }
    }
    fn(bytes.sliced(start));
}

std::vector<Line> splitLines(const QByteArray& card) {
    std::vector<Line> lines;
    qsizetype pos = 0;
    while (pos < card.size()) {
        qsizetype end = card.indexOf('\n', pos);
        end = end < 0 ? card.size() : end + 1;
        const QByteArrayView physical = QByteArrayView(card).sliced(pos, end - pos);
        QByteArrayView text = physical;
        if (text.endsWith('\n'))
            text.chop(1);
        if (text.endsWith('\r'))
            text.chop(1);
        if (!lines.empty() && !text.isEmpty() && (text[0] == ' ' || text[0] == '\t')) {
            lines.back().raw += physical;
            lines.back().unfolded += text.sliced(1);
        } else {
            Line line;
            line.raw = physical.toByteArray();
            line.unfolded = text.toByteArray();
            lines.push_back(std::move(line));
        }
        pos = end;
    }
    int depth = 0;
    for (Line& line : lines) {
        const QByteArrayView u = line.unfolded;
        bool quoted = false;
        for (qsizetype i = 0; i < u.size(); ++i) {
            if (u[i] == '"')
                quoted = !quoted;
            else if (u[i] == ':' && !quoted) {
                line.colon = i;
                break;
            }
        }
        qsizetype nameEnd = 0;
        while (nameEnd < u.size() && u[nameEnd] != ';' && u[nameEnd] != ':')
            ++nameEnd;
        QByteArrayView name = u.first(nameEnd).trimmed();
        if (const qsizetype dot = name.lastIndexOf('.'); dot >= 0)
            name = name.sliced(dot + 1);
        line.name = name.toByteArray().toUpper();
        const QByteArrayView value = line.colon < 0 ? QByteArrayView() : u.sliced(line.colon + 1);
        if (line.name == "BEGIN" && sameWord(value.trimmed(), "VCARD"))
            ++depth;
        line.depth = depth;
        if (line.name == "END" && sameWord(value.trimmed(), "VCARD"))
            --depth;
    }
    return lines;
}

QByteArrayView paramsOf(const Line& line) {
    const QByteArrayView head =
        QByteArrayView(line.unfolded).first(std::max<qsizetype>(line.colon, 0));
    const qsizetype semicolon = head.indexOf(';');
    return semicolon < 0 ? QByteArrayView() : head.sliced(semicolon + 1);
}

// How much the card prefers the property: PREF=n (4.0), TYPE=pref (3.0), a bare PREF (2.1).
int rankOf(const Line& line) {
    int rank = kNotPreferred;
    forEachPart(paramsOf(line), ';', [&](QByteArrayView param) {
        const qsizetype eq = param.indexOf('=');
        if (eq < 0) {
            if (sameWord(param.trimmed(), "PREF"))
                rank = std::min(rank, 1);
            return;
        }
        const QByteArrayView name = param.first(eq).trimmed();
        const QByteArrayView value = param.sliced(eq + 1);
        if (sameWord(name, "PREF")) {
            bool ok = false;
            const int n = value.trimmed().toInt(&ok);
            if (ok)
                rank = std::min(rank, n);
        } else if (sameWord(name, "TYPE")) {
            forEachPart(value, ',', [&](QByteArrayView type) {
                QByteArrayView t = type.trimmed();
                if (t.size() >= 2 && t.front() == '"' && t.back() == '"')
                    t = t.sliced(1, t.size() - 2);
                if (sameWord(t, "PREF"))
                    rank = std::min(rank, 1);
            });
        }
    });
    return rank;
}

QByteArray paramValue(const Line& line, QByteArrayView wanted) {
    QByteArray found;
    forEachPart(paramsOf(line), ';', [&](QByteArrayView param) {
        const qsizetype eq = param.indexOf('=');
        if (eq >= 0 && sameWord(param.first(eq).trimmed(), wanted))
            found = param.sliced(eq + 1).trimmed().toByteArray();
        else if (eq < 0 && sameWord(wanted, "ENCODING") &&
                 sameWord(param.trimmed(), "QUOTED-PRINTABLE"))
            found = "QUOTED-PRINTABLE";
    });
    return found;
}

// The line's name and parameters, without those that told how the old value was encoded.
QByteArray headForNewValue(const Line& line) {
    const QByteArrayView head = QByteArrayView(line.unfolded).first(line.colon);
    QByteArray out;
    bool first = true;
    forEachPart(head, ';', [&](QByteArrayView part) {
        if (!first) {
            const qsizetype eq = part.indexOf('=');
            const QByteArrayView name = (eq < 0 ? part : part.first(eq)).trimmed();
            if (sameWord(name, "ENCODING") || sameWord(name, "CHARSET") ||
                sameWord(name, "QUOTED-PRINTABLE") || sameWord(name, "BASE64"))
                return;
            out += ';';
        }
        first = false;
        out += part;
    });
    return out;
}

// The value as UTF-8 text, still escaped, whatever transfer encoding and character set it had.
QByteArray textValue(const Line& line) {
    QByteArray value = line.unfolded.mid(line.colon + 1);
    if (sameWord(paramValue(line, "ENCODING"), "QUOTED-PRINTABLE"))
        value = vcard::decodeQuotedPrintable(value);
    return vcard::decodeCharset(value, paramValue(line, "CHARSET")).toUtf8();
}

QByteArray escaped(const QString& text) {
    QByteArray out;
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case ',':
            out += "\\,";
            break;
        case ';':
            out += "\\;";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Splits at ';' where it is not escaped by a backslash.
QList<QByteArray> components(const QByteArray& value) {
    QList<QByteArray> parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '\\')
            ++i;
        else if (value[i] == ';') {
            parts.append(value.mid(start, i - start));
            start = i + 1;
        }
    }
    parts.append(value.mid(start));
    return parts;
}

// A logical line folded at the vCard line length, never inside a UTF-8 character.
QByteArray folded(const QByteArray& line) {
    QByteArray out;
    int length = 0;
    for (qsizetype i = 0; i < line.size();) {
        int len = 1;
        const auto lead = static_cast<unsigned char>(line[i]);
        if (lead >= 0xF0)
            len = 4;
        else if (lead >= 0xE0)
            len = 3;
        else if (lead >= 0xC0)
            len = 2;
        len = static_cast<int>(std::min<qsizetype>(len, line.size() - i));
        if (length + len > vcard::kLineOctets) {
            out += "\r\n ";
            length = 1;
        }
        out += QByteArrayView(line).sliced(i, len);
        length += len;
        i += len;
    }
    return out + "\r\n";
}

QString fieldOf(const Record& r, Field f) {
    return r.displayField(f);
}

bool changed(const Record& from, const Record& to, Field f) {
    return trimmedBlanks(from.fieldBytes(f)) != trimmedBlanks(to.fieldBytes(f));
}

} // namespace

QByteArray editCard(const QByteArray& vcard, const Record& from, const Record& to) {
    std::vector<Line> lines = splitLines(vcard);
    QByteArray added;
    // The first of the card's own properties of a name, or the best ranked.
    const auto find = [&](QByteArrayView name, int nth = 0) -> Line* {
        std::vector<Line*> found;
        for (Line& line : lines) {
            if (line.depth == 1 && line.colon >= 0 && line.name == name)
                found.push_back(&line);
        }
        std::stable_sort(found.begin(), found.end(),
                         [](const Line* a, const Line* b) { return rankOf(*a) < rankOf(*b); });
        return nth < static_cast<int>(found.size()) ? found[static_cast<size_t>(nth)] : nullptr;
    };
    // A property of one value: rewritten, removed when the field is empty, added when missing.
    const auto single = [&](Line* line, QByteArrayView newHead, const QString& value) {
        if (line && value.isEmpty())
            line->removed = true;
        else if (line)
            line->replacement = headForNewValue(*line) + ':' + escaped(value);
        else if (!value.isEmpty())
            added += folded(newHead.toByteArray() + ':' + escaped(value));
    };

    // Both telephones are found before either changes, so that a rewritten one keeps its place.
    Line* tel1 = find("TEL", 0);
    Line* tel2 = find("TEL", 1);
    if (changed(from, to, Field::Nev)) {
        const QString name = fieldOf(to, Field::Nev);
        // The first word is the family name, the rest the given names, as the export writes it.
        const qsizetype blank = name.indexOf(u' ');
        const QByteArray n = escaped(blank < 0 ? name : name.left(blank)) + ';' +
                             escaped(blank < 0 ? QString() : name.mid(blank + 1).trimmed()) + ";;;";
        for (const QByteArrayView prop : {QByteArrayView("FN"), QByteArrayView("N")}) {
            const QByteArray value = prop == "FN" ? escaped(name) : n;
            if (Line* line = find(prop))
                line->replacement = headForNewValue(*line) + ':' + value;
            else
                added += folded(prop.toByteArray() + ':' + value);
        }
    }
    const bool address = changed(from, to, Field::Irszam) || changed(from, to, Field::Telepules) ||
                         changed(from, to, Field::Cim);
    if (address) {
        // ADR: post office box; extended; street; locality; region; postal code; country.
        Line* adr = find("ADR");
        QList<QByteArray> parts = adr ? components(textValue(*adr)) : QList<QByteArray>();
        while (parts.size() < 7)
            parts.append(QByteArray());
        const std::pair<Field, int> map[] = {
            {Field::Cim, 2}, {Field::Telepules, 3}, {Field::Irszam, 5}};
        for (const auto& [field, index] : map) {
            if (changed(from, to, field))
                parts[index] = escaped(fieldOf(to, field));
        }
        const bool empty = std::all_of(parts.begin(), parts.end(),
                                       [](const QByteArray& p) { return p.isEmpty(); });
        if (adr && empty)
            adr->removed = true;
        else if (adr)
            adr->replacement = headForNewValue(*adr) + ':' + parts.join(';');
        else if (!empty)
            added += folded("ADR;TYPE=home:" + parts.join(';'));
    }
    if (changed(from, to, Field::Tel1))
        single(tel1, "TEL;TYPE=voice", fieldOf(to, Field::Tel1));
    if (changed(from, to, Field::Tel2))
        single(tel2, "TEL;TYPE=voice", fieldOf(to, Field::Tel2));
    if (changed(from, to, Field::Megj))
        single(find("NOTE"), "NOTE", fieldOf(to, Field::Megj));
    if (changed(from, to, Field::Mail))
        single(find("EMAIL"), "EMAIL;TYPE=internet", fieldOf(to, Field::Mail));
    if (changed(from, to, Field::Web))
        single(find("URL"), "URL", fieldOf(to, Field::Web));

    QByteArray out;
    out.reserve(vcard.size() + added.size() + 256);
    bool addedWritten = false;
    for (const Line& line : lines) {
        if (!addedWritten && line.depth == 1 && line.name == "END") {
            out += added;
            addedWritten = true;
        }
        if (line.removed)
            continue;
        out += line.replacement.isEmpty() ? line.raw : folded(line.replacement);
    }
    if (!addedWritten)
        out += added;
    return out;
}

QByteArray newCard(const Record& record, const QString& uid) {
    QByteArray card;
    vcard::appendCard(card, record);
    // The UID goes right after BEGIN and VERSION.
    const qsizetype afterVersion = card.indexOf("\r\n", card.indexOf("VERSION:")) + 2;
    card.insert(afterVersion, folded("UID:" + escaped(uid)));
    return card;
}

QString uidOfCard(const QByteArray& vcard) {
    for (const Line& line : splitLines(vcard)) {
        if (line.depth == 1 && line.colon >= 0 && line.name == "UID")
            return vcard::unescape(QString::fromUtf8(textValue(line))).trimmed();
    }
    return {};
}

std::optional<Record> recordOfCard(const QByteArray& vcard) {
    QBuffer buffer;
    buffer.setData(vcard);
    buffer.open(QIODevice::ReadOnly);
    std::optional<Record> record;
    const MaybeError err =
        vcard::readCards(buffer, QString(), [&record](const Record& r) -> MaybeError {
            if (!record)
                record = r;
            return std::nullopt;
        });
    if (err)
        return std::nullopt;
    return record;
}

} // namespace cardsync
