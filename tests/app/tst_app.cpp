#include <QtTest>

class tst_app : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_app)
#include "tst_app.moc"
