#pragma once

#include "export/TableTexts.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

// The table of records on the data page: seven columns of texts, rows in the order they
// were inserted. It is the only place the PC keeps records; download, export and import
// all work on it. Every cell and header is centred.
class RecordTable : public QAbstractTableModel
{
    Q_OBJECT

public:
    struct Column
    {
        QString header;
        int width; // pixels
    };
    static const QList<Column>& Columns();

    using QAbstractTableModel::QAbstractTableModel;

    int RowCount() const { return static_cast<int>(rows_.size()); }
    int ColumnCount() const { return static_cast<int>(Columns().size()); }
    QString HeaderText(int column) const;

    void RemoveAllRows();
    // The table holds `rows` from now on, each cut or padded to the seven columns.
    void ReplaceRows(const QList<QStringList>& rows);
    // A position past the last row removes nothing.
    void RemoveRow(int row);
    // Inserts a row whose column 0 holds `text` and whose other cells are empty; a position
    // past the end appends.
    void InsertRow(int row, const QString& text);
    // Inserts a row holding `texts` (cut or padded to the seven columns) in one change.
    void InsertRow(int row, const QStringList& texts);
    // Cells outside the table are neither set nor read (they read as empty).
    void SetCellText(int row, int column, const QString& text);
    QString CellText(int row, int column) const;
    // Every row's texts, in row and column order.
    const QList<QStringList>& Rows() const { return rows_; }
    // The headers and the rows, as the exports take them.
    TableTexts Texts() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    bool Contains(int row, int column) const;

    QList<QStringList> rows_;
};
