#include "archive/ArchiveTarget.h"

#include "common/Prompter.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QUrl>

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

std::optional<ArchiveTarget> ChooseArchiveTarget(const QString& archiveOption,
                                                 const QString& serviceOption,
                                                 const QString& environment, QString* error)
{
    if (!archiveOption.isEmpty() && !serviceOption.isEmpty()) {
        *error = QCoreApplication::translate("ArchiveTarget",
                                             "--archive and --archive-service exclude each other");
        return std::nullopt;
    }
    ArchiveTarget target;
    if (!serviceOption.isEmpty()) {
        target.engine = ArchiveTarget::Engine::Postgres;
        target.service = serviceOption;
        return target;
    }
    const QString value = !archiveOption.isEmpty() ? archiveOption : environment;
    if (value.isEmpty())
        return ArchiveTarget::SqliteFile(DefaultArchivePath());
    if (value.startsWith(QLatin1String("service="))) {
        target.engine = ArchiveTarget::Engine::Postgres;
        target.service = value.mid(8);
        if (target.service.isEmpty()) {
            *error = QCoreApplication::translate("ArchiveTarget",
                                                 "service= needs the name of a libpq service");
            return std::nullopt;
        }
        return target;
    }
    if (value.startsWith(QLatin1String("postgresql://")) ||
        value.startsWith(QLatin1String("postgres://"))) {
        const QUrl url(value);
        if (!url.password().isEmpty() || value.contains(QLatin1String("password="))) {
            // Not even the message repeats the URL: it holds the password.
            *error = QCoreApplication::translate("ArchiveTarget",
                                                 "the archive URL holds a password; put it in "
                                                 "~/.pgpass (mode 0600) or the service file "
                                                 "instead");
            return std::nullopt;
        }
        target.engine = ArchiveTarget::Engine::Postgres;
        target.url = value;
        return target;
    }
    return ArchiveTarget::SqliteFile(QDir::cleanPath(value));
}
