#include "SimFrames.h"
#include "protocol/FrameAssembler.h"
#include "sim/PtyHost.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kWaitMs = 5000;

// The program's side of the line: a serial port (QSerialPort's defaults are the meter's
// 9600 8N1) and the program's own frame recognition.
class MeterClient
{
public:
    bool Open(const QString& path)
    {
        port_.setPortName(path);
        return port_.open(QIODevice::ReadWrite);
    }

    QSerialPort& Port() { return port_; }

    // Sends the command and returns the next recognised answer frame, or an empty array
    // when none arrives in time. Runs the event loop while it waits, so an in-process host
    // is served meanwhile.
    QByteArray AnswerTo(const QByteArray& command)
    {
        port_.write(command);
        const QDeadlineTimer deadline(kWaitMs);
        while ((frames_ += assembler_.Feed(port_.readAll())).isEmpty() && !deadline.hasExpired()) {
            QSignalSpy arrived(&port_, &QSerialPort::readyRead);
            arrived.wait(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
        }
        return frames_.isEmpty() ? QByteArray() : frames_.takeFirst();
    }

private:
    QSerialPort port_;
    FrameAssembler assembler_;
    QList<QByteArray> frames_;
};

QString SimulatorPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/qx390d-meter-sim");
}

} // namespace

class TestSimPty : public QObject
{
    Q_OBJECT

private slots:
    void servesAWholeSession_data();
    void servesAWholeSession();
    void unplugTakesTheLineAway();
    void executableServesAndLogsUntilTerminated();
    void executableRejectsBadOptions_data();
    void executableRejectsBadOptions();
};

void TestSimPty::servesAWholeSession_data()
{
    QTest::addColumn<bool>("pace");
    QTest::addColumn<int>("chunk");
    QTest::addColumn<int>("noise");
    QTest::newRow("plain") << false << 0 << 0;
    QTest::newRow("chunks of 1") << false << 1 << 0;
    QTest::newRow("noise 40 in chunks of 3") << false << 3 << 40;
    QTest::newRow("paced, chunks of 8, noise 4") << true << 8 << 4;
}

void TestSimPty::servesAWholeSession()
{
    QFETCH(bool, pace);
    QFETCH(int, chunk);
    QFETCH(int, noise);
    PtyHost host(SimOptions{.meter = {.records = 5}, .pace = pace, .chunk = chunk, .noise = noise});
    QVERIFY2(host.Open(), qPrintable(host.ErrorString()));
    MeterClient client;
    QVERIFY(client.Open(host.DevicePath()));

    RunSession([&client](const QByteArray& command) { return client.AnswerTo(command); },
               host.Meter());
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(host.FramesReceived(), 1 + 5 + 3 * (3 + 3 + 3) + 2 + 1);
}

void TestSimPty::unplugTakesTheLineAway()
{
    PtyHost host(SimOptions{.unplugAfter = 2});
    QVERIFY(host.Open());
    QSignalSpy closed(&host, &PtyHost::LineClosed);
    MeterClient client;
    QVERIFY(client.Open(host.DevicePath()));
    // The program treats the first read failure as the end of the port and closes it.
    QObject::connect(&client.Port(), &QSerialPort::errorOccurred, &client.Port(),
                     [&client](QSerialPort::SerialPortError error) {
                         if (error == QSerialPort::ReadError || error == QSerialPort::ResourceError)
                             client.Port().close();
                     });

    QCOMPARE(client.AnswerTo(kHandshake), kHandshakeAnswer);
    client.Port().write(RecordRequest(0));
    QVERIFY(closed.wait(kWaitMs));
    QVERIFY(!host.IsOpen());
    QTRY_VERIFY_WITH_TIMEOUT(!client.Port().isOpen(), kWaitMs);
    QCOMPARE(host.FramesReceived(), 2);
}

void TestSimPty::executableServesAndLogsUntilTerminated()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString logFile = dir.filePath(QStringLiteral("frames.log"));
    QProcess sim;
    sim.start(SimulatorPath(),
              {QStringLiteral("--records"), QStringLiteral("3"), QStringLiteral("--log"), logFile});
    QVERIFY2(sim.waitForStarted(kWaitMs), qPrintable(sim.errorString()));
    QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), kWaitMs);
    const QString path = QString::fromLocal8Bit(sim.readLine()).trimmed();
    QVERIFY2(path.startsWith(QStringLiteral("/dev/")), qPrintable(path));

    const QByteArray bad = Flipped(RecordRequest(1), 30);
    {
        MeterClient client;
        QVERIFY(client.Open(path));
        QCOMPARE(client.AnswerTo(kHandshake), kHandshakeAnswer);
        const ResponseFrame last(client.AnswerTo(bad + RecordRequest(2)));
        QCOMPARE(last.UInt16BE(21), 2);
        QCOMPARE(last.UInt16BE(23), 3);
    }
    QFile log(logFile);
    QVERIFY(log.open(QIODevice::ReadOnly | QIODevice::Text));
    QCOMPARE(
        QString::fromLatin1(log.readAll()).split('\n', Qt::SkipEmptyParts),
        (QStringList{ToHex(kHandshake), ToHex(bad) + " (bad check)", ToHex(RecordRequest(2))}));

    sim.terminate();
    QVERIFY(sim.waitForFinished(kWaitMs));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
}

void TestSimPty::executableRejectsBadOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("too many records") << QStringList{"--records", "151"};
    QTest::newRow("drop above one") << QStringList{"--drop", "1.5"};
    QTest::newRow("late answer to frame 0") << QStringList{"--late-answer", "0"};
    QTest::newRow("value missing") << QStringList{"--log"};
    QTest::newRow("unknown option") << QStringList{"--baud", "9600"};
}

void TestSimPty::executableRejectsBadOptions()
{
    QFETCH(QStringList, arguments);
    QProcess sim;
    sim.start(SimulatorPath(), arguments);
    QVERIFY(sim.waitForFinished(kWaitMs));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 2);
    QVERIFY(sim.readAllStandardOutput().isEmpty());
    QVERIFY(!sim.readAllStandardError().isEmpty());
}

QTEST_GUILESS_MAIN(TestSimPty)
#include "tst_simpty.moc"
