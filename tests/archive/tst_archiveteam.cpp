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

    // Everything the others archived, as one text: their downloads, records, links, places,
    // the limit sets of their records and both histories.
    QString OthersWork()
    {
        const QString others =
            QStringLiteral("(SELECT id FROM downloads WHERE server_login <> 'mallory')");
        QStringList parts;
        for (const QString& query :
             {QStringLiteral("SELECT string_agg(d::text, '|' ORDER BY id) FROM downloads d WHERE "
                             "server_login <> 'mallory'"),
              QStringLiteral("SELECT string_agg(r::text, '|' ORDER BY id) FROM records r WHERE "
                             "first_download_id IN %1")
                  .arg(others),
              QStringLiteral("SELECT string_agg(l::text, '|' ORDER BY download_id, record_id) "
                             "FROM download_records l WHERE download_id IN %1")
                  .arg(others),
              QStringLiteral("SELECT string_agg(p::text, '|' ORDER BY record_id) FROM "
                             "record_places p JOIN records r ON r.id = p.record_id WHERE "
                             "r.first_download_id IN %1")
                  .arg(others),
              QStringLiteral("SELECT string_agg(s::text, '|' ORDER BY id) FROM limit_sets s "
                             "WHERE id IN (SELECT limit_set_id FROM records WHERE "
                             "first_download_id IN %1)")
                  .arg(others),
              QStringLiteral("SELECT string_agg(n::text, '|' ORDER BY id) FROM note_changes n "
                             "WHERE download_id IN %1")
                  .arg(others),
              QStringLiteral("SELECT string_agg(c::text, '|' ORDER BY id) FROM place_changes c")})
            parts << server_.Query(query, "qx390d_archive");
        return parts.join(QLatin1Char('\n'));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        QVERIFY2(server_.Start(&setupError_), qPrintable(setupError_));
        QVERIFY2(RunSqlFile(QStringLiteral(QX_TEAM_SQL), &setupError_), qPrintable(setupError_));
        // A second technician, as the file says to add one, and one who tries what no
        // technician may.
        QVERIFY(server_.Sql("CREATE ROLE bob LOGIN IN ROLE qx390d_technician"));
        QVERIFY(server_.Sql("CREATE ROLE mallory LOGIN IN ROLE qx390d_technician"));
        // A database the owner has not initialised, and one made as every new database is
        // (every login may create temporary tables there).
        QVERIFY(server_.Sql("CREATE DATABASE bare OWNER qx390d_owner"));
        QVERIFY(server_.Sql("CREATE DATABASE fresh OWNER qx390d_owner"));
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
        QTest::newRow("owner: init revokes what every login may")
            << "qx390d_owner" << QStringList{"archive", "init", "DB=fresh"} << QString() << true
            << "every login could create temporary tables in the database fresh: revoked";
        QTest::newRow("lead: read")
            << "carol" << QStringList{"archive", "list"} << QString() << true << QString();
        QTest::newRow("lead: reassign a place of another's record")
            << "carol" << QStringList{}
            << "UPDATE record_places SET job = 'Order 5001' WHERE record_id IN "
               "(SELECT record_id FROM record_places ORDER BY record_id LIMIT 1)"
            << true << QString();
        QTest::newRow("lead: add a download") << "carol" << QStringList{"archive", "import", "CSV"}
                                              << QString() << false << "qx390d_technician";
        QTest::newRow("lead: change another's note")
            << "carol" << QStringList{} << "UPDATE downloads SET note = 'x' WHERE id = 1" << false
            << "permission denied";
        QTest::newRow("lead: change a verdict")
            << "carol" << QStringList{} << "UPDATE records SET verdict = 'pass'" << false
            << "permission denied";
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
        QTest::newRow("reader: hold the writers' turn")
            << "reports" << QStringList{}
            << "BEGIN; LOCK TABLE writers_turn IN SHARE ROW EXCLUSIVE MODE; COMMIT;" << false
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

    // Every table a technician or a lead may write has row-level security.
    void writableTables_allHaveRowLevelSecurity()
    {
        const QString unguarded = server_.Query(
            "SELECT coalesce(string_agg(c.relname, ', '), '') FROM pg_class c JOIN pg_namespace "
            "n ON n.oid = c.relnamespace WHERE n.nspname = 'public' AND c.relkind = 'r' AND NOT "
            "c.relrowsecurity AND (has_table_privilege('qx390d_technician', c.oid, "
            "'INSERT, UPDATE, DELETE, TRUNCATE') OR has_any_column_privilege("
            "'qx390d_technician', c.oid, 'INSERT, UPDATE') OR has_table_privilege('qx390d_lead', "
            "c.oid, 'INSERT, UPDATE, DELETE, TRUNCATE') OR has_any_column_privilege("
            "'qx390d_lead', c.oid, 'INSERT, UPDATE'))",
            "qx390d_archive");
        QVERIFY2(unguarded.isEmpty(), qPrintable(unguarded));
        QCOMPARE(server_.Query("SELECT count(*) FROM pg_class WHERE relname = 'records' AND "
                               "relrowsecurity",
                               "qx390d_archive"),
                 QStringLiteral("1"));
    }

    // A technician against a colleague's work: each try is refused or changes nothing of
    // what others archived, byte for byte.
    void technicianAgainstAColleaguesWork_data()
    {
        QTest::addColumn<QStringList>("cli"); // qx390d-cli arguments as mallory, or
        QTest::addColumn<QString>("sql");     // SQL run as mallory
        QTest::addColumn<QString>("check");   // a query that must give 0 afterwards

        QTest::newRow("the note history's owner rights through pg_temp")
            << QStringList{}
            << "CREATE TEMP TABLE note_changes (download_id BIGINT, changed_at TEXT, changed_by "
               "TEXT, old_note TEXT); CREATE FUNCTION pg_temp.grab() RETURNS trigger LANGUAGE "
               "plpgsql AS $$ BEGIN UPDATE public.downloads SET note = 'PWNED'; DELETE FROM "
               "public.record_places; RETURN NULL; END $$; CREATE TRIGGER grab AFTER INSERT ON "
               "pg_temp.note_changes FOR EACH ROW EXECUTE FUNCTION pg_temp.grab(); GRANT ALL ON "
               "pg_temp.note_changes TO PUBLIC; UPDATE downloads SET note = 'mine' WHERE "
               "server_login = 'mallory';"
            << "SELECT count(*) FROM downloads WHERE note = 'PWNED'";
        QTest::newRow("assign another's download")
            << QStringList{"archive", "assign",    "--download", "1",
                           "--job",   "WRONG-JOB", "--ont",      "ONT-WRONG"}
            << QString() << "SELECT count(*) FROM record_places WHERE job = 'WRONG-JOB'";
        QTest::newRow("forge a place and its author")
            << QStringList{}
            << "UPDATE record_places SET job = 'FORGED', assigned_by = 'alice', assigned_at = "
               "'2020-01-01T00:00:00Z'"
            << "SELECT count(*) FROM record_places WHERE job = 'FORGED'";
        QTest::newRow("blank every place")
            << QStringList{} << "UPDATE record_places SET job = ''" << QString();
        QTest::newRow("fill another's meter")
            << QStringList{} << "UPDATE records SET meter = 'FORGED'"
            << "SELECT count(*) FROM records WHERE meter = 'FORGED'";
        QTest::newRow("a lax limit set on another's records")
            << QStringList{}
            << "INSERT INTO limit_sets (signature, group_no, ont1270_over, ont1270_pass, "
               "ont1270_fail, ont1310_over, ont1310_pass, ont1310_fail, olt1490_over, "
               "olt1490_pass, olt1490_fail, olt1577_over, olt1577_pass, olt1577_fail) VALUES "
               "('mallory-lax', 1, 100, -99, -100, 100, -99, -100, 100, -99, -100, 100, -99, "
               "-100); UPDATE records SET limit_set_id = (SELECT max(id) FROM limit_sets), "
               "verdict = 'pass'"
            << "SELECT count(*) FROM limit_sets WHERE signature = 'mallory-lax'";
        QTest::newRow("pad another's download with a link")
            << QStringList{}
            << "INSERT INTO download_records (download_id, record_id, position) SELECT 1, id, 99 "
               "FROM records WHERE first_download_id <> 1 LIMIT 1"
            << QString();
        QTest::newRow("a record under another's download")
            << QStringList{} << "INSERT INTO records SELECT * FROM records WHERE id = 1"
            << QString();
        QTest::newRow("a download in another's name")
            << QStringList{}
            << "INSERT INTO downloads (uuid, source, ended_at, port, usb_serial, host, login, "
               "source_file, expected, arrived, completed, ending, new_records, server_login, "
               "archived_at) VALUES ('forged', 'file', '2020-01-01T00:00:00Z', '', '', '', "
               "'alice', '', 0, 0, 1, 'complete', 0, 'alice', '2020-01-01T00:00:00Z')"
            << "SELECT count(*) FROM downloads WHERE uuid = 'forged' AND (server_login <> "
               "'mallory' OR archived_at = '2020-01-01T00:00:00Z')";
        QTest::newRow("forge the note history") << QStringList{}
                                                << "INSERT INTO note_changes (download_id, "
                                                   "changed_at, changed_by, old_note) VALUES (1, "
                                                   "'2020-01-01', 'alice', 'x')"
                                                << QString();
        QTest::newRow("DELETE records") << QStringList{} << "DELETE FROM records" << QString();
        QTest::newRow("TRUNCATE links")
            << QStringList{} << "TRUNCATE download_records CASCADE" << QString();
    }
    void technicianAgainstAColleaguesWork()
    {
        QFETCH(QStringList, cli);
        QFETCH(QString, sql);
        QFETCH(QString, check);
        // Mallory's own download, which she may change.
        if (server_.Query("SELECT count(*) FROM downloads WHERE server_login = 'mallory'",
                          "qx390d_archive") == QLatin1String("0")) {
            std::unique_ptr<CliProcess> own(Cli("mallory", {"archive", "import", csv_}));
            QVERIFY2(own->Finish() == 0, qPrintable(own->Err()));
        }
        // As every new database has it: the attack needs TEMP.
        QVERIFY(server_.Sql("GRANT TEMPORARY ON DATABASE qx390d_archive TO PUBLIC"));
        const QString before = OthersWork();
        QVERIFY(!before.isEmpty());
        if (!sql.isEmpty()) {
            QString said;
            server_.Sql(sql, "qx390d_archive", &said, "mallory");
        } else {
            std::unique_ptr<CliProcess> run(Cli("mallory", cli));
            QVERIFY(run->Finish() != 0);
        }
        QVERIFY(server_.Sql("REVOKE TEMPORARY ON DATABASE qx390d_archive FROM PUBLIC"));
        QCOMPARE(OthersWork(), before);
        if (!check.isEmpty())
            QCOMPARE(server_.Query(check, "qx390d_archive"), QStringLiteral("0"));
    }

    // Every assignment of a place is kept with the server's login and time: a technician's
    // on her own download, then a lead's over it.
    void places_historyKeptWithServerLoginAndTime()
    {
        for (const auto& [login, job] :
             {std::pair{"alice", "Order 7001"}, {"carol", "Order 7002"}}) {
            std::unique_ptr<CliProcess> assign(
                Cli(login, {"archive", "assign", "--download", "1", "--job", job}));
            QVERIFY2(assign->Finish() == 0, qPrintable(assign->Err()));
        }
        const QString first = server_.Query(
            "SELECT min(record_id) FROM download_records WHERE download_id = 1", "qx390d_archive");
        std::unique_ptr<CliProcess> history(
            Cli("reports", {"archive", "places", "--record", first, "--format", "json"}));
        QVERIFY2(history->Finish() == 0, qPrintable(history->Err()));
        QList<QJsonObject> changes;
        for (const QByteArray& line : history->Out().trimmed().split('\n'))
            changes << QJsonDocument::fromJson(line).object();
        QVERIFY(changes.size() >= 2);
        const QJsonObject alice = changes[changes.size() - 2];
        const QJsonObject carol = changes.last();
        QCOMPARE(alice.value("changed_by").toString(), QStringLiteral("alice"));
        QCOMPARE(alice.value("job").toString(), QStringLiteral("Order 7001"));
        QCOMPARE(carol.value("changed_by").toString(), QStringLiteral("carol"));
        QCOMPARE(carol.value("job").toString(), QStringLiteral("Order 7002"));
        QCOMPARE(carol.value("earlier_job").toString(), QStringLiteral("Order 7001"));
        static const QRegularExpression serverTime(
            "^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z$");
        QVERIFY2(serverTime.match(carol.value("changed_at").toString()).hasMatch(),
                 qPrintable(carol.value("changed_at").toString()));
    }

    void downloads_showWriterAndEarlierNotes()
    {
        std::unique_ptr<CliProcess> notes(Cli("alice", {"archive", "note", "1", "splice 8"}));
        QCOMPARE(notes->Finish(), 0);
        std::unique_ptr<CliProcess> list(
            Cli("reports", {"archive", "downloads", "--format", "json"}));
        QVERIFY2(list->Finish() == 0, qPrintable(list->Err()));
        QJsonObject first;
        for (const QByteArray& line : list->Out().trimmed().split('\n'))
            if (const QJsonObject o = QJsonDocument::fromJson(line).object();
                o.value("download").toInteger() == 1)
                first = o;
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
