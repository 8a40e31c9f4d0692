#include "SheetChecks.h"

#include "FuzzTargets.h"
#include "export/CsvExport.h"
#include "records/RecordTable.h"
#include "sheets/CsvSheet.h"
#include "sheets/SheetReader.h"
#include "sheets/XlsSheet.h"
#include "sheets/XlsxSheet.h"

#include <QBuffer>
#include <algorithm>

namespace {

// Text a table cell can hold and the export can write: UTF-16 without U+0000 or a lone
// surrogate.
bool IsCellText(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isNull() || text[i].isSurrogate())
            return false;
    }
    return true;
}

// The file's content read as the import reads a file, all in this process.
std::unique_ptr<Sheet> ReadBytes(QByteArrayView bytes, QString* reason)
{
    QBuffer buffer;
    buffer.setData(bytes.toByteArray());
    buffer.open(QIODevice::ReadOnly);
    return ReadSheet(buffer, reason, XlsReading::InThisProcess);
}

// The sheet's rows 1 to 101 without the empty rows at the end (an empty row writes and
// reads back as nothing); nothing, with a reason, when the file does not open.
std::optional<SheetRows> OpenRows(QByteArrayView bytes, QString* reason)
{
    reason->clear();
    const std::unique_ptr<Sheet> sheet = ReadBytes(bytes, reason);
    if (!sheet) {
        FUZZ_CHECK(!reason->isEmpty());
        return std::nullopt;
    }
    constexpr char kLast = 'A' + Sheet::kColumns - 1;
    for (int row = 0; row <= Sheet::kRows + 1; ++row) {
        FUZZ_CHECK(sheet->CellText('A' - 1, row).isEmpty());
        FUZZ_CHECK(sheet->CellText(kLast + 1, row).isEmpty());
    }
    SheetRows rows;
    for (char column = 'A'; column <= kLast; ++column) {
        FUZZ_CHECK(sheet->CellText(column, 0).isEmpty());
        FUZZ_CHECK(sheet->CellText(column, Sheet::kRows + 1).isEmpty());
    }
    // Every cell is checked; lists are made only up to the last row that holds a text.
    int used = 0;
    for (int row = 1; row <= Sheet::kRows; ++row) {
        for (char column = 'A'; column <= kLast; ++column) {
            const QString text = sheet->CellText(column, row);
            FUZZ_CHECK(IsCellText(text));
            if (!text.isEmpty())
                used = row;
        }
    }
    rows.reserve(used);
    for (int row = 1; row <= used; ++row) {
        QStringList texts;
        texts.reserve(Sheet::kColumns);
        for (char column = 'A'; column <= kLast; ++column)
            texts << sheet->CellText(column, row);
        rows << texts;
    }
    return rows;
}

} // namespace

std::optional<SheetRows> CheckSheetBytes(QByteArrayView bytes)
{
    QString reason;
    const std::optional<SheetRows> rows = OpenRows(bytes, &reason);
    if (!rows)
        return rows;

    const QByteArray start = bytes.first(std::min<qsizetype>(bytes.size(), 8)).toByteArray();
    if (IsXlsWorkbook(start) || IsZipArchive(start)) {
        CheckExportReadsBack(*rows);
        return rows;
    }
    // A CSV sheet's texts are typed already, so its export reads back as written; that round
    // trip, of any text, is csv_roundtrip's.
    for (const QStringList& texts : *rows) {
        for (const QString& text : texts)
            FUZZ_CHECK(CsvCellText(text) == text);
    }
    return rows;
}

void CheckExportReadsBack(const SheetRows& rows)
{
    RecordTable table;
    table.ReplaceRows(RecordRowsOfTexts(rows));
    QString reason;
    const std::unique_ptr<Sheet> sheet = ReadBytes(BuildCsv(table.Texts()), &reason);
    FUZZ_CHECK(sheet != nullptr);
    // Lines past the table's are empty: nothing is read there.
    const int lines = std::min(table.RowCount() + 1, Sheet::kRows);
    for (int line = 1; line <= Sheet::kRows; ++line) {
        for (int c = 0; c < table.ColumnCount(); ++c) {
            const QString read = sheet->CellText(char('A' + c), line);
            if (line > lines) {
                FUZZ_CHECK(read.isEmpty());
                continue;
            }
            const QString written = line == 1 ? table.HeaderText(c) : table.CellText(line - 2, c);
            FUZZ_CHECK(read == CsvCellText(written));
        }
    }
}
