#pragma once

#include "archive/location/ArchiveTarget.h"
#include "cliarchive/ArchiveOptions.h"
#include "cliarchive/CliBasics.h"
#include "link/PortIdentity.h"
#include "records/DownloadEnding.h"
#include "thresholds/ThresholdTable.h"

#include <QList>
#include <QStringList>

class QIODevice;

// The `archive` commands of qx390d-cli and the archiving of what `records` downloads.

// Reads an option that belongs to the archive (`--archive`, `--archive-service`, `--since`,
// `--until`, `--group`, `--verdict`, `--to` with their value). False when `name` is none of
// them; `error` is set when its value cannot be used.
bool ReadArchiveOption(const QString& name, const QString& value, ArchiveOptions& options,
                       QString* error);
// Reads `archive ACTION ARGS...` from the positional arguments; the number used, or nothing
// with `error`.
std::optional<qsizetype> ReadArchiveCommand(const QStringList& positional, ArchiveOptions& options,
                                            QString* error);
// What the rest of the tool's command line asks for, as the archive's checks see it.
struct ArchiveUse
{
    bool archiveCommand = false; // the command is `archive`
    bool meter = false;          // --port or --demo
    bool output = false;         // -o
    bool format = false;         // --format
};
// The options that only some archive actions take; empty when they fit.
QString CheckArchiveCombination(const ArchiveOptions& options, const ArchiveUse& use);

// Where and how an `archive` command writes, from the tool's general options.
struct ArchiveOutput
{
    QString file; // -o FILE; empty or "-": standard output
    RecordFormat format = RecordFormat::Csv;
    bool quiet = false; // --quiet: errors only
};
// Runs an `archive` command; the exit code (CliExit).
int RunArchiveCommand(const ArchiveOptions& options, const ArchiveOutput& output, QIODevice& out,
                      QIODevice& err);

// After `records`: keeps the download in `target` as it ended (`ending`, the records the meter
// announced, the rows that arrived), judged by `limits` (--thresholds). `identity` is the
// port's USB identity, taken while the port was open. A failure is one line on `err`; the
// download's own exit code stands; `quiet`: no note of what was archived.
void ArchiveCliDownload(const ArchiveTarget& target, bool quiet, const QString& port,
                        const PortIdentity& identity, DownloadEnding ending, int expected,
                        const QList<QStringList>& rows, const ThresholdTable& limits,
                        QIODevice& err);
