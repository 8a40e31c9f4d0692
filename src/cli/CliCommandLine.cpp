#include "cli/CliCommandLine.h"

#include "cliarchive/CliArchive.h"

#include "common/NumberText.h"
#include "common/PowerRange.h"

#include <QCoreApplication>
#include <optional>

namespace {

// The text of --help, in the desktop's language.
QString Usage()
{
    return QCoreApplication::translate(
        "CliCommandLine",
        "Usage: qx390d-cli [--port DEVICE | --demo] [--quiet] COMMAND\n"
        "The QX390D XG-PON optical power meter from scripts and terminals.\n"
        "\n"
        "Commands:\n"
        "  ports                                  the candidate ports, in the order they are "
        "tried\n"
        "  records [-o FILE] [--format csv|json]  download every record (csv: as the program\n"
        "          [--thresholds FILE]            exports it; json with FILE's verdicts)\n"
        "  delete last|all --yes                  delete the last record, or all of them\n"
        "  thresholds get [-o FILE]               the three threshold groups as a JSON file\n"
        "  thresholds set FILE --yes              check a threshold file and upload it\n"
        "  calibrate 1270|1310|1490|1577 DBM      calibrate a channel against a reference power\n"
        "  factory-default --yes                  restore the factory calibration\n"
        "  archive list [--since DATE] [--until DATE] [--group N] [--verdict V]\n"
        "               [--format csv|json] [-o FILE]\n"
        "                                         the archived records, newest first\n"
        "  archive downloads [--format csv|json] [-o FILE]\n"
        "                                         the archived downloads and imports\n"
        "  archive import FILE...                 archive record tables (CSV, .xls, .xlsx)\n"
        "  archive note DOWNLOAD_ID TEXT          set the note of a download\n"
        "  archive copy --to URL                  copy the archive into another one\n"
        "  archive init                           create or migrate it; grant the team's roles\n"
        "  archive pending [--send-to URL] [--format csv|json] [-o FILE]\n"
        "                                         the downloads kept on this PC for an archive\n"
        "                                         not reached yet; or send them to URL\n"
        "  archive pending --discard UUID --yes   let one of them go (this PC's copy)\n"
        "\n"
        "Options:\n"
        "  --port DEVICE  use DEVICE (a serial port or a pseudo-terminal) instead of searching\n"
        "                 the USB serial ports\n"
        "  --demo         start a virtual meter and use it\n"
        "  --quiet        no progress and no notes; errors only\n"
        "  -o FILE        write to FILE instead of standard output (\"-\"); a file is replaced\n"
        "                 only once complete, a device or FIFO is written into\n"
        "  --yes          let a command change the meter\n"
        "  --archive PATH|postgresql://...|service=NAME\n"
        "                 the archive to use (also QX390D_ARCHIVE); by default\n"
        "                 archive.sqlite in the program's data folder\n"
        "  --archive-service NAME  the PostgreSQL archive of a libpq service\n"
        "  --no-archive   records keeps nothing in the archive\n"
        "  -h, --help     show this text\n"
        "  -v, -V, --version  show the version\n"
        "\n"
        "Exit codes: 0 done, 1 the meter failed (no answer in time, unplugged, refused) or the\n"
        "output could not be written, 2 usage, 3 the port cannot be found or opened, 4 records\n"
        "downloaded but the download is in no archive nor kept on this PC.\n");
}

// The commands added since, after the usage above, in the desktop's language.
QString MoreUsage()
{
    return QCoreApplication::translate(
        "CliCommandLine",
        "\n"
        "More commands:\n"
        "  ports --udev-rule                      a udev rule that gives the logged-in user the\n"
        "                                         meter found (its USB ids and serial number)\n"
        "  thresholds presets                     the threshold presets, a channel per line\n"
        "  thresholds set --preset NAME --group N [--margin DB] --yes\n"
        "                                         download the groups, set group N's channels\n"
        "                                         of the preset (Pass = Fail + DB, 3 by\n"
        "                                         default) and upload all three\n"
        "  archive list ... --note TEXT           only records of downloads whose note holds\n"
        "                                         TEXT (in any case, as the Archive window)\n"
        "  archive list ... --job T --ont T       only records whose job, whose ONT holds T\n"
        "                                         (in any case, as the Archive window)\n"
        "  archive assign (--download ID | --record ID)... [--job T] [--site T] [--ont T]\n"
        "                 [--pon-port T] [--technician T]\n"
        "                                         say where the records were measured\n"
        "  archive jobs [--format csv|json] [-o FILE]\n"
        "                                         each job: its sites, ONTs, records, first\n"
        "                                         and last measurement and worst verdict\n"
        "  archive report --job T -o FILE.pdf     the job's report: cover, chart, records by\n"
        "                                         site, signature lines\n");
}

// Channels by the wavelength the operator names.
std::optional<CalibrationChannel> ChannelOf(const QString& wavelength)
{
    if (wavelength == QLatin1String("1270"))
        return CalibrationChannel::Ont1270;
    if (wavelength == QLatin1String("1310"))
        return CalibrationChannel::Ont1310;
    if (wavelength == QLatin1String("1490"))
        return CalibrationChannel::Olt1490;
    if (wavelength == QLatin1String("1577"))
        return CalibrationChannel::Olt1577;
    return std::nullopt;
}

// What an option sets. Those that take a value come first.
enum class Opt {
    Port,
    Format,
    Output,
    Thresholds,
    Preset,
    Margin,
    Archive, // read by ReadArchiveOption
    Demo,
    Quiet,
    Yes,
    UdevRule,
    NoArchive,
    Help,
    Version,
};

// Every option of the tool, once.
struct OptionName
{
    const char* name;
    Opt opt;

