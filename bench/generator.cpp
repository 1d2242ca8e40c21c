#include "generator.h"

#include "store/cp1250.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace contactgen {
namespace {

// splitmix64: small, fast and the same on every platform (the standard distributions are not).
struct Rng {
    std::uint64_t& state;

    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 <= value < n
    std::uint32_t below(std::uint32_t n) {
        return static_cast<std::uint32_t>(((next() >> 32) * n) >> 32);
    }
    int between(int lo, int hi) {
        return lo + static_cast<int>(below(static_cast<std::uint32_t>(hi - lo + 1)));
    }
    // true with the given chance in percent
    bool percent(std::uint32_t p) { return below(100) < p; }
};

std::string encoded(QStringView text) {
    const auto bytes = cp1250::encodeExact(text);
    if (!bytes) {
        std::fprintf(stderr, "contactgen: \"%s\" is not Windows-1250 text\n",
                     text.toUtf8().constData());
        std::abort();
    }
    return bytes->toStdString();
}

// Lower-case ASCII form of a name for e-mail and web addresses: accents and blanks dropped.
std::string folded(QStringView text) {
    static const QString from = QStringLiteral("áéíóöőúüűÁÉÍÓÖŐÚÜŰ");
    static const QString to = QStringLiteral("aeiooouuuaeiooouuu");
    std::string out;
    for (QChar c : text) {
        const qsizetype i = from.indexOf(c);
        if (i >= 0)
            c = to[i];
        c = c.toLower();
        if (c.unicode() < 128 && c.isLetterOrNumber())
            out.push_back(static_cast<char>(c.unicode()));
    }
    return out;
}

struct Word {
    std::string bytes; // Windows-1250
    std::string ascii;
};

// Words drawn with a frequency that falls with their place in the list, as names and
// settlements do: the first few are far more common than the last.
class Pool {
public:
    Pool(std::initializer_list<const char16_t*> words, int flatness) {
        std::uint32_t total = 0;
        int rank = 0;
        for (const char16_t* w : words) {
            const QStringView text(w);
            m_words.push_back({encoded(text), folded(text)});
            total += static_cast<std::uint32_t>(100000 / (rank++ + flatness));
            m_cumulative.push_back(total);
        }
    }
    const Word& pick(Rng& rng) const {
        const std::uint32_t r = rng.below(m_cumulative.back());
        const auto it = std::upper_bound(m_cumulative.begin(), m_cumulative.end(), r);
        return m_words[static_cast<std::size_t>(it - m_cumulative.begin())];
    }
    const Word& uniform(Rng& rng) const {
        return m_words[rng.below(static_cast<std::uint32_t>(m_words.size()))];
    }

private:
    std::vector<Word> m_words;
    std::vector<std::uint32_t> m_cumulative;
};

struct Place {
    Word name;
    int postLo;
    int postHi;
    int area; // trunk code: 1 for Budapest, two digits elsewhere
    std::uint32_t upTo;
};

struct Places {
    std::vector<Place> list;
    const Place& pick(Rng& rng) const {
        const std::uint32_t r = rng.below(list.back().upTo);
        return *std::upper_bound(list.begin(), list.end(), r,
                                 [](std::uint32_t v, const Place& p) { return v < p.upTo; });
    }
};

struct Tables {
    Pool family{
        {u"Nagy",    u"Kovács",    u"Tóth",    u"Szabó",   u"Horváth", u"Varga",   u"Kiss",
         u"Molnár",  u"Németh",    u"Farkas",  u"Balogh",  u"Papp",    u"Takács",  u"Juhász",
         u"Lakatos", u"Mészáros",  u"Oláh",    u"Simon",   u"Rácz",    u"Fekete",  u"Szilágyi",
         u"Török",   u"Fehér",     u"Balázs",  u"Gál",     u"Kis",     u"Szűcs",   u"Kocsis",
         u"Pintér",  u"Fodor",     u"Szalai",  u"Sipos",   u"Magyar",  u"Lukács",  u"Gulyás",
         u"Biró",    u"Király",    u"László",  u"Katona",  u"Jakab",   u"Bogdán",  u"Sándor",
         u"Boros",   u"Fazekas",   u"Kelemen", u"Antal",   u"Orosz",   u"Somogyi", u"Fülöp",
         u"Veres",   u"Vincze",    u"Budai",   u"Hegedűs", u"Deák",    u"Bálint",  u"Pál",
         u"Illés",   u"Vörös",     u"Vass",    u"Szőke",   u"Fábián",  u"Bíró",    u"Lengyel",
         u"Bognár",  u"Szekeres",  u"Jónás",   u"Halász",  u"Székely", u"Hajdu",   u"Győri",
         u"Kozma",   u"Dudás",     u"Major",   u"Pásztor", u"Virág",   u"Barta",   u"Csonka",
         u"Hegyi",   u"Dobos",     u"Kun",     u"Kardos",  u"Orbán",   u"Ábrahám", u"Erdős",
         u"Őri",     u"Ürmös",     u"Ördög",   u"Ágoston", u"Újvári",  u"Ötvös",   u"Érsek",
         u"Ónodi",   u"Csizmadia", u"Gergely", u"Benkő",   u"Szűts"},
        8};
    // Names that only a few contacts carry.
    Pool rareFamily{{u"Pödör",  u"Gyűrűs",   u"Zsámboki", u"Szőllősy", u"Cséfalvay",
                     u"Ürögdi", u"Öveges",   u"Lőrinczy", u"Tőkés",    u"Dőry",
                     u"Bánffy", u"Hűvös",    u"Íjgyártó", u"Úrhegyi",  u"Fűzfa",
                     u"Büki",   u"Gyökössy", u"Kőszegi",  u"Sőtér",    u"Zöldi"},
                    1};
    Pool male{{u"László",  u"István",    u"József", u"János",  u"Zoltán", u"Sándor",  u"Ferenc",
               u"Gábor",   u"Attila",    u"Péter",  u"Tamás",  u"Zsolt",  u"Tibor",   u"András",
               u"Csaba",   u"Imre",      u"Lajos",  u"György", u"Balázs", u"Béla",    u"Gyula",
               u"Mihály",  u"Károly",    u"Róbert", u"Miklós", u"Dávid",  u"Ádám",    u"Dániel",
               u"Norbert", u"Krisztián", u"Ákos",   u"Bence",  u"Máté",   u"Levente", u"Szabolcs",
               u"Endre",   u"Géza",      u"Ernő",   u"Jenő",   u"Dezső",  u"Kálmán",  u"Ödön",
               u"Lőrinc",  u"Győző",     u"Örs",    u"Elemér", u"Ottó",   u"Ubul"},
              6};
    Pool female{{u"Mária",     u"Erzsébet", u"Katalin", u"Ilona",    u"Éva",       u"Anna",
                 u"Zsuzsanna", u"Margit",   u"Judit",   u"Ágnes",    u"Andrea",    u"Erika",
                 u"Krisztina", u"Ildikó",   u"Mónika",  u"Edit",     u"Gabriella", u"Eszter",
                 u"Zsófia",    u"Anikó",    u"Tímea",   u"Nóra",     u"Réka",      u"Dóra",
                 u"Orsolya",   u"Viktória", u"Klára",   u"Piroska",  u"Enikő",     u"Tünde",
                 u"Emőke",     u"Hajnalka", u"Júlia",   u"Boglárka", u"Lilla",     u"Csilla",
                 u"Irén",      u"Rozália",  u"Lívia",   u"Kinga",    u"Fruzsina",  u"Etelka",
                 u"Őzike",     u"Ünige",    u"Írisz",   u"Szilvia",  u"Gizella",   u"Aranka"},
                6};
    // The ending of a married woman's name in its traditional form: "Kovácsné Tóth Anna".
    std::string wife = encoded(u"né ");
    Pool streetName{{u"Kossuth Lajos",
                     u"Petőfi Sándor",
                     u"Rákóczi Ferenc",
                     u"Árpád",
                     u"Széchenyi István",
                     u"Dózsa György",
                     u"Ady Endre",
                     u"Arany János",
                     u"Jókai Mór",
                     u"Bartók Béla",
                     u"Kölcsey Ferenc",
                     u"Deák Ferenc",
                     u"Hunyadi János",
                     u"Batthyány",
                     u"Vörösmarty Mihály",
                     u"Táncsics Mihály",
                     u"Bajcsy-Zsilinszky",
                     u"Szent István",
                     u"Fő",
                     u"Béke",
                     u"Kert",
                     u"Iskola",
                     u"Rózsa",
                     u"Tavasz",
                     u"Bem József",
                     u"Munkácsy Mihály",
                     u"Erkel Ferenc",
                     u"Móricz Zsigmond",
                     u"Damjanich",
                     u"Wesselényi",
                     u"Üllői",
                     u"Váci",
                     u"Öntöző",
                     u"Őz",
                     u"Hősök",
                     u"Templom",
                     u"Szőlő",
                     u"Gyümölcsös",
                     u"Nyárfa",
                     u"Kőris",
                     u"Vasút",
                     u"Malom",
                     u"Erzsébet királyné",
                     u"Mátyás király",
                     u"Zrínyi Miklós",
                     u"Thököly",
                     u"Teleki Blanka",
                     u"Honvéd"},
                    6};
    Pool streetKind{{u"utca", u"u.", u"út", u"tér", u"köz", u"sor", u"körút", u"fasor", u"sétány"},
                    1};
    Pool note{{u"munkahely",
               u"szomszéd",
               u"rokon",
               u"orvos",
               u"fogorvos",
               u"csak délután hívható",
               u"régi szám",
               u"évfolyamtárs",
               u"vízvezeték-szerelő",
               u"könyvelő",
               u"autószerelő",
               u"keresztanya",
               u"Éva unokatestvére",
               u"nyaraló: Balatonfüred",
               u"születésnap: május 12.",
               u"üzenetrögzítő",
               u"hétvégén nem",
               u"Győző barátja",
               u"óvoda",
               u"iskola titkárság",
               u"villanyszerelő",
               u"háziorvos, rendelés du.",
               u"kert: Őrbottyán",
               u"fodrász",
               u"ügyvéd",
               u"gyógytorna",
               u"Ödön bácsi",
               u"lakásfelújítás 2019"},
              4};
    Pool mailDomain{{u"gmail.com", u"freemail.hu", u"citromail.hu", u"t-online.hu", u"outlook.hu",
                     u"yahoo.com", u"invitel.hu", u"upcmail.hu"},
                    2};
    Places places;

