#include "records/RecordTable.h"

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

void RecordTable::RemoveAllRows()
{
    if (rows_.isEmpty())
        return;
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void RecordTable::ReplaceRows(const QList<QStringList>& rows)
{
    beginResetModel();
    rows_.clear();
    for (QStringList row : rows) {
        row.resize(ColumnCount());
        rows_ << row;
    }
    endResetModel();
}

TableTexts RecordTable::Texts() const
{
    QStringList headers;
    for (const Column& column : Columns())
        headers << column.header;
    return {headers, rows_};
}

void RecordTable::RemoveRow(int row)
{
    if (row < 0 || row >= RowCount())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    rows_.removeAt(row);
    endRemoveRows();
}

void RecordTable::InsertRow(int row, const QString& text)
{
    InsertRow(row, QStringList{text});
}

void RecordTable::InsertRow(int row, const QStringList& texts)
{
    row = qBound(0, row, RowCount());
    beginInsertRows(QModelIndex(), row, row);
    QStringList cells = texts;
    cells.resize(ColumnCount());
    rows_.insert(row, cells);
    endInsertRows();
}

void RecordTable::SetCellText(int row, int column, const QString& text)
{
    if (!Contains(row, column))
        return;
    rows_[row][column] = text;
    const QModelIndex cell = index(row, column);
    Q_EMIT dataChanged(cell, cell, {Qt::DisplayRole});
}

QString RecordTable::CellText(int row, int column) const
{
    return Contains(row, column) ? rows_[row][column] : QString();
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
        return rows_[index.row()][index.column()];
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
