#include "store/datastore.h"
#include "store/record.h"
#include "testdata.h"
#include "vcard/vcardreader.h"
#include "vcard/vcardtext.h"
#include "vcard/vcardwriter.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

using namespace Qt::StringLiterals;

namespace {

// A record written as its nine shown fields joined by '|', trailing empty ones left off.
QString shown(const Record& r) {
    QStringList fields;
    for (int f = 0; f < kFieldCount; ++f)
        fields.append(r.displayField(static_cast<Field>(f)));
    while (!fields.isEmpty() && fields.last().isEmpty())
        fields.removeLast();
    return fields.join(u'|');
}

Record recordOf(const QString& fields) {
    return makeRecord(fields.split(u'|'));
}

QStringList parse(const QByteArray& bytes, qint64 chunk, MaybeError* error = nullptr) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QStringList cards;
    const MaybeError err = vcard::readCards(
        buffer, u"x.vcf"_s,
        [&](const Record& r) -> MaybeError {
            cards.append(shown(r));
            return std::nullopt;
        },
        chunk);
    if (error)
        *error = err;
    else if (err)
        cards.append(u"ERROR "_s + err->message());
    return cards;
}

QByteArray v30(const QByteArray& body) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\n" + body + "END:VCARD\r\n";
}

QByteArray v21(const QByteArray& body) {
    return "BEGIN:VCARD\r\nVERSION:2.1\r\n" + body + "END:VCARD\r\n";
}

// Produces a card whose PHOTO is size bytes long, made up as it is read, so that the test
// itself never holds it.
class HugePhotoDevice : public QIODevice {
public:
    HugePhotoDevice(qint64 size, bool folded)
        : m_size(size)
        , m_folded(folded) {
        m_head = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Nagy Éva\r\nPHOTO;ENCODING=b;TYPE=JPEG:";
        m_tail = "\r\nTEL:+36 1 111 2222\r\nEND:VCARD\r\n";
    }

protected:
    qint64 readData(char* data, qint64 max) override {
        qint64 done = 0;
        while (done < max) {
            if (m_pos < m_head.size()) {
                data[done++] = m_head[m_pos++];
            } else if (m_pos < m_head.size() + m_size) {
                const qint64 k = m_pos - m_head.size();
                // Folded: CR LF and a blank after every 74 letters.
                const qint64 inLine = k % 77;
                char c = 'A' + static_cast<char>(k % 26);
                if (m_folded && inLine == 74)
                    c = '\r';
                else if (m_folded && inLine == 75)
                    c = '\n';
                else if (m_folded && inLine == 76)
                    c = ' ';
                data[done++] = c;
                ++m_pos;
            } else if (m_pos < m_head.size() + m_size + m_tail.size()) {
                data[done++] = m_tail[m_pos - m_head.size() - m_size];
                ++m_pos;
            } else {
                break;
            }
        }
        return done;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_head;
    QByteArray m_tail;
    qint64 m_size;
    bool m_folded;
    qint64 m_pos = 0;
};

class FailingDevice : public QIODevice {
public:
    explicit FailingDevice(QByteArray start)
        : m_start(std::move(start)) {}

protected:
    qint64 readData(char* data, qint64 max) override {
        if (m_start.isEmpty()) {
            errno = EIO;
            return -1;
        }
        const qint64 n = std::min<qint64>(max, m_start.size());
        memcpy(data, m_start.constData(), static_cast<size_t>(n));
        m_start.remove(0, n);
        return n;
    }
    qint64 writeData(const char*, qint64 n) override { return n / 2; }

private:
    QByteArray m_start;
};

qint64 peakResidentKiB() {
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toLongLong();
    return -1;
}

QList<QByteArray> physicalLines(const QByteArray& bytes) {
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray& l : lines) {
        if (!l.endsWith('\r'))
            return {"<line without CR>"};
        l.chop(1);
    }
    return lines;
}

} // namespace

class tst_vcard : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void reads_data();
    void reads();
    void charsets_data();
    void charsets();
    void hugePropertiesAreNotHeld_data();
    void hugePropertiesAreNotHeld();
    void longValuesKeepWhatFollows();
    void junkNeverCrashes();
    void readFailureIsAnError();
    void callbackErrorStopsReading();
    void writesLines_data();
    void writesLines();
    void folding_data();
    void folding();
    void roundTrip_data();
    void roundTrip();
    void storeRoundTripAndWriteFailure();
};

