#include "sheets/CsvSheet.h"

#include "common/NumberText.h"
#include "sheets/Sheet.h"

#include <QByteArrayList>
#include <QDate>
#include <QFileDevice>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTime>
#include <cmath>
#include <iconv.h>

namespace {

using Record = QByteArrayList;

constexpr qint64 kFirstRead = 64 * 1024;

// Splits `bytes` into at most `limit` records of at most Sheet::kColumns fields (the rest
// of a line is passed over). Commas, quotes and line ends are ASCII, and neither UTF-8 nor
// GB18030 uses those bytes inside a character, so the split is safe before decoding. A
// record cut off by the end of `bytes` counts only when `atEnd`. `complete` tells whether
// more bytes could not change the result: `limit` records were found or `bytes` is all.
QList<Record> SplitRecords(QByteArrayView bytes, int limit, bool atEnd, bool* complete)
{
    QList<Record> records;
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n && records.size() < limit) {
        Record fields;
        for (;;) {
            QByteArray field;
            // A quote never closed takes in the rest of the file, as a spreadsheet reads it.
            if (i < n && bytes[i] == '"') {
                for (++i; i < n; ++i) {
                    if (bytes[i] != '"') {
                        field += bytes[i];
                    } else if (i + 1 < n && bytes[i + 1] == '"') {
                        field += '"';
                        ++i;
                    } else {
                        ++i;
                        break;
                    }
                }
            }
            // Text after a closing quote, or a field without quotes, up to the next comma.
            const qsizetype start = i;
            while (i < n && bytes[i] != ',' && bytes[i] != '\r' && bytes[i] != '\n')
                ++i;
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

const QString kNotText =
    QStringLiteral("It is neither an Excel 97-2003 workbook (.xls) nor CSV text.");

} // namespace

std::unique_ptr<Sheet> ReadCsvSheet(QIODevice& device, QString* reason)
{
    // Read in growing steps until the first lines are complete: a whole file is read only
    // when it is short, and never beyond SheetLimits::kCsvBytes (an unclosed quote or a
    // line without end would take in the whole file).
    QByteArray bytes;
    QList<Record> records;
    for (qint64 want = kFirstRead;; want = std::min(want * 2, SheetLimits::kCsvBytes)) {
        while (bytes.size() < want) {
            const QByteArray chunk = device.read(want - bytes.size());
            if (chunk.isEmpty())
                break;
            bytes += chunk;
        }
        if (auto* file = qobject_cast<QFileDevice*>(&device);
            file && file->error() != QFileDevice::NoError) {
            *reason = QStringLiteral("It cannot be read: %1.").arg(file->errorString());
            return nullptr;
        }
        // A pipe's end is known only when a read gives nothing.
        const bool atEnd = bytes.size() < want || (!device.isSequential() && device.atEnd());
        if (bytes.contains('\0')) {
            *reason = kNotText;
            return nullptr;
        }
        // A byte-order mark, in UTF-8 or in GB18030, only tells the encoding.
        QByteArrayView text(bytes);
        if (text.startsWith("\xEF\xBB\xBF"))
            text = text.sliced(3);
        else if (text.startsWith("\x84\x31\x95\x33"))
            text = text.sliced(4);
        bool complete = false;
        records = SplitRecords(text, Sheet::kRows, atEnd, &complete);
        if (complete)
            break;
        if (want == SheetLimits::kCsvBytes) {
            *reason = QStringLiteral("It holds more than %1 MB before the end of line %2 (or a "
                                     "quote in it is never closed); a table of 100 records "
                                     "takes far less.")
                          .arg(SheetLimits::kCsvBytes >> 20)
                          .arg(Sheet::kRows);
            return nullptr;
        }
    }

    const bool utf8 = IsUtf8(records);
    Gb18030 gb18030;
    if (!utf8 && !gb18030.IsOpen()) {
        *reason = QStringLiteral("It is not UTF-8 text, and GB18030 text cannot be read here.");
        return nullptr;
    }
    auto sheet = std::make_unique<SheetCells>();
    for (int r = 0; r < records.size(); ++r) {
        for (int c = 0; c < records[r].size(); ++c) {
            QString field;
            if (utf8)
                field = FromUtf8(records[r][c]);
            else if (!gb18030.Decode(records[r][c], &field)) {
                *reason = kNotText;
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
