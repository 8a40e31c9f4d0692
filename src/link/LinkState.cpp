#include "link/LinkState.h"

void LinkState::Post()
{
    if (pending_.exchange(true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            pending_ = false;
            Q_EMIT Changed();
        },
        Qt::QueuedConnection);
}
