// The search switches: each change of a ticked field's text rebuilds the list from the file.
#include "list/recordlistmodel.h"
#include "scripteddialogs.h"
#include "store/record.h"
#include "windowharness.h"
#include "windows/frmtelcsi.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <memory>

namespace {

using RecNos = QList<qint64>;

struct Contact {
    QString nev, telepules, cim, megj;
};

const QString kFullWidth = QStringLiteral("Szentgyörgyiné Kovácsházi Erzsébet Mária"); // 40

// Records 1 to 6 of the file, in file order.
const QList<Contact> kContacts = {
    {QStringLiteral("Nagy Éva"), QStringLiteral("Győr"), QString(), QStringLiteral("ÉVA néni")},
    {QStringLiteral("Kisssy Péter"), QString(), QStringLiteral("Kossuth tér 2."), QString()},
    {QStringLiteral("Kovács Ödön"), QStringLiteral("Őrbottyán"), QStringLiteral("Petőfi út 3."),
     QStringLiteral("kollega ki? mi?")},
    {QStringLiteral("Kiss Anna"), QStringLiteral("Budapest"), QStringLiteral("Fő utca 1."),
     QStringLiteral("régi barát")},
    {QString(), QStringLiteral("Eger"), QStringLiteral("Szél utca 4."), QString()},
    {kFullWidth, QString(), QString(), QString()},
};

Record toRecord(const Contact& c, int i) {
    return makeRecord({c.nev, c.telepules, QString(), c.cim, QStringLiteral("06-1-%1").arg(i + 1),
                       QStringLiteral("06-30-%1").arg(i + 1), c.megj});
}

enum class FileState { Empty, Missing, TailOnly, Unreadable };

} // namespace

class tst_search : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<WindowHarness> m_h;
    frmTelcsi* m_w = nullptr;
    ScriptedDialogs* m_dialogs = nullptr;

    QString dataPath() const { return m_h->dataPath(); }
    QString folder() const { return m_h->folder(); }
    template <typename W> W* find(const QString& name) const { return m_h->find<W>(name); }
    QTreeView* list() const { return find<QTreeView>(QStringLiteral("ListView1")); }
    RecNos listed() const {
        RecNos numbers;
        for (int r = 0; r < m_w->listModel()->rowCount(); ++r)
            numbers << m_w->listModel()->recordNumber(r);
        return numbers;
    }
    void tick(const QString& checkName) { m_h->tick(checkName); }
    void clickHeader(int column) { m_h->clickHeader(column); }
    // Every row shows its own record, as the full list does.
    void verifyRowsShowTheirRecords() const {
        for (int row = 0; row < m_w->listModel()->rowCount(); ++row) {
            const qint64 n = m_w->listModel()->recordNumber(row);
            const Record r = toRecord(kContacts[n - 1], int(n - 1));
            const Field shown[] = {Field::Nev,  Field::Telepules, Field::Cim,
                                   Field::Tel1, Field::Tel2,      Field::Megj};
            for (int c = 0; c < 6; ++c)
                QCOMPARE(m_w->listModel()->text(row, c), r.displayField(shown[c]));
        }
    }

