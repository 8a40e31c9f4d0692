// The real program as a process: its command line, answered without a display; --demo
// connecting by itself; a second copy refused. The windowed processes run offscreen with the
// test plugin in boxreporter/, which reports their windows and message boxes on stdout and
// closes the boxes, so nothing in the program itself serves the test.

#include "app/CommandLine.h"
#include "app/InstanceGuard.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A generous bound for a process to start or end on a loaded machine; no result depends on
// how long anything takes.
constexpr int kProcessWaitMs = 60000;

const QString kWindowLine =
    QStringLiteral("window\tVB4417 XGPON Power Meter Data Management Software");
const QString kRefusalLine =
    QStringLiteral("box\tPON Prompt Message\tThere has been a same software operating now!");
const QString kConnectedLine = QStringLiteral("box\tPON Prompt Message\tConnected Success!");

// One copy of the program and the lines it has reported so far.
class Copy
{
public:
    // A runtime directory of its own, so no other copy on this machine is involved.
    explicit Copy(const QString& runtimeDir, const QStringList& arguments = {})
    {
        QProcessEnvironment env = Environment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(QX390D_EXECUTABLE), arguments);
    }
    // No runtime directory, `tempDir` as the temporary directory, and running as the user
    // `uid` (the test runs as the superuser).
    Copy(const QString& tempDir, uid_t uid, gid_t gid)
    {
        QProcessEnvironment env = Environment();
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        env.insert(QStringLiteral("TMPDIR"), tempDir);
        process.setProcessEnvironment(env);
        process.setChildProcessModifier([uid, gid] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
                ::_exit(127);
        });
        process.start(QStringLiteral(QX390D_EXECUTABLE));
    }
    ~Copy() { End(); }

    // Reads until `line` is reported; false if the process ended first.
    bool WaitForLine(const QString& line)
    {
        while (!Lines().contains(line)) {
            if (!process.waitForReadyRead(kProcessWaitMs))
                return Lines().contains(line);
        }
        return true;
    }
    bool WaitForWindow() { return WaitForLine(kWindowLine); }

    // Ends the copy as a crash would: the lock must not outlive the process.
    void End()
    {
        if (process.state() != QProcess::NotRunning)
            process.kill();
        process.waitForFinished(kProcessWaitMs);
    }

    QStringList Lines()
    {
        output += QString::fromUtf8(process.readAllStandardOutput());
        return output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QProcess process;
    QString output;

private:
    static QProcessEnvironment Environment()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(BOXREPORTER_PLUGIN_PATH));
        env.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("qxboxreporter"));
        return env;
    }
};

// Sets an environment variable (or removes it, given a null text) for as long as it lives.
class ScopedVariable
{
public:
    ScopedVariable(const char* name, const QByteArray& value)
        : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~ScopedVariable()
    {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    QByteArray old_;
    bool had_;
};

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void commandLineIsRead_data();
    void commandLineIsRead();
    void commandLineIsAnsweredWithoutADisplay_data();
    void commandLineIsAnsweredWithoutADisplay();
    void demoConnectsByItself();
    void aSecondCopyIsRefusedUntilTheFirstHasEnded();
    void programsStartedByACopyDoNotKeepTheLock();
    void lockFollowsNoLinkAndUsesNoOneElsesDirectory_data();
    void lockFollowsNoLinkAndUsesNoOneElsesDirectory();
    void anotherUsersCopyDoesNotBlockThisOne();
};

void TestProgram::commandLineIsRead_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("demo");

    using O = CommandLine::Outcome;
    QTest::newRow("none") << QStringList{} << int(O::Run) << QString() << false;
    QTest::newRow("port") << QStringList{"--port", "/dev/ttyUSB2"} << int(O::Run) << "/dev/ttyUSB2"
                          << false;
    QTest::newRow("demo") << QStringList{"--demo"} << int(O::Run) << QString() << true;
    QTest::newRow("toolkit options pass")
        << QStringList{"-platform", "offscreen", "-reverse"} << int(O::Run) << QString() << false;
    QTest::newRow("help wins") << QStringList{"--demo", "-h"} << int(O::Help) << QString() << false;
    QTest::newRow("version") << QStringList{"--version"} << int(O::Version) << QString() << false;
    QTest::newRow("port without device")
        << QStringList{"--port"} << int(O::Error) << QString() << false;
    QTest::newRow("unknown") << QStringList{"--record"} << int(O::Error) << QString() << false;
    QTest::newRow("positional") << QStringList{"file.csv"} << int(O::Error) << QString() << false;
}

