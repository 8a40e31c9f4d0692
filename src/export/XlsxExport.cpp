#include "export/XlsxExport.h"

#include "common/ExportFile.h"
#include "export/TableTexts.h"
#include "sheets/CsvSheet.h"
#include "sheets/Sheet.h"
#include "verdicts/Verdict.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <vector>
#include <xlsxwriter.h>

namespace {

// The first day a workbook of the 1900 date system counts correctly (it takes 1900 for a
// leap year); an earlier date is written as its text.
const QDate kFirstDateCell(1900, 3, 1);

// Roughly how many characters of the sheet's font a text takes: wide (CJK) characters take
// two.
double DisplayWidth(const QString& text)
{
    double width = 0;
    for (const QChar c : text)
        width += c.unicode() >= 0x1100 ? 2 : 1;
    return width;
}

class WorkbookWriter
{
public:
    explicit WorkbookWriter(const QString& folder)
        : path_(QFile::encodeName(folder + QStringLiteral("/table.xlsx"))),
          folder_(QFile::encodeName(folder))
    {
        lxw_workbook_options options{};
        options.tmpdir = folder_.data();
        workbook_ = workbook_new_opt(path_.constData(), &options);
        if (!workbook_)
            return;
        sheet_ = workbook_add_worksheet(workbook_, nullptr);
        bold_ = workbook_add_format(workbook_);
        format_set_bold(bold_);
        twoDecimals_ = NumberFormat("0.00");
        date_ = NumberFormat("yyyy-m-d");
        dateTime_ = NumberFormat("yyyy-m-d h:mm");
        dateTimeSeconds_ = NumberFormat("yyyy-m-d h:mm:ss");
        rightAligned_ = workbook_add_format(workbook_);
        format_set_align(rightAligned_, LXW_ALIGN_RIGHT);
    }
    ~WorkbookWriter()
    {
        if (workbook_)
            workbook_close(workbook_);
    }
    WorkbookWriter(const WorkbookWriter&) = delete;
    WorkbookWriter& operator=(const WorkbookWriter&) = delete;

    bool IsOpen() const { return sheet_ != nullptr; }

    bool WriteHeader(int column, const QString& text)
    {
        Fit(column, DisplayWidth(text));
        return WriteText(0, column, text, bold_);
    }

    bool WriteCell(int row, int column, const QString& text, bool given)
    {
        if (given) {
            Fit(column, DisplayWidth(text));
            return WriteText(row, column, text, nullptr);
        }
        const CsvValue value = TypeCsvField(text);
        switch (value.kind) {
        case CsvValue::Kind::Number:
            if (IsPowerColumn(column)) {
                Fit(column, QString::number(value.number, 'f', 2).size());
                return Ok(worksheet_write_number(sheet_, row, column, value.number, twoDecimals_));
            }
            Fit(column, SheetNumberText(value.number).size());
            return Ok(worksheet_write_number(sheet_, row, column, value.number, nullptr));
        case CsvValue::Kind::Date:
        case CsvValue::Kind::DateTime:
            if (value.date >= kFirstDateCell)
                return WriteDate(row, column, value);
            break;
        case CsvValue::Kind::Text:
            break;
        }
        const QString shown = CsvCellText(text);
        Fit(column, DisplayWidth(shown));
        // "LOW" stands in a column of numbers and lines up with them.
        return WriteText(row, column, shown, IsPowerColumn(column) ? rightAligned_ : nullptr);
    }

    // Freezes the header row, sets the column widths and the printed page (landscape, one
    // page wide, the header row on every page) and writes the file; false when it could not
    // be written.
    bool Close()
    {
        worksheet_freeze_panes(sheet_, 1, 0);
        worksheet_set_landscape(sheet_);
        worksheet_fit_to_pages(sheet_, 1, 0);
        if (!Ok(worksheet_repeat_rows(sheet_, 0, 0)))
            return false;
        for (int column = 0; column < static_cast<int>(widths_.size()); ++column) {
            // A little room either side, as a spreadsheet's own "optimal width" leaves.
            if (!Ok(worksheet_set_column(sheet_, column, column, widths_[column] + 2, nullptr)))
                return false;
        }
        lxw_workbook* workbook = std::exchange(workbook_, nullptr);
        return workbook_close(workbook) == LXW_NO_ERROR;
    }

private:
    static bool Ok(lxw_error error) { return error == LXW_NO_ERROR; }

