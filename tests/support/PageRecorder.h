#pragma once

#include "link/MeterEvent.h"

#include <QList>
#include <QObject>

// Stands in for a page: keeps every meter message it receives.
class PageRecorder : public QObject
{
public:
    struct Got
    {
        int message;
        QByteArray copy;
        int param;
    };
    QList<Got> got;

    bool event(QEvent* e) override
    {
        if (e->type() != MeterEvent::EventType())
            return QObject::event(e);
        const auto* m = static_cast<MeterEvent*>(e);
        got.append({m->message, m->copy, m->param});
        return true;
    }
};
