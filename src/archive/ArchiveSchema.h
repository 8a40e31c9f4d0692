#pragma once

#include "archive/ArchiveTarget.h"

#include <QString>
#include <QStringList>

// The archive's tables, the same on both engines. Everything that differs between SQLite
// and PostgreSQL is in ArchiveDialect, and only there.
namespace ArchiveSchema {

// The version this program writes. A database of a later version is refused, never altered.
inline constexpr int kVersion = 3;

// The statements that take a database from `version - 1` to `version` (1 to kVersion).
// Version 3 gives the archive its identity, a UUID made when the statements are.
QStringList Migration(int version, ArchiveTarget::Engine engine);

} // namespace ArchiveSchema

struct ArchiveDialect
{
    QString driver;            // the Qt SQL driver
    QString idColumn;          // a generated 64-bit primary key
    QStringList beginWrite;    // starts a write transaction that excludes other writers
    QString schemaTableExists; // one row when the version table exists
    QString foreignTables;     // one row when the database holds tables but no version table
    // Rows per multi-row statement. SQLite runs in the process and looks bound values up
    // by position in a list (slow for long lists), so one row per statement, prepared once;
    // a server is a round trip away, so many.
    int rowsPerStatement = 1;

    static ArchiveDialect For(ArchiveTarget::Engine engine);
};
