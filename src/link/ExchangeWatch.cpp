#include "link/ExchangeWatch.h"

#include "protocol/MeterCodes.h"

namespace {

int PartOf(quint8 code)
{
    switch (code) {
    case MeterCode::ThresholdPart1:
    case MeterCode::UploadPart1:
        return 1;
    case MeterCode::ThresholdPart2:
    case MeterCode::UploadPart2:
        return 2;
    default:
        return 3;
    }
}

} // namespace

ExchangeWatch::ExchangeWatch(QObject* parent) : QObject(parent)
{
    timer_.setSingleShot(true);
    timer_.setInterval(kAnswerLimitMs);
    connect(&timer_, &QTimer::timeout, this, &ExchangeWatch::Expire);
}

void ExchangeWatch::OnSent(const QByteArray& frame, int storedCount)
{
    if (frame.size() < kFrameSize)
        return;
    const std::optional<Exchange> exchange =
        AwaitedAnswer::ExchangeOf(static_cast<quint8>(frame[2]));
    // Other commands (deletes, calibration) may go out meanwhile; they do not end a wait.
    if (!exchange)
        return;
    awaited_ = exchange;
    text_ = StalledText(frame, storedCount);
    timer_.start();
}

void ExchangeWatch::OnAnswer(quint8 code)
{
    if (awaited_ && AwaitedAnswer::ExchangeOf(code) == awaited_) {
        awaited_.reset();
        timer_.stop();
    }
}

void ExchangeWatch::Stop()
{
    awaited_.reset();
    timer_.stop();
}

bool ExchangeWatch::Expire()
{
    if (!awaited_)
        return false;
    Stop();
    Q_EMIT Stalled(text_);
    return true;
}

QString ExchangeWatch::StalledText(const QByteArray& request, int storedCount)
{
    if (request.size() < kFrameSize)
        return {};
    const auto byte = [&request](int i) {
        return static_cast<quint8>(request[i]);
    };
    const quint8 code = byte(2);
    const std::optional<Exchange> exchange = AwaitedAnswer::ExchangeOf(code);
    if (!exchange)
        return {};
    switch (*exchange) {
    case Exchange::Records: {
        const int number = (byte(3) << 8 | byte(4)) + 1;
        // The count is known from the answers before this one; record 1 has none before it.
        if (number > 1 && storedCount > 0)
            return tr("The meter stopped answering during the record download (record %1 of %2).")
                .arg(number)
                .arg(storedCount);
        return tr("The meter stopped answering during the record download (record %1).")
            .arg(number);
    }
    case Exchange::ThresholdDownload:
        return tr("The meter stopped answering during the threshold download (group %1, "
                  "part %2).")
            .arg(byte(3))
            .arg(PartOf(code));
    case Exchange::ThresholdUpload:
        return tr("The meter stopped answering during the threshold upload (group %1, part %2).")
            .arg(byte(kGroupByte))
            .arg(PartOf(code));
    }
    return {};
}