void tst_vcard::reads_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("3.0 every field") << v30("FN:Kovács János\r\n"
                                            "N:Kovács;János;;;\r\n"
                                            "ADR;TYPE=home:;;Fő utca 1.;Budapest;;1011;Hungary\r\n"
                                            "TEL;TYPE=voice:+36 1 234 5678\r\n"
                                            "TEL;TYPE=cell:+36 30 123 4567\r\n"
                                            "NOTE:Régi barát\r\n"
                                            "EMAIL;TYPE=internet:janos@pelda.hu\r\n"
                                            "URL:https://pelda.hu\r\n")
                                     << QStringList{u"Kovács János|Budapest|1011|Fő utca 1.|+36 1 "
                                                    u"234 5678|+36 30 123 4567|Régi "
                                                    u"barát|janos@pelda.hu|https://pelda.hu"_s};
    QTest::newRow("4.0 with PREF and a tel: address")
        << QByteArray("BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Szabó Anna\r\n"
                      "TEL;VALUE=uri;TYPE=home:tel:+36-1-111-1111\r\n"
                      "TEL;VALUE=uri;PREF=2;TYPE=work:tel:+36-1-222-2222\r\n"
                      "TEL;VALUE=uri;PREF=1;TYPE=cell:tel:+36-30-333-3333\r\n"
                      "END:VCARD\r\n")
        << QStringList{u"Szabó Anna||||+36-30-333-3333|+36-1-222-2222"_s};
    QTest::newRow("3.0 TYPE=pref, also inside a list and quoted")
        << v30("FN:A\r\nTEL:1\r\nTEL;TYPE=pref:2\r\nTEL;TYPE=\"work,PREF\":3\r\n")
        << QStringList{u"A||||2|3"_s};
    QTest::newRow("4.0 TYPE values quoted one by one")
        << v30("FN:A\r\nTEL:1\r\nTEL;TYPE=\"cell\",\"pref\":2\r\n") << QStringList{u"A||||2|1"_s};
    QTest::newRow("2.1 bare type parameters")
        << v21("FN:A\r\nTEL;HOME:1\r\nTEL;CELL;PREF:2\r\nTEL;WORK:3\r\n")
        << QStringList{u"A||||2|1"_s};
    QTest::newRow("first two phones in file order without preference")
        << v30("FN:A\r\nTEL:1\r\nTEL:\r\nTEL:2\r\nTEL:3\r\n") << QStringList{u"A||||1|2"_s};
    QTest::newRow("preferred address before the first")
        << v30("FN:A\r\nADR:;;Első u. 1.;Eger;;3300;\r\n"
               "ADR;TYPE=work,pref:;2. emelet;Második u. 2.;Pécs;;7621;\r\n"
               "ADR;TYPE=pref:;;Harmadik u. 3.;Győr;;9021;\r\n")
        << QStringList{u"A|Pécs|7621|Második u. 2., 2. emelet"_s};
    QTest::newRow("post-office box after street and extended address")
        << v30("FN:A\r\nADR:Pf. 12;;;Eger;;3300;\r\n") +
               v30("FN:B\r\nADR:Pf. 5;2. em.;Fő u. 1.;;;;\r\n")
        << QStringList{u"A|Eger|3300|Pf. 12"_s, u"B|||Fő u. 1., 2. em., Pf. 5"_s};
    QTest::newRow("a number too long for its field loses its formatting, not its digits")
        << v30("FN:A\r\nTEL:+1 (919) 555-1234\r\nTEL:+36-30-333-3333\r\n")
        << QStringList{u"A||||+19195551234|+36-30-333-3333"_s};
    QTest::newRow("an empty address does not count")
        << v30("FN:A\r\nADR;TYPE=pref:;;;;;;\r\nADR:;;Fő tér 2.;Vác;;2600;\r\n")
        << QStringList{u"A|Vác|2600|Fő tér 2."_s};
    QTest::newRow("name from N, family name first")
        << v30("N:Tóth;Béla;Géza;Dr.;ifj.\r\nEMAIL:b@t.hu\r\n")
        << QStringList{u"Tóth Béla Géza|||||||b@t.hu"_s};
    QTest::newRow("empty FN falls back to N, given names as a list")
        << v30("FN:\r\nN:Kiss;Anna,Mária;;;\r\n") << QStringList{u"Kiss Anna Mária"_s};
    QTest::newRow("FN wins over N wherever it stands")
        << v30("N:Family;Given;;;\r\nFN:Shown Name\r\n") << QStringList{u"Shown Name"_s};
    QTest::newRow("escapes")
        << v30("FN:Kiss\\, Anna\\; dr.\r\nNOTE:a\\\\b\\nc\\Nd\\,e\\;f\\:g\\xh\r\n"
               "ADR:;;Fő u. 1\\; fsz.;Buda\\,pest;;;\r\n")
        << QStringList{u"Kiss, Anna; dr.|Buda,pest||Fő u. 1; fsz.|||a\\b c d,e;f:g\\xh"_s};
    QTest::newRow("unescaped commas list the street's parts")
        << v30("FN:A\r\nADR:;;Fő u. 1,II. em.;Eger;;;\r\n")
        << QStringList{u"A|Eger||Fő u. 1, II. em."_s};
    QTest::newRow("groups and lower-case names")
        << QByteArray("begin:vcard\r\nversion:3.0\r\nfn:Lakatos Ádám\r\n"
                      "item1.tel;type=CELL:+36 20 555 0000\r\nitem1.X-ABLabel:mobil\r\n"
                      "item2.EMAIL;type=INTERNET;type=pref:adam@pelda.hu\r\n"
                      "item3.URL;type=pref:http\\://pelda.hu\r\nend:vcard\r\n")
        << QStringList{u"Lakatos Ádám||||+36 20 555 0000|||adam@pelda.hu|http://pelda.hu"_s};
    QTest::newRow("folding: CR LF blank, LF tab, inside a name and a character")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nF\r\n N:Kov\xC3\r\n \xA1"
                      "cs\nNOTE:egy \n\tkett\xC5\x91\r\nEND:VCARD\r\n")
        << QStringList{u"Kovács||||||egy kettő"_s};
    QTest::newRow("2.1 folding keeps the white space it was made at")
        << v21("FN:Kiss\r\n Anna\r\nNOTE:egy\r\n\tkettő\r\n")
        << QStringList{u"Kiss Anna||||||egy\tkettő"_s};
    QTest::newRow("LF only, several cards, text around them")
        << QByteArray("garbage before\nBEGIN:VCARD\nVERSION:3.0\nFN:Egy\nEND:VCARD\nbetween\n"
                      "BEGIN:VCARD\nVERSION:3.0\nFN:Kettő\nEND:VCARD\n\nBEGIN:VCARD\nFN:Három\n"
                      "END:VCARD")
        << QStringList{u"Egy"_s, u"Kettő"_s, u"Három"_s};
    QTest::newRow("CR only") << QByteArray("BEGIN:VCARD\rVERSION:3.0\rFN:Egy\rTEL:1\rEND:VCARD\r")
                             << QStringList{u"Egy||||1"_s};
    QTest::newRow("byte-order mark, also where two files were glued")
        << "\xEF\xBB\xBF" + v30("FN:Első\r\n") + "\xEF\xBB\xBF" + v30("FN:Második\r\n")
        << QStringList{u"Első"_s, u"Második"_s};
    QTest::newRow("2.1 quoted-printable with soft line breaks")
        << v21("FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Sz=C5=91ke =\r\nZolt=C3=A1n\r\n"
               "N;CHARSET=UTF-8;QUOTED-PRINTABLE:Sz=C5=91ke;Zolt=C3=A1n;;;\r\n"
               "NOTE;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:els=C5=91 sor=0D=0A=\r\nm=C3=A1=\r\n"
               "sodik sor\r\n"
               "ADR;HOME;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;;F=C5=91 u. "
               "1.;=\r\nSzeged;;6720;\r\n")
        << QStringList{u"Szőke Zoltán|Szeged|6720|Fő u. 1.|||első sor második sor"_s};
    QTest::newRow("a skipped quoted-printable property swallows its soft-broken lines")
        << v21("FN:A\r\nX-NOTE;ENCODING=QUOTED-PRINTABLE:abc=\r\nTEL:999=\r\nEMAIL:x@y\r\n"
               "TEL:1\r\n")
        << QStringList{u"A||||1"_s};
    QTest::newRow("photos and other properties are skipped, also 2.1 base64 lines")
        << v30("FN:A\r\nPHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQ\r\n "
               "AAAQABAAD/2wBDAAgGBgcG\r\n"
               "TEL:1\r\n") +
               v21("FN:B\r\nPHOTO;ENCODING=BASE64;TYPE=JPEG:\r\n/9j/4AAQSkZJRgABAQ\r\n"
                   "AAAQABAAD/2wBDAAgGBgcG\r\n\r\nTEL:2\r\n")
        << QStringList{u"A||||1"_s, u"B||||2"_s};
    QTest::newRow("2.1 agent card inside a card")
        << v21("FN:Főnök\r\nAGENT:\r\nBEGIN:VCARD\r\nVERSION:2.1\r\nFN:Titkár\r\nTEL:9\r\n"
               "END:VCARD\r\nTEL:1\r\n")
        << QStringList{u"Főnök||||1"_s};
    QTest::newRow("2.1 nested card: a contact of its own, the outer card goes on after it")
        << v21("FN:Külső\r\nBEGIN:VCARD\r\nVERSION:2.1\r\nFN:Belső\r\nTEL:2\r\nEND:VCARD\r\n"
               "TEL:1\r\n")
        << QStringList{u"Belső||||2"_s, u"Külső||||1"_s};
    QTest::newRow("a card without END holds the cards after it and ends with the file")
        << QByteArray("BEGIN:VCARD\r\nFN:Egy\r\nBEGIN:VCARD\r\nFN:Kettő\r\nEND:VCARD\r\n"
                      "BEGIN:VCARD\r\nFN:Három\r\nTEL:3")
        << QStringList{u"Kettő"_s, u"Három||||3"_s, u"Egy"_s};
    QTest::newRow("an empty card is an empty contact") << v30("") << QStringList{QString()};
    QTest::newRow("properties outside a card are ignored")
        << QByteArray("FN:Senki\r\nTEL:0\r\n") + v30("FN:Valaki\r\n") + "TEL:0\r\n"
        << QStringList{u"Valaki"_s};
    QTest::newRow("quoted parameter values may hold ':' and ';'")
        << QByteArray(
               "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:A\r\n"
               "ADR;LABEL=\"Fő u. 1.;\\n6720: Szeged\";TYPE=home:;;Fő u. 1.;Szeged;;6720;\r\n"
               "END:VCARD\r\n")
        << QStringList{u"A|Szeged|6720|Fő u. 1."_s};
    QTest::newRow("values trimmed, line breaks of a note become blanks")
        << v30("FN:  Nagy Péter \r\nNOTE:\\n első\\r\\nsor "
               "\\n\r\nEMAIL;TYPE=internet:mailto:p@n.hu\r\n")
        << QStringList{u"Nagy Péter||||||első\\r sor|p@n.hu"_s};
    QTest::newRow("base64 text value")
        << v21("FN:A\r\nNOTE;ENCODING=BASE64;CHARSET=UTF-8:w4FydsOtenTFsXLFkQ==\r\n\r\n")
        << QStringList{u"A||||||Árvíztűrő"_s};
    QTest::newRow("fields cut to width, missing characters become ?")
        << v30("FN:" + QByteArray(45, 'n') + "\r\nADR:;;" + QByteArray(60, 's') + ";" +
               QByteArray(30, 't') +
               ";;123456;\r\nTEL:+36 (1) 234-5678-999 999\r\n"
               "NOTE:Łódź 王 😀 ő\r\n")
        << QStringList{QString(40, u'n') + u'|' + QString(25, u't') + u"|1234|"_s +
                       QString(50, u's') + u"|+36123456789999||Łódź ? ? ő"_s};
}

