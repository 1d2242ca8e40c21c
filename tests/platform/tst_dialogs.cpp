// The real message boxes, answered from a timer while they are open.
#include "platform/qtdialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// What the open message box showed, copied out before it was closed.
struct Seen {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QStringList buttons;
    QString defaultButton;
    bool open = false;
};

// Once the box is open, notes what it shows and closes it with the key.
void answerWithKey(Seen& seen, int key) {
    // A zero-interval timer fires only once the box's own event loop runs.
    QTimer::singleShot(0, qApp, [&seen, key] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            answerWithKey(seen, key); // not open yet
            return;
        }
        seen.open = true;
        seen.icon = box->icon();
        seen.title = box->windowTitle();
        seen.text = box->text();
        for (QAbstractButton* b : box->buttons()) {
            const QMessageBox::StandardButton s = box->standardButton(b);
            seen.buttons << (s == QMessageBox::Yes  ? u"Yes"_s
                             : s == QMessageBox::No ? u"No"_s
                             : s == QMessageBox::Ok ? u"OK"_s
                                                    : u"other"_s);
        }
        seen.buttons.sort();
        QPushButton* def = box->defaultButton();
        seen.defaultButton = !def                                           ? QString()
                             : box->standardButton(def) == QMessageBox::Yes ? u"Yes"_s
                             : box->standardButton(def) == QMessageBox::Ok  ? u"OK"_s
                                                                            : u"other"_s;
        QTest::keyClick(box, static_cast<Qt::Key>(key));
    });
}

} // namespace

class tst_dialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void question_data();
    void question();
    void message_data();
    void message();
    void lineBreaks_data();
    void lineBreaks();
};

void tst_dialogs::question_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("answer");
    QTest::newRow("Enter takes the default") << int(Qt::Key_Return) << true;
    QTest::newRow("Escape is No") << int(Qt::Key_Escape) << false;
}

void tst_dialogs::question() {
    QFETCH(int, key);
    QFETCH(bool, answer);
    QWidget parent;
    parent.show();
    QtDialogs dialogs(&parent);
    Seen seen;
    answerWithKey(seen, key);
    const bool yes = dialogs.askYesNo(u" TÖRLÉS az adatállományból !"_s,
                                      u"Biztos TÖRÖLNI akarod a(z)\n\rKiss Anna  tételt ?"_s);
    QVERIFY(seen.open);
    QCOMPARE(yes, answer);
    QCOMPARE(seen.icon, QMessageBox::Question);
    QCOMPARE(seen.title, u" TÖRLÉS az adatállományból !"_s);
    QCOMPARE(seen.text, u"Biztos TÖRÖLNI akarod a(z)\nKiss Anna  tételt ?"_s);
    QCOMPARE(seen.buttons, (QStringList{u"No"_s, u"Yes"_s}));
    QCOMPARE(seen.defaultButton, u"Yes"_s);
}

void tst_dialogs::message_data() {
    QTest::addColumn<Dialogs::Icon>("icon");
    QTest::addColumn<QMessageBox::Icon>("boxIcon");
    QTest::addColumn<int>("key");
    QTest::newRow("critical, Enter")
        << Dialogs::Icon::Critical << QMessageBox::Critical << int(Qt::Key_Return);
    QTest::newRow("warning, Escape")
        << Dialogs::Icon::Warning << QMessageBox::Warning << int(Qt::Key_Escape);
    QTest::newRow("information") << Dialogs::Icon::Information << QMessageBox::Information
                                 << int(Qt::Key_Return);
    QTest::newRow("no icon") << Dialogs::Icon::None << QMessageBox::NoIcon << int(Qt::Key_Return);
}

void tst_dialogs::message() {
    QFETCH(Dialogs::Icon, icon);
    QFETCH(QMessageBox::Icon, boxIcon);
    QFETCH(int, key);
    QtDialogs dialogs;
    Seen seen;
    answerWithKey(seen, key);
    dialogs.message(QString(), u"A(z) „x” fájl nem olvasható."_s, icon);
    QVERIFY(seen.open);
    QCOMPARE(seen.icon, boxIcon);
    QCOMPARE(seen.title, u"Zelvanor"_s); // a box without a title of its own
    QCOMPARE(seen.buttons, QStringList{u"OK"_s});
}

void tst_dialogs::lineBreaks_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("CR LF") << u"Biztos benne hogy TÖRLI \r\na teljes adatbázist?\r\n\r\nMehet?"_s
                           << u"Biztos benne hogy TÖRLI \na teljes adatbázist?\n\nMehet?"_s;
    QTest::newRow("LF CR") << u"Biztos MÓDOSÍTNI akarod a(z)\n\rNév  adatait ?"_s
                           << u"Biztos MÓDOSÍTNI akarod a(z)\nNév  adatait ?"_s;
    QTest::newRow("CR alone") << u"egy\rkettő"_s << u"egy\nkettő"_s;
    QTest::newRow("LF alone") << u"egy\nkettő"_s << u"egy\nkettő"_s;
    QTest::newRow("CR LF then LF CR") << u"a\r\n\n\rb"_s << u"a\n\nb"_s;
    QTest::newRow("trailing") << u"Biztos hogy Befejezed?\r\n\r\n"_s
                              << u"Biztos hogy Befejezed?\n\n"_s;
}

void tst_dialogs::lineBreaks() {
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QtDialogs dialogs;
    Seen seen;
    answerWithKey(seen, Qt::Key_Escape);
    dialogs.askYesNo(u"t"_s, text);
    QCOMPARE(seen.text, shown);
}

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Zelvanor"_s);
    tst_dialogs test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dialogs.moc"
