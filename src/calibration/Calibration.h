#pragma once

#include <QString>
#include <array>
#include <functional>

class DeviceLink;

// The four wavelength channels, in the order the page reads its reference fields.
enum class CalibrationChannel { Ont1310, Olt1490, Olt1577, Ont1270 };
inline constexpr int kCalibrationChannels = 4;

// "ONT:1270nm" and the like: the channel as the page's label and the table's column name it.
QString CalibrationChannelName(CalibrationChannel channel);

// What one change of a reference field leads to: the text the field must hold and the
// message to show; `message` is empty when the text may stay as it is.
struct ReferenceCheck
{
    QString text;
    QString message;
};

// The check run on every change of a reference field. Digits, '.' and '-' are allowed;
// at each digit the leading number of the whole text, in single precision, must lie in
// -65..30 (inclusive), or the field is emptied. At any other character the text is cut
// before it. At most one message per call; a corrected text is to be checked again.
ReferenceCheck CheckReferenceText(const QString& text);

// A reference power as its field shows it: shortest general form, 6 significant digits.
QString ReferenceText(float power);

// The 0x05 frame, written into the link's frame under its lock without clearing it first:
// only the marker, the code, the channel's four float bytes and the selector change.
void SendCalibration(DeviceLink& link, CalibrationChannel channel, float reference);
// The 0x05 frame with selector 4: the meter goes back to its factory calibration.
void SendFactoryDefault(DeviceLink& link);

// The page's four reference powers and what its buttons do with them.
class ReferencePowers
{
public:
    enum class Outcome { Sent, NotConnected, NotANumber, Declined };
    struct Result
    {
        Outcome outcome;
        CalibrationChannel field = CalibrationChannel::Ont1310; // the field that is no number
    };
    using Texts = std::array<QString, kCalibrationChannels>;

    explicit ReferencePowers(DeviceLink& link) : link_(link) {}

    // While the meter is connected, reads `texts` (indexed by channel) in channel order up
    // to the first one that is not a complete decimal number; when all are numbers, sends
    // the channel's value.
    Result Calibrate(CalibrationChannel channel, const Texts& texts);
    // While the meter is connected, asks `confirmed` and only then sends the factory
    // default, which erases every channel's calibration; the fields are not read.
    Outcome FactoryDefault(const std::function<bool()>& confirmed);

    float Value(CalibrationChannel channel) const { return values_[Index(channel)]; }

private:
    static size_t Index(CalibrationChannel channel) { return static_cast<size_t>(channel); }

    DeviceLink& link_;
    std::array<float, kCalibrationChannels> values_{-10.0f, -10.0f, -10.0f, -10.0f};
};
