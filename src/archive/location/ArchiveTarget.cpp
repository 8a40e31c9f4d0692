#include "archive/location/ArchiveTarget.h"

#include <libpq-fe.h>

#include "archive/location/PostgresLocation.h"
#include "common/Prompter.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

QString ArchiveTarget::Display() const
{
    switch (engine) {
    case Engine::Sqlite:
        return path;
    case Engine::Postgres:
        break;
    }
    return url.isEmpty() ? QStringLiteral("service=") + service : url;
}

ArchiveTarget ArchiveTarget::SqliteFile(const QString& path)
{
    ArchiveTarget target;
    target.path = path;
    return target;
}

QString DefaultArchivePath()
{
    // AppDataLocation is <data>/<organisation>/<application>; the program sets both to
    // its name.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QLatin1Char('/') + applicationName + QLatin1Char('/') + applicationName +
           QStringLiteral("/archive.sqlite");
}

std::optional<ArchiveTarget> ChooseArchiveTarget(const QString& location, QString* error)
{
    if (location.isEmpty())
        return ArchiveTarget::SqliteFile(DefaultArchivePath());
    ArchiveTarget target;
    if (location.startsWith(QLatin1String("service="))) {
        target.engine = ArchiveTarget::Engine::Postgres;
        target.service = location.mid(8);
        if (target.service.isEmpty()) {
            *error = QCoreApplication::translate("ArchiveTarget",
                                                 "service= needs the name of a libpq service");
            return std::nullopt;
        }
        if (!PostgresConnInfo(target, error))
            return std::nullopt;
        return target;
    }
    if (location.startsWith(QLatin1String("postgresql://")) ||
        location.startsWith(QLatin1String("postgres://"))) {
        target.engine = ArchiveTarget::Engine::Postgres;
        target.url = location;
        if (!PostgresConnInfo(target, error))
            return std::nullopt;
        return target;
    }
    return ArchiveTarget::SqliteFile(QDir::cleanPath(location));
}

std::optional<ArchiveTarget> ArchiveChoice::TargetOrDefault() const
{
    if (!error.isEmpty())
        return std::nullopt;
    return target ? target : ArchiveTarget::SqliteFile(DefaultArchivePath());
}

ArchiveChoice ChooseCommandLineArchive(const QString& archiveOption, const QString& serviceOption,
                                       const QString& environment)
{
    ArchiveChoice choice;
    choice.chosenBy = !archiveOption.isEmpty()   ? QStringLiteral("--archive")
                      : !serviceOption.isEmpty() ? QStringLiteral("--archive-service")
                      : !environment.isEmpty()   ? QStringLiteral("QX390D_ARCHIVE")
                                                 : QString();
    if (!archiveOption.isEmpty() && !serviceOption.isEmpty()) {
        choice.bothOptions = true;
        choice.error = QCoreApplication::translate(
            "ArchiveTarget", "--archive and --archive-service exclude each other");
        return choice;
    }
    if (!serviceOption.isEmpty()) {
        ArchiveTarget target;
        target.engine = ArchiveTarget::Engine::Postgres;
        target.service = serviceOption;
        if (PostgresConnInfo(target, &choice.error))
            choice.target = target;
        return choice;
    }
    if (!choice.chosenBy.isEmpty())
        choice.target = ChooseArchiveTarget(!archiveOption.isEmpty() ? archiveOption : environment,
                                            &choice.error);
    return choice;
}

std::optional<QString> PostgresConnInfo(const ArchiveTarget& target, QString* error)
{
    if (!target.url.isEmpty()) {
        const std::optional<ConnKeywords> keywords = ParsePostgresLocation(target.url, error);
        if (!keywords)
            return std::nullopt;
        return LibpqConnInfo(*keywords);
    }
    for (const QChar c : target.service)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QLatin1Char(';')) {
            *error = QCoreApplication::translate(
                "ArchiveTarget", "a service name holds a control character or a ';'");
            return std::nullopt;
        }
    return LibpqConnInfo({{QStringLiteral("service"), target.service}});
}

std::optional<QString> ServerConnectionKey(const ArchiveTarget& target)
{
    if (!target.IsServer())
        return std::nullopt;
    QString error;
    const std::optional<QString> conninfo = PostgresConnInfo(target, &error);
    if (!conninfo)
        return std::nullopt;
    // libpq applies the service file and its defaults when a connection starts; the attempt
    // is given up at once, before any exchange that could wait.
    PGconn* connection = PQconnectStart(conninfo->toUtf8().constData());
    if (!connection)
        return std::nullopt;
    const auto text = [](const char* value) {
        return QString::fromUtf8(value ? value : "");
    };
    std::optional<QString> key;
    if (PQhost(connection) && PQdb(connection) && PQuser(connection))
        key = QStringList{text(PQhost(connection)), text(PQport(connection)),
                          text(PQdb(connection)), text(PQuser(connection))}
                  .join(QChar(0x1f));
    PQfinish(connection);
    return key;
}
