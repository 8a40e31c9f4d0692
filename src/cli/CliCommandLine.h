#pragma once

#include "calibration/Calibration.h"
#include "cliarchive/ArchiveOptions.h"
#include "cliarchive/CliBasics.h"

#include <QString>
#include <QStringList>
#include <optional>

enum class CliCommand {
    Ports,
    Records,
    DeleteLast,
    DeleteAll,
    ThresholdsGet,
    ThresholdsSet,
    ThresholdPresets,
    Calibrate,
    FactoryDefault,
    Archive,
};

// One run of the tool, as its command line asks for it.
struct CliOptions
{
    QString port;          // --port DEVICE; empty: search the USB serial ports
    bool demo = false;     // --demo: a virtual meter on a pseudo-terminal
    bool quiet = false;    // --quiet: no progress and no notes, errors only
    bool yes = false;      // --yes: commands that change the meter may run
    bool udevRule = false; // ports --udev-rule: the meter's udev rule instead of the list
    CliCommand command = CliCommand::Ports;
    QString output; // -o FILE; empty or "-": standard output
    RecordFormat format = RecordFormat::Csv;
    QString thresholdFile; // thresholds set FILE; records --thresholds FILE (JSON verdicts)
    // thresholds set --preset NAME --group N [--margin DB]
    QString preset;
    int presetGroup = 0;
    std::optional<float> margin;
    CalibrationChannel channel = CalibrationChannel::Ont1310;
    float reference = 0.0f; // calibrate's DBM
    ArchiveOptions archive;
};

struct CliCommandLine
{
    enum class Outcome { Run, Help, Version, Error };

    Outcome outcome = Outcome::Run;
    CliOptions options;
    // Help and Version: the text for standard output; Error: the one-line message.
    QString text;

    int ExitCode() const { return outcome == Outcome::Error ? ExitUsage : ExitDone; }
};

// Reads the arguments as the tool gets them (arguments[0] is the tool), with the value of the
// environment variable QX390D_ARCHIVE. Options may stand anywhere; a negative number
// ("calibrate 1310 -7.5") is an argument, not an option.
CliCommandLine ParseCliCommandLine(const QStringList& arguments,
                                   const QString& archiveEnvironment = {});