void tst_vcard::reads() {
    QFETCH(QByteArray, input);
    QFETCH(QStringList, expected);
    // Every chunk size, so that each place in the text falls on a chunk boundary once.
    for (qint64 chunk : {1, 2, 3, 7, 64 * 1024}) {
        const QStringList got = parse(input, chunk);
        QVERIFY2(got == expected, qPrintable(u"chunk %1: %2"_s.arg(chunk).arg(got.join(u'\n'))));
    }
}

void tst_vcard::charsets_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("expected");
    // "őrült tűz" in each character set.
    QTest::newRow("UTF-8 by default") << v30("FN:\xC5\x91rült t\xC5\xB1z\r\n") << u"őrült tűz"_s;
    QTest::newRow("not UTF-8 and no CHARSET: Windows-1250")
        << v21("FN:\xF5r\xFClt t\xFBz\r\n") << u"őrült tűz"_s;
    QTest::newRow("ISO-8859-2") << v21("FN;CHARSET=ISO-8859-2:\xF5r\xFClt t\xFBz\r\n")
                                << u"őrült tűz"_s;
    QTest::newRow("ISO-8859-2 quoted-printable")
        << v21("FN;CHARSET=iso-8859-2;ENCODING=QUOTED-PRINTABLE:=F5r=FClt t=FBz\r\n")
        << u"őrült tűz"_s;
    QTest::newRow("Windows-1250, where it differs from ISO-8859-2")
        << v21("FN;CHARSET=WINDOWS-1250:\x8A\x9A\x8E\r\n") << u"ŠšŽ"_s;
    QTest::newRow("ISO-8859-1") << v21("FN;CHARSET=ISO-8859-1:K\xF6nig\r\n") << u"König"_s;
    QTest::newRow("unknown character set guesses") << v21("FN;CHARSET=X-NONE:\xF5z\r\n") << u"őz"_s;
    // Without a mark as some address books write it: lower case, CR line ends; a NUL is dropped.
    const QString marked = u"BEGIN:VCARD\r\nVERSION:3.0\r\nFN:őrült tűz\r\nEND:VCARD\r\n"_s;
    const QString bare =
        u"begin:vcard\rversion:3.0\rfn:őrült"_s + QChar(0) + u" tűz\rend:vcard\r"_s;
    for (const bool be : {false, true})
        for (const bool mark : {false, true})
            QTest::addRow("UTF-16%s %s", be ? "BE" : "LE", mark ? "with a mark" : "without")
                << QByteArray(QStringEncoder(be ? QStringEncoder::Utf16BE : QStringEncoder::Utf16LE,
                                             mark ? QStringEncoder::Flag::WriteBom
                                                  : QStringEncoder::Flag::Default)
                                  .encode(mark ? marked : bare))
                << u"őrült tűz"_s;
}

