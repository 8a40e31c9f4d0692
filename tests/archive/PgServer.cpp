#include "PgServer.h"

#include <QDir>
#include <QProcess>
#include <pwd.h>
#include <unistd.h>

namespace {

bool IsRoot()
{
    return ::geteuid() == 0;
}

} // namespace

PgServer::PgServer(bool durable)
    : dir_(QDir::tempPath() + QStringLiteral("/qx390d-pg-XXXXXX")), durable_(durable)
{
    // Debian keeps the server programs out of PATH, one folder per major version.
    const QStringList versions =
        QDir(QStringLiteral("/usr/lib/postgresql"))
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
    for (const QString& v : versions)
        if (QFileInfo::exists(QStringLiteral("/usr/lib/postgresql/%1/bin/initdb").arg(v))) {
            binDir_ = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(v);
            break;
        }
    if (IsRoot() && dir_.isValid()) {
        if (const passwd* pg = ::getpwnam("postgres"))
            if (::chown(QFile::encodeName(dir_.path()).constData(), pg->pw_uid, pg->pw_gid) != 0)
                qWarning("cannot hand %s to postgres", qPrintable(dir_.path()));
    }
}

PgServer::~PgServer()
{
    Stop();
}

QString PgServer::Bin(const QString& name) const
{
    return binDir_ + QLatin1Char('/') + name;
}

QString PgServer::SocketDir() const
{
    return dir_.path();
}

int PgServer::RunAsOwner(const QString& program, const QStringList& arguments, QString* output,
                         int timeoutMs) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(dir_.path());
    if (IsRoot())
        process.start(QStringLiteral("runuser"),
                      QStringList{QStringLiteral("-u"), QStringLiteral("postgres"),
                                  QStringLiteral("--"), program} +
                          arguments);
    else
        process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        *output = QStringLiteral("%1 did not finish within %2 ms: %3")
                      .arg(program)
                      .arg(timeoutMs)
                      .arg(QString::fromLocal8Bit(process.readAll()));
        return -1;
    }
    *output = QString::fromLocal8Bit(process.readAll());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool PgServer::Start(QString* error)
{
    if (!dir_.isValid() || binDir_.isEmpty()) {
        *error = QStringLiteral("no PostgreSQL server programs in /usr/lib/postgresql/*/bin "
                                "(scripts/install-deps.sh installs the package postgresql)");
        return false;
    }
    QString output;
    if (RunAsOwner(Bin(QStringLiteral("initdb")),
                   {QStringLiteral("-D"), dir_.path() + QStringLiteral("/data"),
                    QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-U"),
                    QStringLiteral("postgres"), QStringLiteral("--no-sync"),
                    QStringLiteral("--no-instructions")},
                   &output) != 0) {
        *error = QStringLiteral("initdb failed: ") + output;
        return false;
    }
    if (!Restart(error))
        return false;
    // The owner of the suites' archives; the programs connect as it (docs/team-server.sql
    // is tst_archiveteam's).
    return Sql(QStringLiteral("CREATE ROLE qx390d_writer LOGIN"), QStringLiteral("postgres"),
               error);
}

bool PgServer::Restart(QString* error)
{
    QString output;
    // Unix socket only, in the test's folder; nothing durable is needed.
    const int code = RunAsOwner(
        Bin(QStringLiteral("pg_ctl")),
        {QStringLiteral("-D"), dir_.path() + QStringLiteral("/data"), QStringLiteral("-l"),
         dir_.path() + QStringLiteral("/server.log"), QStringLiteral("-w"), QStringLiteral("-t"),
         QStringLiteral("30"), QStringLiteral("-o"),
         QStringLiteral("-k %1 -c listen_addresses= -c fsync=%2")
             .arg(dir_.path(), durable_ ? QStringLiteral("on") : QStringLiteral("off")),
         QStringLiteral("start")},
        &output);
    running_ = code == 0;
    if (!running_ && error) {
        QFile log(dir_.path() + QStringLiteral("/server.log"));
        log.open(QIODevice::ReadOnly);
        *error = QStringLiteral("the server did not start: ") + output +
                 QString::fromLocal8Bit(log.read(4000));
    }
    return running_;
}

bool PgServer::Stop(QString* error)
{
    if (!running_)
        return true;
    QString output;
    const int code =
        RunAsOwner(Bin(QStringLiteral("pg_ctl")),
                   {QStringLiteral("-D"), dir_.path() + QStringLiteral("/data"),
                    QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("-w"),
                    QStringLiteral("-t"), QStringLiteral("30"), QStringLiteral("stop")},
                   &output);
    running_ = code != 0;
    if (running_ && error)
        *error = QStringLiteral("the server did not stop: ") + output;
    return !running_;
}

bool PgServer::Sql(const QString& sql, const QString& database, QString* error, const QString& user)
{
    QString output;
    const int code = RunAsOwner(Bin(QStringLiteral("psql")),
                                {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                                 QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"),
                                 SocketDir(), QStringLiteral("-U"), user, QStringLiteral("-d"),
                                 database, QStringLiteral("-c"), sql},
                                &output);
    if (code != 0 && error)
        *error = QStringLiteral("psql: ") + output;
    return code == 0;
}

QString PgServer::Query(const QString& sql, const QString& database) const
{
    QString output;
    const int code = RunAsOwner(Bin(QStringLiteral("psql")),
                                {QStringLiteral("-X"), QStringLiteral("-At"), QStringLiteral("-h"),
                                 SocketDir(), QStringLiteral("-U"), QStringLiteral("postgres"),
                                 QStringLiteral("-d"), database, QStringLiteral("-c"), sql},
                                &output);
    return code == 0 ? output.trimmed() : QString();
}

std::unique_ptr<QProcess> PgServer::Session(const QString& database) const
{
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setWorkingDirectory(dir_.path());
    const QStringList psql{Bin(QStringLiteral("psql")), QStringLiteral("-X"), QStringLiteral("-q"),
                           QStringLiteral("-h"),        SocketDir(),          QStringLiteral("-U"),
                           QStringLiteral("postgres"),  QStringLiteral("-d"), database};
    if (IsRoot())
        process->start(
            QStringLiteral("runuser"),
            QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--")} +
                psql);
    else
        process->start(psql.first(), psql.mid(1));
    process->waitForStarted();
    return process;
}

QString PgServer::CreateDatabase(QString* error)
{
    const QString name = QStringLiteral("archive%1").arg(++databases_);
    if (!Sql(QStringLiteral("CREATE DATABASE %1 OWNER qx390d_writer").arg(name),
             QStringLiteral("postgres"), error))
        return {};
    return name;
}

QString PgServer::Url(const QString& database, const QString& user) const
{
    return QStringLiteral("postgresql:///%1?host=%2&user=%3").arg(database, SocketDir(), user);
}
