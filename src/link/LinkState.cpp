#include "link/LinkState.h"

#include <QCoreApplication>

LinkStateChanges* LinkStateChanges::Instance()
{
    static LinkStateChanges* const changes = [] {
        auto* created = new LinkStateChanges;
        if (QCoreApplication* app = QCoreApplication::instance())
            created->moveToThread(app->thread());
        return created;
    }();
    return changes;
}

void LinkStateChanges::Post()
{
    if (!QCoreApplication::instance() || pending_.exchange(true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            pending_ = false;
            Q_EMIT Changed();
        },
        Qt::QueuedConnection);
}

void ResetLinkState()
{
    linkConnected = 0;
    connectPending = 0;
    downloadBusy = 0;
    storedRecordCount = 0;
    uploadGroupCounter = 0;
    portName.clear();
}