void tst_vcard::charsets() {
    QFETCH(QByteArray, input);
    QFETCH(QString, expected);
    for (qint64 chunk : {1, 64 * 1024})
        QCOMPARE(parse(input, chunk), QStringList{expected});
}

void tst_vcard::hugePropertiesAreNotHeld_data() {
    QTest::addColumn<bool>("folded");
    QTest::newRow("one line") << false;
    QTest::newRow("folded lines") << true;
}

void tst_vcard::hugePropertiesAreNotHeld() {
    QFETCH(bool, folded);
    const qint64 before = peakResidentKiB();
    if (before < 0)
        QSKIP("no /proc/self/status");
    constexpr qint64 kPhoto = 128 * 1024 * 1024;
    HugePhotoDevice device(kPhoto, folded);
    QVERIFY(device.open(QIODevice::ReadOnly));
    QStringList cards;
    const MaybeError err =
        vcard::readCards(device, u"big.vcf"_s, [&](const Record& r) -> MaybeError {
            cards.append(shown(r));
            return std::nullopt;
        });
    QVERIFY(!err);
    QCOMPARE(cards, QStringList{u"Nagy Éva||||+36 1 111 2222"_s});
    // Holding the photo would raise the peak by at least its size.
    QCOMPARE_LT(peakResidentKiB() - before, 32 * 1024);
}

