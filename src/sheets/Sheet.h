#pragma once

#include <QString>
#include <array>
#include <memory>

class QDate;
class QTime;

// A table read from a file as a spreadsheet program would show it, as far as the import
// looks at it: the texts of columns A to G, rows 1 to 100.
class Sheet
{
public:
    static constexpr int kRows = 100;
    static constexpr int kColumns = 7; // A to G

    virtual ~Sheet() = default;

    // The text of a cell: a number as its plain decimal text, a date or date-time in the
    // record format, any other text as it stands; empty for an empty cell and for a
    // column outside 'A'..'G' or a row outside 1..100.
    virtual QString CellText(char column, int row) const = 0;
};

// The cells A1:G100, read in full when the file is opened, so that a file that cannot be
// read is known before anything is done with it. Every reader fills one.
class SheetCells final : public Sheet
{
public:
    QString CellText(char column, int row) const override;
    // Cells outside A1:G100 are not kept.
    void SetCellText(char column, int row, const QString& text);

private:
    static int Position(char column, int row);

    std::array<QString, kRows * kColumns> cells_;
};

// Opens `path` for reading only and reads it as an .xls workbook or an .xlsx workbook (the
// first worksheet of either) or as CSV text, as its content says, whatever its name. Nothing, with
// `reason` telling the operator why, when the file cannot be read or is neither.
std::unique_ptr<Sheet> OpenSheet(const QString& path, QString* reason);

// A number as a spreadsheet shows it in a general cell: at most 15 significant digits,
// no exponent, no trailing zeros, no leading blanks ("-12.3", "5", "0.001").
QString SheetNumberText(double value);

// Dates and times in the record format, "2012-5-7 9:03": only minutes and seconds padded,
// seconds only when not zero.
QString SheetDateText(const QDate& date);
QString SheetTimeText(const QTime& time);
QString SheetDateTimeText(const QDate& date, const QTime& time);
