#include "records/RecordListView.h"

RecordListView::RecordListView(QWidget* parent) : QTableView(parent)
{
    pendingGeometry_.setSingleShot(true);
    connect(&pendingGeometry_, &QTimer::timeout, this, &RecordListView::updateGeometries);
}

void RecordListView::reset()
{
    firstAppended_ = kFull;
    QTableView::reset();
}

void RecordListView::rowsInserted(const QModelIndex& parent, int start, int end)
{
    const bool appended = !parent.isValid() && end == model()->rowCount(parent) - 1;
    if (!appended)
        firstAppended_ = kFull;
    else if (firstAppended_ == kNone)
        firstAppended_ = start;
    QTableView::rowsInserted(parent, start, end);
}

void RecordListView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end)
{
    firstAppended_ = kFull;
    QTableView::rowsAboutToBeRemoved(parent, start, end);
}

void RecordListView::doItemsLayout()
{
    const int first = firstAppended_;
    firstAppended_ = kNone;
    if (first < 0) {
        QTableView::doItemsLayout();
        return;
    }
    // The layout runs, but its repaint of the whole viewport is held back and only the new
    // rows are repainted. The attribute is set directly because setUpdatesEnabled(true)
    // would itself repaint everything.
    QWidget* area = viewport();
    const bool wasDisabled = area->testAttribute(Qt::WA_UpdatesDisabled);
    area->setAttribute(Qt::WA_UpdatesDisabled, true);
    appendLayout_ = true;
    QTableView::doItemsLayout();
    appendLayout_ = false;
    area->setAttribute(Qt::WA_UpdatesDisabled, wasDisabled);
    const int top = rowViewportPosition(first);
    if (top < area->height())
        area->update(0, top, area->width(), area->height() - top);
}

void RecordListView::updateGeometries()
{
    if (appendLayout_ && sinceGeometry_.isValid() && sinceGeometry_.elapsed() < kFrameMs) {
        if (!pendingGeometry_.isActive())
            pendingGeometry_.start(kFrameMs);
        return;
    }
    pendingGeometry_.stop();
    sinceGeometry_.start();
    QTableView::updateGeometries();
}
