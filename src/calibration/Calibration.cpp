#include "calibration/Calibration.h"

#include "calibration/CalibrationTexts.h"
#include "common/NumberText.h"
#include "common/PowerRange.h"
#include "link/DeviceLink.h"
#include "protocol/MeterCodes.h"

namespace {

constexpr int kSelectorByte = 15;

struct ChannelSlot
{
    int offset; // first of the four float bytes
    quint8 selector;
};

// Indexed by CalibrationChannel.
constexpr std::array<ChannelSlot, kCalibrationChannels> kSlots{{
    {3, CalibrationSelector::Ont1310},
    {7, CalibrationSelector::Olt1490},
    {11, CalibrationSelector::Olt1577},
    {16, CalibrationSelector::Ont1270},
}};

bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

ReferenceCheck CheckReferenceText(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (IsDigit(c)) {
            const float value = static_cast<float>(LeadingNumber(text));
            if (!IsPowerInRange(value))
                return {QString(), CalibrationText::OutOfRange()};
        } else if (c != QLatin1Char('.') && c != QLatin1Char('-')) {
            return {text.left(i), CalibrationText::NotANumber()};
        }
    }
    return {text, QString()};
}

QString ReferenceText(float power)
{
    return QString::number(static_cast<double>(power), 'g', 6);
}

void SendCalibration(DeviceLink& link, CalibrationChannel channel, float reference)
{
    const ChannelSlot slot = kSlots[static_cast<size_t>(channel)];
    link.Send([slot, reference](CommandFrame& f) {
        f.SetCode(MeterCode::Calibrate);
        f.PutFloatLE(slot.offset, reference);
        f[kSelectorByte] = slot.selector;
    });
}

void SendFactoryDefault(DeviceLink& link)
{
    link.Send([](CommandFrame& f) {
        f.SetCode(MeterCode::Calibrate);
        f[kSelectorByte] = CalibrationSelector::Factory;
    });
}

ReferencePowers::Result ReferencePowers::Calibrate(CalibrationChannel channel, const Texts& texts)
{
    if (!link_.State().connected)
        return {Outcome::NotConnected};
    // Fields read before a bad one keep their new values, as the page's fields do.
    for (size_t i = 0; i < texts.size(); ++i) {
        double value = 0.0;
        if (!IsCompleteNumber(texts[i], &value))
            return {Outcome::NotANumber, static_cast<CalibrationChannel>(i)};
        values_[i] = static_cast<float>(value);
    }
    SendCalibration(link_, channel, Value(channel));
    return {Outcome::Sent};
}

ReferencePowers::Outcome ReferencePowers::FactoryDefault(const std::function<bool()>& confirmed)
{
    if (!link_.State().connected)
        return Outcome::NotConnected;
    if (!confirmed())
        return Outcome::Declined;
    SendFactoryDefault(link_);
    return Outcome::Sent;
}

QString CalibrationChannelName(CalibrationChannel channel)
{
    switch (channel) {
    case CalibrationChannel::Ont1270:
        return QStringLiteral("ONT:1270nm");
    case CalibrationChannel::Ont1310:
        return QStringLiteral("ONT:1310nm");
    case CalibrationChannel::Olt1490:
        return QStringLiteral("OLT:1490nm");
    case CalibrationChannel::Olt1577:
        break;
    }
    return QStringLiteral("OLT:1577nm");
}