private Q_SLOTS:
    void init() {
        QByteArray data;
        for (int i = 0; i < kContacts.size(); ++i)
            data.append(toRecord(kContacts[i], i).data(), kRecordSize);
        m_h = std::make_unique<WindowHarness>(data);
        m_w = &m_h->window();
        m_dialogs = &m_h->dialogs();
        QCOMPARE(listed(), (RecNos{1, 2, 3, 4, 5, 6}));
    }
    void cleanup() {
        m_w = nullptr;
        m_dialogs = nullptr;
        m_h.reset();
    }

    void findsTheMatchingRecords_data() {
        QTest::addColumn<QString>("check");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<RecNos>("found");

        const QString nev = QStringLiteral("txNev");
        const QString c1 = QStringLiteral("Check1");
        QTest::newRow("name, any letter case")
            << c1 << nev << QStringLiteral("kiss") << RecNos{2, 4};
        QTest::newRow("name, inside the field") << c1 << nev << QStringLiteral("nna") << RecNos{4};
        QTest::newRow("name, blanks around ignored")
            << c1 << nev << QStringLiteral("  kiss  ") << RecNos{2, 4};
        QTest::newRow("name, blank inside counts")
            << c1 << nev << QStringLiteral("s a") << RecNos{4};
        QTest::newRow("name, only blanks: every name")
            << c1 << nev << QStringLiteral("   ") << RecNos{1, 2, 3, 4, 6};
        QTest::newRow("name, é finds É") << c1 << nev << QStringLiteral("éva") << RecNos{1};
        QTest::newRow("name, e does not find É") << c1 << nev << QStringLiteral("eva") << RecNos{};
        QTest::newRow("name, the whole full field")
            << c1 << nev << kFullWidth.toLower() << RecNos{6};
        QTest::newRow("settlement, ő finds Ő")
            << QStringLiteral("Check3") << QStringLiteral("txTelepules") << QStringLiteral("őr")
            << RecNos{1, 3};
        QTest::newRow("note, question mark") << QStringLiteral("Check2") << QStringLiteral("txMegj")
                                             << QStringLiteral("?") << RecNos{3};
        // A letter the file cannot hold must not turn into a '?' that finds one.
        QTest::newRow("note, letter outside the code page")
            << QStringLiteral("Check2") << QStringLiteral("txMegj") << QStringLiteral("ki\u00F1")
            << RecNos{};
    }
    void findsTheMatchingRecords() {
        QFETCH(QString, check);
        QFETCH(QString, entry);
        QFETCH(QString, typed);
        QFETCH(RecNos, found);
        tick(check);
        typeText(find<QLineEdit>(entry), typed);
        QCOMPARE(listed(), found);
        verifyRowsShowTheirRecords();
        QCOMPARE(m_dialogs->shown().size(), 0);
    }

    void untickedFieldsDoNotSearch() {
        for (const char* name : {"txNev", "txCim", "txTelepules", "txMegj"})
            typeText(find<QLineEdit>(QString::fromLatin1(name)), QStringLiteral("kiss"));
        // Ticking alone does not search either; the next change does.
        tick(QStringLiteral("Check1"));
        QCOMPARE(listed(), (RecNos{1, 2, 3, 4, 5, 6}));
        typeText(find<QLineEdit>(QStringLiteral("txNev")), QStringLiteral(" "));
        QCOMPARE(listed(), (RecNos{2, 4}));
    }

    void lastSearchWins() {
        tick(QStringLiteral("Check1"));
        tick(QStringLiteral("Check4"));
        typeText(find<QLineEdit>(QStringLiteral("txNev")), QStringLiteral("kiss"));
        QCOMPARE(listed(), (RecNos{2, 4}));
        typeText(find<QLineEdit>(QStringLiteral("txCim")), QStringLiteral("utca"));
        QCOMPARE(listed(), (RecNos{4, 5}));
    }

    // With no record to read, the name search empties the list and the others leave it.
    void fileWithoutRecords_data() {
        QTest::addColumn<QString>("check");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<FileState>("state");
        QTest::addColumn<bool>("emptied");

        const QString c1 = QStringLiteral("Check1");
        const QString nev = QStringLiteral("txNev");
        QTest::newRow("name, empty file") << c1 << nev << FileState::Empty << true;
        QTest::newRow("address, empty file")
            << QStringLiteral("Check4") << QStringLiteral("txCim") << FileState::Empty << false;
        QTest::newRow("settlement, missing file")
            << QStringLiteral("Check3") << QStringLiteral("txTelepules") << FileState::Missing
            << false;
        QTest::newRow("note, unreadable file")
            << QStringLiteral("Check2") << QStringLiteral("txMegj") << FileState::Unreadable
            << false;
        // Some bytes but no whole record: the list is emptied and nothing is found.
        QTest::newRow("address, only an incomplete record")
            << QStringLiteral("Check4") << QStringLiteral("txCim") << FileState::TailOnly << true;
    }
    void fileWithoutRecords() {
        QFETCH(QString, check);
        QFETCH(QString, entry);
        QFETCH(FileState, state);
        QFETCH(bool, emptied);
        QFile f(dataPath());
        switch (state) {
        case FileState::Empty:
            QVERIFY(f.resize(0));
            break;
        case FileState::TailOnly:
            QVERIFY(f.resize(100));
            break;
        case FileState::Missing:
            QVERIFY(f.remove());
            break;
        case FileState::Unreadable:
            QVERIFY(f.remove());
            QVERIFY(QDir(folder()).mkdir(QStringLiteral("Telefon.dat")));
            break;
        }
        tick(check);
        typeText(find<QLineEdit>(entry), QStringLiteral("a"));
        QCOMPARE(listed(), emptied ? RecNos() : (RecNos{1, 2, 3, 4, 5, 6}));
        QCOMPARE(m_dialogs->shown().size(), 0);
    }

    // Found rows follow the sort column; a click loads the record the row names.
    void clickingAFoundRowLoadsItsRecord_data() {
        QTest::addColumn<int>("sortColumn"); // -1: never sorted
        QTest::addColumn<RecNos>("found");
        QTest::newRow("file order") << -1 << RecNos{2, 3, 4, 6};
        QTest::newRow("sorted by name") << 0 << RecNos{4, 2, 3, 6};
        QTest::newRow("sorted by settlement") << 1 << RecNos{2, 6, 4, 3};
    }
    void clickingAFoundRowLoadsItsRecord() {
        QFETCH(int, sortColumn);
        QFETCH(RecNos, found);
        if (sortColumn >= 0)
            clickHeader(sortColumn);
        // Every switch ticked: filling any field before unticking would search again.
        for (const char* name : {"Check1", "Check2", "Check3", "Check4"})
            tick(QString::fromLatin1(name));
        typeText(find<QLineEdit>(QStringLiteral("txNev")), QStringLiteral("k"));
        QCOMPARE(listed(), found);

        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                          list()->visualRect(m_w->listModel()->index(1, 0)).center());
        const qint64 n = found[1];
        QCOMPARE(m_w->selectedRecord(), n);
        QCOMPARE(find<QLineEdit>(QStringLiteral("txNev"))->text(), kContacts[n - 1].nev);
        QCOMPARE(find<QLineEdit>(QStringLiteral("txTelepules"))->text(),
                 kContacts[n - 1].telepules);
        for (const char* name : {"Check1", "Check2", "Check3", "Check4"})
            QVERIFY(!find<QCheckBox>(QString::fromLatin1(name))->isChecked());
        QCOMPARE(listed(), found);
    }

    // Emptying the fields is a change of each field that held text, and each ticked one
    // searches with an empty text; the last in the order name, address, note, settlement wins.
    void clearingTheFieldsSearches_data() {
        QTest::addColumn<QStringList>("checks");
        QTest::addColumn<QStringList>("filled");
        QTest::addColumn<RecNos>("found");
        QTest::newRow("name and settlement")
            << QStringList{QStringLiteral("Check1"), QStringLiteral("Check3")}
            << QStringList{QStringLiteral("txTelepules"), QStringLiteral("txNev")}
            << RecNos{1, 3, 4, 5};
        QTest::newRow("settlement already empty")
            << QStringList{QStringLiteral("Check1"), QStringLiteral("Check3")}
            << QStringList{QStringLiteral("txNev")} << RecNos{1, 2, 3, 4, 6};
        QTest::newRow("note and settlement")
            << QStringList{QStringLiteral("Check2"), QStringLiteral("Check3")}
            << QStringList{QStringLiteral("txTelepules"), QStringLiteral("txMegj")}
            << RecNos{1, 3, 4, 5};
        QTest::newRow("note and address")
            << QStringList{QStringLiteral("Check2"), QStringLiteral("Check4")}
            << QStringList{QStringLiteral("txMegj"), QStringLiteral("txCim")} << RecNos{1, 3, 4};
    }
    void clearingTheFieldsSearches() {
        QFETCH(QStringList, checks);
        QFETCH(QStringList, filled);
        QFETCH(RecNos, found);
        for (const QString& name : filled)
            typeText(find<QLineEdit>(name), QStringLiteral("zz"));
        for (const QString& name : checks)
            tick(name);
        QCOMPARE(listed(), (RecNos{1, 2, 3, 4, 5, 6}));
        QTest::mouseClick(find<QPushButton>(QStringLiteral("cmdMezoDel")), Qt::LeftButton);
        QCOMPARE(listed(), found);
    }
};

QTEST_MAIN(tst_search)
#include "tst_search.moc"
