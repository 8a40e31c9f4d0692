#pragma once

#include <QByteArray>
#include <QEvent>

// A message of the meter catalogue delivered to a page: the number, the answer frame copy
// (for record and threshold answers) and the integer parameter.
class MeterEvent : public QEvent
{
public:
    static QEvent::Type EventType();

    MeterEvent(int message, QByteArray copy, int param)
        : QEvent(EventType()), message(message), copy(std::move(copy)), param(param)
    {
    }

    const int message;
    const QByteArray copy;
    const int param;
};
