#include "TestSupport.h"
#include "protocol/FrameAssembler.h"
#include "protocol/ResponseFrame.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

QByteArray Answer(quint8 code, quint8 fill = 0, quint8 group = 0)
{
    return AnswerFrame(code, QByteArray(25, char(fill)), group);
}

QList<QByteArray> FeedAll(FrameAssembler& assembler, const QList<QByteArray>& chunks)
{
    QList<QByteArray> frames;
    for (const QByteArray& c : chunks)
        frames += assembler.Feed(c);
    return frames;
}

} // namespace

class TestFrameAssembler : public QObject
{
    Q_OBJECT

private slots:
    void recognisesTheHandshakeAnswer();
    void assemblesFramesFromChunks_data();
    void assemblesFramesFromChunks();
    void waitsForAllThirtyOneBytes();
    void floodOfRandomBytesYieldsOnlyValidFrames();
};

void TestFrameAssembler::recognisesTheHandshakeAnswer()
{
    const QByteArray handshake = FromHex("55 F0 00") + QByteArray(26, '\0') + FromHex("F0 00");
    QVERIFY(ResponseFrame::IsRecognised(handshake));
    QCOMPARE(Answer(0x00), handshake);
    QVERIFY(!ResponseFrame::IsRecognised(handshake.left(30)));
}

void TestFrameAssembler::assemblesFramesFromChunks_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QList<QByteArray>>("expected");
    QTest::addColumn<int>("pendingAfter");

    const QByteArray hs = Answer(0x00);
    const QByteArray rec = Answer(0x01, 0x11, 0x05);
    const QByteArray thr = Answer(0xBB, 0xC1, 0x03);
    QByteArray bad = rec;
    bad[29] = char(bad[29] ^ 0x01);

    QTest::newRow("10/10/11") << QList<QByteArray>{hs.left(10), hs.mid(10, 10), hs.mid(20)}
                              << QList<QByteArray>{hs} << 0;
    QTest::newRow("one byte at a time") << [&] {
        QList<QByteArray> c;
        for (char b : rec)
            c << QByteArray(1, b);
        return c;
    }() << QList<QByteArray>{rec} << 0;
    QTest::newRow("five noise bytes first")
        << QList<QByteArray>{FromHex("01 02 03 55 07") + hs} << QList<QByteArray>{hs} << 0;
    QTest::newRow("noise in its own chunk")
        << QList<QByteArray>{FromHex("55 55 F0 00"), rec} << QList<QByteArray>{rec} << 0;
    QTest::newRow("wrong check byte then good")
        << QList<QByteArray>{bad, thr} << QList<QByteArray>{thr} << 0;
    QTest::newRow("wrong check byte and good in one chunk")
        << QList<QByteArray>{bad + thr} << QList<QByteArray>{thr} << 0;
    QTest::newRow("two frames in one chunk")
        << QList<QByteArray>{rec + thr} << QList<QByteArray>{rec, thr} << 0;
    QTest::newRow("bytes after a frame stay")
        << QList<QByteArray>{hs + rec.left(12), rec.mid(12)} << QList<QByteArray>{hs, rec} << 0;
    QTest::newRow("start byte last in chunk")
        << QList<QByteArray>{FromHex("00") + rec.left(1), rec.mid(1)} << QList<QByteArray>{rec}
        << 0;
    QTest::newRow("incomplete frame is held")
        << QList<QByteArray>{thr + hs.left(20)} << QList<QByteArray>{thr} << 20;
    QTest::newRow("noise without start is dropped")
        << QList<QByteArray>{QByteArray(100, char(0xAA))} << QList<QByteArray>{} << 0;
}

void TestFrameAssembler::assemblesFramesFromChunks()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QList<QByteArray>, expected);
    QFETCH(int, pendingAfter);

    FrameAssembler assembler;
    QCOMPARE(FeedAll(assembler, chunks), expected);
    QCOMPARE(assembler.Pending(), pendingAfter);
}

void TestFrameAssembler::waitsForAllThirtyOneBytes()
{
    // A frame whose last bytes are zero would pass a check over missing bytes read as zero;
    // it must still wait for them.
    const QByteArray hs = Answer(0x00);
    FrameAssembler assembler;
    QVERIFY(assembler.Feed(hs.left(29)).isEmpty());
    QVERIFY(assembler.Feed(hs.mid(29, 1)).isEmpty());
    QCOMPARE(assembler.Feed(hs.mid(30)), QList<QByteArray>{hs});
}

void TestFrameAssembler::floodOfRandomBytesYieldsOnlyValidFrames()
{
    QRandomGenerator rng(20261207);
    FrameAssembler assembler;
    const QByteArray good = Answer(0x03, 0x42, 0x02);
    int framesSeen = 0;
    int goodSent = 0;
    for (int round = 0; round < 2000; ++round) {
        QByteArray chunk(rng.bounded(1, 200), '\0');
        for (char& c : chunk) {
            // Lean towards the header bytes so that many false starts occur.
            const quint32 r = rng.bounded(8);
            c = r == 0 ? char(0x55) : r == 1 ? char(0xF0) : char(rng.bounded(256));
        }
        if (round % 10 == 0) {
            chunk += good;
            ++goodSent;
        }
        for (const QByteArray& f : assembler.Feed(chunk)) {
            QCOMPARE(f.size(), kFrameSize);
            QVERIFY(ResponseFrame::IsRecognised(f));
            ++framesSeen;
        }
        QVERIFY(assembler.Pending() < kFrameSize);
    }
    // Noise may hide a good frame only by forming a valid frame over it, which is rare.
    QVERIFY2(framesSeen >= goodSent * 9 / 10, qPrintable(QString::number(framesSeen)));
}

QTEST_GUILESS_MAIN(TestFrameAssembler)
#include "tst_frameassembler.moc"
