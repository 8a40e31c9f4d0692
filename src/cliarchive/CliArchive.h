#pragma once

#include "archive/location/ArchiveTarget.h"
#include "cliarchive/ArchiveOptions.h"
#include "cliarchive/CliBasics.h"
#include "link/PortIdentity.h"
#include "records/DownloadEnding.h"
#include "thresholds/ThresholdTable.h"

#include <QList>
#include <QStringList>
#include <memory>

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

// What `records` downloaded, kept in the archive in two steps: Keep() before the output is
// written out or anything is said, so that no output of a download exists without its copy
// on this PC; Send() after, which delivers it to a server.
class CliDownloadKeeping
{
public:
    // The download as it ended (`ending`, the records the meter announced, the rows that
    // arrived) from `port` (`identity`: its USB identity, taken while it was open), judged by
    // `limits` (--thresholds).
    CliDownloadKeeping(const ArchiveTarget& target, const QString& port,
                       const PortIdentity& identity, DownloadEnding ending, int expected,
                       const QList<QStringList>& rows, const ThresholdTable& limits);
    ~CliDownloadKeeping();
    CliDownloadKeeping(const CliDownloadKeeping&) = delete;
    CliDownloadKeeping& operator=(const CliDownloadKeeping&) = delete;

    // Kept on this PC: in an SQLite archive, or in this PC's queue for a server (when that
    // cannot be written, in the server at once). False when it is kept nowhere: why, on `err`.
    bool Keep(QIODevice& err);
    // After Keep(): delivered to a server, with what waits there. A failure is one line on
    // `err` (the download stays kept); `quiet`: no note of what was archived. False when the
    // download is in no archive at all.
    bool Send(bool quiet, QIODevice& err);

private:
    struct Private;
    std::unique_ptr<Private> d_;
};
