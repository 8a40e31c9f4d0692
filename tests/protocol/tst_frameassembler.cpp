#include "TestSupport.h"
#include "protocol/FrameAssembler.h"
#include "protocol/ResponseFrame.h"

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

QTEST_GUILESS_MAIN(TestFrameAssembler)
#include "tst_frameassembler.moc"
