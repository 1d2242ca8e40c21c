#include "vcard/vcardreader.h"

#include "vcard/phonenumber.h"
#include "vcard/vcardtext.h"

#include <QIODevice>
#include <QList>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace vcard {
namespace {

// The most raw bytes kept of one value component: several times what the widest field (50
// characters) needs even as quoted-printable UTF-8, and a fixed bound however long a value is.
constexpr qsizetype kComponentCap = 4096;
// N has five components and ADR seven; anything beyond carries nothing for the register.
constexpr int kMaxComponents = 8;
// The name and parameters of one property; a line without a ':' by then is not a property.
constexpr qsizetype kHeadCap = 16 * 1024;
// 4.0's PREF runs from 1 (most preferred) to 100; a property without preference ranks last.
constexpr int kNotPreferred = 1000;
// Cards open inside one another at most (2.1 lets a card hold cards); a BEGIN beyond that is
// taken for a card whose END is missing.
constexpr std::size_t kMaxOpenCards = 8;

enum class Prop { Other, Begin, End, Version, Agent, Fn, N, Adr, Tel, Note, Email, Url };

Prop propOf(QByteArrayView name) {
    static const std::array<std::pair<QByteArrayView, Prop>, 11> names = {{
        {"BEGIN", Prop::Begin},
        {"END", Prop::End},
        {"VERSION", Prop::Version},
        {"AGENT", Prop::Agent},
        {"FN", Prop::Fn},
        {"N", Prop::N},
        {"ADR", Prop::Adr},
        {"TEL", Prop::Tel},
        {"NOTE", Prop::Note},
        {"EMAIL", Prop::Email},
        {"URL", Prop::Url},
    }};
    for (const auto& [known, prop] : names)
        if (known.size() == name.size() && qstrnicmp(known.data(), name.data(), name.size()) == 0)
            return prop;
    return Prop::Other;
}

struct Params {
    bool quotedPrintable = false;
    bool base64 = false;
    QByteArray charset;
    int rank = kNotPreferred;
};

// Splits at sep where it is not escaped by a backslash.
QList<QByteArrayView> splitUnescaped(QByteArrayView bytes, char sep) {
    QList<QByteArrayView> parts;
    parts.reserve(8);
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c == '\\') {
            ++i;
        } else if (c == sep) {
            parts.append(bytes.sliced(start, i - start));
            start = i + 1;
        }
    }
    parts.append(bytes.sliced(std::min(start, n)));
    return parts;
}

bool is(QByteArrayView text, QByteArrayView upperWord) {
    text = text.trimmed();
    return text.size() == upperWord.size() &&
           qstrnicmp(text.data(), upperWord.data(), text.size()) == 0;
}

QByteArrayView unquoted(QByteArrayView bytes) {
    bytes = bytes.trimmed();
    if (bytes.size() >= 2 && bytes.front() == '"' && bytes.back() == '"')
        bytes = bytes.sliced(1, bytes.size() - 2);
    return bytes;
}

// Calls fn for each part of bytes between sep characters outside "...".
template <typename Fn> void forEachPart(QByteArrayView bytes, char sep, Fn&& fn) {
    qsizetype start = 0;
    bool quoted = false;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (bytes[i] == '"')
            quoted = !quoted;
        else if (bytes[i] == sep && !quoted) {
            fn(bytes.sliced(start, i - start));
            start = i + 1;
        }
    }
    fn(bytes.sliced(std::min(start, n)));
}

void readParam(QByteArrayView token, Params& params) {
    const qsizetype eq = token.indexOf('=');
    if (eq < 0) {
        // 2.1 names a parameter's value alone: TEL;CELL;PREF:...
        if (is(token, "QUOTED-PRINTABLE"))
            params.quotedPrintable = true;
        else if (is(token, "BASE64") || is(token, "B"))
            params.base64 = true;
        else if (is(token, "PREF"))
            params.rank = std::min(params.rank, 1);
        return;
    }
    const QByteArrayView name = token.first(eq);
    const QByteArrayView value = token.sliced(eq + 1);
    if (is(name, "ENCODING")) {
        const QByteArrayView encoding = unquoted(value);
        if (is(encoding, "QUOTED-PRINTABLE"))
            params.quotedPrintable = true;
        else if (is(encoding, "BASE64") || is(encoding, "B"))
            params.base64 = true;
    } else if (is(name, "CHARSET")) {
        params.charset = unquoted(value).toByteArray();
    } else if (is(name, "TYPE")) {
        // TYPE=work,pref or TYPE="work,pref", also with each value quoted.
        for (qsizetype start = 0; start <= value.size();) {
            qsizetype end = value.indexOf(',', start);
            if (end < 0)
                end = value.size();
            QByteArrayView type = value.sliced(start, end - start).trimmed();
            while (type.startsWith('"'))
                type = type.sliced(1);
            while (type.endsWith('"'))
                type.chop(1);
            if (is(type, "PREF"))
                params.rank = std::min(params.rank, 1);
            start = end + 1;
        }
    } else if (is(name, "PREF")) {
        bool ok = false;
        const int level = unquoted(value).toInt(&ok);
        params.rank = std::min(params.rank, ok && level >= 1 ? level : 1);
    }
}