void tst_vcard::longValuesKeepWhatFollows() {
    // Values far longer than a field: the field gets their start, and the components and
    // properties after them still arrive.
    const QByteArray input =
        v30("FN:" + QByteArray(100000, 'x') + "\r\nADR:;" + QByteArray(100000, 'e') + ";" +
            QByteArray(100000, 's') + ";Szeged" + QByteArray(200, ';') +
            "\r\nNOTE;ENCODING=QUOTED-"
            "PRINTABLE:" +
            QByteArray(50000, '=').replace("=", "=C5=91") + "\r\nTEL:7\r\n");
    QCOMPARE(parse(input, 4096), QStringList{QString(40, u'x') + u"|Szeged||"_s +
                                             QString(50, u's') + u"|7||"_s + QString(50, u'ő')});
}

void tst_vcard::junkNeverCrashes() {
    // Damaged copies of a file that uses every construct: each must read to the end, whatever
    // it gives.
    const QByteArray seed =
        "\xEF\xBB\xBF" +
        v21("FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Sz=C5=91ke =\r\nZolt=C3=A1n\r\n"
            "AGENT:\r\nBEGIN:VCARD\r\nFN:X\r\nEND:VCARD\r\nTEL;CELL;PREF:1\r\n") +
        v30("N:Kiss\\,;Anna,M;;;\r\nADR;TYPE=\"a,pref\":;e;s\\;t;l;;1234;\r\n item2.TEL:2\r\n"
            "PHOTO;ENCODING=b:AAAA\r\n BBBB\r\nNOTE;ENCODING=BASE64:w4E=\r\n");
    QRandomGenerator gen(99);
    const QByteArray specials = ":;,=\\\"\r\n \t.\xC5\xFF";
    for (int round = 0; round < 3000; ++round) {
        QByteArray input = seed;
        const int edits = 1 + gen.bounded(8);
        for (int e = 0; e < edits; ++e) {
            const qsizetype at = gen.bounded(input.size());
            const char c = gen.bounded(2) ? specials[gen.bounded(specials.size())]
                                          : static_cast<char>(gen.bounded(256));
            switch (gen.bounded(3)) {
            case 0:
                input[at] = c;
                break;
            case 1:
                input.insert(at, c);
                break;
            default:
                input.remove(at, 1 + gen.bounded(4));
            }
        }
        MaybeError err;
        const QStringList cards = parse(input, 1 + gen.bounded(40), &err);
        QVERIFY(!err);
        QVERIFY(cards.size() <= 4);
    }
}

