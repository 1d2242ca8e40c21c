// The icons in resources/icons: drawn by tools/icongen from one drawing, and used as the
// window's icon.
#include "windowharness.h"

#include <QDir>
#include <QIcon>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString kCommitted = QStringLiteral(ICON_FOLDER);

} // namespace

class tst_icons : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void committedIconsAreTheDrawing_data();
    void committedIconsAreTheDrawing();
    void smallIconsKeepSixteenColours_data();
    void smallIconsKeepSixteenColours();
    void windowShowsTheIcon();

private:
    QTemporaryDir m_fresh;
};

void tst_icons::initTestCase() {
    QVERIFY(m_fresh.isValid());
    QProcess generator;
    generator.start(QStringLiteral(ICONGEN), {m_fresh.path()});
    QVERIFY(generator.waitForFinished(-1));
    QVERIFY2(generator.exitCode() == 0, generator.readAllStandardError().constData());
}

void tst_icons::committedIconsAreTheDrawing_data() {
    QTest::addColumn<QString>("name");
    for (int size : {16, 32, 48, 64, 128, 256})
        QTest::addRow("%d", size) << u"zelvanor-%1.png"_s.arg(size);
    QTest::newRow("svg") << u"zelvanor.svg"_s;
}

// A changed drawing whose outputs were not made again and committed fails here.
void tst_icons::committedIconsAreTheDrawing() {
    QFETCH(QString, name);
    const QString committed = QDir(kCommitted).filePath(name);
    const QString fresh = m_fresh.filePath(name);
    if (name.endsWith(u".svg"_s)) {
        QCOMPARE(readFile(committed), readFile(fresh));
        return;
    }
    const QImage a(committed);
    const QImage b(fresh);
    QVERIFY(!a.isNull());
    QCOMPARE(a.size(), b.size());
    QCOMPARE(a.convertToFormat(QImage::Format_ARGB32), b.convertToFormat(QImage::Format_ARGB32));
}

void tst_icons::smallIconsKeepSixteenColours_data() {
    QTest::addColumn<int>("size");
    QTest::newRow("16") << 16;
    QTest::newRow("32") << 32;
}

void tst_icons::smallIconsKeepSixteenColours() {
    QFETCH(int, size);
    const QImage image = QImage(QDir(kCommitted).filePath(u"zelvanor-%1.png"_s.arg(size)))
                             .convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(image.size(), QSize(size, size));
    // The classic 16-colour palette.
    const QSet<QRgb> palette = {0xff000000, 0xff800000, 0xff008000, 0xff808000,
                                0xff000080, 0xff800080, 0xff008080, 0xffc0c0c0,
                                0xff808080, 0xffff0000, 0xff00ff00, 0xffffff00,
                                0xff0000ff, 0xffff00ff, 0xff00ffff, 0xffffffff};
    int opaque = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) == 0)
                continue;
            ++opaque;
            QVERIFY2(palette.contains(p), qPrintable(u"%1,%2: %3"_s.arg(x).arg(y).arg(p, 8, 16)));
        }
    // A telephone, not an empty or a filled square.
    QVERIFY(opaque > size * size / 2);
    QVERIFY(opaque < size * size);
}

void tst_icons::windowShowsTheIcon() {
    WindowHarness h;
    const QIcon icon = h.window().windowIcon();
    for (int size : {16, 32, 48, 256}) {
        const QImage shown = icon.pixmap(QSize(size, size), 1.0).toImage();
        const QImage drawn(QDir(kCommitted).filePath(u"zelvanor-%1.png"_s.arg(size)));
        QCOMPARE(shown.convertToFormat(QImage::Format_ARGB32),
                 drawn.convertToFormat(QImage::Format_ARGB32));
    }
}

QTEST_MAIN(tst_icons)
#include "tst_icons.moc"
