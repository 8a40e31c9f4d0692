#pragma once

#include "link/AwaitedAnswer.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>

// How long the meter may take to answer the connect handshake and each request of a
// download or an upload.
inline constexpr int kAnswerLimitMs = 3000;

// Watches the exchanges in which the program waits for each answer before it goes on: the
// record download and the threshold download and upload. A request of one of them arms a
// single-shot limit; any answer of the same exchange disarms it. When the limit passes,
// Stalled() names what stopped and where. Nothing is re-sent. UI thread.
//
// Tests make the limit pass with Expire() instead of waiting for it, so that what they
// check does not depend on how fast the machine answers.
class ExchangeWatch : public QObject
{
    Q_OBJECT

public:
    explicit ExchangeWatch(QObject* parent = nullptr);

    bool Waiting() const { return awaited_.has_value(); }

    // A frame has gone to the port; `storedCount` is the meter's record count as last
    // reported, for the record download's text.
    void OnSent(const QByteArray& frame, int storedCount);
    // An answer with `code` has been recognised.
    void OnAnswer(quint8 code);
    // The link has closed: nothing is awaited any more.
    void Stop();
    // The limit passes now, as when its time runs out; false when no answer was awaited.
    bool Expire();

    // What the operator is told when `request` goes unanswered; empty for a frame that is
    // not watched.
    static QString StalledText(const QByteArray& request, int storedCount);

Q_SIGNALS:
    void Stalled(const QString& text);

private:
    using Exchange = AwaitedAnswer::Exchange;

    QTimer timer_;
    std::optional<Exchange> awaited_;
    QString text_;
};
