#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// A PostgreSQL server of the test's own: a cluster made by initdb in a temporary folder,
// listening on a Unix socket there only, run as the `postgres` system user when the test
// runs as root (initdb refuses root). Every step is bounded; the destructor stops the
// server and removes the folder.
class PgServer
{
public:
    // `durable`: the server syncs its writes to disk as a real one does (the tests do
    // without, for speed).
    explicit PgServer(bool durable = false);
    ~PgServer();

    // initdb, then start; false with `error` saying which step failed and its output.
    bool Start(QString* error);
    bool Stop(QString* error = nullptr);
    // Starts the cluster made before again.
    bool Restart(QString* error = nullptr);

    // Runs SQL as `user` (the superuser by default) in `database`; false with the output in
    // `error`.
    bool Sql(const QString& sql, const QString& database = QStringLiteral("postgres"),
             QString* error = nullptr, const QString& user = QStringLiteral("postgres"));
    // The first column of a query's rows, one per line ("" on failure).
    QString Query(const QString& sql, const QString& database) const;
    // A psql session of the superuser in `database` that stays open until destroyed: each
    // line written to it runs at once (a lock the test holds for as long as it likes).
    std::unique_ptr<QProcess> Session(const QString& database) const;
    // A new empty database owned by the role qx390d_writer; its name.
    QString CreateDatabase(QString* error = nullptr);
    // "postgresql:///DB?host=SOCKETDIR&user=USER".
    QString Url(const QString& database,
                const QString& user = QStringLiteral("qx390d_writer")) const;
    QString SocketDir() const;
    QString Dir() const { return dir_.path(); }

    // Runs a program as the server's owner (root: through runuser); its exit code, -1 on a
    // crash or after `timeoutMs`; the output goes to `output`.
    int RunAsOwner(const QString& program, const QStringList& arguments, QString* output,
                   int timeoutMs = 60000) const;

private:
    QString Bin(const QString& name) const;

    QTemporaryDir dir_;
    QString binDir_;
    bool durable_ = false;
    bool running_ = false;
    int databases_ = 0;
};
