#include "SheetChecks.h"

#include "FuzzTargets.h"
#include "export/CsvExport.h"
#include "records/RecordTable.h"
#include "sheets/CsvSheet.h"
#include "sheets/Sheet.h"
#include "sheets/XlsSheet.h"
#include "sheets/XlsxSheet.h"

#include <QFile>
#include <QTemporaryDir>

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

// The sheet's rows 1 to 100; nothing, with a reason, when the file does not open.
std::optional<SheetRows> OpenRows(const QString& path, QString* reason)
{
    reason->clear();
    const std::unique_ptr<Sheet> sheet = OpenSheet(path, reason);
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
    for (int row = 1; row <= Sheet::kRows; ++row) {
        QStringList texts;
        for (char column = 'A'; column <= kLast; ++column) {
            texts << sheet->CellText(column, row);
            FUZZ_CHECK(IsCellText(texts.last()));
        }
        rows << texts;
    }
    return rows;
}

} // namespace

QString FuzzPath(const QString& name)
{
    // Removed when the process ends.
    static const QTemporaryDir folder;
    FUZZ_CHECK(folder.isValid());
    return folder.filePath(name);
}

QString FuzzFile(const QString& name, QByteArrayView bytes)
{
    const QString path = FuzzPath(name);
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes.data(), bytes.size()) == bytes.size());
    return path;
}

std::optional<SheetRows> CheckSheetBytes(QByteArrayView bytes)
{
    QString reason;
    const std::optional<SheetRows> rows =
        OpenRows(FuzzFile(QStringLiteral("sheet.csv"), bytes), &reason);
    QString otherReason;
    FUZZ_CHECK(OpenRows(FuzzFile(QStringLiteral("sheet.xls"), bytes), &otherReason) == rows);
    FUZZ_CHECK(otherReason == reason);
    if (!rows)
        return rows;

    const QByteArray start = bytes.first(std::min<qsizetype>(bytes.size(), 8)).toByteArray();
    if (!IsXlsWorkbook(start) && !IsZipArchive(start)) {
        for (const QStringList& texts : *rows) {
            for (const QString& text : texts)
                FUZZ_CHECK(CsvCellText(text) == text);
        }
    }
    CheckExportReadsBack(*rows);
    return rows;
}

void CheckExportReadsBack(const SheetRows& rows)
{
    RecordTable table;
    for (const QStringList& texts : rows) {
        const int r = table.RowCount();
        table.InsertRow(r, texts.value(0));
        for (int c = 1; c < table.ColumnCount(); ++c)
            table.SetCellText(r, c, texts.value(c));
    }
    QString reason;
    const std::unique_ptr<Sheet> sheet =
        OpenSheet(FuzzFile(QStringLiteral("export.csv"), BuildCsv(table.Texts())), &reason);
    FUZZ_CHECK(sheet != nullptr);
    for (int line = 1; line <= Sheet::kRows; ++line) {
        for (int c = 0; c < table.ColumnCount(); ++c) {
            const QString written = line == 1 ? table.HeaderText(c) : table.CellText(line - 2, c);
            FUZZ_CHECK(sheet->CellText(char('A' + c), line) == CsvCellText(written));
        }
    }
}