    bool TakesValue() const { return opt < Opt::Demo; }
};
constexpr OptionName kOptions[] = {
    {"--port", Opt::Port},
    {"--format", Opt::Format},
    {"-o", Opt::Output},
    {"--output", Opt::Output},
    {"--thresholds", Opt::Thresholds},
    {"--preset", Opt::Preset},
    {"--margin", Opt::Margin},
    {"--archive", Opt::Archive},
    {"--archive-service", Opt::Archive},
    {"--since", Opt::Archive},
    {"--until", Opt::Archive},
    {"--group", Opt::Archive},
    {"--verdict", Opt::Archive},
    {"--to", Opt::Archive},
    {"--note", Opt::Archive},
    {"--send-to", Opt::Archive},
    {"--discard", Opt::Archive},
    {"--job", Opt::Archive},
    {"--site", Opt::Archive},
    {"--ont", Opt::Archive},
    {"--pon-port", Opt::Archive},
    {"--technician", Opt::Archive},
    {"--download", Opt::Archive},
    {"--record", Opt::Archive},
    {"--demo", Opt::Demo},
    {"--quiet", Opt::Quiet},
    {"--yes", Opt::Yes},
    {"--udev-rule", Opt::UdevRule},
    {"--no-archive", Opt::NoArchive},
    {"--help", Opt::Help},
    {"-h", Opt::Help},
    {"--version", Opt::Version},
    {"-v", Opt::Version},
    {"-V", Opt::Version},
};

const OptionName* FindOption(const QString& name)
{
    for (const OptionName& option : kOptions)
        if (name == QLatin1String(option.name))
            return &option;
    return nullptr;
}

class Parser
{
    Q_DECLARE_TR_FUNCTIONS(CliCommandLine)

public:
    Parser(const QStringList& arguments, const QString& archiveEnvironment)
        : args_(arguments.mid(1)), archiveEnvironment_(archiveEnvironment)
    {
    }

    CliCommandLine Parse()
    {
        if (!ReadOptions() || !ReadCommand() || !CheckCombination())
            result_.outcome = CliCommandLine::Outcome::Error;
        if (result_.outcome == CliCommandLine::Outcome::Error)
            result_.text += tr(" (see qx390d-cli --help)");
        return result_;
    }

private:
    bool Error(const QString& text)
    {
        result_.text = text;
        return false;
    }

    // Splits the options from the arguments; the value of an option is the next argument
    // or follows "=" ("-oFILE" for -o).
    bool ReadOptions()
    {
        bool onlyArguments = false;
        for (qsizetype i = 0; i < args_.size(); ++i) {
            const QString& a = args_[i];
            if (onlyArguments || !a.startsWith(QLatin1Char('-')) || a.size() == 1 ||
                IsCompleteNumber(a)) {
                positional_ << a;
                continue;
            }
            if (a == QLatin1String("--")) {
                onlyArguments = true;
                continue;
            }
            QString name = a;
            std::optional<QString> inlineValue;
            if (a.startsWith(QLatin1String("--")) && a.contains(QLatin1Char('='))) {
                name = a.section(QLatin1Char('='), 0, 0);
                inlineValue = a.section(QLatin1Char('='), 1);
            } else if (a.startsWith(QLatin1String("-o")) && a.size() > 2) {
                name = QStringLiteral("-o");
                inlineValue = a.mid(2);
            }
            const OptionName* option = FindOption(name);
            if (option && option->TakesValue()) {
                std::optional<QString> v = inlineValue;
                if (!v && i + 1 < args_.size())
                    v = args_[++i];
                if (!v || v->isEmpty())
                    return Error(tr("option %1 needs a value").arg(name));
                if (const QString error = Read(option->opt, name, *v); !error.isEmpty())
                    return Error(error);
                continue;
            }
            if (inlineValue)
                return Error(tr("option %1 takes no value").arg(name));
            if (!option)
                return Error(tr("unknown option '%1'").arg(a));
            Read(option->opt, name, QString());
        }
        return true;
    }

