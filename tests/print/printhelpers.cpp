#include "printhelpers.h"

#include <QProcess>
#include <QRegularExpression>
#include <QXmlStreamReader>

const SampleContacts kNumbered({QStringLiteral("Ügyfél ###"), QStringLiteral("Győr"),
                                QStringLiteral("9021"), QStringLiteral("Fő utca #."),
                                QStringLiteral("96/100###")});

QByteArray runTool(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForStarted() || !p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit ||
        p.exitCode() != 0)
        return QByteArray();
    return p.readAllStandardOutput();
}

int pdfPages(const QString& path) {
    const QByteArray info = runTool(QStringLiteral("pdfinfo"), {path});
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
            .match(QString::fromUtf8(info));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QStringList pdfPageTexts(const QString& path) {
    const QByteArray text =
        runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-enc"),
                                              QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    QStringList pages = QString::fromUtf8(text).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

QList<PdfWord> pdfWords(const QString& path) {
    const QByteArray html =
        runTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-enc"),
                                              QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    constexpr qreal kMmPerPoint = 25.4 / 72;
    QList<PdfWord> words;
    QXmlStreamReader xml(html);
    int page = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("page")) {
            ++page;
        } else if (xml.name() == QLatin1String("word")) {
            const auto a = xml.attributes();
            PdfWord w;
            w.page = page;
            w.left = a.value(QLatin1String("xMin")).toDouble() * kMmPerPoint;
            w.top = a.value(QLatin1String("yMin")).toDouble() * kMmPerPoint;
            w.right = a.value(QLatin1String("xMax")).toDouble() * kMmPerPoint;
            w.bottom = a.value(QLatin1String("yMax")).toDouble() * kMmPerPoint;
            w.text = xml.readElementText();
            words.append(w);
        }
    }
    return words;
}
