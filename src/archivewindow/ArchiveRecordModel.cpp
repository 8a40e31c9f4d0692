#include "archivewindow/ArchiveRecordModel.h"

#include "archive/ArchiveStore.h"
#include "records/RecordTable.h"
#include "verdicts/Verdict.h"

ArchiveRecordModel::ArchiveRecordModel(const ArchiveTarget& target, QObject* parent)
    : QAbstractTableModel(parent), store_(std::make_unique<ArchiveStore>(target))
{
}

ArchiveRecordModel::~ArchiveRecordModel() = default;

std::optional<QList<ArchivedRecord>> ArchiveRecordModel::ReadPage(int offset)
{
    std::optional<QList<ArchivedRecord>> page = store_->Records(filter_, offset, kPageRows);
    if (!page)
        error_ = store_->Error();
    return page;
}

bool ArchiveRecordModel::SetFilter(const ArchiveFilter& filter)
{
    filter_ = filter;
    return Refresh();
}

bool ArchiveRecordModel::Refresh()
{
    beginResetModel();
    error_.clear();
    std::optional<QList<ArchivedRecord>> page = ReadPage(0);
    rows_ = page.value_or(QList<ArchivedRecord>());
    atEnd_ = !page || page->size() < kPageRows;
    endResetModel();
    return page.has_value();
}

QList<QStringList> ArchiveRecordModel::RowTexts(const QList<int>& rows) const
{
    QList<QStringList> texts;
    for (int r : rows)
        if (r >= 0 && r < rows_.size())
            texts << rows_[r].texts;
    return texts;
}

int ArchiveRecordModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ArchiveRecordModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kNoteColumn + 1;
}

QVariant ArchiveRecordModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const ArchivedRecord& r = rows_[index.row()];
    const int column = index.column();
    if (role == Qt::EditRole && column == kNoteColumn)
        return r.note;
    if (role == Qt::DisplayRole) {
        if (column < kDownloadedColumn)
            return r.texts.value(column);
        if (column == kDownloadedColumn)
            return r.downloadedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        if (column == kNoteColumn)
            return r.note;
    }
    if (role == Qt::TextAlignmentRole && column < kDownloadedColumn)
        return static_cast<int>(Qt::AlignCenter);
    if (role == VerdictRole) {
        const RowVerdict verdict = JudgeRow(r.texts, r.limits);
        const std::optional<Verdict> v =
            IsPowerColumn(column)
                ? verdict.channels[static_cast<size_t>(column - kFirstPowerColumn)]
                : verdict.record;
        return v ? QVariant(static_cast<int>(*v)) : QVariant();
    }
    return {};
}

bool ArchiveRecordModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.column() != kNoteColumn ||
        index.row() >= rows_.size())
        return false;
    error_.clear();
    const QString note = value.toString();
    const qint64 download = rows_[index.row()].downloadId;
    if (note == rows_[index.row()].note)
        return true;
    if (!store_->SetNote(download, note)) {
        error_ = store_->Error();
        return false;
    }
    for (int r = 0; r < rows_.size(); ++r) {
        if (rows_[r].downloadId != download)
            continue;
        rows_[r].note = note;
        const QModelIndex changed = this->index(r, kNoteColumn);
        Q_EMIT dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
    }
    return true;
}

Qt::ItemFlags ArchiveRecordModel::flags(const QModelIndex& index) const
{
    const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    return index.isValid() && index.column() == kNoteColumn ? flags | Qt::ItemIsEditable : flags;
}

QVariant ArchiveRecordModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section >= 0 && section < kDownloadedColumn)
        return ShownHeader(RecordTable::Columns()[section].header);
    if (section == kDownloadedColumn)
        return tr("Downloaded");
    if (section == kNoteColumn)
        return tr("Note");
    return {};
}

bool ArchiveRecordModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !atEnd_;
}

void ArchiveRecordModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || atEnd_)
        return;
    const std::optional<QList<ArchivedRecord>> page = ReadPage(static_cast<int>(rows_.size()));
    if (!page || page->isEmpty()) {
        atEnd_ = true;
        return;
    }
    atEnd_ = page->size() < kPageRows;
    const int first = static_cast<int>(rows_.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(page->size()) - 1);
    rows_.append(*page);
    endInsertRows();
}