void TestProgram::commandLineIsRead()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, outcome);
    QFETCH(QString, port);
    QFETCH(bool, demo);

    const CommandLine line = ParseCommandLine(QStringList{"qx390d"} + arguments);
    QCOMPARE(int(line.outcome), outcome);
    QCOMPARE(line.ExitCode(), outcome == int(CommandLine::Outcome::Error) ? 2 : 0);
    QCOMPARE(line.options.port, port);
    QCOMPARE(line.options.demo, demo);
}

void TestProgram::commandLineIsAnsweredWithoutADisplay_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("stdoutStart");
    QTest::addColumn<QString>("stderrStart");

    const QString program = QStringLiteral(QX390D_EXECUTABLE);
    const QString simulator = QFileInfo(program).dir().filePath(QStringLiteral("qx390d-meter-sim"));
    QTest::newRow("help") << program << QStringList{"--help"} << 0
                          << "Usage: qx390d [--port DEVICE] [--demo] [--help] [--version]\n"
                          << QString();
    QTest::newRow("version") << program << QStringList{"--version"} << 0 << ProgramVersionText()
                             << QString();
    QTest::newRow("bad option") << program << QStringList{"--bogus"} << 2 << QString()
                                << "Unknown option 'bogus'.";
    QTest::newRow("simulator help")
        << simulator << QStringList{"--help"} << 0 << "Usage: " << QString();
    QTest::newRow("simulator bad option")
        << simulator << QStringList{"--records", "x"} << 2 << QString() << "qx390d-meter-sim";
}

void TestProgram::commandLineIsAnsweredWithoutADisplay()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, stdoutStart);
    QFETCH(QString, stderrStart);

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Nothing to draw on: starting the window system here would abort the process.
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    QVERIFY(process.waitForFinished(kProcessWaitMs));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    QVERIFY2(out.startsWith(stdoutStart) && (stdoutStart.isEmpty() || err.isEmpty()),
             qPrintable(out + err));
    QVERIFY2(err.startsWith(stderrStart) && (stderrStart.isEmpty() || out.isEmpty()),
             qPrintable(out + err));
}

void TestProgram::demoConnectsByItself()
{
    QTemporaryDir runtimeDir;
    QVERIFY(runtimeDir.isValid());
    Copy demo(runtimeDir.path(), {QStringLiteral("--demo")});
    // No command is given: the connection is the program's own doing.
    QVERIFY2(demo.WaitForLine(kConnectedLine), qPrintable(demo.output));
    QStringList lines = demo.Lines();
    QCOMPARE(
        lines.filter(QRegularExpression(QStringLiteral("^qx390d: virtual meter on /dev/"))).size(),
        1);
    lines.removeIf([](const QString& line) { return line.startsWith(QStringLiteral("qx390d:")); });
    QCOMPARE(lines, QStringList({kWindowLine, kConnectedLine}));
}

void TestProgram::aSecondCopyIsRefusedUntilTheFirstHasEnded()
{
    QVERIFY2(QFileInfo(QStringLiteral(QX390D_EXECUTABLE)).isExecutable(), QX390D_EXECUTABLE);
    QTemporaryDir runtimeDir;
    QVERIFY(runtimeDir.isValid());

    Copy first(runtimeDir.path());
    QVERIFY2(first.WaitForWindow(), qPrintable(first.output));

    // The second copy tells the operator, opens no window and ends.
    Copy second(runtimeDir.path());
    QVERIFY(second.process.waitForFinished(kProcessWaitMs));
    QCOMPARE(second.Lines(), QStringList{kRefusalLine});
    QCOMPARE(second.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.process.exitCode(), 1);
    QCOMPARE(first.process.state(), QProcess::Running);

    first.End();
    Copy next(runtimeDir.path());
    QVERIFY2(next.WaitForWindow(), qPrintable(next.output));
    QCOMPARE(next.Lines(), QStringList{kWindowLine});
}

