// The record table: its seven columns, the row operations the download, delete and
// import rely on, and what a view reads from it.
#include "data/RecordTable.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// A table whose rows hold "<row>" in column 0 and "<row>:<column>" elsewhere.
void Fill(RecordTable& table, int rows)
{
    for (int r = 0; r < rows; ++r) {
        table.InsertRow(r, QString::number(r));
        for (int c = 1; c < table.ColumnCount(); ++c)
            table.SetCellText(r, c, QStringLiteral("%1:%2").arg(r).arg(c));
    }
}

QStringList FirstColumn(const RecordTable& table)
{
    QStringList texts;
    for (int r = 0; r < table.RowCount(); ++r)
        texts << table.CellText(r, 0);
    return texts;
}

} // namespace

class TestRecordTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hasSevenColumnsInOrder_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("header");
        QTest::newRow("0") << 0 << "No.";
        QTest::newRow("1") << 1 << "ONT:1270nm";
        QTest::newRow("2") << 2 << "ONT:1310nm";
        QTest::newRow("3") << 3 << "OLT:1490nm";
        QTest::newRow("4") << 4 << "OLT:1577nm";
        QTest::newRow("5") << 5 << "Threshold Name";
        QTest::newRow("6") << 6 << "Date-Time";
    }
    void hasSevenColumnsInOrder()
    {
        QFETCH(int, column);
        QFETCH(QString, header);
        RecordTable table;
        QCOMPARE(table.ColumnCount(), 7);
        QCOMPARE(table.columnCount(), 7);
        QCOMPARE(table.HeaderText(column), header);
        QCOMPARE(table.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(), header);
        QCOMPARE(table.headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignCenter));
    }

    void startsEmpty()
    {
        RecordTable table;
        QCOMPARE(table.RowCount(), 0);
        QCOMPARE(table.rowCount(), 0);
    }

    void insertedRowHoldsItsFirstTextOnly()
    {
        RecordTable table;
        table.InsertRow(0, QStringLiteral("   1"));
        QCOMPARE(table.RowCount(), 1);
        QCOMPARE(table.CellText(0, 0), QStringLiteral("   1"));
        for (int c = 1; c < 7; ++c)
            QCOMPARE(table.CellText(0, c), QString());
    }

    void insertKeepsOrderOfPositions_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QStringList>("firstColumn");
        QTest::newRow("front") << 0 << QStringList{"new", "0", "1", "2"};
        QTest::newRow("middle") << 2 << QStringList{"0", "1", "new", "2"};
        QTest::newRow("end") << 3 << QStringList{"0", "1", "2", "new"};
        QTest::newRow("past the end appends") << 9 << QStringList{"0", "1", "2", "new"};
    }
    void insertKeepsOrderOfPositions()
    {
        QFETCH(int, position);
        QFETCH(QStringList, firstColumn);
        RecordTable table;
        Fill(table, 3);
        QSignalSpy inserted(&table, &QAbstractItemModel::rowsInserted);
        table.InsertRow(position, QStringLiteral("new"));
        QCOMPARE(FirstColumn(table), firstColumn);
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(inserted[0][1].toInt(), firstColumn.indexOf(QStringLiteral("new")));
    }

    void removeRowTakesOnlyThatRow_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("firstColumn");
        QTest::newRow("first") << 0 << QStringList{"1", "2", "3", "4"};
        QTest::newRow("last") << 4 << QStringList{"0", "1", "2", "3"};
        QTest::newRow("past the last removes nothing") << 5 << QStringList{"0", "1", "2", "3", "4"};
        QTest::newRow("negative removes nothing") << -1 << QStringList{"0", "1", "2", "3", "4"};
    }
    void removeRowTakesOnlyThatRow()
    {
        QFETCH(int, row);
        QFETCH(QStringList, firstColumn);
        RecordTable table;
        Fill(table, 5);
        table.RemoveRow(row);
        QCOMPARE(FirstColumn(table), firstColumn);
        // The other cells moved with their rows.
        for (int r = 0; r < table.RowCount(); ++r)
            QCOMPARE(table.CellText(r, 6), firstColumn[r] + QStringLiteral(":6"));
    }

    void removeAllRowsEmptiesTheTable()
    {
        RecordTable table;
        Fill(table, 4);
        QSignalSpy reset(&table, &QAbstractItemModel::modelReset);
        table.RemoveAllRows();
        QCOMPARE(table.RowCount(), 0);
        QCOMPARE(reset.size(), 1);
    }

    void setCellTextChangesOneCellAndTellsTheView()
    {
        RecordTable table;
        Fill(table, 2);
        QSignalSpy changed(&table, &QAbstractItemModel::dataChanged);
        table.SetCellText(1, 3, QStringLiteral("LOW"));
        QCOMPARE(table.CellText(1, 3), QStringLiteral("LOW"));
        QCOMPARE(table.CellText(0, 3), QStringLiteral("0:3"));
        QCOMPARE(table.CellText(1, 2), QStringLiteral("1:2"));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed[0][0].value<QModelIndex>(), table.index(1, 3));
    }

    void cellsOutsideTheTableAreNeitherSetNorRead_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::newRow("row past the end") << 2 << 0;
        QTest::newRow("negative row") << -1 << 0;
        QTest::newRow("column past the end") << 0 << 7;
        QTest::newRow("negative column") << 0 << -1;
    }
    void cellsOutsideTheTableAreNeitherSetNorRead()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        RecordTable table;
        Fill(table, 2);
        QSignalSpy changed(&table, &QAbstractItemModel::dataChanged);
        table.SetCellText(row, column, QStringLiteral("x"));
        QCOMPARE(changed.size(), 0);
        QCOMPARE(table.CellText(row, column), QString());
        QCOMPARE(table.RowCount(), 2);
    }

    void viewReadsCentredTexts()
    {
        RecordTable table;
        Fill(table, 1);
        const QModelIndex cell = table.index(0, 5);
        QCOMPARE(table.data(cell, Qt::DisplayRole).toString(), QStringLiteral("0:5"));
        QCOMPARE(table.data(cell, Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        QVERIFY(!table.data(table.index(1, 0), Qt::DisplayRole).isValid());
        QVERIFY(!(table.flags(cell) & Qt::ItemIsEditable));
    }
};

QTEST_GUILESS_MAIN(TestRecordTable)
#include "tst_recordtable.moc"
