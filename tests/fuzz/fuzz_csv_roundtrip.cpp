// Cell texts written by the CSV export and read back by the import's CSV reader.
//
// Input: when the first byte's high bit is set, its other seven bits and the next byte say
// where among the rows the end of the reader's first read (4 KiB) falls, as a count of bytes
// from the start of the rows (taken modulo the room there is): a first row whose cell A is
// long enough puts it there, so that a quoted field, a line end, a character or the 101st
// line straddles it. The rest are cell texts separated by zero bytes (UTF-8, a leading
// U+FEFF kept; invalid sequences read as U+FFFD), filling rows of seven cells.
//
// Invariants: the file opens; line 1 reads back as the headers and every row up to line
// 101 as its cells typed as the reader types a field (CsvCellText: numbers as their plain
// text, dates in the record format, any other text exactly as written); nothing beyond.
#include "FuzzTargets.h"
#include "SheetChecks.h"
#include "export/CsvExport.h"
#include "records/RecordTable.h"

#include <QStringDecoder>

namespace {

// The CSV reader's first read (CsvSheet.cpp).
constexpr qsizetype kFirstRead = 4 * 1024;

} // namespace

int FuzzCsvRoundTrip(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const quint8 first = input.Byte();
    qsizetype boundary = first & 0x80 ? (first & 0x7F) << 8 | input.Byte() : -1;
    const QList<QByteArray> parts = input.Bytes(input.Remaining()).split('\0');
    RecordTable table;
    const int columns = table.ColumnCount();
    SheetRows rows;
    if (boundary >= 0) {
        // The header line, then cell A of this row and the commas after its seven cells.
        static const qsizetype header = BuildCsv(RecordTable().Texts()).size();
        const qsizetype room = kFirstRead - header - (columns + 2);
        boundary %= room;
        const qsizetype fill = room - boundary;
        QStringList row(columns);
        row[0] = QString(fill, QLatin1Char('x'));
        rows << row;
    }
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                    QStringDecoder::Flag::ConvertInitialBom);
    for (qsizetype at = 0; at < parts.size(); at += columns) {
        QStringList row;
        for (int c = 0; c < columns; ++c)
            row << (at + c < parts.size() ? decode(parts[at + c]) : QString());
        rows << row;
    }
    CheckExportReadsBack(rows);
    return 0;
}