// "item1.TEL;TYPE=cell" gives TEL and its parameters.
std::pair<Prop, Params> readHead(QByteArrayView head) {
    // A file glued to another can carry its byte-order mark into the middle.
    if (head.startsWith("\xEF\xBB\xBF"))
        head = head.sliced(3);
    Prop prop = Prop::Other;
    Params params;
    bool first = true;
    forEachPart(head, ';', [&](QByteArrayView part) {
        if (first) {
            first = false;
            if (const qsizetype dot = part.lastIndexOf('.'); dot >= 0)
                part = part.sliced(dot + 1);
            prop = propOf(part.trimmed());
        } else {
            readParam(part, params);
        }
    });
    return {prop, params};
}

bool startsWithCaseless(QStringView text, QStringView prefix) {
    return text.startsWith(prefix, Qt::CaseInsensitive);
}

// Register fields hold one line: line breaks of a value become blanks. A NUL is no part of any
// text and never reaches a field.
QString cleaned(QString text) {
    if (text.contains(QChar(0)))
        text.remove(QChar(0));
    if (!text.contains(u'\n') && !text.contains(u'\r'))
        return text.trimmed();
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(u'\n', u' ');
    text.replace(u'\r', u' ');
    return text.trimmed();
}

QString joined(const QStringList& parts, QStringView separator) {
    QString out;
    for (const QString& part : parts) {
        if (part.isEmpty())
            continue;
        if (!out.isEmpty())
            out += separator;
        out += part;
    }
    return out;
}

// Whether c, next to the byte zero, is an ASCII character in UTF-16.
bool asciiInUtf16(char zero, char c) {
    const auto u = static_cast<unsigned char>(c);
    return zero == 0 && u > 0 && u < 0x80;
}

struct Card {
    bool keepFoldBlank = false; // 2.1 folds only at white space, which stays in the value
    QString fn;
    QString nameFromN;
    bool hasAdr = false;
    int adrRank = kNotPreferred;
    QString street;
    QString locality;
    QString postcode;
    std::array<QString, 2> tel;
    std::array<int, 2> telRank{};
    int tels = 0;
    QString note;
    QString email;
    QString url;

    void addTel(const QString& number, int rank) {
        // Keeps the best two: lower rank first, file order among equals.
        int at = tels;
        while (at > 0 && rank < telRank[at - 1])
            --at;
        if (at >= 2)
            return;
        for (int i = std::min(tels, 1); i > at; --i) {
            tel[i] = tel[i - 1];
            telRank[i] = telRank[i - 1];
        }
        tel[at] = number;
        telRank[at] = rank;
        tels = std::min(tels + 1, 2);
    }

    Record record() const {
        Record r;
        r.setField(Field::Nev, fn.isEmpty() ? nameFromN : fn);
        r.setField(Field::Telepules, locality);
        r.setField(Field::Irszam, postcode);
        r.setField(Field::Cim, street);
        r.setField(Field::Tel1, tel[0]);
        r.setField(Field::Tel2, tel[1]);
        r.setField(Field::Megj, note);
        r.setField(Field::Mail, email);
        r.setField(Field::Web, url);
        return r;
    }
};

// Turns the byte stream into logical lines (unfolded, quoted-printable soft breaks joined) and
// those into cards. Bytes are looked at once, as they arrive; a property is kept only while it
// may still fill a field.
class Parser {
public:
    explicit Parser(const CardFn& onCard)
        : m_onCard(onCard) {}

    MaybeError feed(QByteArrayView bytes) {
        if (m_started) {
            feedDecoded(bytes);
        } else {
            m_probe.append(bytes);
            if (m_probe.size() >= 3)
                start();
        }
        return m_error;
    }

