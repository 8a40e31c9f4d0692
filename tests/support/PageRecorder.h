#pragma once

#include "link/MeterMessage.h"

#include <QList>
#include <QObject>

// Stands in for a page: keeps every meter message it receives.
class PageRecorder : public QObject, public MeterMessageTarget
{
public:
    void OnMeterMessage(const MeterMessage& message) override { got.append(message); }

    QList<MeterMessage> got;
};
