#include "startup/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

// The text of --help, in the desktop's language.
QString Usage()
{
    return QCoreApplication::translate(
        "CommandLine",
        "Usage: qx390d [--port DEVICE] [--demo] [--help] [--version]\n"
        "Data management for the QX390D XG-PON optical power meter.\n"
        "\n"
        "  --port DEVICE  connect to DEVICE (a serial port such as /dev/ttyUSB2, or a\n"
        "                 pseudo-terminal) instead of searching the USB serial ports\n"
        "  --demo         start a virtual meter inside the program and connect to it\n"
        "  --archive PATH|postgresql://...|service=NAME\n"
        "                 the archive that keeps every download and import (also\n"
        "                 QX390D_ARCHIVE); by default the one chosen in Archive\n"
        "                 Settings, else archive.sqlite in the program's data folder\n"
        "  --archive-service NAME  the PostgreSQL archive of a libpq service\n"
        "  --no-archive   keep nothing in the archive in this session\n"
        "  -h, --help     show this text\n"
        "  -v, -V, --version  show the program's version\n");
}

// Options the toolkit reads itself when the window system starts.
const QStringList kToolkitValueOptions{
    "platform", "platformpluginpath", "platformtheme",   "plugin",      "style", "stylesheet",
    "display",  "geometry",           "qwindowgeometry", "qwindowtitle"};
const QStringList kToolkitFlags{"reverse", "widgetcount", "nograb", "dograb", "sync"};

} // namespace

QString ProgramVersionText()
{
    return QStringLiteral("qx390d " QX390D_VERSION);
}

CommandLine ParseCommandLine(const QStringList& arguments, const QString& archiveEnvironment)
{
    QCommandLineParser parser;
    // "-platform offscreen" is one option, as the toolkit reads it.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("DEVICE"));
    const QCommandLineOption demo(QStringLiteral("demo"));
    const QCommandLineOption archive(QStringLiteral("archive"), QString(),
                                     QStringLiteral("LOCATION"));
    const QCommandLineOption archiveService(QStringLiteral("archive-service"), QString(),
                                            QStringLiteral("NAME"));
    const QCommandLineOption noArchive(QStringLiteral("no-archive"));
    const QCommandLineOption help(QStringList{"h", "help", "?"});
    const QCommandLineOption version(QStringList{"v", "V", "version"});
    parser.addOptions({port, demo, archive, archiveService, noArchive, help, version});
    for (const QString& name : kToolkitValueOptions)
        parser.addOption(QCommandLineOption(name, QString(), QStringLiteral("value")));
    for (const QString& name : kToolkitFlags)
        parser.addOption(QCommandLineOption(name));

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.outcome = CommandLine::Outcome::Error;
        result.text = parser.errorText();
    } else if (!parser.positionalArguments().isEmpty()) {
        result.outcome = CommandLine::Outcome::Error;
        result.text = QCoreApplication::translate("CommandLine", "Unexpected argument '%1'.")
                          .arg(parser.positionalArguments().constFirst());
    } else if (parser.isSet(help)) {
        result.outcome = CommandLine::Outcome::Help;
        result.text = Usage();
    } else if (parser.isSet(version)) {
        result.outcome = CommandLine::Outcome::Version;
        result.text = ProgramVersionText() + QLatin1Char('\n');
    } else {
        result.options.port = parser.value(port);
        result.options.demo = parser.isSet(demo);
        result.options.platformGiven = parser.isSet(QStringLiteral("platform"));
        result.options.noArchive = parser.isSet(noArchive);
        const ArchiveChoice choice = ChooseCommandLineArchive(
            parser.value(archive), parser.value(archiveService), archiveEnvironment);
        result.options.archive = choice.target;
        result.options.archiveChosenBy = choice.chosenBy;
        if (!choice.error.isEmpty()) {
            result.outcome = CommandLine::Outcome::Error;
            // Both options at once are the command line's fault as a whole.
            result.text = choice.bothOptions
                              ? choice.error
                              : choice.chosenBy + QStringLiteral(": ") + choice.error;
        }
    }
    if (result.outcome == CommandLine::Outcome::Error)
        result.text += QCoreApplication::translate("CommandLine", "\nTry 'qx390d --help'.\n");
    return result;
}

QString MissingDisplayText(const ProgramOptions& options, const QProcessEnvironment& environment)
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (!environment.value(QString::fromLatin1(name)).isEmpty())
            return {};
    }
    if (options.platformGiven)
        return {};
    return QCoreApplication::translate("CommandLine",
                                       "qx390d: no display to open the window on (neither "
                                       "DISPLAY nor WAYLAND_DISPLAY is set); qx390d-cli works "
                                       "without one\n");
}

std::optional<ArchiveTarget> SessionArchive(const ProgramOptions& options, const QString& setting,
                                            QString* error)
{
    if (options.archive)
        return options.archive;
    if (setting.isEmpty())
        return ArchiveTarget::SqliteFile(DefaultArchivePath());
    QString reason;
    std::optional<ArchiveTarget> target = ChooseArchiveTarget(setting, &reason);
    if (!target)
        *error = QCoreApplication::translate("CommandLine",
                                             "the archive of Archive Settings cannot be used: ") +
                 reason;
    return target;
}
