#pragma once

#include "cli/CliCommandLine.h"

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
// The options that only some archive actions take; empty when they fit.
QString CheckArchiveCombination(const CliOptions& options, bool formatGiven);

// Runs an `archive` command; the exit code (CliExit).
int RunArchiveCommand(const CliOptions& options, QIODevice& out, QIODevice& err);

// After `records`: keeps the download in the archive unless --no-archive. A failure is one
// line on `err`; the download's own exit code stands.
void ArchiveCliDownload(const CliOptions& options, const QString& port,
                        const QList<QStringList>& rows, int expected, bool completed,
                        bool unplugged, QIODevice& err);
