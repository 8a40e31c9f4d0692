#include "records/RecordTable.h"

#include "verdicts/Verdict.h"

const QList<RecordTable::Column>& RecordTable::Columns()
{
    // The headers are the files' own; marked here for the screen's translation (ShownHeader).
    static const QList<Column> columns{
        {QStringLiteral(QT_TRANSLATE_NOOP("RecordTable", "No.")), 50},
        {QStringLiteral(QT_TRANSLATE_NOOP("RecordTable", "ONT:1270nm")), 100},
        {QStringLiteral(QT_TRANSLATE_NOOP("RecordTable", "ONT:1310nm")), 100},
        {QStringLiteral(QT_TRANSLATE_NOOP("RecordTable", "OLT:1490nm")), 100},
        {QStringLiteral(QT_TRANSLATE_NOOP("RecordTable", "OLT:1577nm")), 100},
        {QStringLiteral(QT_TRANSLATE_NOOP("RecordTable", "Threshold Name")), 130},
        {QStringLiteral(QT_TRANSLATE_NOOP("RecordTable", "Date-Time")), 150},
    };
    return columns;
}

QString RecordTable::HeaderText(int column) const
{
    if (column < 0 || column >= ColumnCount())
        return {};
    return Columns()[column].header;
}

void RecordTable::JudgeBy(const KnownLimits& limits)
{
    limits_ = limits.Table();
    connect(&limits, &KnownLimits::Changed, this, [this, &limits] {
        limits_ = limits.Table();
        Rejudge();
    });
    Rejudge();
}

void RecordTable::Rejudge()
{
    for (qsizetype r = 0; r < judged_.rows.size(); ++r)
        judged_.verdicts[r] = JudgeRecord(judged_.rows[r], limits_);
    // The verdicts show on the power cells.
    if (RowCount() > 0)
        Q_EMIT dataChanged(index(0, kFirstPowerColumn),
                           index(RowCount() - 1, kFirstPowerColumn + kPowerColumns - 1),
                           {Qt::BackgroundRole, Qt::ForegroundRole, Qt::ToolTipRole});
}

void RecordTable::RemoveAllRows()
{
    if (judged_.rows.isEmpty())
        return;
    beginResetModel();
    judged_ = {};
    endResetModel();
}

void RecordTable::ReplaceRows(QList<RecordRow> rows)
{
    beginResetModel();
    judged_ = JudgeRows(std::move(rows), limits_);
    endResetModel();
}

QStringList RecordTable::Headers()
{
    QStringList headers;
    for (const Column& column : Columns())
        headers << column.header;
    return headers;
}

TableTexts RecordTable::Texts() const
{
    return {Headers(), Rows()};
}

QList<QStringList> RecordTable::Rows() const
{
    QList<QStringList> rows;
    rows.reserve(judged_.rows.size());
    for (const RecordRow& row : judged_.rows)
        rows << row.texts;
    return rows;
}

void RecordTable::RemoveRow(int row)
{
    if (row < 0 || row >= RowCount())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    judged_.rows.removeAt(row);
    judged_.verdicts.removeAt(row);
    endRemoveRows();
}

void RecordTable::InsertRow(int row, const QString& text)
{
    InsertRow(row, RecordRow::FromTexts({text}));
}

void RecordTable::InsertRow(int row, RecordRow record)
{
    row = qBound(0, row, RowCount());
    beginInsertRows(QModelIndex(), row, row);
    judged_.verdicts.insert(row, JudgeRecord(record, limits_));
    judged_.rows.insert(row, std::move(record));
    endInsertRows();
}

void RecordTable::SetCellText(int row, int column, const QString& text)
{
    if (!Contains(row, column))
        return;
    QStringList texts = judged_.rows[row].texts;
    texts[column] = text;
    judged_.rows[row] = RecordRow::FromTexts(texts);
    judged_.verdicts[row] = JudgeRecord(judged_.rows[row], limits_);
    const QModelIndex cell = index(row, column);
    Q_EMIT dataChanged(cell, cell, {Qt::DisplayRole});
}

QString RecordTable::CellText(int row, int column) const
{
    return Contains(row, column) ? judged_.rows[row].texts[column] : QString();
}

int RecordTable::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : RowCount();
}

int RecordTable::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount();
}

QVariant RecordTable::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !Contains(index.row(), index.column()))
        return {};
    if (role == Qt::DisplayRole)
        return judged_.rows[index.row()].texts[index.column()];
    if (role == Qt::TextAlignmentRole)
        return static_cast<int>(Qt::AlignCenter);
    return {};
}

QVariant RecordTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    // The screen's header is translated; HeaderText and Texts() keep the files' headers.
    if (role == Qt::DisplayRole)
        return ShownHeader(HeaderText(section));
    if (role == Qt::TextAlignmentRole)
        return static_cast<int>(Qt::AlignCenter);
    return {};
}

bool RecordTable::Contains(int row, int column) const
{
    return row >= 0 && row < RowCount() && column >= 0 && column < ColumnCount();
}
