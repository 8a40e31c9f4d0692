#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// What the meter holds when it is switched on.
struct MeterOptions
{
    int records = 12;    // stored records, 0 to VirtualMeter::kMaxRecords
    quint32 seed = 1;    // the records are a function of the seed and the count
    bool silent = false; // never answer the handshake
};

// One stored measurement as the meter keeps it: uncalibrated powers in dBm, the number of
// the threshold group in use, and the date and time without seconds.
struct MeterRecord
{
    float ont1310 = 0.0f;
    float olt1490 = 0.0f;
    float olt1577 = 0.0f;
    float ont1270 = 0.0f;
    quint8 group = 1;
    quint8 year = 0; // minus 2000, as on the wire
    quint8 month = 1;
    quint8 day = 1;
    quint8 hour = 0;
    quint8 minute = 0;

    friend bool operator==(const MeterRecord&, const MeterRecord&) = default;
};

// One threshold group: the twelve limits in the order the frames carry them
// (1310, 1490, 1577, 1270 nm; each Over, Pass, Fail) and the 10-byte name field.
struct MeterThresholdGroup
{
    std::array<float, 12> limits{};
    QByteArray name = QByteArray(10, '\0');

    friend bool operator==(const MeterThresholdGroup&, const MeterThresholdGroup&) = default;
};

// A 31-byte command candidate taken from the input, with the verdict of its check bytes.
struct ReceivedFrame
{
    QByteArray bytes;
    bool checksOk = false;
};

// The meter's side of the serial protocol, without any I/O: command bytes go in, answer
// frames come out. Frames are found in the byte stream however it is chunked and
// whatever junk precedes them; a frame whose check bytes are wrong is ignored, as the
// real meter does.
class VirtualMeter
{
public:
    static constexpr int kFrameSize = 31;
    static constexpr int kMaxRecords = 150;
    // The power every channel sees while it is being calibrated: calibrating a channel to a
    // reference P sets its offset to P - kCalibrationInput.
    static constexpr float kCalibrationInput = -10.37f;
    // The frame log keeps the most recent frames only, so a long session stays small.
    static constexpr qsizetype kLogLimit = 100000;

    enum Channel { Ont1310, Olt1490, Olt1577, Ont1270, ChannelCount };

    explicit VirtualMeter(const MeterOptions& options = MeterOptions());

    // Takes received bytes and returns the answers they produce, in order.
    QList<QByteArray> Receive(QByteArrayView bytes);

    // The two steps of Receive, for a host that acts between frames.
    void Append(QByteArrayView bytes);
    // The next whole candidate (valid or not), logged; nullopt until 31 bytes are in.
    std::optional<ReceivedFrame> NextFrame();
    // Acts on one frame whose check bytes are right; nullopt when the meter stays quiet.
    std::optional<QByteArray> Answer(QByteArrayView command);

    const QList<MeterRecord>& Records() const { return records_; }
    void SetRecords(QList<MeterRecord> records);
    // Index 0 holds group 1.
    const std::array<MeterThresholdGroup, 3>& Groups() const { return groups_; }
    // Indexed by Channel; added to the stored powers when a record is served.
    const std::array<float, ChannelCount>& CalibrationOffsets() const { return offsets_; }
    const QList<ReceivedFrame>& ReceivedFrames() const { return received_; }
    // One line per received frame: spaced upper-case hex, " (bad check)" appended when the
    // check bytes were wrong.
    QStringList FrameLog() const;
    static QString LogLine(const ReceivedFrame& frame);

    static QList<MeterRecord> GenerateRecords(int count, quint32 seed);
    static std::array<MeterThresholdGroup, 3> FactoryGroups();

private:
    QByteArray RecordAnswer(quint16 index) const;
    std::optional<QByteArray> ThresholdAnswer(quint8 code, quint8 group) const;
    std::optional<QByteArray> StoreUpload(QByteArrayView command);
    void Calibrate(QByteArrayView command);

    bool silent_;
    QList<MeterRecord> records_;
    std::array<MeterThresholdGroup, 3> groups_;
    std::array<float, ChannelCount> offsets_{};
    QByteArray pending_;
    QList<ReceivedFrame> received_;
};