    // What option `name` sets, with its value `v` if it takes one; the error when the
    // value cannot be used.
    QString Read(Opt opt, const QString& name, const QString& v)
    {
        CliOptions& o = result_.options;
        QString error;
        switch (opt) {
        case Opt::Port:
            o.port = v;
            break;
        case Opt::Format:
            formatGiven_ = true;
            if (v == QLatin1String("csv"))
                o.format = RecordFormat::Csv;
            else if (v == QLatin1String("json"))
                o.format = RecordFormat::Json;
            else
                error = tr("unknown format '%1' (csv or json)").arg(v);
            break;
        case Opt::Output:
            o.output = v;
            break;
        case Opt::Thresholds:
            verdictThresholds_ = v;
            break;
        case Opt::Preset:
            o.preset = v;
            break;
        case Opt::Margin: {
            double margin = 0.0;
            if (!IsCompleteNumber(v, &margin) || margin < 0.0 || margin > 30.0)
                error = tr("--margin: '%1' is not a number of dB from 0 to 30").arg(v);
            else
                o.margin = static_cast<float>(margin);
            break;
        }
        case Opt::Archive:
            ReadArchiveOption(name, v, o.archive, &error);
            break;
        case Opt::Demo:
            o.demo = true;
            break;
        case Opt::Quiet:
            o.quiet = true;
            break;
        case Opt::Yes:
            o.yes = true;
            break;
        case Opt::UdevRule:
            o.udevRule = true;
            break;
        case Opt::NoArchive:
            o.archive.off = true;
            break;
        case Opt::Help:
            help_ = true;
            break;
        case Opt::Version:
            version_ = true;
            break;
        }
        return error;
    }

    // The argument at `index` of the command, or an error naming what is missing.
    std::optional<QString> Argument(qsizetype index, const QString& what)
    {
        if (index < positional_.size())
            return positional_[index];
        Error(tr("%1 needs %2").arg(positional_.constFirst(), what));
        return std::nullopt;
    }

    bool ReadCommand()
    {
        if (help_ || version_) {
            result_.outcome =
                help_ ? CliCommandLine::Outcome::Help : CliCommandLine::Outcome::Version;
            result_.text =
                help_ ? Usage() + MoreUsage() : QStringLiteral("qx390d-cli " QX390D_VERSION "\n");
            return true;
        }
        if (positional_.isEmpty())
            return Error(tr("no command given"));
        CliOptions& o = result_.options;
        const QString& command = positional_.constFirst();
        qsizetype used = 1;
        if (command == QLatin1String("ports")) {
            o.command = CliCommand::Ports;
        } else if (command == QLatin1String("records")) {
            o.command = CliCommand::Records;
        } else if (command == QLatin1String("delete")) {
            const std::optional<QString> which = Argument(1, tr("last or all"));
            if (!which)
                return false;
            if (*which != QLatin1String("last") && *which != QLatin1String("all"))
                return Error(tr("delete: '%1' is neither last nor all").arg(*which));
            o.command =
                *which == QLatin1String("last") ? CliCommand::DeleteLast : CliCommand::DeleteAll;
            used = 2;
        } else if (command == QLatin1String("thresholds")) {
            const std::optional<QString> action = Argument(1, tr("get or set"));
            if (!action)
                return false;
            if (*action == QLatin1String("get")) {
                o.command = CliCommand::ThresholdsGet;
                used = 2;
            } else if (*action == QLatin1String("presets")) {
                o.command = CliCommand::ThresholdPresets;
                used = 2;
            } else if (*action == QLatin1String("set") && !o.preset.isEmpty()) {
                o.command = CliCommand::ThresholdsSet;
                used = 2;
            } else if (*action == QLatin1String("set")) {
                const std::optional<QString> file = Argument(2, tr("a FILE"));
                if (!file)
                    return false;
                o.command = CliCommand::ThresholdsSet;
                o.thresholdFile = *file;
                used = 3;
            } else {
                return Error(tr("thresholds: '%1' is neither get nor set").arg(*action));
            }
        } else if (command == QLatin1String("calibrate")) {
            const std::optional<QString> wavelength =
                Argument(1, tr("a wavelength (1270, 1310, 1490 or 1577)"));
            if (!wavelength)
                return false;
            const std::optional<CalibrationChannel> channel = ChannelOf(*wavelength);
            if (!channel)
                return Error(tr("calibrate: %1 is not 1270, 1310, 1490 or 1577").arg(*wavelength));
            const std::optional<QString> dbm = Argument(2, tr("a power in dBm"));
            if (!dbm)
                return false;
            double value = 0.0;
            if (!IsCompleteNumber(*dbm, &value))
                return Error(tr("calibrate: '%1' is not a number").arg(*dbm));
            const float reference = static_cast<float>(value);
            if (!IsPowerInRange(reference))
                return Error(tr("calibrate: %1 is outside -65…30").arg(*dbm));
            o.command = CliCommand::Calibrate;
            o.channel = *channel;
            o.reference = reference;
            used = 3;
        } else if (command == QLatin1String("factory-default")) {
            o.command = CliCommand::FactoryDefault;
        } else if (command == QLatin1String("archive")) {
            QString error;
            const std::optional<qsizetype> archiveUsed =
                ReadArchiveCommand(positional_, o.archive, &error);
            if (!archiveUsed)
                return Error(error);
            o.command = CliCommand::Archive;
            used = *archiveUsed;
        } else {
            return Error(tr("unknown command '%1'").arg(command));
        }
        if (used < positional_.size())
            return Error(tr("unexpected argument '%1'").arg(positional_[used]));
        return true;
    }

