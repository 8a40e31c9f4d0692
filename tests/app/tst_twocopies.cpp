// Two copies of the real program: the second is refused. The processes run offscreen with
// the test plugin in boxreporter/, which reports their windows and message boxes on stdout
// and closes the boxes, so nothing in the program itself serves the test.

#include "app/InstanceGuard.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A generous bound for a process to start or end on a loaded machine; no result depends on
// how long anything takes.
constexpr int kProcessWaitMs = 60000;

const QString kWindowLine =
    QStringLiteral("window\tVB4417 XGPON Power Meter Data Management Software");
const QString kRefusalLine =
    QStringLiteral("box\tPON Prompt Message\tThere has been a same software operating now!");

// One copy of the program and the lines it has reported so far.
class Copy
{
public:
    explicit Copy(const QString& runtimeDir)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(BOXREPORTER_PLUGIN_PATH));
        env.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("qxboxreporter"));
        // A runtime directory of its own, so no other copy on this machine is involved.
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(QX390D_EXECUTABLE), {});
    }
    ~Copy() { End(); }

    // Reads until the window is reported; false if the process ended first.
    bool WaitForWindow()
    {
        while (!Lines().contains(kWindowLine)) {
            if (!process.waitForReadyRead(kProcessWaitMs))
                return Lines().contains(kWindowLine);
        }
        return true;
    }

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
};

} // namespace

class TestTwoCopies : public QObject
{
    Q_OBJECT

private slots:
    void aSecondCopyIsRefusedUntilTheFirstHasEnded();
    void programsStartedByACopyDoNotKeepTheLock();
};

void TestTwoCopies::aSecondCopyIsRefusedUntilTheFirstHasEnded()
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

void TestTwoCopies::programsStartedByACopyDoNotKeepTheLock()
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

QTEST_GUILESS_MAIN(TestTwoCopies)
#include "tst_twocopies.moc"
