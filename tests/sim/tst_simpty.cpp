#include "TestSupport.h"
#include "link/CommandFrame.h"
#include "link/FrameAssembler.h"
#include "link/MeterCodes.h"
#include "link/ResponseFrame.h"
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

const QByteArray kHandshake = FromHex("AA 0F 00") + QByteArray(26, '\0') + FromHex("0F 00");
const QByteArray kHandshakeAnswer = FromHex("55 F0 00") + QByteArray(26, '\0') + FromHex("F0 00");

// The program's side of the line: a serial port at 9600 8N1 and the program's own frame
// recognition.
class MeterClient
{
public:
    bool Open(const QString& path)
    {
        port_.setPortName(path);
        return port_.open(QIODevice::ReadWrite) && port_.setBaudRate(QSerialPort::Baud9600) &&
               port_.setDataBits(QSerialPort::Data8) && port_.setParity(QSerialPort::NoParity) &&
               port_.setStopBits(QSerialPort::OneStop);
    }

    QSerialPort& Port() { return port_; }

    void Send(const QByteArray& frame) { port_.write(frame); }

    // The next recognised answer frame, or an empty array when none arrives in time. Runs
    // the event loop while it waits, so an in-process host is served meanwhile.
    QByteArray NextAnswer()
    {
        const QDeadlineTimer deadline(kWaitMs);
        while (frames_.isEmpty()) {
            frames_ += assembler_.Feed(port_.readAll());
            if (!frames_.isEmpty() || deadline.hasExpired())
                break;
            QSignalSpy arrived(&port_, &QSerialPort::readyRead);
            arrived.wait(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
        }
        return frames_.isEmpty() ? QByteArray() : frames_.takeFirst();
    }

    QByteArray AnswerTo(const QByteArray& command)
    {
        Send(command);
        return NextAnswer();
    }

private:
    QSerialPort port_;
    FrameAssembler assembler_;
    QList<QByteArray> frames_;
};

QByteArray Completed(CommandFrame& frame)
{
    frame.Complete();
    return frame.ToByteArray();
}

QByteArray RecordRequest(quint16 index)
{
    CommandFrame frame;
    frame.RequestRecord(index);
    return Completed(frame);
}

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
    void silentMeterSkipsTheHandshake();
    void droppedAnswersNeverArrive();
    void unplugTakesTheLineAway();
    void portCanBeClosedAndOpenedAgain();
    void logFileHasOneHexLinePerFrame();
    void executableServesUntilTerminated();
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
    QTest::newRow("chunks of 7") << false << 7 << 0;
    QTest::newRow("noise 5") << false << 0 << 5;
    QTest::newRow("noise 40 in chunks of 3") << false << 3 << 40;
    QTest::newRow("paced") << true << 0 << 0;
    QTest::newRow("paced, chunks of 8, noise 4") << true << 8 << 4;
}

