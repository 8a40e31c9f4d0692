#pragma once

#include "records/DownloadEnding.h"
#include "records/DownloadProgress.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <optional>

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

    // Told once per download, when it has ended (a completed one before its box): how, the records
    // the meter announced, and the rows the table holds then (what arrived).
    using EndedFn =
        std::function<void(DownloadEnding how, int expected, const QList<QStringList>& rows)>;

    // Records come over `link`; `request` asks the meter for a record (the link's own
    // request when none is given); boxes are owned by `owner`.
    RecordDownload(DeviceLink& link, RecordTable& table, Prompter& prompter, QWidget* owner,
                   RequestRecordFn request = {});

    // One record answer (the frame copy as received).
    void OnMeterRecord(const QByteArray& copy);
    // The meter deleted its last record (`recordNumber` is its 1-based number) or, for 0,
    // all records.
    void OnRecordDeleted(int recordNumber);

    // Who is told when a download has ended (the program's archive).
    void SetEndedHandler(EndedFn ended) { ended_ = std::move(ended); }

    // The caller waits no longer (the command-line tool's own answer limit has passed, or
    // its run ended otherwise): a download still running ends now, told as what broke it
    // off, else as stalled.
    void StopWaiting() { End(); }

    // True between the last row and the completion message.
    bool CompletionPending() const { return pause_.isActive(); }
    // How far the download running now has come.
    DownloadProgress& Progress() { return progress_; }

private:
    void ShowCompletion();
    // Every way of ending sets the link state's downloadBusy back to false (see
    // DownloadProgress); the link's own signals, which come first, tell how.
    void OnLinkStateChanged();
    // Tells the ended handler once how the running download ended.
    void End();

    // A download has shown its first answer and has not yet ended.
    bool running_ = false;
    int expected_ = 0;
    bool noData_ = false;
    std::optional<DownloadEnding> cause_; // what broke it off, as the link reported it
    EndedFn ended_;

    DeviceLink& link_;
    RecordTable& table_;
    Prompter& prompter_;
    QWidget* owner_;
    RequestRecordFn request_;
    QTimer pause_;
    DownloadProgress progress_;
};