void tst_vcard::readFailureIsAnError() {
    FailingDevice device(v30("FN:A\r\n"));
    QVERIFY(device.open(QIODevice::ReadOnly));
    const MaybeError err = vcard::readCards(
        device, u"/x/a.vcf"_s, [](const Record&) -> MaybeError { return std::nullopt; });
    QVERIFY(err);
    QCOMPARE(err->action, StoreError::Action::Read);
    QCOMPARE(err->path, u"/x/a.vcf"_s);
    QVERIFY(err->message().contains(u"a.vcf"_s));
}

void tst_vcard::callbackErrorStopsReading() {
    QBuffer buffer;
    buffer.setData(v30("FN:1\r\n") + v30("FN:2\r\n") + v30("FN:3\r\n"));
    buffer.open(QIODevice::ReadOnly);
    QStringList seen;
    const MaybeError err = vcard::readCards(buffer, u"x.vcf"_s, [&](const Record& r) -> MaybeError {
        seen.append(shown(r));
        if (seen.size() == 2)
            return systemError(StoreError::Action::Write, u"Telefon.dat"_s, ENOSPC);
        return std::nullopt;
    });
    QVERIFY(err);
    QCOMPARE(err->code, ENOSPC);
    QCOMPARE(seen, (QStringList{u"1"_s, u"2"_s}));
}

