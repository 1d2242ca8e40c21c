#include "platform/printfont.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QRawFont>

#include <array>

QFont printFont(const QString& face, qreal points, bool bold) {
    static const bool substituted = [] {
        QFont::insertSubstitutions(QStringLiteral("Times New Roman CE"),
                                   {QStringLiteral("Times New Roman"),
                                    QStringLiteral("Liberation Serif"), QStringLiteral("Tinos"),
                                    QStringLiteral("Nimbus Roman"),
                                    QStringLiteral("DejaVu Serif")});
        return true;
    }();
    Q_UNUSED(substituted);
    QFont f(face);
    f.setStyleHint(QFont::Serif);
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setKerning(false);
    return f;
}

qreal averageCharWidthEm(const QFont& font) {
    // Weights per thousand of a to z, then the blank.
    static constexpr std::array<int, 27> kWeights = {64, 14, 27, 35, 100, 20, 14, 42, 63,
                                                     3,  6,  35, 20, 56,  56, 17, 4,  49,
                                                     56, 71, 31, 10, 18,  3,  18, 2,  166};
    QRawFont raw = QRawFont::fromFont(font);
    if (raw.isValid() && raw.unitsPerEm() > 0) {
        raw.setPixelSize(raw.unitsPerEm());
        const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyz ");
        const QList<quint32> glyphs = raw.glyphIndexesForString(letters);
        if (glyphs.size() == letters.size() && !glyphs.contains(0u)) {
            const QList<QPointF> advances =
                raw.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics);
            qreal sum = 0;
            for (qsizetype i = 0; i < advances.size(); ++i)
                sum += advances[i].x() * kWeights[static_cast<std::size_t>(i)];
            return sum / 1000 / raw.unitsPerEm();
        }
    }
    // A face without those letters: the metrics' own average is the best there is.
    const qreal em = QFontInfo(font).pixelSize();
    return em > 0 ? QFontMetricsF(font).averageCharWidth() / em : 0.5;
}
