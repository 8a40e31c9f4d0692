#pragma once

#include "export/TableTexts.h"
#include "verdicts/RecordRow.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

class KnownLimits;

// The table of records on the data page: seven columns, rows in the order they were
// inserted, each row read once (RecordRow) and judged once, again only when the limits it
// follows change. It is the only place the PC keeps records; download, export and import
// all work on it. Every cell and header is centred.
class RecordTable : public QAbstractTableModel, public JudgedTable
{
    Q_OBJECT

public:
    struct Column
    {
        QString header;
        int width; // pixels
    };
    static const QList<Column>& Columns();
    // The files' headers, in column order.
    static QStringList Headers();

    using QAbstractTableModel::QAbstractTableModel;

    int RowCount() const { return static_cast<int>(judged_.rows.size()); }
    int ColumnCount() const { return static_cast<int>(Columns().size()); }
    QString HeaderText(int column) const;

    // The rows are judged by `limits` from now on, and again whenever they change; until
    // then no row has a verdict.
    void JudgeBy(const KnownLimits& limits);

    void RemoveAllRows();
    // The table holds `rows` from now on.
    void ReplaceRows(QList<RecordRow> rows);
    // A position past the last row removes nothing.
    void RemoveRow(int row);
    // Inserts a row whose column 0 holds `text` and whose other cells are empty; a position
    // past the end appends.
    void InsertRow(int row, const QString& text);
    // Inserts `record` in one change; a position past the end appends.
    void InsertRow(int row, RecordRow record);
    // Cells outside the table are neither set nor read (they read as empty). A row whose
    // text is set is read again.
    void SetCellText(int row, int column, const QString& text);
    QString CellText(int row, int column) const;
    // Every row's texts, in row and column order.
    QList<QStringList> Rows() const;
    const JudgedRows& Judged() const override { return judged_; }
    const ThresholdTable& JudgedBy() const override { return limits_; }
    // The headers and the rows, as the exports take them.
    TableTexts Texts() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    bool Contains(int row, int column) const;
    void Rejudge();

    JudgedRows judged_;
    ThresholdTable limits_;
};
