#include "link/MeterEvent.h"

QEvent::Type MeterEvent::EventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}
