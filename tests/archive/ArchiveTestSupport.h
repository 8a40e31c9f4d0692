#pragma once

#include "MeterRows.h"
#include "PgServer.h"
#include "archive/store/ArchiveStore.h"
#include "archive/writer/ArchiveImport.h"
#include "export/CsvExport.h"
#include "records/RecordTable.h"
#include "sim/VirtualMeter.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

// The archive suites run against the engine QX_ARCHIVE_ENGINE names: "sqlite" (the default)
// or "postgresql" (a server the suite starts itself).
inline bool UsePostgres()
{
    return qEnvironmentVariable("QX_ARCHIVE_ENGINE") == QLatin1String("postgresql");
}

// Fresh, empty archives of the suite's engine.
class TestArchives
{
public:
    bool Start(bool postgres, QString* error)
    {
        if (!dir_.isValid()) {
            *error = QStringLiteral("no temporary folder");
            return false;
        }
        if (!postgres)
            return true;
        server_ = std::make_unique<PgServer>();
        return server_->Start(error);
    }

    ArchiveTarget Fresh()
    {
        if (!server_)
            return ArchiveTarget::SqliteFile(
                dir_.filePath(QStringLiteral("archive%1.sqlite").arg(++files_)));
        QString error;
        const QString database = server_->CreateDatabase(&error);
        if (database.isEmpty())
            qFatal("%s", qPrintable(error));
        ArchiveTarget target;
        target.engine = ArchiveTarget::Engine::Postgres;
        target.url = server_->Url(database);
        return target;
    }

    // A path for the local file that keeps what waits for a server.
    QString LocalPath() { return dir_.filePath(QStringLiteral("local%1.sqlite").arg(++files_)); }
    QString Path(const QString& name) const { return dir_.filePath(name); }
    PgServer* Server() { return server_.get(); }

    // Runs statements on the archive behind the store's back (an older or newer schema).
    bool RawSql(const ArchiveTarget& target, const QStringList& statements)
    {
        if (server_) {
            const QString database = QUrl(target.url).path().mid(1);
            for (const QString& sql : statements)
                if (!server_->Sql(sql, database))
                    return false;
            return true;
        }
        bool ok = true;
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
            db.setDatabaseName(target.path);
            ok = db.open();
            for (const QString& sql : statements)
                ok = ok && QSqlQuery(db).exec(sql);
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("raw"));
        return ok;
    }

private:
    QTemporaryDir dir_;
    std::unique_ptr<PgServer> server_;
    int files_ = 0;
};

// Limits for the three groups, in the meter's order (1310, 1490, 1577, 1270 nm; Over,
// Pass, Fail each).
inline ThresholdTable SampleLimits()
{
    ThresholdTable table;
    for (int g = 1; g <= ThresholdTable::kGroups; ++g) {
        const float shift = static_cast<float>(g - 1);
        table.Group(g).number = static_cast<quint8>(g);
        table.Group(g).limits = {-8.0f - shift, -27.0f + shift, -28.0f + shift, -8.0f,
                                 -27.0f,        -28.0f,         -9.0f,          -28.25f,
                                 -29.5f,        -9.0f + shift,  -28.0f,         -29.0f};
        table.MarkKnown(g);
    }
    return table;
}

// The rows a download of a virtual meter of `count` records shows.
inline QList<QStringList> MeterDownloadRows(int count, quint32 seed = 1)
{
    return ExpectedRows(VirtualMeter(MeterOptions{count, seed, false}), count);
}

inline ArchiveSubmission MeterSubmission(const QList<QStringList>& rows, const QString& serial,
                                         const ThresholdTable& limits = SampleLimits())
{
    ArchiveSubmission s;
    s.facts = DownloadFacts::ForMeter(QStringLiteral("/dev/ttyACM0"), DownloadEnding::Completed,
                                      static_cast<int>(rows.size()), static_cast<int>(rows.size()));
    s.facts.identity.serial = serial;
    s.rows = rows;
    s.limits = limits;
    return s;
}

inline ArchiveSubmission ImportSubmission(const QList<QStringList>& rows)
{
    ArchiveSubmission s;
    s.facts =
        DownloadFacts::ForImport(QStringLiteral("records.csv"), static_cast<int>(rows.size()));
    s.rows = rows;
    return s;
}

// The rows as the program's CSV export writes them and the import reads them back.
inline QList<QStringList> CsvRoundTrip(const QList<QStringList>& rows, const QString& path)
{
    RecordTable table;
    for (int r = 0; r < rows.size(); ++r) {
        table.InsertRow(r, rows[r][0]);
        for (int c = 1; c < 7; ++c)
            table.SetCellText(r, c, rows[r][c]);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(BuildCsv(table.Texts())) < 0)
        return {};
    file.close();
    QString reason;
    return ReadRecordFile(path, &reason).value_or(QList<QStringList>());
}
