// A team's server set up as docs/team-server.sql says (the file itself is run), then what
// each login may do: the owner initialises, technicians add and change their own notes,
// readers read.
#include "ArchiveTestSupport.h"
#include "CliProcess.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

class TestArchiveTeam : public QObject
{
    Q_OBJECT

private:
    PgServer server_;
    QTemporaryDir dir_;
    QString csv_;
    QString setupError_;
    int runs_ = 0;

    // The location of the team's archive for `login`, the socket folder as an encoded host.
    QString Url(const QString& login, const QString& database = "qx390d_archive") const
    {
        return QStringLiteral("postgresql://%1/%2?user=%3")
            .arg(QString::fromLatin1(QUrl::toPercentEncoding(server_.SocketDir())), database,
                 login);
    }

    CliProcess* Cli(const QString& login, const QStringList& arguments,
                    const QString& database = "qx390d_archive")
    {
        QProcessEnvironment env;
        // Each run's PC keeps what could not be written in a local file of its own (the
        // reader's refused download would otherwise be sent again first).
        env.insert("XDG_DATA_HOME", dir_.filePath(QString::number(++runs_)));
        return new CliProcess(QStringList{"--archive", Url(login, database)} + arguments, env);
    }

    // The statements of an SQL file as psql runs them: `\connect DB` switches the database.
    bool RunSqlFile(const QString& path, QString* error)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = path + QStringLiteral(" cannot be read");
            return false;
        }
        QString database = QStringLiteral("postgres");
        QString statement;
        for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
            if (line.startsWith(QLatin1String("--")) || line.trimmed().isEmpty())
                continue;
            if (line.startsWith(QLatin1String("\\connect "))) {
                database = line.mid(9).trimmed();
                continue;
            }
            statement += line + QLatin1Char('\n');
            if (line.trimmed().endsWith(QLatin1Char(';'))) {
                if (!server_.Sql(statement, database, error))
                    return false;
                statement.clear();
            }
        }
        return true;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        QVERIFY2(server_.Start(&setupError_), qPrintable(setupError_));
        QVERIFY2(RunSqlFile(QStringLiteral(QX_TEAM_SQL), &setupError_), qPrintable(setupError_));
        // A second technician, as the file says to add one.
        QVERIFY(server_.Sql("CREATE ROLE bob LOGIN IN ROLE qx390d_technician"));
        // A database the owner has not initialised.
        QVERIFY(server_.Sql("CREATE DATABASE bare OWNER qx390d_owner"));
        csv_ = dir_.filePath("records.csv");
        QCOMPARE(CsvRoundTrip(MeterDownloadRows(5), csv_).size(), 5);
    }

    void roles_mayDoTheirPartOnly_data()
    {
        QTest::addColumn<QString>("login");
        QTest::addColumn<QStringList>("cli"); // qx390d-cli arguments, or
        QTest::addColumn<QString>("sql");     // SQL run as the login
        QTest::addColumn<bool>("allowed");
        QTest::addColumn<QString>("says"); // a part of the refusal

        // Download 1 is alice's: her import, the second row.
        QTest::newRow("owner: init")
            << "qx390d_owner" << QStringList{"archive", "init"} << QString() << true << QString();
        QTest::newRow("technician: add a download")
            << "alice" << QStringList{"archive", "import", "CSV"} << QString() << true << QString();
        QTest::newRow("technician: change the note of an own download")
            << "alice" << QStringList{"archive", "note", "1", "splice 7"} << QString() << true
            << QString();
        QTest::newRow("technician: change another's note")
            << "bob" << QStringList{"archive", "note", "1", "overwritten by bob"} << QString()
            << false << "archived by the server login 'alice'";
        QTest::newRow("technician: change another's note in SQL")
            << "bob" << QStringList{} << "UPDATE downloads SET note = 'x' WHERE id = 1" << true
            << QString(); // allowed to run, but it changes no row (checked below)
        QTest::newRow("technician: UPDATE a record")
            << "alice" << QStringList{} << "UPDATE records SET verdict = 'Fail'" << false
            << "records are kept as first archived";
        QTest::newRow("technician: UPDATE a record's texts")
            << "alice" << QStringList{} << "UPDATE records SET text_p1 = '0'" << false
            << "permission denied";
        QTest::newRow("technician: recount an own download")
            << "alice" << QStringList{} << "UPDATE downloads SET new_records = 99 WHERE id = 1"
            << false << "count of new records is set once";
        QTest::newRow("technician: UPDATE limits")
            << "alice" << QStringList{} << "UPDATE limit_sets SET ont1270_pass = 0" << false
            << "permission denied";
        QTest::newRow("technician: claim another's download")
            << "alice" << QStringList{} << "UPDATE downloads SET server_login = 'alice'" << false
            << "permission denied";
        QTest::newRow("technician: forge the note history")
            << "alice" << QStringList{}
            << "INSERT INTO note_changes (download_id, changed_at, changed_by, old_note) "
               "VALUES (1, 'x', 'bob', 'x')"
            << false << "permission denied";
        QTest::newRow("technician: assign a record's place")
            << "alice" << QStringList{}
            << "INSERT INTO record_places (record_id, job, assigned_at, assigned_by) "
               "SELECT id, 'Job 7', 'x', 'alice' FROM records"
            << true << QString();
        QTest::newRow("technician: change a place")
            << "bob" << QStringList{} << "UPDATE record_places SET ont = 'ONT 9'" << true
            << QString();
        QTest::newRow("technician: remove a place")
            << "alice" << QStringList{} << "DELETE FROM record_places" << false
            << "permission denied";
        QTest::newRow("technician: DELETE records")
            << "alice" << QStringList{} << "DELETE FROM records" << false << "permission denied";
        QTest::newRow("technician: DELETE links")
            << "alice" << QStringList{} << "DELETE FROM download_records" << false
            << "permission denied";
        QTest::newRow("technician: TRUNCATE records")
            << "alice" << QStringList{} << "TRUNCATE records CASCADE" << false
            << "permission denied";
        QTest::newRow("technician: DROP records")
            << "alice" << QStringList{} << "DROP TABLE records CASCADE" << false << "must be owner";
        QTest::newRow("technician: init") << "alice" << QStringList{"archive", "init"} << QString()
                                          << false << "archive init runs as the database's owner";
        QTest::newRow("technician: a database not initialised")
            << "alice" << QStringList{"archive", "list", "DB=bare"} << QString() << false
            << "the administrator must run `qx390d-cli archive init`";
        QTest::newRow("reader: read")
            << "reports" << QStringList{"archive", "list"} << QString() << true << QString();
        QTest::newRow("reader: add a download")
            << "reports" << QStringList{"archive", "import", "CSV"} << QString() << false
            << "the administrator grants it with the role qx390d_technician";
        QTest::newRow("reader: write in SQL")
            << "reports" << QStringList{} << "UPDATE downloads SET note = 'x'" << false
            << "permission denied";
        QTest::newRow("reader: read places")
            << "reports" << QStringList{} << "SELECT job, ont FROM record_places" << true
            << QString();
        QTest::newRow("reader: assign a place")
            << "reports" << QStringList{} << "UPDATE record_places SET job = 'x'" << false
            << "permission denied";
    }
    void roles_mayDoTheirPartOnly()
    {
        QFETCH(QString, login);
        QFETCH(QStringList, cli);
        QFETCH(QString, sql);
        QFETCH(bool, allowed);
        QFETCH(QString, says);
        QVERIFY2(setupError_.isEmpty(), qPrintable(setupError_));

        QString said;
        if (!sql.isEmpty()) {
            QCOMPARE(server_.Sql(sql, "qx390d_archive", &said, login), allowed);
        } else {
            QString database = QStringLiteral("qx390d_archive");
            if (cli.last().startsWith("DB="))
                database = cli.takeLast().mid(3);
            cli.replaceInStrings("CSV", csv_);
            std::unique_ptr<CliProcess> run(Cli(login, cli, database));
            QCOMPARE(run->Finish() == 0, allowed);
            said = run->Err();
        }
        if (!says.isEmpty())
            QVERIFY2(said.contains(says), qPrintable(said));
        // Whatever was tried after her import, alice's download keeps its note and its writer.
        const QString first = server_.Query(
            "SELECT server_login || '|' || note FROM downloads WHERE id = 1", "qx390d_archive");
        if (login != QLatin1String("qx390d_owner"))
            QVERIFY2(first.startsWith("alice|") && !first.contains("bob"), qPrintable(first));
    }

    void downloads_showWriterAndEarlierNotes()
    {
        std::unique_ptr<CliProcess> notes(Cli("alice", {"archive", "note", "1", "splice 8"}));
        QCOMPARE(notes->Finish(), 0);
        std::unique_ptr<CliProcess> list(
            Cli("reports", {"archive", "downloads", "--format", "json"}));
        QVERIFY2(list->Finish() == 0, qPrintable(list->Err()));
        const QList<QByteArray> lines = list->Out().trimmed().split('\n');
        const QJsonObject first = QJsonDocument::fromJson(lines.constLast()).object();
        QCOMPARE(first.value("download").toInteger(), 1);
        QCOMPARE(first.value("server_login").toString(), QStringLiteral("alice"));
        QCOMPARE(first.value("note").toString(), QStringLiteral("splice 8"));
        static const QRegularExpression history(
            "^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z alice: \n"
            "\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z alice: splice 7$");
        QVERIFY2(history.match(first.value("earlier_notes").toString()).hasMatch(),
                 qPrintable(first.value("earlier_notes").toString()));
    }
};

QTEST_GUILESS_MAIN(TestArchiveTeam)
#include "tst_archiveteam.moc"
