#include "sync/cardedit.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// "Nev=Kiss Ádám|Tel1=+36 1 111": the fields named, the others blank.
Record record(const QString& fields) {
    static const QStringList names = {u"Nev"_s,  u"Telepules"_s, u"Irszam"_s, u"Cim"_s, u"Tel1"_s,
                                      u"Tel2"_s, u"Megj"_s,      u"Mail"_s,   u"Web"_s};
    Record r;
    for (const QString& part : fields.split(u'|', Qt::SkipEmptyParts)) {
        const qsizetype eq = part.indexOf(u'=');
        r.setField(static_cast<Field>(names.indexOf(part.left(eq))), part.mid(eq + 1));
    }
    return r;
}

// The card's own lines between VERSION and END, one per line of the table.
QByteArray card(const QString& body) {
    QByteArray out = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    for (const QString& line : body.split(u'\n'))
        out += line.toUtf8() + "\r\n";
    return out + "END:VCARD\r\n";
}

} // namespace

class TestCardEdit : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void edit_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("after");
        const QString kiss = u"FN:Kiss Ádám\nN:Kiss;Ádám;;;"_s;
        QTest::newRow("photo and birthday stay")
            << kiss +
                   u"\nTEL;TYPE=cell:+36 1 111\nPHOTO;ENCODING=b;TYPE=JPEG:AAAA\nBDAY:1970-01-01"_s
            << u"Nev=Kiss Ádám|Tel1=+36 1 111"_s << u"Nev=Kiss Ádám|Tel1=+36 1 222"_s
            << kiss +
                   u"\nTEL;TYPE=cell:+36 1 222\nPHOTO;ENCODING=b;TYPE=JPEG:AAAA\nBDAY:1970-01-01"_s;
        // The register holds 50 characters of the note; the server keeps all of them.
        QTest::newRow("longer value of an unchanged field stays")
            << kiss + u"\nNOTE:"_s + QString(80, u'n') + u"\nEMAIL:a@pelda.hu"_s
            << u"Nev=Kiss Ádám|Megj="_s + QString(50, u'n') + u"|Mail=a@pelda.hu"_s
            << u"Nev=Kiss Ádám|Megj="_s + QString(50, u'n') + u"|Mail=b@pelda.hu"_s
            << kiss + u"\nNOTE:"_s + QString(80, u'n') + u"\nEMAIL:b@pelda.hu"_s;
        QTest::newRow("the preferred telephone is the first")
            << kiss + u"\nTEL:1\nTEL;TYPE=work,pref:2"_s << u"Nev=Kiss Ádám|Tel1=2|Tel2=1"_s
            << u"Nev=Kiss Ádám|Tel1=2|Tel2=3"_s << kiss + u"\nTEL:3\nTEL;TYPE=work,pref:2"_s;
        QTest::newRow("emptied field loses its property")
            << kiss + u"\nitem1.URL:https://pelda.hu\nitem1.X-ABLABEL:web"_s
            << u"Nev=Kiss Ádám|Web=https://pelda.hu"_s << u"Nev=Kiss Ádám"_s
            << kiss + u"\nitem1.X-ABLABEL:web"_s;
        QTest::newRow("missing property added at the end")
            << kiss << u"Nev=Kiss Ádám"_s << u"Nev=Kiss Ádám|Mail=k@pelda.hu|Tel1=5"_s
            << kiss + u"\nTEL;TYPE=voice:5\nEMAIL;TYPE=internet:k@pelda.hu"_s;
        QTest::newRow("one address component, the others stay")
            << kiss + u"\nADR;TYPE=work:;;Fő utca 1.;Budapest;Pest;1011;Magyarország"_s
            << u"Nev=Kiss Ádám|Irszam=1011|Telepules=Budapest|Cim=Fő utca 1."_s
            << u"Nev=Kiss Ádám|Irszam=1012|Telepules=Budapest|Cim=Fő utca 1."_s
            << kiss + u"\nADR;TYPE=work:;;Fő utca 1.;Budapest;Pest;1012;Magyarország"_s;
        QTest::newRow("renamed in FN and N, grouped telephone kept")
            << kiss + u"\nitem2.TEL:7"_s << u"Nev=Kiss Ádám|Tel1=7"_s
            << u"Nev=Nagy Éva Róza|Tel1=7"_s
            << u"FN:Nagy Éva Róza\nN:Nagy;Éva Róza;;;\nitem2.TEL:7"_s;
        QTest::newRow("quoted-printable value rewritten as plain text")
            << kiss + u"\nNOTE;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:r=C3=A9gi"_s
            << u"Nev=Kiss Ádám|Megj=régi"_s << u"Nev=Kiss Ádám|Megj=új; vesszővel, is"_s
            << kiss + u"\nNOTE:új\\; vesszővel\\, is"_s;
        QTest::newRow("long new value folded")
            << kiss << u"Nev=Kiss Ádám"_s << u"Nev=Kiss Ádám|Megj="_s + QString(50, u'é')
            << kiss + u"\nNOTE:"_s + QString(35, u'é') + u"\n "_s + QString(15, u'é');
    }

    void edit() {
        QFETCH(QString, before);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, after);
        const QByteArray edited = cardsync::editCard(card(before), record(from), record(to));
        QCOMPARE(QString::fromUtf8(edited), QString::fromUtf8(card(after)));
        // What the register reads back from the edited card is the record it was made from.
        QCOMPARE(cardsync::recordOfCard(edited), std::optional<Record>(record(to)));
    }
};

QTEST_GUILESS_MAIN(TestCardEdit)
#include "tst_cardedit.moc"
