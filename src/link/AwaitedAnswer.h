#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <optional>

// The one answer that the record download, the threshold download or the threshold upload
// waits for: the answer to the request it sent last. The meter answers with the request's
// code; a record answer carries the index asked for (bytes 21-22), a threshold answer the
// group asked for (byte 28). An upload's acknowledgment is known by its code alone; the
// group it acknowledges is the one the request carried.
struct AwaitedAnswer
{
    // The exchanges that wait for one answer at a time, each for its own.
    enum class Exchange { Records, ThresholdDownload, ThresholdUpload };
    static constexpr int kExchanges = 3;

    Exchange exchange = Exchange::Records;
    quint8 code = 0;
    quint16 index = 0; // the record asked for
    quint8 group = 0;  // the threshold group asked for, or sent

    // What the completed command frame `request` waits for; nothing for a command that is
    // no step of those exchanges (the handshake, the deletes, calibration).
    static std::optional<AwaitedAnswer> Of(const QByteArray& request);
    // The exchange whose requests and answers have `code`; nothing for other codes, whose
    // answers are acted on whenever they come.
    static std::optional<Exchange> ExchangeOf(quint8 code);

    bool IsAnsweredBy(const QByteArray& answer) const;

    bool operator==(const AwaitedAnswer&) const = default;
};