    lxw_format* NumberFormat(const char* code)
    {
        lxw_format* format = workbook_add_format(workbook_);
        format_set_num_format(format, code);
        return format;
    }

    void Fit(int column, double width)
    {
        if (static_cast<size_t>(column) >= widths_.size())
            widths_.resize(static_cast<size_t>(column) + 1);
        widths_[static_cast<size_t>(column)] =
            std::max(widths_[static_cast<size_t>(column)], width);
    }

    bool WriteText(int row, int column, const QString& text, lxw_format* format)
    {
        // A workbook reads "_xHHHH_" as an escaped character; libxlsxwriter escapes the
        // control characters that way but leaves such a text as it stands, so its "_" is
        // escaped here ("_x005F_").
        static const QRegularExpression escapeLike(QStringLiteral("_(x[0-9A-Fa-f]{4}_)"));
        QString escaped = text;
        escaped.replace(escapeLike, QStringLiteral("_x005F_\\1"));
        return Ok(
            worksheet_write_string(sheet_, row, column, escaped.toUtf8().constData(), format));
    }

    bool WriteDate(int row, int column, const CsvValue& value)
    {
        lxw_datetime stamp{value.date.year(), value.date.month(), value.date.day(), 0, 0, 0.0};
        lxw_format* format = date_;
        QString shown = SheetDateText(value.date);
        if (value.kind == CsvValue::Kind::DateTime) {
            stamp.hour = value.time.hour();
            stamp.min = value.time.minute();
            stamp.sec = value.time.second();
            format = value.time.second() == 0 ? dateTime_ : dateTimeSeconds_;
            shown = SheetDateTimeText(value.date, value.time);
        }
        Fit(column, shown.size());
        return Ok(worksheet_write_datetime(sheet_, row, column, &stamp, format));
    }

    QByteArray path_;
    QByteArray folder_;
    lxw_workbook* workbook_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    lxw_format* bold_ = nullptr;
    lxw_format* twoDecimals_ = nullptr;
    lxw_format* date_ = nullptr;
    lxw_format* dateTime_ = nullptr;
    lxw_format* dateTimeSeconds_ = nullptr;
    lxw_format* rightAligned_ = nullptr;
    std::vector<double> widths_;
};

} // namespace

std::optional<QByteArray> BuildXlsx(const TableTexts& table)
{
    // libxlsxwriter writes to a file of its own; the export then writes these bytes
    // atomically like any other.
    const QTemporaryDir folder;
    if (!folder.isValid())
        return std::nullopt;
    {
        WorkbookWriter writer(folder.path());
        if (!writer.IsOpen())
            return std::nullopt;
        for (int c = 0; c < table.headers.size(); ++c) {
            if (!writer.WriteHeader(c, table.headers[c]))
                return std::nullopt;
        }
        for (int r = 0; r < table.rows.size(); ++r) {
            for (int c = 0; c < table.rows[r].size(); ++c) {
                if (!writer.WriteCell(r + 1, c, table.rows[r][c], c >= table.givenFrom))
                    return std::nullopt;
            }
        }
        if (!writer.Close())
            return std::nullopt;
    }
    QFile file(folder.filePath(QStringLiteral("table.xlsx")));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return content;
}

void ExportRecordWorkbook(const TableTexts& table, Prompter& prompter, FileDialogs& dialogs,
                          QWidget* owner, QString& exportPath)
{
    ExportFileAs(prompter, dialogs, owner, exportPath, xlsxFilter(), {QStringLiteral(".xlsx")},
                 [&table](const QString&) { return BuildXlsx(table); });
}
