#pragma once

#include "archive/ArchiveTarget.h"
#include "archive/ArchiveTypes.h"

#include <QAbstractTableModel>
#include <memory>

class ArchiveStore;

// The archived records for a view, newest first, filtered: the seven texts of the data
// page, then the time of the download that first brought the record and that download's
// note. Rows are fetched a page at a time as the view scrolls (canFetchMore/fetchMore),
// so a large archive shows its first screen at once. Reads through a connection of its
// own, on the thread it lives on. The note column is editable: a note belongs to the download
// that first brought the record, so every row of that download shows the new note.
class ArchiveRecordModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int kPageRows = 256;
    static constexpr int kDownloadedColumn = 7;
    static constexpr int kNoteColumn = 8;
    // A power cell's verdict by the limits kept with the record (int of Verdict), or
    // nothing; on other columns the record's verdict.
    static constexpr int VerdictRole = Qt::UserRole + 1;

    explicit ArchiveRecordModel(const ArchiveTarget& target, QObject* parent = nullptr);
    ~ArchiveRecordModel() override;

    // Starts over with `filter`: the first page is read at once. False, with Error(), when
    // the archive cannot be read (the model is then empty).
    bool SetFilter(const ArchiveFilter& filter);
    // Reads the current filter again (after a download was archived or a note changed).
    bool Refresh();
    const QString& Error() const { return error_; }

    const ArchivedRecord& Record(int row) const { return rows_[row]; }
    // The rows' seven texts, in row order ("Open in Data Page" and the exports).
    QList<QStringList> RowTexts(const QList<int>& rows) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The note column: stores the note of the row's download (false, with Error(), when the
    // archive cannot be written).
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    std::optional<QList<ArchivedRecord>> ReadPage(int offset);

    std::unique_ptr<ArchiveStore> store_;
    ArchiveFilter filter_;
    QList<ArchivedRecord> rows_;
    bool atEnd_ = true;
    QString error_;
};
