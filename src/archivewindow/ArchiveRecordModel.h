#pragma once

#include "archive/data/ArchiveTypes.h"
#include "archive/location/ArchiveTarget.h"
#include "archivewindow/ArchiveReader.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QSet>
#include <memory>

// The archived records for a view, newest first, filtered: the seven texts of the data
// page, then the time of the download that first brought the record and that download's
// note. Rows are read a page at a time as the view scrolls (canFetchMore/fetchMore), each
// page after the last record held, by the archive's reader on a thread of its own: the
// model never waits for the archive, and says when it reads and when a read failed (with
// Retry). Records archived while the list is open are put in their places among the rows
// held, without starting over, so the selection and the scroll position stay. The note
// column is editable: a note belongs to the download that first brought the record, so
// every row of that download shows the new note. The record's place follows the note.
class ArchiveRecordModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int kPageRows = 256;
    static constexpr int kDownloadedColumn = 7;
    static constexpr int kNoteColumn = 8;
    // Then the record's place: job, site, ONT, PON port, technician (RecordPlace's order).
    static constexpr int kFirstPlaceColumn = 9;
    // A power cell's verdict by the limits kept with the record (int of Verdict), or
    // nothing; on other columns the record's verdict.
    static constexpr int VerdictRole = Qt::UserRole + 1;

    explicit ArchiveRecordModel(const ArchiveTarget& target, QObject* parent = nullptr);
    ~ArchiveRecordModel() override;

    // Starts over with `filter`: the list empties and its first page is read.
    void SetFilter(const ArchiveFilter& filter);
    // Adds the records the filter takes that were archived since the list was read, each in
    // its place (a download was archived).
    void Refresh();
    // Reads again what failed.
    void Retry();
    // A read is under way.
    bool IsReading() const { return token_ != 0; }
    // Why the last read failed; empty when it did not.
    const QString& Error() const { return error_; }
    // Records put among the rows since the filter was set.
    int AddedRecords() const { return added_; }

    const ArchivedRecord& Record(int row) const { return rows_[row]; }
    // Has the archive assign `change` to the records `ids`; their rows show it once kept
    // (PlaceFailed when it was not).
    void Assign(const QList<qint64>& ids, const RecordPlace& change);
    // Per field of a place, the texts assigned lately (read when the model is made and after
    // each assignment).
    const std::array<QStringList, RecordPlace::kFields>& PlaceTexts() const { return placeTexts_; }
    ArchiveReader& Reader() const { return *reader_; }
    // The rows' seven texts, in row order ("Open in Data Page" and the exports).
    QList<QStringList> RowTexts(const QList<int>& rows) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The note column: shows the note at once and has the archive keep it; a note the
    // archive could not keep is put back and told (NoteFailed).
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

Q_SIGNALS:
    // A read began, ended or failed.
    void StateChanged();
    void NoteFailed(const QString& reason);
    void PlaceFailed(const QString& reason);
    void PlaceTextsChanged();

private:
    void Ask(RecordRead::Kind kind);
    void OnAnswered(const RecordReadAnswer& answer);
    void OnNoteSet(quint64 token, qint64 downloadId, const QString& note, const QString& error);
    void ShowNote(qint64 downloadId, const QString& note);
    void OnAssigned(quint64 token, const QList<qint64>& ids, const RecordPlace& change,
                    const QString& error);
    void Place(const ArchivedRecord& record);

    std::unique_ptr<ArchiveReader> reader_;
    ArchiveFilter filter_;
    QList<ArchivedRecord> rows_;
    QSet<qint64> ids_;
    qint64 highWater_ = 0;
    bool atEnd_ = false;
    bool started_ = false; // the first page has come
    quint64 token_ = 0;    // the read under way
    RecordRead::Kind failedKind_ = RecordRead::Kind::FirstPage;
    QString error_;
    int added_ = 0;
    // The notes as the archive had them before each change still under way, by download.
    QHash<qint64, QString> keptNotes_;
    std::array<QStringList, RecordPlace::kFields> placeTexts_;
};