void TestSimPty::servesAWholeSession()
{
    QFETCH(bool, pace);
    QFETCH(int, chunk);
    QFETCH(int, noise);
    SimOptions options;
    options.meter.records = 5;
    options.pace = pace;
    options.chunk = chunk;
    options.noise = noise;
    PtyHost host(options);
    QVERIFY2(host.Open(), qPrintable(host.ErrorString()));
    MeterClient client;
    QVERIFY(client.Open(host.DevicePath()));

    QCOMPARE(client.AnswerTo(kHandshake), kHandshakeAnswer);

    const QList<MeterRecord> records = host.Meter().Records();
    for (quint16 i = 0; i < records.size(); ++i) {
        const ResponseFrame record(client.AnswerTo(RecordRequest(i)));
        QVERIFY(record.HasPayload());
        QCOMPARE(record.Code(), MeterCode::RequestRecord);
        QCOMPARE(record.UInt16BE(21), i);
        QCOMPARE(record.UInt16BE(23), records.size());
        QCOMPARE(record.FloatLE(3), records[i].ont1310);
        QCOMPARE(record.Byte(20), records[i].minute);
    }

    // The threshold download: each next request takes its group from the answer.
    CommandFrame frame;
    frame.RequestThresholdPart1(1);
    for (int n = 0; n < 9; ++n) {
        const ResponseFrame part(client.AnswerTo(Completed(frame)));
        QVERIFY(part.HasPayload());
        const quint8 group = static_cast<quint8>(n / 3 + 1);
        const int firstLimit[] = {0, 6, 9};
        QCOMPARE(part.Code(), frame[2]);
        QCOMPARE(part.Group(), group);
        QCOMPARE(part.FloatLE(3), host.Meter().Groups()[group - 1].limits[firstLimit[n % 3]]);
        if (part.Code() == MeterCode::ThresholdPart1)
            frame.RequestThresholdPart2(part.Group());
        else if (part.Code() == MeterCode::ThresholdPart2)
            frame.RequestThresholdPart3(part.Group());
        else
            frame.RequestThresholdPart1(static_cast<quint8>(part.Group() + 1));
    }

    // The upload: three frames per group on the uncleared buffer, each acknowledged.
    for (quint8 group = 1; group <= 3; ++group) {
        const quint8 codes[] = {MeterCode::UploadPart1, MeterCode::UploadPart2,
                                MeterCode::UploadPart3};
        for (int part = 0; part < 3; ++part) {
            frame.SetCode(codes[part]);
            const int limits = part == 0 ? 6 : 3;
            for (int i = 0; i < limits; ++i)
                frame.PutFloatLE(3 + 4 * i, -20.0f - group - part);
            if (part > 0) {
                for (int i = 15; i <= 24; ++i)
                    frame[i] = ' ';
                frame[15] = static_cast<quint8>('0' + group);
                frame[16] = 0;
            }
            frame[27] = 0x0A;
            frame[28] = group;
            const ResponseFrame ack(client.AnswerTo(Completed(frame)));
            QCOMPARE(ack.Code(), codes[part]);
            QCOMPARE(ack.Group(), group);
        }
        QCOMPARE(host.Meter().Groups()[group - 1].limits[11], -22.0f - group);
    }

    frame.DeleteCurrentRecord(static_cast<qint16>(records.size()));
    QCOMPARE(ResponseFrame(client.AnswerTo(Completed(frame))).Code(), MeterCode::DeleteCurrent);
    QCOMPARE(host.Meter().Records(), records.first(records.size() - 1));

    frame.ClearFrame();
    frame.SetCode(MeterCode::DeleteAll);
    QCOMPARE(ResponseFrame(client.AnswerTo(Completed(frame))).Code(), MeterCode::DeleteAll);
    QVERIFY(host.Meter().Records().isEmpty());

    QCOMPARE(host.FramesReceived(), 1 + 5 + 9 + 9 + 2);
    QCOMPARE(host.Meter().FrameLog().size(), host.FramesReceived());
}

void TestSimPty::silentMeterSkipsTheHandshake()
{
    SimOptions options;
    options.meter.silent = true;
    PtyHost host(options);
    QVERIFY(host.Open());
    MeterClient client;
    QVERIFY(client.Open(host.DevicePath()));
    client.Send(kHandshake);
    // Answers keep their order, so the first one to arrive shows the handshake went unanswered.
    const ResponseFrame answer(client.AnswerTo(RecordRequest(0)));
    QVERIFY(answer.HasPayload());
    QCOMPARE(answer.Code(), MeterCode::RequestRecord);
    QCOMPARE(host.FramesReceived(), 2);
}

