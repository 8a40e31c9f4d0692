#include "archivewindow/ArchiveRecordModel.h"

#include "jobs/PlaceEdit.h"
#include "records/RecordTable.h"
#include "verdicts/Verdict.h"

#include <algorithm>

namespace {

// The list's order: newest measurement first, then newest archived.
bool Before(const ArchivedRecord& a, const ArchivedRecord& b)
{
    return a.measured != b.measured ? a.measured > b.measured : a.id > b.id;
}

} // namespace

ArchiveRecordModel::ArchiveRecordModel(const ArchiveTarget& target, QObject* parent)
    : QAbstractTableModel(parent), reader_(std::make_unique<ArchiveReader>(target))
{
    connect(reader_.get(), &ArchiveReader::Answered, this, &ArchiveRecordModel::OnAnswered);
    connect(reader_.get(), &ArchiveReader::NoteSet, this, &ArchiveRecordModel::OnNoteSet);
    connect(reader_.get(), &ArchiveReader::Assigned, this, &ArchiveRecordModel::OnAssigned);
    connect(reader_.get(), &ArchiveReader::PlaceTextsRead, this,
            [this](const std::array<QStringList, RecordPlace::kFields>& texts) {
                placeTexts_ = texts;
                Q_EMIT PlaceTextsChanged();
            });
    reader_->ReadPlaceTexts();
}

ArchiveRecordModel::~ArchiveRecordModel() = default;

void ArchiveRecordModel::SetFilter(const ArchiveFilter& filter)
{
    beginResetModel();
    filter_ = filter;
    rows_.clear();
    ids_.clear();
    highWater_ = 0;
    atEnd_ = false;
    started_ = false;
    added_ = 0;
    endResetModel();
    Ask(RecordRead::Kind::FirstPage);
}

void ArchiveRecordModel::Refresh()
{
    // Before the first page has come there is nothing to add to: that page brings them.
    if (!started_ || IsReading())
        return;
    Ask(RecordRead::Kind::NewOnly);
}

void ArchiveRecordModel::Retry()
{
    if (error_.isEmpty() || IsReading())
        return;
    Ask(failedKind_);
}

void ArchiveRecordModel::Ask(RecordRead::Kind kind)
{
    RecordRead read;
    read.kind = kind;
    read.filter = filter_;
    if (!rows_.isEmpty())
        read.last = RecordListKey{rows_.constLast().measured, rows_.constLast().id};
    read.highWater = highWater_;
    read.listComplete = atEnd_;
    read.pageRows = kPageRows;
    error_.clear();
    token_ = reader_->Read(read);
    Q_EMIT StateChanged();
}

void ArchiveRecordModel::OnAnswered(const RecordReadAnswer& answer)
{
    if (answer.token != token_)
        return; // a read superseded by a later one
    token_ = 0;
    if (!answer.error.isEmpty()) {
        error_ = answer.error;
        failedKind_ = answer.read.kind;
        Q_EMIT StateChanged();
        return;
    }
    for (const ArchivedRecord& record : answer.fresh) {
        if (!ids_.contains(record.id)) {
            Place(record);
            ++added_;
        }
    }
    if (answer.read.kind != RecordRead::Kind::NewOnly) {
        QList<ArchivedRecord> page;
        for (const ArchivedRecord& record : answer.page) {
            if (!ids_.contains(record.id))
                page << record;
        }
        atEnd_ = answer.page.size() < answer.read.pageRows;
        started_ = true;
        if (!page.isEmpty()) {
            const int first = static_cast<int>(rows_.size());
            beginInsertRows(QModelIndex(), first, first + static_cast<int>(page.size()) - 1);
            for (const ArchivedRecord& record : std::as_const(page))
                ids_.insert(record.id);
            rows_.append(page);
            endInsertRows();
        }
    }
    highWater_ = answer.highWater;
    Q_EMIT StateChanged();
}

void ArchiveRecordModel::Place(const ArchivedRecord& record)
{
    const int row = static_cast<int>(
        std::lower_bound(rows_.cbegin(), rows_.cend(), record, Before) - rows_.cbegin());
    beginInsertRows(QModelIndex(), row, row);
    rows_.insert(row, record);
    ids_.insert(record.id);
    endInsertRows();
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
    return parent.isValid() ? 0 : kFirstPlaceColumn + RecordPlace::kFields;
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
        if (column >= kFirstPlaceColumn)
            return r.place.Text(static_cast<RecordPlace::Field>(column - kFirstPlaceColumn));
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
    const QString note = value.toString();
    const ArchivedRecord& record = rows_[index.row()];
    if (note == record.note)
        return true;
    if (!keptNotes_.contains(record.downloadId))
        keptNotes_.insert(record.downloadId, record.note);
    const qint64 download = record.downloadId;
    ShowNote(download, note);
    reader_->SetNote(download, note);
    return true;
}

void ArchiveRecordModel::OnNoteSet(quint64, qint64 downloadId, const QString& note,
                                   const QString& error)
{
    if (error.isEmpty()) {
        // Kept: the archive's note is this one now, unless another change follows it.
        if (rows_.cend() != std::find_if(rows_.cbegin(), rows_.cend(), [&](const auto& r) {
                return r.downloadId == downloadId && r.note == note;
            }))
            keptNotes_.remove(downloadId);
        return;
    }
    // The archive kept the note it had: the rows show it again.
    ShowNote(downloadId, keptNotes_.take(downloadId));
    Q_EMIT NoteFailed(error);
}

void ArchiveRecordModel::ShowNote(qint64 downloadId, const QString& note)
{
    for (int r = 0; r < rows_.size(); ++r) {
        if (rows_[r].downloadId != downloadId)
            continue;
        rows_[r].note = note;
        const QModelIndex changed = this->index(r, kNoteColumn);
        Q_EMIT dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
    }
}

void ArchiveRecordModel::Assign(const QList<qint64>& ids, const RecordPlace& change)
{
    if (!ids.isEmpty())
        reader_->Assign(ids, change);
}

void ArchiveRecordModel::OnAssigned(quint64, const QList<qint64>& ids, const RecordPlace& change,
                                    const QString& error)
{
    if (!error.isEmpty()) {
        Q_EMIT PlaceFailed(error);
        return;
    }
    const QSet<qint64> assigned(ids.cbegin(), ids.cend());
    for (int r = 0; r < rows_.size(); ++r) {
        if (!assigned.contains(rows_[r].id))
            continue;
        rows_[r].place = AppliedPlace(rows_[r].place, change);
        Q_EMIT dataChanged(index(r, kFirstPlaceColumn),
                           index(r, kFirstPlaceColumn + RecordPlace::kFields - 1),
                           {Qt::DisplayRole});
    }
    reader_->ReadPlaceTexts();
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
    if (section >= kFirstPlaceColumn && section < columnCount())
        return PlaceFieldLabel(static_cast<RecordPlace::Field>(section - kFirstPlaceColumn));
    return {};
}

bool ArchiveRecordModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && started_ && !atEnd_ && !IsReading() && error_.isEmpty();
}

void ArchiveRecordModel::fetchMore(const QModelIndex& parent)
{
    if (canFetchMore(parent))
        Ask(RecordRead::Kind::NextPage);
}
