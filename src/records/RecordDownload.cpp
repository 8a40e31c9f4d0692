#include "records/RecordDownload.h"

#include "common/Prompter.h"
#include "link/DeviceLink.h"
#include "protocol/ResponseFrame.h"
#include "records/MeasurementRecord.h"
#include "records/RecordTable.h"
#include "records/RecordTexts.h"

RecordDownload::RecordDownload(DeviceLink& link, RecordTable& table, Prompter& prompter,
                               QWidget* owner, RequestRecordFn request)
    : link_(link), table_(table), prompter_(prompter), owner_(owner), request_(std::move(request)),
      progress_(link.State())
{
    if (!request_)
        request_ = [&link](quint16 index) {
            link.RequestRecord(index);
        };
    pause_.setSingleShot(true);
    pause_.setInterval(kCompletionPauseMs);
    // A timer rather than a sleep: the window keeps painting the last row meanwhile.
    QObject::connect(&pause_, &QTimer::timeout, &pause_, [this] { ShowCompletion(); });
    // The operator may disconnect during the pause; the disconnect has its own message, and
    // a completion message after it would contradict it.
    QObject::connect(&link, &DeviceLink::Closed, &pause_, [this] {
        if (pause_.isActive()) {
            pause_.stop();
            link_.State().downloadBusy = false;
        }
    });
    // The link closes the port before it reports an unplugged port, so an unplug overrides
    // the disconnect it looks like at first.
    QObject::connect(&link, &DeviceLink::Closed, &pause_, [this] {
        if (running_ && !cause_)
            cause_ = DownloadEnding::Disconnected;
    });
    QObject::connect(&link, &DeviceLink::PortLost, &pause_, [this] {
        if (running_)
            cause_ = DownloadEnding::Unplugged;
    });
    QObject::connect(&link, &DeviceLink::ExchangeStalled, &pause_, [this] {
        if (running_ && !cause_)
            cause_ = DownloadEnding::Stalled;
    });
    QObject::connect(&link.State(), &LinkState::Changed, &pause_, [this] { OnLinkStateChanged(); });
}

void RecordDownload::OnMeterRecord(const QByteArray& copy)
{
    LinkState& state = link_.State();
    state.downloadBusy = true;
    // A copy that stops before byte 28 cannot be decoded; the download waits as for a
    // lost answer.
    const std::optional<MeasurementRecord> record = MeasurementRecord::Decode(ResponseFrame(copy));
    if (!record)
        return;

    state.storedRecordCount = record->count;
    if (!running_ || record->index == 0) {
        running_ = true;
        noData_ = false;
        cause_.reset();
    }
    expected_ = record->count;
    // Index 0 starts the table afresh, an answer without data too.
    if (record->index == 0)
        table_.RemoveAllRows();
    if (record->count == 0 || record->count > kMaxRecords) {
        noData_ = true;
        prompter_.Notify(owner_, RecordText::NoDataToDownload());
        state.downloadBusy = false;
        return;
    }

    // The meter waits for the next request: it leaves before the row is shown, so the
    // window's work on the row overlaps the meter's answer instead of delaying it.
    const int next = record->index + 1;
    if (next < record->count)
        request_(static_cast<quint16>(next));

    // A record takes the row of its own index; rows from there on are of an earlier
    // download. One whose predecessors are not in the table goes after the last row.
    const int row = qMin<int>(record->index, table_.RowCount());
    while (table_.RowCount() > row)
        table_.RemoveRow(table_.RowCount() - 1);
    table_.InsertRow(row, record->Row());
    progress_.RecordShown(record->index + 1, record->count);
    // Also an index at or past the count ends here: nothing further is coming.
    if (next >= record->count)
        pause_.start();
}

void RecordDownload::OnRecordDeleted(int recordNumber)
{
    if (recordNumber == 0) {
        // "Delete all data" has already set the stored record count to 0.
        table_.RemoveAllRows();
        return;
    }
    table_.RemoveRow(recordNumber - 1);
    // "Delete all data" may have set the count to 0 meanwhile; it does not wrap round.
    LinkState& state = link_.State();
    if (state.storedRecordCount > 0)
        --state.storedRecordCount;
}

void RecordDownload::ShowCompletion()
{
    // Kept before the box: the operator may clear the meter, or the program be ended, while
    // it is open.
    End();
    prompter_.Notify(owner_, RecordText::DownloadComplete());
    link_.State().downloadBusy = false;
}

void RecordDownload::OnLinkStateChanged()
{
    if (!link_.State().downloadBusy)
        End();
}

void RecordDownload::End()
{
    if (!running_)
        return;
    running_ = false;
    const QList<QStringList> rows = table_.Rows();
    // All that was announced arrived: complete, even when the link closed in the pause.
    const DownloadEnding how = noData_ ? DownloadEnding::NoData
                               : expected_ > 0 && rows.size() == expected_
                                   ? DownloadEnding::Completed
                                   : cause_.value_or(DownloadEnding::Stalled);
    if (ended_)
        ended_(how, expected_, noData_ ? QList<QStringList>() : rows);
}
