#pragma once

#include <QElapsedTimer>
#include <QTableView>
#include <QTimer>

// The record table's view. A download appends one row per answer; a plain table view lays
// out and repaints every visible cell and its scroll bar for each new row, which costs
// several times the rest of the download. Here a row appended at the end repaints only its
// own cells (nothing while it lies below the visible part), and the scroll bar follows at
// most once per display frame. Any other change lays out and repaints as usual.
class RecordListView : public QTableView
{
    Q_OBJECT

public:
    explicit RecordListView(QWidget* parent = nullptr);

    void reset() override;
    void doItemsLayout() override;

protected:
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void updateGeometries() override;

private:
    // One display frame: scroll bar changes closer together than this are not seen anyway.
    static constexpr int kFrameMs = 16;
    // First row appended since the last layout; kNone when nothing was, kFull when
    // something other than an append happened.
    static constexpr int kNone = -1;
    static constexpr int kFull = -2;

    int firstAppended_ = kNone;
    bool appendLayout_ = false;
    QElapsedTimer sinceGeometry_;
    QTimer pendingGeometry_;
};
