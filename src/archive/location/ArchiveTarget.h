#pragma once

#include <QString>
#include <optional>

// Where the archive lives: an SQLite file (the default) or a PostgreSQL database named by a
// URL or a libpq service. Credentials are never part of it: libpq reads them from
// ~/.pgpass or the service file.
struct ArchiveTarget
{
    enum class Engine { Sqlite, Postgres };

    Engine engine = Engine::Sqlite;
    QString path;    // SQLite: the file
    QString url;     // PostgreSQL: "postgresql://..." (no password), or empty
    QString service; // PostgreSQL: a service of the libpq service file, or empty

    bool IsServer() const { return engine == Engine::Postgres; }
    // The path, the URL or "service=NAME": how messages name it, and the key the pending
    // queue keeps what waits for a server under.
    QString Display() const;

    static ArchiveTarget SqliteFile(const QString& path);
};

// The file both programs use unless told otherwise: archive.sqlite in the program's
// AppDataLocation (~/.local/share/QX390D/QX390D/ on most systems; the command-line tool
// computes the same folder, though its own name differs).
QString DefaultArchivePath();

// The target `location` names: a path, "postgresql://..." or "postgres://...", or
// "service=NAME"; the default file when it is empty. Nothing, with `error` saying why, for a
// URL that ParsePostgresLocation refuses (one that carries a password among them: those
// belong in ~/.pgpass) or a service name with a control character or ';'.
std::optional<ArchiveTarget> ChooseArchiveTarget(const QString& location, QString* error);

// The archive a command line names, read once with it: `--archive VALUE`,
// `--archive-service NAME`, else the environment variable QX390D_ARCHIVE, in that order.
struct ArchiveChoice
{
    // "--archive", "--archive-service" or "QX390D_ARCHIVE"; empty when none names one.
    QString chosenBy;
    // The archive named; nothing when none is, or while `error` stands.
    std::optional<ArchiveTarget> target;
    // Why the archive named cannot be used; empty when it can.
    QString error;
    // The error is that both options are given: the command line's fault as a whole.
    bool bothOptions = false;

    // The archive named, else the default file; nothing while `error` stands.
    std::optional<ArchiveTarget> TargetOrDefault() const;
};
ArchiveChoice ChooseCommandLineArchive(const QString& archiveOption, const QString& serviceOption,
                                       const QString& environment);

// The libpq connection string of a server target, every value quoted (PostgresLocation.h);
// nothing, with `error`, for a URL or service name that ChooseArchiveTarget refuses.
std::optional<QString> PostgresConnInfo(const ArchiveTarget& target, QString* error);

// The server, port, database and login a server target reaches, as libpq reads its location
// (the service file, the environment and libpq's defaults included): two locations with the
// same text here reach the same archive, however they are spelt. Nothing for a file target
// or a location that cannot be read. It may look the host name up.
std::optional<QString> ServerConnectionKey(const ArchiveTarget& target);
