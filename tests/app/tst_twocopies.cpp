// Two copies of the real program: the second one is refused. The processes run offscreen
// with a test plugin (boxreporter/) that reports every window and message box on stdout and
// answers the boxes, so nothing in the program itself serves the test.

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

namespace {

// Generous bounds for a process to start up or end on a loaded machine; no result depends
// on how long anything takes.
constexpr int kProcessWaitMs = 60000;

const QString kWindowLine =
    QStringLiteral("window\tVB4417 XGPON Power Meter Data Management Software");
const QString kRefusalLine = QStringLiteral(
    "box\tPON Prompt Message\tThere has been a same software operating now!\tOK\tNoIcon\tnone");
const QString kQuitLine =
    QStringLiteral("box\tPON Prompt Message\tAre you sure to quit the management software?\t"
                   "Yes,No\tInformation\tCMainFrame");

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
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(QStringLiteral(QX390D_EXECUTABLE), {});
    }
    ~Copy()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(kProcessWaitMs);
        }
    }

    // Reads until `line` has been reported; false if the process ended first.
    bool WaitForLine(const QString& line)
    {
        while (!Lines().contains(line)) {
            if (!process.waitForReadyRead(kProcessWaitMs))
                return Lines().contains(line);
        }
        return true;
    }

    bool WaitForEnd()
    {
        const bool ended = process.waitForFinished(kProcessWaitMs);
        Lines();
        return ended;
    }

    QStringList Lines()
    {
        output += QString::fromUtf8(process.readAllStandardOutput());
        QStringList lines = output.split(QLatin1Char('\n'));
        lines.removeLast(); // the unfinished rest
        return lines;
    }

    QProcess process;
    QString output;
};

} // namespace

class TestTwoCopies : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void secondCopyIsRefusedAndEnds();
    void aNewCopyStartsOnceTheFirstHasEnded_data();
    void aNewCopyStartsOnceTheFirstHasEnded();

private:
    std::optional<QTemporaryDir> runtimeDir_;
};

void TestTwoCopies::initTestCase()
{
    QVERIFY2(QFileInfo(QStringLiteral(QX390D_EXECUTABLE)).isExecutable(), QX390D_EXECUTABLE);
}

void TestTwoCopies::init()
{
    // A runtime directory of its own, so no other copy on this machine is involved.
    runtimeDir_.emplace();
    QVERIFY(runtimeDir_->isValid());
}

void TestTwoCopies::secondCopyIsRefusedAndEnds()
{
    Copy first(runtimeDir_->path());
    QVERIFY2(first.WaitForLine(kWindowLine), qPrintable(first.output));

    Copy second(runtimeDir_->path());
    QVERIFY(second.WaitForEnd());
    QCOMPARE(second.Lines(), QStringList{kRefusalLine});
    QCOMPARE(second.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.process.exitCode(), 1);

    // The first copy goes on, unaware of the second.
    QCOMPARE(first.process.state(), QProcess::Running);
    QCOMPARE(first.Lines(), QStringList{kWindowLine});

    first.process.write("quit\n");
    QVERIFY(first.WaitForEnd());
    QCOMPARE(first.Lines(), (QStringList{kWindowLine, kQuitLine}));
    QCOMPARE(first.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(first.process.exitCode(), 0);
}

void TestTwoCopies::aNewCopyStartsOnceTheFirstHasEnded_data()
{
    QTest::addColumn<bool>("killed");
    QTest::newRow("the operator quit") << false;
    QTest::newRow("the process was killed") << true;
}

void TestTwoCopies::aNewCopyStartsOnceTheFirstHasEnded()
{
    QFETCH(bool, killed);
    {
        Copy first(runtimeDir_->path());
        QVERIFY2(first.WaitForLine(kWindowLine), qPrintable(first.output));
        if (killed)
            first.process.kill();
        else
            first.process.write("quit\n");
        QVERIFY(first.WaitForEnd());
    }

    Copy next(runtimeDir_->path());
    QVERIFY2(next.WaitForLine(kWindowLine), qPrintable(next.output));
    QVERIFY(!next.Lines().contains(kRefusalLine));
    next.process.write("quit\n");
    QVERIFY(next.WaitForEnd());
    QCOMPARE(next.process.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestTwoCopies)
#include "tst_twocopies.moc"
