#pragma once

#include "records/DownloadProgress.h"

#include <QByteArray>
#include <QTimer>
#include <functional>

class DeviceLink;
class Prompter;
class QWidget;
class RecordTable;

// Keeps the record table in step with the meter: fills it one record answer at a time and
// asks for the next record, and removes rows when the meter acknowledges a delete.
// Runs on the UI thread; writes the link state's downloadBusy and storedRecordCount.
class RecordDownload
{
public:
    // Pause between the last row appearing and the completion message, so the operator
    // sees the full table first.
    static constexpr int kCompletionPauseMs = 500;
    static constexpr int kMaxRecords = 100;

    using RequestRecordFn = std::function<void(quint16 index)>;

    // Records come over `link`; `request` asks the meter for a record (the link's own
    // request when none is given); boxes are owned by `owner`.
    RecordDownload(DeviceLink& link, RecordTable& table, Prompter& prompter, QWidget* owner,
                   RequestRecordFn request = {});

    // One record answer (the frame copy as received).
    void OnMeterRecord(const QByteArray& copy);
    // The meter deleted its last record (`recordNumber` is its 1-based number) or, for 0,
    // all records.
    void OnRecordDeleted(int recordNumber);

    // True between the last row and the completion message.
    bool CompletionPending() const { return pause_.isActive(); }
    // How far the download running now has come.
    DownloadProgress& Progress() { return progress_; }

private:
    void ShowCompletion();

    DeviceLink& link_;
    RecordTable& table_;
    Prompter& prompter_;
    QWidget* owner_;
    RequestRecordFn request_;
    QTimer pause_;
    DownloadProgress progress_;
};
