#include "sheets/CsvSheet.h"

#include <QCoreApplication>

#include "common/NumberText.h"
#include "sheets/Sheet.h"

#include <QByteArrayList>
#include <QDate>
#include <QFileDevice>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTime>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <iconv.h>
#include <optional>

namespace {

using Record = QByteArrayList;

// A table of 100 records takes about 7 KB: two reads, the second of 8 KB.
constexpr qint64 kFirstRead = 4 * 1024;

// Splits `bytes` into at most `limit` records of at most Sheet::kColumns fields (the rest
// of a line is passed over). Commas, quotes and line ends are ASCII, and neither UTF-8 nor
// GB18030 uses those bytes inside a character, so the split is safe before decoding. A
// record cut off by the end of `bytes` counts only when `atEnd`. `complete` tells whether
// more bytes could not change the result: `limit` records were found or `bytes` is all.
QList<Record> SplitRecords(QByteArrayView bytes, int limit, bool atEnd, bool* complete)
{
    QList<Record> records;
    const qsizetype n = bytes.size();
    // The first `c` at or after `from`, or n (memchr: the scans cost little on long lines).
    const auto next = [&bytes, n](qsizetype from, char c) {
        const void* found = std::memchr(bytes.data() + from, c, size_t(n - from));
        return found ? static_cast<const char*>(found) - bytes.data() : n;
    };
    // The next CR and LF, looked for again only once passed, so each is scanned for once.
    qsizetype cr = -1;
    qsizetype lf = -1;
    qsizetype i = 0;
    while (i < n && records.size() < limit) {
        Record fields;
        fields.reserve(Sheet::kColumns);
        for (;;) {
            QByteArray field;
            // A quote never closed takes in the rest of the file, as a spreadsheet reads it.
            if (i < n && bytes[i] == '"') {
                for (++i;;) {
                    const qsizetype quote = next(i, '"');
                    field.append(bytes.sliced(i, quote - i));
                    i = quote == n ? n : quote + 1;
                    if (i == n || bytes[i] != '"')
                        break;
                    field += '"'; // a doubled quote
                    ++i;
                }
            }
            // Text after a closing quote, or a field without quotes, up to the next comma.
            if (cr < i)
                cr = next(i, '\r');
            if (lf < i)
                lf = next(i, '\n');
            const qsizetype lineEnd = std::min(cr, lf);
            const qsizetype start = i;
            const void* comma = std::memchr(bytes.data() + i, ',', size_t(lineEnd - i));
            i = comma ? static_cast<const char*>(comma) - bytes.data() : lineEnd;
            field.append(bytes.sliced(start, i - start));
            if (fields.size() < Sheet::kColumns)
                fields << field;
            if (i < n && bytes[i] == ',') {
                ++i;
                continue;
            }
            break;
        }
        // The line may go on beyond what has been read.
        if (i >= n && !atEnd)
            break;
        if (i < n && bytes[i] == '\r')
            ++i;
        if (i < n && bytes[i] == '\n')
            ++i;
        records << fields;
    }
    *complete = atEnd || records.size() >= limit;
    return records;
}

// UTF-8 as it stands. A field may begin with U+FEFF: only the file's first bytes can be a
// byte-order mark, and those are gone before the split (QString::fromUtf8 would drop it).
QString FromUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    return decoder(bytes);
}

class Gb18030
{
public:
    Gb18030() : converter_(iconv_open("UTF-8", "GB18030")) {}
    ~Gb18030()
    {
        if (IsOpen())
            iconv_close(converter_);
    }
    Gb18030(const Gb18030&) = delete;
    Gb18030& operator=(const Gb18030&) = delete;

    bool IsOpen() const { return converter_ != reinterpret_cast<iconv_t>(-1); }

    // False when `bytes` is not GB18030 text.
    bool Decode(const QByteArray& bytes, QString* text)
    {
        // GB18030 takes at most 4 bytes for a character that UTF-8 writes in 4.
        QByteArray out(bytes.size() * 2 + 4, Qt::Uninitialized);
        char* in = const_cast<char*>(bytes.constData());
        size_t inLeft = bytes.size();
        char* next = out.data();
        size_t outLeft = out.size();
        iconv(converter_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(converter_, &in, &inLeft, &next, &outLeft) == static_cast<size_t>(-1))
            return false;
        *text = FromUtf8(QByteArrayView(out.constData(), next - out.constData()));
        return true;
    }

private:
    iconv_t converter_;
};

bool IsUtf8(const QList<Record>& records)
{
    for (const Record& fields : records) {
        for (const QByteArray& field : fields) {
            if (!field.isValidUtf8())
                return false;
        }
    }
    return true;
}

QString NotText()
{
    return QCoreApplication::translate(
        "SheetReader", "It is neither an Excel 97-2003 workbook (.xls) nor CSV text.");
}

} // namespace