void tst_vcard::writesLines_data() {
    QTest::addColumn<QString>("record");
    QTest::addColumn<QByteArrayList>("lines");
    const QByteArrayList begin = {"BEGIN:VCARD", "VERSION:3.0"};
    QTest::newRow("every field")
        << u"Kovács János Péter|Győr|9021|Árpád út 5.|+36 96 123 456|+36 30 111 2222|őrző|"
           u"k.j@pelda.hu|www.pelda.hu"_s
        << begin + QByteArrayList{"FN:Kovács János Péter",
                                  "N:Kovács;János Péter;;;",
                                  "ADR;TYPE=home:;;Árpád út 5.;Győr;;9021;",
                                  "TEL;TYPE=voice:+36 96 123 456",
                                  "TEL;TYPE=voice:+36 30 111 2222",
                                  "NOTE:őrző",
                                  "EMAIL;TYPE=internet:k.j@pelda.hu",
                                  "URL:www.pelda.hu",
                                  "END:VCARD"};
    QTest::newRow("empty fields left out, blanks trimmed")
        << u"  Kiss  ||   |||  +36 1 2  "_s
        << begin + QByteArrayList{"FN:Kiss", "N:Kiss;;;;", "TEL;TYPE=voice:+36 1 2", "END:VCARD"};
    QTest::newRow("address from any of its three fields")
        << u"A||6720"_s
        << begin + QByteArrayList{"FN:A", "N:A;;;;", "ADR;TYPE=home:;;;;;6720;", "END:VCARD"};
    QTest::newRow("a blank record still gives its card")
        << QString() << begin + QByteArrayList{"FN:", "N:;;;;", "END:VCARD"};
    QTest::newRow("escaping") << u"Kiss, Anna;dr.|Buda;pest||a\\b,c||||x;y@z|http://a.hu/?q=1,2"_s
                              << begin + QByteArrayList{"FN:Kiss\\, Anna\\;dr.",
                                                        "N:Kiss\\,;Anna\\;dr.;;;",
                                                        "ADR;TYPE=home:;;a\\\\b\\,c;Buda\\;pest;;;",
                                                        "EMAIL;TYPE=internet:x\\;y@z",
                                                        "URL:http://a.hu/?q=1\\,2",
                                                        "END:VCARD"};
}

void tst_vcard::writesLines() {
    QFETCH(QString, record);
    QFETCH(QByteArrayList, lines);
    QByteArray out;
    vcard::appendCard(out, recordOf(record));
    QCOMPARE(physicalLines(out), lines);
}

void tst_vcard::folding_data() {
    QTest::addColumn<QString>("record");
    QTest::addColumn<QByteArrayList>("lines");
    const QByteArray o = "ő";    // two octets
    const QByteArray euro = "€"; // three octets
    const QByteArrayList name = {"FN:", "N:;;;;"};
    const QString note = u"||||||"_s;
    QTest::newRow("fits") << note + QString(50, u'a')
                          << name + QByteArrayList{"NOTE:" + QByteArray(50, 'a')};
    QTest::newRow("two-octet letter across octet 75")
        << note + u'x' + QString(49, u'ő')
        << name + QByteArrayList{"NOTE:x" + o.repeated(34), " " + o.repeated(15)};
    QTest::newRow("two-octet letters up to octet 75")
        << note + QString(50, u'ő')
        << name + QByteArrayList{"NOTE:" + o.repeated(35), " " + o.repeated(15)};
    QTest::newRow("three-octet letters over three lines")
        << note + QString(50, u'€')
        << name + QByteArrayList{"NOTE:" + euro.repeated(23), " " + euro.repeated(24),
                                 " " + euro.repeated(3)};
    QTest::newRow("an escape pair is not split")
        << u"|aaaaaaa,bbb||"_s + QString(50, u's')
        << name +
               QByteArrayList{"ADR;TYPE=home:;;" + QByteArray(50, 's') + ";aaaaaaa", " \\,bbb;;;"};
    QTest::newRow("a full-width street, a two-octet letter across octet 75")
        << u"|Sajószentpéter|3770|Kőrösi Csoma Sándor utca 125. II. emelet 14. ajtó."_s
        << name + QByteArrayList{"ADR;TYPE=home:;;Kőrösi Csoma Sándor utca 125. II. emelet 14. "
                                 "ajtó.;Saj",
                                 " ószentpéter;;3770;"};
}

void tst_vcard::folding() {
    QFETCH(QString, record);
    QFETCH(QByteArrayList, lines);
    QByteArray out;
    vcard::appendCard(out, recordOf(record));
    const QByteArrayList all = physicalLines(out);
    QCOMPARE(all.mid(2, all.size() - 3), lines);
    // Whatever is folded reads back whole.
    QCOMPARE(parse(out, 1), QStringList{record});
}

