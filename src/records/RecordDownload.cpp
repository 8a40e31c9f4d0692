#include "records/RecordDownload.h"

#include "common/Prompter.h"
#include "link/DeviceLink.h"
#include "link/ResponseFrame.h"
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
    // Index 0 starts the table afresh, an answer without data too.
    if (record->index == 0)
        table_.RemoveAllRows();
    if (record->count == 0 || record->count > kMaxRecords) {
        prompter_.Notify(owner_, RecordText::NoDataToDownload);
        state.downloadBusy = false;
        return;
    }

    // A record takes the row of its own index; rows from there on are of an earlier
    // download. One whose predecessors are not in the table goes after the last row.
    const int row = qMin<int>(record->index, table_.RowCount());
    while (table_.RowCount() > row)
        table_.RemoveRow(table_.RowCount() - 1);
    const QStringList texts = record->RowTexts();
    table_.InsertRow(row, texts[0]);
    for (int column = 1; column < texts.size(); ++column)
        table_.SetCellText(row, column, texts[column]);
    progress_.RecordShown(record->index + 1, record->count);

    const int next = record->index + 1;
    if (next < record->count)
        request_(static_cast<quint16>(next));
    else
        // Also an index at or past the count ends here: nothing further is coming.
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
    prompter_.Notify(owner_, RecordText::DownloadComplete);
    link_.State().downloadBusy = false;
}
