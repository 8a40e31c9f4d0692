#pragma once

#include "archive/location/ArchiveTarget.h"

#include <QString>
#include <QStringList>

// The archive's tables, the same on both engines. Everything that differs between SQLite
// and PostgreSQL is in ArchiveDialect, and only there.
namespace ArchiveSchema {

// The version this program writes. A database of a later version is refused, never altered.
inline constexpr int kVersion = 8;
// The version from which a server's writers take turns on the table writers_turn.
inline constexpr int kWritersTurnVersion = 8;

// The statements that take a database from `version - 1` to `version` (1 to kVersion).
// Version 3 gives the archive its identity, a UUID made when the statements are.
QStringList Migration(int version, ArchiveTarget::Engine engine);

// The tables an archive of `version` has, each made by one of the migrations up to it: a
// file that lacks any of them is not an archive of this program, whatever its tables say.
QStringList TablesAt(int version);

// The group roles of a team's server (the administrator creates them; README).
inline constexpr const char* kTechnicianRole = "qx390d_technician";
inline constexpr const char* kReaderRole = "qx390d_reader";
inline constexpr const char* kLeadRole = "qx390d_lead";

// What `archive init` grants in `schema` of a server, run by the owner after every migration
// (the statements are idempotent): readers read; technicians read, add downloads, records,
// limits and links to downloads of their own, fill a blank meter or missing limits once on
// records of their own downloads, change the notes of their own downloads and assign places
// to records of their own downloads; leads read and assign places to any record. Row-level
// security (schema 4 and 8) holds each to it; the server stamps every author and time.
QStringList ServerGrants(const QString& schema);

} // namespace ArchiveSchema

struct ArchiveDialect
{
    QString driver;         // the Qt SQL driver
    QString idColumn;       // a generated 64-bit primary key
    QStringList beginWrite; // starts a write transaction that excludes other writers
    // Starts a migration's transaction: one migrator at a time (the writers' turn is a table
    // that a migration may be about to create).
    QStringList beginMigration;
    // One row, two flags read in one snapshot: the version table exists; the database holds
    // other tables. Two statements could straddle another program's creation of the archive
    // and see its tables without its version table.
    QString schemaState;
    // Rows per multi-row statement. SQLite runs in the process and looks bound values up
    // by position in a list (slow for long lists), so one row per statement, prepared once;
    // a server is a round trip away, so many.
    int rowsPerStatement = 1;

    static ArchiveDialect For(ArchiveTarget::Engine engine);
};
