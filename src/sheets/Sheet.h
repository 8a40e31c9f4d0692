#pragma once

#include <QList>
#include <QString>
#include <memory>

class QByteArray;
class QDate;
class QIODevice;
class QTime;

// A table read from a file as a spreadsheet program would show it, as far as the import
// looks at it: the texts of columns A to G, rows 1 to 101 (the header and the 100 records
// a full meter holds), or as many rows as its reader was asked for.
class Sheet
{
public:
    static constexpr int kRows = 101;
    // A worksheet's last row: what a reader asked for the whole table reads at most.
    static constexpr int kAllRows = 1048576;
    static constexpr int kColumns = 7; // A to G

    virtual ~Sheet() = default;

    // The text of a cell: a number as its plain decimal text, a date or date-time in the
    // record format, any other text as it stands; empty for an empty cell and for a
    // column outside 'A'..'G' or a row beyond Rows().
    virtual QString CellText(char column, int row) const = 0;
    // The rows read, up to the last one with a cell in it.
    virtual int Rows() const = 0;
};

// The cells of columns A to G, rows 1 to `rows`, read in full when the file is opened, so
// that a file that cannot be read is known before anything is done with it. Every reader
// fills one.
class SheetCells final : public Sheet
{
public:
    explicit SheetCells(int rows = kRows) : rows_(rows) {}

    QString CellText(char column, int row) const override;
    int Rows() const override { return int(cells_.size() / kColumns); }
    // Cells outside columns A to G and rows 1 to `rows` are not kept.
    void SetCellText(char column, int row, const QString& text);

private:
    int Position(char column, int row) const;

    int rows_;
    QList<QString> cells_;
};

// What each reader takes at most, so that no file makes the import read or wait without
// end. A table of 100 records takes some kilobytes in any of the formats; these leave room
// for long texts and for other worksheets in a workbook.
namespace SheetLimits {
// CSV: the bytes up to the end of the last line read.
inline constexpr qint64 kCsvBytes = 4 << 20;
// .xlsx: the workbook, which is taken in whole (a zip archive is read from its end); the
// bytes read from any one part once unpacked (the parts are read only as far as the cells
// need); the members of the zip archive.
inline constexpr qint64 kZipBytes = 32 << 20;
inline constexpr qint64 kZipPartBytes = 16 << 20;
inline constexpr qint64 kZipMembers = 10000;
// .xls: the workbook, which its reader takes whole.
inline constexpr qint64 kXlsBytes = 32 << 20;
} // namespace SheetLimits

// Reads from `device` into `bytes` until they are `size` bytes long or the device has no
// more; false, with `reason`, when a file cannot be read.
bool ReadInto(QIODevice& device, QByteArray* bytes, qint64 size, QString* reason);

// A number as a spreadsheet shows it in a general cell: at most 15 significant digits,
// no exponent, no trailing zeros, no leading blanks ("-12.3", "5", "0.001").
QString SheetNumberText(double value);

// Dates and times in the record format, "2012-5-7 9:03": only minutes and seconds padded,
// seconds only when not zero.
QString SheetDateText(const QDate& date);
QString SheetTimeText(const QTime& time);
QString SheetDateTimeText(const QDate& date, const QTime& time);
