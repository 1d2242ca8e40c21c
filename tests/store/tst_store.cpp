#include <QtTest>

class tst_store : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_store)
#include "tst_store.moc"