std::unique_ptr<Sheet> ReadCsvSheet(QIODevice& device, QString* reason, int rows)
{
    // Read in growing steps until the first lines are complete: a whole file is read only
    // when it is short, and never beyond SheetLimits::kCsvBytes (an unclosed quote or a
    // line without end would take in the whole file).
    QByteArray bytes;
    QList<Record> records;
    for (qint64 want = kFirstRead;; want = std::min(want * 2, SheetLimits::kCsvBytes)) {
        if (!ReadInto(device, &bytes, want, reason))
            return nullptr;
        // A pipe's end is known only when a read gives nothing.
        const bool atEnd = bytes.size() < want || (!device.isSequential() && device.atEnd());
        if (bytes.contains('\0')) {
            *reason = NotText();
            return nullptr;
        }
        // A byte-order mark, in UTF-8 or in GB18030, only tells the encoding.
        QByteArrayView text(bytes);
        if (text.startsWith("\xEF\xBB\xBF"))
            text = text.sliced(3);
        else if (text.startsWith("\x84\x31\x95\x33"))
            text = text.sliced(4);
        bool complete = false;
        records = SplitRecords(text, rows, atEnd, &complete);
        if (complete)
            break;
        if (want == SheetLimits::kCsvBytes) {
            *reason = QCoreApplication::translate(
                          "SheetReader", "It holds more than %1 MB before the end of line %2 (or a "
                                         "quote in it is never closed); a table of 100 records "
                                         "takes far less.")
                          .arg(SheetLimits::kCsvBytes >> 20)
                          .arg(rows);
            return nullptr;
        }
    }

    const bool utf8 = IsUtf8(records);
    std::optional<Gb18030> gb18030;
    if (!utf8)
        gb18030.emplace();
    if (gb18030 && !gb18030->IsOpen()) {
        *reason = QCoreApplication::translate(
            "SheetReader", "It is not UTF-8 text, and GB18030 text cannot be read here.");
        return nullptr;
    }
    auto sheet = std::make_unique<SheetCells>(rows);
    for (int r = 0; r < records.size(); ++r) {
        for (int c = 0; c < records[r].size(); ++c) {
            QString field;
            if (utf8)
                field = FromUtf8(records[r][c]);
            else if (!gb18030->Decode(records[r][c], &field)) {
                *reason = NotText();
                return nullptr;
            }
            sheet->SetCellText(char('A' + c), r + 1, CsvCellText(field));
        }
    }
    return sheet;
}

CsvValue TypeCsvField(const QString& field)
{
    CsvValue value;
    // A number too large for a double stays text, as in a spreadsheet.
    if (IsCompleteNumber(field, &value.number) && std::isfinite(value.number)) {
        value.kind = CsvValue::Kind::Number;
        return value;
    }

    // A date starts with four digits and a separator after its blanks; any other field is
    // text without the cost of a match (most fields, and the empty ones, are).
    const QStringView rest =
        QStringView(field).sliced(std::find_if(field.cbegin(), field.cend(),
                                               [](QChar c) { return c != u' ' && c != u'\t'; }) -
                                  field.cbegin());
    const auto isDigit = [](QChar c) {
        return c >= u'0' && c <= u'9';
    };
    if (rest.size() < 8 || !std::all_of(rest.cbegin(), rest.cbegin() + 4, isDigit) ||
        (rest[4] != u'-' && rest[4] != u'/'))
        return value;

    static const QRegularExpression dateTime(QStringLiteral(
        R"(^[ \t]*(\d{4})([-/])(\d{1,2})\2(\d{1,2})(?:[ \t]+(\d{1,2}):(\d{2})(?::(\d{2}))?)?[ \t]*$)"));
    const QRegularExpressionMatch match = dateTime.match(field);
    if (!match.hasMatch())
        return value;
    const QDate date(match.captured(1).toInt(), match.captured(3).toInt(),
                     match.captured(4).toInt());
    if (!date.isValid())
        return value;
    if (!match.hasCaptured(5)) {
        value.kind = CsvValue::Kind::Date;
        value.date = date;
        return value;
    }
    const QTime time(match.captured(5).toInt(), match.captured(6).toInt(),
                     match.captured(7).toInt());
    if (time.isValid()) {
        value.kind = CsvValue::Kind::DateTime;
        value.date = date;
        value.time = time;
    }
    return value;
}

QString CsvCellText(const QString& field)
{
    const CsvValue value = TypeCsvField(field);
    switch (value.kind) {
    case CsvValue::Kind::Number:
        return SheetNumberText(value.number);
    case CsvValue::Kind::Date:
        return SheetDateText(value.date);
    case CsvValue::Kind::DateTime:
        return SheetDateTimeText(value.date, value.time);
    case CsvValue::Kind::Text:
        break;
    }
    return field;
}
