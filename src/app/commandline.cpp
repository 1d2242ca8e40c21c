#include "app/commandline.h"

#include "version.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>

#include <algorithm>
#include <span>

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
    QCommandLineOption sync{
        QStringLiteral("sync"),
        QStringLiteral("Ablak nélkül szinkronizálja a névjegyeket a beállított CardDAV-"
                       "címjegyzékkel, kiírja, mi változott, és kilép (időzítőnek, cronnak).")};

    QList<QCommandLineOption> all() const { return {help, version, dataDir, sync}; }
};

QString dashed(const QString& name) {
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// How Qt takes one of its own options off the line.
enum class Takes {
    Nothing,
    Next,      // and the argument after it; as the last argument, it goes alone
    NextIfAny, // and the argument after it; as the last argument, it stays on the line
    Joined,    // "-name=value"
};

struct QtOption {
    const char* name; // Qt reads "--name" as "-name"
    Takes takes;
    bool x11Only = false; // read only where the platform is X11's
};

// Qt 6.4's own options in the order in which its readers take them off the line, each seeing
// only what the readers before it left: the platform's, the X11 platform's, the core
// application's, the GUI application's and the widget application's. An option's value may
// look like an option.
constexpr QtOption kPlatformOptions[] = {
    {"platformpluginpath", Takes::Next}, {"platform", Takes::Next},
    {"platformtheme", Takes::Next},      {"qwindowgeometry", Takes::Next},
    {"qwindowtitle", Takes::Next},       {"qwindowicon", Takes::Next},
    {"geometry", Takes::Next, true},     {"title", Takes::Next, true},
    {"icon", Takes::Next, true}};
constexpr QtOption kX11Options[] = {{"display", Takes::NextIfAny},
                                    {"name", Takes::NextIfAny},
                                    {"visual", Takes::NextIfAny},
                                    {"nograb", Takes::Nothing},
                                    {"dograb", Takes::Nothing}};
constexpr QtOption kCoreOptions[] = {{"qmljsdebugger=", Takes::Joined},
                                     {"qmljsdebugger", Takes::NextIfAny}};
constexpr QtOption kGuiOptions[] = {{"plugin", Takes::Next},       {"reverse", Takes::Nothing},
                                    {"session", Takes::NextIfAny}, {"testability", Takes::Nothing},
                                    {"style=", Takes::Joined},     {"style", Takes::NextIfAny}};
constexpr QtOption kWidgetOptions[] = {{"stylesheet=", Takes::Joined},
                                       {"stylesheet", Takes::NextIfAny},
                                       {"widgetcount", Takes::Nothing},
                                       {"qdevel", Takes::Nothing},
                                       {"qdebug", Takes::Nothing}};

bool isX11(const QString& platform) {
    return platform.startsWith(QLatin1StringView("xcb"));
}

// What one of Qt's readers leaves on the line. platform follows "-platform", as Qt's does.
QStringList takeOff(const QStringList& line, std::span<const QtOption> options, QString& platform,
                    bool& windowSystemNamed) {
    QStringList left = line.mid(0, 1);
    for (qsizetype i = 1; i < line.size(); ++i) {
        const QString& argument = line.at(i);
        const QStringView name =
            QStringView(argument).mid(argument.startsWith(QLatin1StringView("--")) ? 2 : 1);
        const auto option = std::find_if(options.begin(), options.end(), [&](const QtOption& o) {
            if (!argument.startsWith(QLatin1Char('-')) || (o.x11Only && !isX11(platform)))
                return false;
            const QLatin1StringView optionName(o.name);
            return o.takes == Takes::Joined ? name.startsWith(optionName) : name == optionName;
        });
        const bool last = i + 1 == line.size();
        if (option == options.end() || (option->takes == Takes::NextIfAny && last)) {
            left << argument;
            continue;
        }
        if (last || (option->takes != Takes::Next && option->takes != Takes::NextIfAny))
            continue;
        const QString& value = line.at(++i);
        if (name == QLatin1StringView("platform"))
            platform = value;
        if (name == QLatin1StringView("platform") || name == QLatin1StringView("display"))
            windowSystemNamed = true;
    }
    return left;
}

CommandLine parseOwnOptions(const QStringList& arguments) {
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
    result.action =
        parser.isSet(options.sync) ? CommandLine::Action::Sync : CommandLine::Action::Run;
    result.dataDir = dirs.value(0);
    return result;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments, const QString& platform) {
    // Help and version answer whatever stands on the line, also where Qt would read either as
    // the value of an option of its own.
    const CommandLine whole = parseOwnOptions(arguments);
    if (whole.action == CommandLine::Action::Help || whole.action == CommandLine::Action::Version)
        return whole;

    QString chosen = platform;
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    if (chosen.isEmpty())
        chosen = QStringLiteral("xcb");
#endif
    bool windowSystemNamed = false;
    QStringList line = takeOff(arguments, kPlatformOptions, chosen, windowSystemNamed);
    if (isX11(chosen))
        line = takeOff(line, kX11Options, chosen, windowSystemNamed);
    line = takeOff(line, kCoreOptions, chosen, windowSystemNamed);
    line = takeOff(line, kGuiOptions, chosen, windowSystemNamed);
    line = takeOff(line, kWidgetOptions, chosen, windowSystemNamed);

    CommandLine result = parseOwnOptions(line);
    result.windowSystemNamed = windowSystemNamed;
    return result;
}

bool windowSystemExpected(const CommandLine& commandLine) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    // Without a display to connect to, Qt's X11 and Wayland platforms end the program.
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    return commandLine.windowSystemNamed;
#else
    Q_UNUSED(commandLine);
    return true;
#endif
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