    bool CheckCombination()
    {
        if (result_.outcome != CliCommandLine::Outcome::Run)
            return true;
        ArchiveOptions& archive = result_.options.archive;
        archive.where =
            ChooseCommandLineArchive(archive.location, archive.service, archiveEnvironment_);
        archive.yes = result_.options.yes;
        const CliOptions& o = result_.options;
        const QString command = positional_.mid(0, 2).join(QLatin1Char(' '));
        if (o.demo && !o.port.isEmpty())
            return Error(tr("--port and --demo exclude each other"));
        if (!o.preset.isEmpty() || o.margin) {
            if (o.command != CliCommand::ThresholdsSet || o.preset.isEmpty())
                return Error(tr("--preset and --margin are for thresholds set --preset NAME"));
            // --group names the group the preset sets (elsewhere it filters archive list).
            if (!o.archive.group)
                return Error(tr("thresholds set --preset needs --group 1, 2 or 3"));
            result_.options.presetGroup = *o.archive.group;
            result_.options.archive.group.reset();
        }
        const ArchiveUse use{o.command == CliCommand::Archive, o.demo || !o.port.isEmpty(),
                             !o.output.isEmpty(), formatGiven_};
        if (const QString archiveError = CheckArchiveCombination(o.archive, use);
            !archiveError.isEmpty())
            return Error(archiveError);
        if (o.command == CliCommand::Archive)
            return true;
        if (!o.output.isEmpty() && o.command != CliCommand::Records &&
            o.command != CliCommand::ThresholdsGet)
            return Error(tr("%1 writes no file; -o is for records and "
                            "thresholds get")
                             .arg(positional_.constFirst()));
        if (o.udevRule && o.command != CliCommand::Ports)
            return Error(tr("--udev-rule is for ports only"));
        if (formatGiven_ && o.command != CliCommand::Records)
            return Error(tr("--format is for records only"));
        if (!verdictThresholds_.isEmpty()) {
            // The CSV output stays the program's export, byte for byte.
            if (o.command != CliCommand::Records || o.format != RecordFormat::Json)
                return Error(tr("--thresholds is for records --format json only"));
            result_.options.thresholdFile = verdictThresholds_;
        }
        const bool changesMeter =
            o.command == CliCommand::DeleteLast || o.command == CliCommand::DeleteAll ||
            o.command == CliCommand::ThresholdsSet || o.command == CliCommand::FactoryDefault;
        if (changesMeter && !o.yes)
            return Error(tr("%1 changes the meter; add --yes to go ahead").arg(command));
        return true;
    }

    QStringList args_;
    const QString archiveEnvironment_;
    QStringList positional_;
    bool help_ = false;
    bool version_ = false;
    bool formatGiven_ = false;
    QString verdictThresholds_;
    CliCommandLine result_;
};

} // namespace

CliCommandLine ParseCliCommandLine(const QStringList& arguments, const QString& archiveEnvironment)
{
    return Parser(arguments, archiveEnvironment).Parse();
}