    Tables() {
        struct Raw {
            const char16_t* name;
            int lo, hi, area, weight;
        };
        const Raw raw[] = {
            {u"Budapest", 1011, 1239, 1, 170},
            {u"Debrecen", 4024, 4081, 52, 20},
            {u"Szeged", 6720, 6791, 62, 16},
            {u"Miskolc", 3500, 3549, 46, 15},
            {u"Pécs", 7621, 7693, 72, 14},
            {u"Győr", 9011, 9030, 96, 13},
            {u"Nyíregyháza", 4400, 4432, 42, 12},
            {u"Kecskemét", 6000, 6044, 76, 11},
            {u"Székesfehérvár", 8000, 8019, 22, 10},
            {u"Szombathely", 9700, 9707, 94, 8},
            {u"Szolnok", 5000, 5008, 56, 7},
            {u"Tatabánya", 2800, 2803, 34, 7},
            {u"Kaposvár", 7400, 7400, 82, 6},
            {u"Érd", 2030, 2039, 23, 6},
            {u"Veszprém", 8200, 8200, 88, 6},
            {u"Békéscsaba", 5600, 5600, 66, 6},
            {u"Zalaegerszeg", 8900, 8900, 92, 6},
            {u"Sopron", 9400, 9400, 99, 6},
            {u"Eger", 3300, 3300, 36, 6},
            {u"Nagykanizsa", 8800, 8800, 93, 5},
            {u"Dunaújváros", 2400, 2400, 25, 5},
            {u"Hódmezővásárhely", 6800, 6800, 62, 4},
            {u"Salgótarján", 3100, 3104, 32, 4},
            {u"Cegléd", 2700, 2700, 53, 4},
            {u"Baja", 6500, 6500, 79, 4},
            {u"Ózd", 3600, 3600, 48, 3},
            {u"Vác", 2600, 2600, 27, 3},
            {u"Gödöllő", 2100, 2100, 28, 3},
            {u"Szentendre", 2000, 2000, 26, 3},
            {u"Siófok", 8600, 8600, 84, 3},
            {u"Hajdúböszörmény", 4220, 4220, 52, 2},
            {u"Mosonmagyaróvár", 9200, 9200, 96, 2},
            {u"Kiskunfélegyháza", 6100, 6100, 76, 2},
            {u"Jászberény", 5100, 5100, 57, 2},
            {u"Orosháza", 5900, 5900, 68, 2},
            {u"Pápa", 8500, 8500, 89, 2},
            {u"Gyöngyös", 3200, 3200, 37, 2},
            {u"Esztergom", 2500, 2500, 33, 2},
            {u"Keszthely", 8360, 8360, 83, 2},
            {u"Őrbottyán", 2162, 2162, 28, 1},
            {u"Ócsa", 2364, 2364, 29, 1},
            {u"Üllő", 2225, 2225, 29, 1},
            {u"Úrkút", 8409, 8409, 88, 1},
            {u"Tiszaújváros", 3580, 3580, 49, 1},
            {u"Törökszentmiklós", 5200, 5200, 56, 1},
            {u"Balatonfüred", 8230, 8230, 87, 1},
            {u"Hévíz", 8380, 8380, 83, 1},
            {u"Füzesabony", 3390, 3390, 36, 1},
        };
        std::uint32_t total = 0;
        for (const Raw& r : raw) {
            total += static_cast<std::uint32_t>(r.weight);
            places.list.push_back({{encoded(QStringView(r.name)), folded(QStringView(r.name))},
                                   r.lo,
                                   r.hi,
                                   r.area,
                                   total});
        }
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

// One field being put together, then copied into the record cut at the field's width.
class Text {
public:
    Text& add(std::string_view s) {
        const std::size_t n = std::min(s.size(), sizeof m_buf - m_len);
        std::memcpy(m_buf + m_len, s.data(), n);
        m_len += n;
        return *this;
    }
    Text& add(char c) { return add(std::string_view(&c, 1)); }
    // A number with at least minDigits digits, zero-padded.
    Text& number(int value, int minDigits = 1) {
        char digits[12];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value > 0 || n < minDigits);
        while (n > 0)
            add(digits[--n]);
        return *this;
    }
    void putInto(char* record, Field f) const {
        const FieldLayout l = layout(f);
        std::memcpy(record + l.offset, m_buf,
                    std::min<std::size_t>(m_len, static_cast<std::size_t>(l.width)));
    }

private:
    char m_buf[96];
    std::size_t m_len = 0;
};

void mobile(Rng& rng, Text& t) {
    static constexpr std::string_view kNets[] = {"20", "30", "70"};
    const std::string_view net = kNets[rng.below(3)];
    if (rng.percent(8)) {
        t.add("+36 ")
            .add(net)
            .add(' ')
            .number(rng.between(100, 999))
            .add(' ')
            .number(rng.between(0, 9999), 4);
        return;
    }
    t.add("06-")
        .add(net)
        .add('-')
        .number(rng.between(100, 999))
        .add('-')
        .number(rng.between(0, 9999), 4);
}

void landline(Rng& rng, const Place& place, Text& t) {
    if (place.area == 1) {
        t.add("06-1-").number(rng.between(200, 999)).add('-').number(rng.between(0, 9999), 4);
        return;
    }
    t.add("06-")
        .number(place.area)
        .add('-')
        .number(rng.between(200, 999))
        .add('-')
        .number(rng.between(0, 999), 3);
}

} // namespace

RegisterGenerator::RegisterGenerator(std::uint64_t seed)
    : m_state(seed) {}

Record RegisterGenerator::next() {
    Record r;
    next(r.data());
    return r;
}

void RegisterGenerator::next(char* record) {
    const Tables& tb = tables();
    Rng rng{m_state};
    std::memset(record, ' ', kRecordSize);

    // Name: family name first, as Hungarians write it.
    const Word& family = rng.percent(2) ? tb.rareFamily.uniform(rng) : tb.family.pick(rng);
    const bool woman = rng.percent(50);
    const Pool& givenNames = woman ? tb.female : tb.male;
    const Word& given = givenNames.pick(rng);
    Text name;
    const std::uint32_t form = rng.below(100);
    if (form < 4)
        name.add("dr. ");
    else if (woman && form < 14)
        name.add(tb.family.pick(rng).bytes).add(tb.wife);
    name.add(family.bytes).add(' ').add(given.bytes);
    if (form >= 90)
        name.add(' ').add(givenNames.pick(rng).bytes);
    name.putInto(record, Field::Nev);

    const Place& place = tb.places.pick(rng);
    if (!rng.percent(3)) {
        Text settlement;
        settlement.add(place.name.bytes).putInto(record, Field::Telepules);
        if (!rng.percent(2)) {
            int code = rng.between(place.postLo, place.postHi);
            if (place.area == 1) // Budapest: 1, district 01-23, then 1-9
                code = 1000 + rng.between(1, 23) * 10 + rng.between(1, 9);
            Text postcode;
            postcode.number(code, 4).putInto(record, Field::Irszam);
        }
    }

    if (!rng.percent(2)) {
        Text street;
        street.add(tb.streetName.pick(rng).bytes).add(' ').add(tb.streetKind.pick(rng).bytes);
        street.add(' ').number(rng.percent(70) ? rng.between(1, 40) : rng.between(41, 180));
        const std::uint32_t kind = rng.below(100);
        if (kind < 12)
            street.add('/').add(static_cast<char>('A' + rng.below(4)));
        else
            street.add('.');
        if (kind >= 80 && kind < 92) {
            static constexpr std::string_view kFloors[] = {"I.", "II.", "III.", "IV.", "4.", "7."};
            street.add(' ')
                .add(kFloors[rng.below(6)])
                .add(" em. ")
                .number(rng.between(1, 40))
                .add('.');
        } else if (kind >= 92) {
            street.add(" fsz. ").number(rng.between(1, 6)).add('.');
        }
        street.putInto(record, Field::Cim);
    }

    Text tel1;
    const std::uint32_t phone = rng.below(100);
    if (phone < 55)
        mobile(rng, tel1);
    else if (phone < 95)
        landline(rng, place, tel1);
    tel1.putInto(record, Field::Tel1);
    if (rng.percent(40)) {
        Text tel2;
        if (phone < 55)
            landline(rng, place, tel2);
        else
            mobile(rng, tel2);
        tel2.putInto(record, Field::Tel2);
    }

    if (rng.percent(35)) {
        Text note;
        note.add(tb.note.pick(rng).bytes).putInto(record, Field::Megj);
    }

    if (rng.percent(45)) {
        Text mail;
        switch (rng.below(3)) {
        case 0:
            mail.add(given.ascii).add('.').add(family.ascii);
            break;
        case 1:
            mail.add(family.ascii).add('.').add(given.ascii);
            break;
        default:
            mail.add(family.ascii).add(given.ascii);
            break;
        }
        if (rng.percent(30))
            mail.number(rng.between(1, 99));
        mail.add('@').add(tb.mailDomain.pick(rng).bytes);
        mail.putInto(record, Field::Mail);
    }

    if (rng.percent(8)) {
        Text web;
        if (rng.percent(40))
            web.add("https://");
        web.add("www.").add(family.ascii);
        if (rng.percent(50))
            web.add('-').add(place.name.ascii);
        web.add(".hu");
        web.putInto(record, Field::Web);
    }
}

QString writeRegister(const QString& path, qint64 count, std::uint64_t seed) {
    if (count < 0)
        return QStringLiteral("negative contact count");
    const QByteArray target = QFile::encodeName(path);
    const QByteArray part = target + ".part";
    auto failed = [&](const char* step, int code) {
        return QStringLiteral("%1 %2: %3")
            .arg(QString::fromUtf8(step), QString::fromLocal8Bit(part),
                 QString::fromLocal8Bit(std::strerror(code)));
    };

    const int fd = ::open(part.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return failed("cannot create", errno);

    constexpr qint64 kBlock = 8192;
    std::vector<char> buffer(static_cast<std::size_t>(kBlock * kRecordSize));
    RegisterGenerator gen(seed);
    QString error;
    for (qint64 done = 0; done < count && error.isEmpty();) {
        const qint64 n = std::min(kBlock, count - done);
        for (qint64 i = 0; i < n; ++i)
            gen.next(buffer.data() + i * kRecordSize);
        const char* p = buffer.data();
        std::size_t left = static_cast<std::size_t>(n * kRecordSize);
        while (left > 0) {
            const ssize_t w = ::write(fd, p, left);
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                error = failed("cannot write", w < 0 ? errno : ENOSPC);
                break;
            }
            p += w;
            left -= static_cast<std::size_t>(w);
        }
        done += n;
    }
    if (error.isEmpty() && ::fdatasync(fd) != 0)
        error = failed("cannot flush", errno);
    if (::close(fd) != 0 && error.isEmpty())
        error = failed("cannot close", errno);
    if (error.isEmpty() && std::rename(part.constData(), target.constData()) != 0)
        error = failed("cannot rename", errno);
    if (!error.isEmpty())
        ::unlink(part.constData());
    return error;
}

} // namespace contactgen