    MaybeError finish() {
        if (!m_started)
            start();
        if (!m_error) {
            endPhysicalLine();
            endLogicalLine();
        }
        // A file cut short still gives the cards it began, the innermost first.
        m_agentDepth = 0;
        while (!m_error && !m_open.empty())
            finishCard();
        return m_error;
    }

private:
    // The byte-order mark, if any, tells the encoding; UTF-16 is turned into UTF-8 on the way.
    // Some writers leave the mark out of UTF-16; their files begin with an ASCII character
    // (BEGIN) next to a zero byte, which no UTF-8 or Windows-1250 text begins with.
    void start() {
        m_started = true;
        QByteArray probe = std::exchange(m_probe, QByteArray());
        if (probe.startsWith("\xEF\xBB\xBF")) {
            feedUtf8(QByteArrayView(probe).sliced(3));
            return;
        }
        bool le = probe.startsWith("\xFF\xFE");
        bool be = probe.startsWith("\xFE\xFF");
        if (le || be) {
            probe.remove(0, 2);
        } else if (probe.size() >= 2) {
            le = asciiInUtf16(probe[1], probe[0]);
            be = asciiInUtf16(probe[0], probe[1]);
        }
        if (le || be) {
            m_utf16.emplace(le ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
            feedDecoded(probe);
        } else {
            feedUtf8(probe);
        }
    }

    void feedDecoded(QByteArrayView bytes) {
        if (m_utf16) {
            const QString text = m_utf16->decode(bytes);
            feedUtf8(text.toUtf8());
        } else {
            feedUtf8(bytes);
        }
    }

    void feedUtf8(QByteArrayView bytes) {
        const char* p = bytes.data();
        const qsizetype n = bytes.size();
        qsizetype i = 0;
        while (i < n && !m_error) {
            if (m_afterCR) {
                m_afterCR = false;
                if (p[i] == '\n') {
                    ++i;
                    continue;
                }
            }
            if (m_atLineStart) {
                const char c = p[i];
                if (c == '\r' || c == '\n') {
                    // An empty line ends the logical line, unless a soft line break just
                    // asked for this one.
                    if (m_softBreak)
                        m_softBreak = false;
                    else
                        endLogicalLine();
                    m_afterCR = c == '\r';
                    ++i;
                    continue;
                }
                m_atLineStart = false;
                if (m_softBreak) {
                    m_softBreak = false; // the value goes on with this line as it stands
                } else if ((c == ' ' || c == '\t') && m_haveLine) {
                    // A folded line. 2.1 folds only where there was white space and keeps it;
                    // later versions insert the one blank and take it away again.
                    if (m_open.empty() || !m_open.back().keepFoldBlank)
                        ++i;
                } else {
                    endLogicalLine();
                    m_haveLine = true;
                }
                continue;
            }
            const auto* lf = static_cast<const char*>(std::memchr(p + i, '\n', n - i));
            const qsizetype lineEnd = lf ? lf - p : n;
            const auto* cr = static_cast<const char*>(std::memchr(p + i, '\r', lineEnd - i));
            const qsizetype stop = cr ? cr - p : lineEnd;
            appendContent(p + i, stop - i);
            i = stop;
            if (i == n)
                break;
            endPhysicalLine();
            m_afterCR = p[i] == '\r';
            m_atLineStart = true;
            ++i;
        }
    }

    void appendContent(const char* p, qsizetype n) {
        if (n == 0)
            return;
        m_lastByte = p[n - 1];
        if (m_junk)
            return;
        if (!m_inValue) {
            qsizetype k = 0;
            for (; k < n; ++k) {
                if (p[k] == '"')
                    m_inQuote = !m_inQuote;
                else if (p[k] == ':' && !m_inQuote)
                    break;
            }
            if (m_head.size() + k > kHeadCap) {
                m_junk = true;
                return;
            }
            m_head.append(p, k);
            if (k == n)
                return;
            startValue();
            p += k + 1;
            n -= k + 1;
        }
        appendValue(p, n);
    }

    void startValue() {
        m_inValue = true;
        m_lastStored = false;
        std::tie(m_prop, m_params) = readHead(m_head);
        switch (m_prop) {
        case Prop::Begin:
        case Prop::End:
        case Prop::Version:
            m_keep = true;
            break;
        case Prop::Other:
        case Prop::Agent:
            m_keep = false;
            break;
        default:
            m_keep = inCard();
        }
        m_structured = m_keep && !m_params.base64 && (m_prop == Prop::N || m_prop == Prop::Adr);
    }

    void appendValue(const char* p, qsizetype n) {
        if (n == 0)
            return;
        if (!m_keep) {
            m_lastStored = false;
            return;
        }
        if (!m_structured) {
            const qsizetype room = kComponentCap - m_value.size();
            if (n > room) {
                m_cut = true;
                m_value.append(p, std::max<qsizetype>(room, 0));
                m_lastStored = false;
            } else {
                m_value.append(p, n);
                m_lastStored = true;
            }
            return;
        }
        // Runs between component separators go in whole.
        qsizetype k = 0;
        while (k < n) {
            const qsizetype run = k;
            for (; k < n; ++k) {
                if (m_escaped)
                    m_escaped = false;
                else if (p[k] == '\\')
                    m_escaped = true;
                else if (p[k] == ';')
                    break;
            }
            store(p + run, k - run);
            if (k < n) {
                ++m_components;
                m_componentLength = 0;
                store(p + k, 1);
                ++k;
            }
        }
    }

    void store(const char* p, qsizetype n) {
        if (n == 0)
            return;
        const qsizetype room =
            m_components <= kMaxComponents ? kComponentCap - m_componentLength : 0;
        const qsizetype take = std::min(n, std::max<qsizetype>(room, 0));
        m_value.append(p, take);
        m_componentLength += take;
        m_lastStored = take == n;
        if (take < n)
            m_cut = true;
    }

    // A quoted-printable value whose line ends in '=' goes on with the next line (2.1).
    void endPhysicalLine() {
        if (m_inValue && !m_junk && m_params.quotedPrintable && m_lastByte == '=') {
            m_softBreak = true;
            if (m_lastStored) {
                m_value.chop(1);
                if (m_structured)
                    --m_componentLength;
            }
        }
        m_lastByte = 0;
        m_lastStored = false;
    }

    void endLogicalLine() {
        if (!m_haveLine)
            return;
        if (m_inValue && !m_junk)
            dispatch();
        m_haveLine = false;
        m_inValue = false;
        m_inQuote = false;
        m_junk = false;
        m_keep = false;
        m_structured = false;
        m_escaped = false;
        m_cut = false;
        m_softBreak = false;
        m_components = 1;
        m_componentLength = 0;
        m_head.resize(0);
        m_value.resize(0);
    }

    void dispatch() {
        const Prop previous = std::exchange(m_previous, m_prop);
        switch (m_prop) {
        case Prop::Begin:
            if (!is(m_value, "VCARD"))
                return;
            if (m_agentDepth > 0) {
                ++m_agentDepth;
            } else if (!m_open.empty() && previous == Prop::Agent) {
                m_agentDepth = 1; // 2.1 puts the agent's own card inside this one
            } else {
                // A card inside a card (2.1) is a contact of its own, and the outer card goes
                // on after it.
                if (m_open.size() == kMaxOpenCards)
                    finishCard();
                beginCard();
            }
            return;
        case Prop::End:
            if (!is(m_value, "VCARD"))
                return;
            if (m_agentDepth > 0)
                --m_agentDepth;
            else if (!m_open.empty())
                finishCard();
            return;
        case Prop::Version:
            if (inCard())
                m_open.back().keepFoldBlank = m_value.trimmed() == "2.1";
            return;
        case Prop::Other:
        case Prop::Agent:
            return;
        default:
            if (inCard())
                takeProperty();
        }
    }

    // Whether properties now belong to a contact: inside a card, but not an agent's.
    bool inCard() const { return !m_open.empty() && m_agentDepth == 0; }

    void beginCard() {
        Card card;
        // A card inside a 2.1 card is read as 2.1 until it says otherwise.
        card.keepFoldBlank = !m_open.empty() && m_open.back().keepFoldBlank;
        m_open.push_back(std::move(card));
    }

    void finishCard() {
        const Card card = std::move(m_open.back());
        m_open.pop_back();
        if (MaybeError err = m_onCard(card.record()))
            m_error = std::move(err);
    }

    // One piece of a value as text: transfer encoding, character set, escapes, line breaks.
    QString text(QByteArrayView raw) const {
        const bool qp = m_params.quotedPrintable && !m_params.base64;
        if (qp)
            return cleaned(unescape(
                decodeCharset(decodeQuotedPrintable(raw, m_cut), m_params.charset, m_cut)));
        return cleaned(unescape(decodeCharset(raw, m_params.charset, m_cut)));
    }

    // The wanted components of a structured value, each a list whose items are joined with
    // separator; the others are not decoded.
    template <std::size_t N>
    std::array<QString, N> components(QByteArrayView raw, const std::array<int, N>& wanted,
                                      QStringView separator) const {
        std::array<QString, N> out;
        const QList<QByteArrayView> parts = splitUnescaped(raw, ';');
        for (std::size_t w = 0; w < N; ++w) {
            if (wanted[w] >= parts.size())
                continue;
            const QByteArrayView component = parts[wanted[w]];
            if (!component.contains(',')) {
                out[w] = text(component);
                continue;
            }
            QStringList items;
            for (QByteArrayView item : splitUnescaped(component, ','))
                items.append(text(item));
            out[w] = joined(items, separator);
        }
        return out;
    }

    void takeProperty() {
        const QByteArray raw = m_params.base64 ? QByteArray::fromBase64(m_value) : m_value;
        Card& c = m_open.back();
        switch (m_prop) {
        case Prop::Fn:
            if (c.fn.isEmpty())
                c.fn = text(raw);
            break;
        case Prop::N:
            if (c.nameFromN.isEmpty()) {
                // Family name first, as Hungarian names are written.
                const auto n = components<3>(raw, {0, 1, 2}, u" ");
                c.nameFromN = joined({n[0], n[1], n[2]}, u" ");
            }
            break;
        case Prop::Adr:
            if (!c.hasAdr || m_params.rank < c.adrRank) {
                // Post-office box, extended address, street, locality and postcode of the seven
                // components. Older writers put the street into the box.
                const auto a = components<5>(raw, {0, 1, 2, 3, 5}, u", ");
                const QString street = joined({a[2], a[1], a[0]}, u", ");
                if (street.isEmpty() && a[3].isEmpty() && a[4].isEmpty())
                    break;
                c.hasAdr = true;
                c.adrRank = m_params.rank;
                c.street = street;
                c.locality = a[3];
                c.postcode = a[4];
            }
            break;
        case Prop::Tel: {
            QString number = text(raw);
            if (startsWithCaseless(number, u"tel:"))
                number = number.sliced(4).trimmed();
            if (!number.isEmpty())
                c.addTel(fitPhoneNumber(number, layout(Field::Tel1).width), m_params.rank);
            break;
        }
        case Prop::Note:
            if (c.note.isEmpty())
                c.note = text(raw);
            break;
        case Prop::Email:
            if (c.email.isEmpty()) {
                c.email = text(raw);
                if (startsWithCaseless(c.email, u"mailto:"))
                    c.email = c.email.sliced(7).trimmed();
            }
            break;
        case Prop::Url:
            if (c.url.isEmpty())
                c.url = text(raw);
            break;
        default:
            break;
        }
    }

    const CardFn& m_onCard;
    MaybeError m_error;

    bool m_started = false;
    QByteArray m_probe;
    std::optional<QStringDecoder> m_utf16;

    // Physical lines.
    bool m_afterCR = false;
    bool m_atLineStart = true;
    bool m_softBreak = false;
    char m_lastByte = 0;
    bool m_lastStored = false;

    // The logical line being put together.
    bool m_haveLine = false;
    bool m_inValue = false;
    bool m_inQuote = false;
    bool m_junk = false;
    bool m_keep = false;
    bool m_structured = false;
    bool m_escaped = false;
    bool m_cut = false;
    int m_components = 1;
    qsizetype m_componentLength = 0;
    Prop m_prop = Prop::Other;
    Params m_params;
    QByteArray m_head;
    QByteArray m_value;

    // Cards: those begun and not yet ended, outermost first; the levels of an agent's card.
    Prop m_previous = Prop::Other;
    std::vector<Card> m_open;
    int m_agentDepth = 0;
};

} // namespace

MaybeError readCards(QIODevice& device, const QString& path, const CardFn& onCard,
                     qint64 chunkSize) {
    QByteArray buffer(chunkSize, Qt::Uninitialized);
    Parser parser(onCard);
    for (;;) {
        errno = 0;
        const qint64 n = device.read(buffer.data(), chunkSize);
        if (n < 0) {
            StoreError e = systemError(StoreError::Action::Read, path, errno);
            if (e.code == 0)
                e.detail = QStringLiteral("A fájl olvasása megszakadt.");
            return e;
        }
        if (n == 0)
            break;
        if (MaybeError err = parser.feed(QByteArrayView(buffer.constData(), n)))
            return err;
    }
    return parser.finish();
}

} // namespace vcard