void tst_vcard::roundTrip_data() {
    QTest::addColumn<QList<Record>>("records");
    QList<Record> handPicked;
    for (const QString& r :
         {u"Kovács János|Budapest|1011|Fő utca 1.|+36 1 234 5678|+36 30 123 4567|Régi "
          u"barát|janos@pelda.hu|https://pelda.hu"_s,
          QString(), u"Egyszó"_s, u"||||||csak megjegyzés"_s, u"Második|||||+36 1 2"_s,
          u"Kiss, Anna; dr. \\ x|Buda;pest|12,3|a\\,b\\;c|1:tel|mailto:x|;,\\|,@;|\\"_s})
        handPicked.append(recordOf(r));
    // Every field at full width with accented letters, also at the fold boundaries.
    Record full;
    const QString letters = u"ÁÉÍÓÖŐÚÜŰáéíóöőúüűŠšŽžČčĘę ,;\\xyz"_s;
    for (int f = 0; f < kFieldCount; ++f) {
        const int width = layout(static_cast<Field>(f)).width;
        QString value;
        for (int i = 0; i < width; ++i)
            value += letters[(i * 7 + f) % letters.size()];
        value[0] = u'ő';
        value[width - 1] = u'ű';
        full.setField(static_cast<Field>(f), value);
    }
    handPicked.append(full);
    QTest::newRow("hand-picked") << handPicked;

    QList<Record> random;
    QRandomGenerator gen(12);
    const QString alphabet = letters + u"0123456789+-.@/:'\"\x81"_s;
    for (int n = 0; n < 500; ++n) {
        Record r;
        for (int f = 0; f < kFieldCount; ++f) {
            const int width = layout(static_cast<Field>(f)).width;
            const int len = gen.bounded(3) == 0 ? 0 : gen.bounded(width + 1);
            QString value;
            for (int i = 0; i < len; ++i)
                value += alphabet[gen.bounded(alphabet.size())];
            r.setField(static_cast<Field>(f), value.trimmed());
        }
        random.append(r);
    }
    QTest::newRow("random") << random;
}

void tst_vcard::roundTrip() {
    QFETCH(QList<Record>, records);
    QByteArray out;
    QStringList expected;
    for (Record r : records) {
        vcard::appendCard(out, r);
        // Blank fields are left out, so a lone second phone is the card's first.
        if (r.displayField(Field::Tel1).isEmpty()) {
            r.setField(Field::Tel1, r.displayField(Field::Tel2));
            r.setField(Field::Tel2, u""_s);
        }
        expected.append(shown(r));
    }
    QVERIFY(vcard::isUtf8(out));
    for (const QByteArray& line : physicalLines(out))
        QVERIFY2(line.size() <= vcard::kLineOctets, line.constData());
    QCOMPARE(parse(out, 7), expected);
}

void tst_vcard::storeRoundTripAndWriteFailure() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    DataStore store(dir.path());
    QStringList expected;
    QByteArray file;
    for (int i = 0; i < 3000; ++i) {
        const Record r = recordOf(u"Név %1|Település|%2|Utca %1.|+36 1 %1"_s.arg(i).arg(i % 10000));
        file.append(r.data(), kRecordSize);
        expected.append(shown(r));
    }
    QFile data(store.dataPath());
    QVERIFY(data.open(QIODevice::WriteOnly));
    QCOMPARE(data.write(file), file.size());
    data.close();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    qint64 count = 0;
    QVERIFY(!vcard::writeCards(store, buffer, u"ki.vcf"_s, &count));
    QCOMPARE(count, 3000);
    QCOMPARE(parse(buffer.data(), vcard::kReadChunk), expected);

    // A device that takes only part of each write: a full disk.
    FailingDevice full({});
    QVERIFY(full.open(QIODevice::WriteOnly));
    const MaybeError err = vcard::writeCards(store, full, u"ki.vcf"_s);
    QVERIFY(err);
    QCOMPARE(err->action, StoreError::Action::Write);
    QCOMPARE(err->path, u"ki.vcf"_s);
}

QTEST_GUILESS_MAIN(tst_vcard)
#include "tst_vcard.moc"