void TestSimPty::droppedAnswersNeverArrive()
{
    SimOptions options;
    options.meter.records = 20;
    options.meter.seed = 3;
    options.drop = 0.5;
    PtyHost host(options);
    QVERIFY(host.Open());
    QSignalSpy received(&host, &PtyHost::FrameReceived);
    QSignalSpy dropped(&host, &PtyHost::AnswerDropped);
    MeterClient client;
    QVERIFY(client.Open(host.DevicePath()));
    QByteArray requests;
    for (quint16 i = 0; i < 20; ++i)
        requests += RecordRequest(i);
    client.Send(requests);
    QTRY_COMPARE_WITH_TIMEOUT(received.size(), 20, kWaitMs);

    QList<int> expected;
    for (int i = 0; i < 20; ++i)
        expected << i;
    for (const QList<QVariant>& signal : dropped)
        expected.removeOne(ResponseFrame(signal.at(0).toByteArray()).UInt16BE(21));
    QVERIFY(!dropped.isEmpty() && dropped.size() < 20);
    QList<int> arrived;
    while (arrived.size() < expected.size()) {
        const ResponseFrame answer(client.NextAnswer());
        QVERIFY(answer.HasPayload());
        arrived << answer.UInt16BE(21);
    }
    QCOMPARE(arrived, expected);
}

void TestSimPty::unplugTakesTheLineAway()
{
    SimOptions options;
    options.unplugAfter = 2;
    PtyHost host(options);
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
    client.Send(RecordRequest(0));
    QVERIFY(closed.wait(kWaitMs));
    QVERIFY(!host.IsOpen());
    QTRY_VERIFY_WITH_TIMEOUT(!client.Port().isOpen(), kWaitMs);
    QCOMPARE(host.FramesReceived(), 2);
    QCOMPARE(closed.size(), 1);
}

void TestSimPty::portCanBeClosedAndOpenedAgain()
{
    PtyHost host(SimOptions{});
    QVERIFY(host.Open());
    for (int round = 0; round < 2; ++round) {
        MeterClient client;
        QVERIFY2(client.Open(host.DevicePath()), qPrintable(client.Port().errorString()));
        QCOMPARE(client.AnswerTo(kHandshake), kHandshakeAnswer);
    }
    QVERIFY(host.IsOpen());
    QCOMPARE(host.FramesReceived(), 2);
}

void TestSimPty::logFileHasOneHexLinePerFrame()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    SimOptions options;
    options.logFile = dir.filePath(QStringLiteral("frames.log"));
    PtyHost host(options);
    QVERIFY(host.Open());
    MeterClient client;
    QVERIFY(client.Open(host.DevicePath()));
    QByteArray bad = RecordRequest(1);
    bad[30] = static_cast<char>(bad[30] ^ 0x01);
    client.Send(kHandshake + bad + RecordRequest(1));
    QCOMPARE(client.NextAnswer(), kHandshakeAnswer);
    QCOMPARE(client.NextAnswer().mid(21, 2), FromHex("00 01"));

    QFile log(options.logFile);
    QVERIFY(log.open(QIODevice::ReadOnly | QIODevice::Text));
    QCOMPARE(
        QString::fromLatin1(log.readAll()).split('\n', Qt::SkipEmptyParts),
        (QStringList{ToHex(kHandshake), ToHex(bad) + " (bad check)", ToHex(RecordRequest(1))}));
}

void TestSimPty::executableServesUntilTerminated()
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

    {
        MeterClient client;
        QVERIFY(client.Open(path));
        QCOMPARE(client.AnswerTo(kHandshake), kHandshakeAnswer);
        const ResponseFrame last(client.AnswerTo(RecordRequest(2)));
        QVERIFY(last.HasPayload());
        QCOMPARE(last.UInt16BE(23), 3);
    }

    QFile log(logFile);
    QVERIFY(log.open(QIODevice::ReadOnly | QIODevice::Text));
    QCOMPARE(QString::fromLatin1(log.readAll()).split('\n', Qt::SkipEmptyParts),
             (QStringList{ToHex(kHandshake), ToHex(RecordRequest(2))}));

    sim.terminate();
    QVERIFY(sim.waitForFinished(kWaitMs));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
}

void TestSimPty::executableRejectsBadOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("too many records") << QStringList{"--records", "151"};
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
