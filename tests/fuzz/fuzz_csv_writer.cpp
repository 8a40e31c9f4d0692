// The CSV writer read back by a small RFC 4180 reader of its own.
//
// Input: cell texts separated by zero bytes (UTF-8; invalid sequences read as U+FFFD),
// filling rows of seven cells.
//
// Invariants: the file reads back as RFC 4180 records ending in CR LF; the first is the
// header; every record has the seven cells and the empty field after the last comma; and
// every cell comes back exactly as it was written.
#include "FuzzTargets.h"
#include "export/CsvExport.h"
#include "records/RecordTable.h"

#include <optional>

namespace {

// RFC 4180: fields separated by commas, records by CR LF; a field in double quotes may
// hold commas, quotes (doubled) and line breaks. Anything else is rejected.
std::optional<QList<QList<QByteArray>>> ReadCsv(const QByteArray& text)
{
    QList<QList<QByteArray>> records;
    QList<QByteArray> record;
    QByteArray field;
    qsizetype i = 0;
    const qsizetype n = text.size();
    bool fieldStarted = false;
    while (i < n) {
        const char c = text[i];
        if (!fieldStarted && c == '"') {
            ++i;
            for (;;) {
                if (i >= n)
                    return std::nullopt; // unterminated quotes
                if (text[i] == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i++];
            }
            // After the closing quote only a separator may follow.
            if (i < n && text[i] != ',' && text[i] != '\r')
                return std::nullopt;
            fieldStarted = true;
            continue;
        }
        if (c == ',') {
            record << field;
            field.clear();
            fieldStarted = false;
            ++i;
        } else if (c == '\r') {
            if (i + 1 >= n || text[i + 1] != '\n')
                return std::nullopt;
            record << field;
            records << record;
            record.clear();
            field.clear();
            fieldStarted = false;
            i += 2;
        } else if (c == '\n' || c == '"') {
            return std::nullopt; // a bare line feed, or a quote inside an unquoted field
        } else {
            field += c;
            fieldStarted = true;
            ++i;
        }
    }
    // The file ends with the last record's line end.
    if (fieldStarted || !record.isEmpty())
        return std::nullopt;
    return records;
}

} // namespace

int FuzzCsvWriter(const uint8_t* data, size_t size)
{
    const QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\0');
    RecordTable table;
    const int columns = table.ColumnCount();
    QList<QStringList> written;
    for (qsizetype at = 0; at < parts.size(); at += columns) {
        QStringList row;
        for (int c = 0; c < columns; ++c)
            row << (at + c < parts.size() ? QString::fromUtf8(parts[at + c]) : QString());
        const int r = table.RowCount();
        table.InsertRow(r, row[0]);
        for (int c = 1; c < columns; ++c)
            table.SetCellText(r, c, row[c]);
        written << row;
    }

    const std::optional<QList<QList<QByteArray>>> records = ReadCsv(BuildCsv(table.Texts()));
    FUZZ_CHECK(records.has_value());
    FUZZ_CHECK(records->size() == written.size() + 1);
    for (qsizetype r = 0; r < records->size(); ++r) {
        const QList<QByteArray>& fields = records->at(r);
        FUZZ_CHECK(fields.size() == columns + 1);
        FUZZ_CHECK(fields.last().isEmpty());
        // Compared as bytes: QString::fromUtf8 would drop a U+FEFF that begins a field.
        for (int c = 0; c < columns; ++c) {
            const QString expected = r == 0 ? table.HeaderText(c) : written[r - 1][c];
            FUZZ_CHECK(fields[c] == expected.toUtf8());
        }
    }
    return 0;
}
