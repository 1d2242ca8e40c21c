#include "app/commandline.h"

#include "version.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>

namespace {

struct Options {
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Kiírja ezt a súgót, és kilép.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Kiírja a program verzióját, és kilép.")};
    QCommandLineOption dataDir{
        QStringLiteral("data-dir"),
        QStringLiteral("A Telefon.dat ebben a mappában legyen, ne a szokásos helyén. "
                       "Ha a mappa nincs meg, a program létrehozza."),
        QStringLiteral("mappa")};

    QList<QCommandLineOption> all() const { return {help, version, dataDir}; }
};

QString dashed(const QString& name) {
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    const QString kFolderMissing =
        QStringLiteral("A --data-dir kapcsoló után meg kell adni a mappát.");
    const Options options;
    QCommandLineParser parser;
    // "-platform" and the other options Qt reads itself are long options, never a row of
    // one-letter ones.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(options.all());
    const bool parsed = parser.parse(arguments);

    CommandLine result;
    // Help and version answer whatever else stands on the line.
    if (parser.isSet(options.help)) {
        result.action = CommandLine::Action::Help;
        return result;
    }
    if (parser.isSet(options.version)) {
        result.action = CommandLine::Action::Version;
        return result;
    }
    result.action = CommandLine::Action::Error;
    if (!parser.unknownOptionNames().isEmpty()) {
        result.error = QStringLiteral("Ismeretlen kapcsoló: %1")
                           .arg(dashed(parser.unknownOptionNames().constFirst()));
        return result;
    }
    if (!parsed) {
        // The remaining failures: --data-dir without its folder, or a value given to a
        // switch that takes none ("--help=x" is caught above as help).
        const bool lastIsDataDir =
            arguments.size() > 1 && (arguments.constLast() == QStringLiteral("--data-dir") ||
                                     arguments.constLast() == QStringLiteral("-data-dir"));
        result.error = lastIsDataDir ? kFolderMissing
                                     : QStringLiteral("Hibás kapcsoló: %1").arg(parser.errorText());
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.error = QStringLiteral("Fölösleges argumentum: %1")
                           .arg(parser.positionalArguments().constFirst());
        return result;
    }
    const QStringList dirs = parser.values(options.dataDir);
    if (dirs.size() > 1) {
        result.error = QStringLiteral("A --data-dir kapcsoló csak egyszer adható meg.");
        return result;
    }
    if (!dirs.isEmpty() && dirs.constFirst().isEmpty()) {
        result.error = kFolderMissing;
        return result;
    }
    result.action = CommandLine::Action::Run;
    result.dataDir = dirs.value(0);
    return result;
}

QString helpText(const QString& programName) {
    const Options options;
    QString text = QStringLiteral("Használat: %1 [kapcsolók]\n\n"
                                  "Zelvanor: cím- és telefonnyilvántartás. A névjegyek a "
                                  "Telefon.dat\nfájlban vannak: a program mappájában, vagy ha "
                                  "oda nem lehet írni,\na ~/.local/share/Zelvanor mappában.\n\n"
                                  "Kapcsolók:\n")
                       .arg(QFileInfo(programName).fileName());
    constexpr int kColumn = 22;
    for (const QCommandLineOption& o : options.all()) {
        QStringList names;
        for (const QString& n : o.names())
            names << dashed(n);
        QString left = QStringLiteral("  ") + names.join(QStringLiteral(", "));
        if (!o.valueName().isEmpty())
            left += QStringLiteral(" <%1>").arg(o.valueName());
        // The description wraps at blanks under its own column.
        QStringList lines;
        QString line;
        for (const QString& word : o.description().split(QLatin1Char(' '))) {
            if (!line.isEmpty() && line.size() + 1 + word.size() > 78 - kColumn) {
                lines << line;
                line.clear();
            }
            line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
        }
        lines << line;
        text += left.leftJustified(kColumn - 1) + QLatin1Char(' ') +
                lines.join(QLatin1Char('\n') + QString(kColumn, QLatin1Char(' '))) +
                QLatin1Char('\n');
    }
    return text;
}

QString versionText() {
    return QStringLiteral("Zelvanor %1\n").arg(QStringLiteral(ZELVANOR_VERSION_STRING));
}