void TestProgram::programsStartedByACopyDoNotKeepTheLock()
{
    // A viewer started from the program (the help file) may outlive it.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QProcess viewer;
    {
        InstanceGuard first(dir.path());
        QCOMPARE(first.Acquire(), InstanceGuard::Outcome::Owned);
        viewer.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("read x")});
        QVERIFY(viewer.waitForStarted(kProcessWaitMs));
    }
    InstanceGuard next(dir.path());
    QCOMPARE(next.Acquire(), InstanceGuard::Outcome::Owned);
    viewer.closeWriteChannel();
    QVERIFY(viewer.waitForFinished(kProcessWaitMs));
}

void TestProgram::lockFollowsNoLinkAndUsesNoOneElsesDirectory_data()
{
    // What another user may have put in the shared temporary directory first.
    QTest::addColumn<QString>("planted");
    QTest::newRow("the lock file is a link") << "file link";
    QTest::newRow("the directory is a link") << "directory link";
    QTest::newRow("the directory is open to others") << "open directory";
    QTest::newRow("the directory is another user's") << "other owner";
}

void TestProgram::lockFollowsNoLinkAndUsesNoOneElsesDirectory()
{
    QFETCH(QString, planted);
    const passwd* nobody = ::getpwnam("nobody");
    if (planted == "other owner" && (::geteuid() != 0 || !nobody))
        QSKIP("giving a directory to another user takes the superuser and the user nobody");
    QTemporaryDir shared;
    QVERIFY(shared.isValid());
    const ScopedVariable runtime("XDG_RUNTIME_DIR", QByteArray());
    const ScopedVariable temp("TMPDIR", QFile::encodeName(shared.path()));
    const QString directory = InstanceGuard::DefaultDirectory();
    const QString target = shared.filePath("target");

    if (planted == "directory link") {
        QVERIFY(QDir().mkdir(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(QFile::link(target, directory));
    } else {
        QVERIFY(QDir().mkpath(directory));
        const mode_t mode = planted == "open directory" ? 0777 : 0700;
        QCOMPARE(::chmod(QFile::encodeName(directory).constData(), mode), 0);
        if (planted == "other owner")
            QCOMPARE(
                ::chown(QFile::encodeName(directory).constData(), nobody->pw_uid, nobody->pw_gid),
                0);
        if (planted == "file link")
            QVERIFY(QFile::link(target, InstanceGuard(directory).FilePath()));
    }

    InstanceGuard guard(directory);
    QCOMPARE(guard.Acquire(), InstanceGuard::Outcome::Unavailable);
    // Nothing was made where a link points.
    if (planted == "file link")
        QVERIFY(!QFileInfo::exists(target));
    if (planted == "directory link")
        QVERIFY(QDir(target).isEmpty());
}

void TestProgram::anotherUsersCopyDoesNotBlockThisOne()
{
    // Without a runtime directory each user's lock lies in a directory of his own.
    QVERIFY(InstanceGuard::FallbackDirectory(0) != InstanceGuard::FallbackDirectory(65534));
    const passwd* nobody = ::getpwnam("nobody");
    if (::geteuid() != 0 || !nobody)
        QSKIP("running a copy as another user takes the superuser and the user nobody");
    const uid_t otherUid = nobody->pw_uid;
    const gid_t otherGid = nobody->pw_gid;
    // Shared by all, as /tmp is.
    QTemporaryDir shared;
    QVERIFY(shared.isValid());
    QCOMPARE(::chmod(QFile::encodeName(shared.path()).constData(), 01777), 0);

    Copy mine(shared.path(), 0, 0);
    QVERIFY2(mine.WaitForWindow(), qPrintable(mine.output));
    Copy theirs(shared.path(), otherUid, otherGid);
    QVERIFY2(theirs.WaitForWindow(), qPrintable(theirs.output));
    // This user's second copy is still refused.
    Copy second(shared.path(), 0, 0);
    QVERIFY(second.process.waitForFinished(kProcessWaitMs));
    QCOMPARE(second.Lines(), QStringList{kRefusalLine});
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
