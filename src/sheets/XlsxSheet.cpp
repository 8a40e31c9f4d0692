#include "sheets/XlsxSheet.h"

#include <QCoreApplication>

#include "common/NumberText.h"
#include "sheets/Sheet.h"
#include "zip/ZipPackage.h"

#include <QDate>
#include <QDir>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTime>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

namespace {

QString NotWorkbook()
{
    return QCoreApplication::translate("SheetReader",
                                       "It is a zip archive, but not an Excel workbook.");
}

QString Damaged(const QString& detail)
{
    return QCoreApplication::translate(
               "SheetReader", "The workbook is damaged or of a kind that cannot be read (%1).")
        .arg(detail);
}

enum class DateKind { None, Date, Time, DateTime };

// A cell as the worksheet holds it, before shared strings and number formats are looked up.
struct RawCell
{
    char column;
    int row;
    QString type;
    int style = 0;
    QString value;
};

// The text of a string item (<si>, <is>) or a run of one: its <t> texts, without the
// phonetic guides (<rPh>).
QString ReadStringItem(QXmlStreamReader& xml)
{
    QString text;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"t")
            text += xml.readElementText();
        else if (xml.name() == u"r")
            text += ReadStringItem(xml);
        else
            xml.skipCurrentElement();
    }
    return text;
}

// Texts in a workbook write characters XML cannot hold as "_xHHHH_" ("_x000D_"), and a
// character beyond U+FFFF as the escapes of its two surrogates. An escape of U+0000 or of
// a surrogate without its partner reads as U+FFFD, as undecodable bytes do elsewhere, so
// that a cell never holds text the table cannot export.
QString Unescaped(const QString& text)
{
    if (!text.contains(QLatin1String("_x")))
        return text;
    static const QRegularExpression escape(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString plain;
    qsizetype done = 0;
    for (const QRegularExpressionMatch& match : escape.globalMatch(text)) {
        plain += QStringView(text).sliced(done, match.capturedStart() - done);
        plain += QChar(match.capturedView(1).toUShort(nullptr, 16));
        done = match.capturedEnd();
    }
    plain += QStringView(text).sliced(done);
    for (qsizetype i = 0; i < plain.size(); ++i) {
        if (plain[i].isHighSurrogate() && i + 1 < plain.size() && plain[i + 1].isLowSurrogate())
            ++i;
        else if (plain[i].isNull() || plain[i].isSurrogate())
            plain[i] = QChar::ReplacementCharacter;
    }
    return plain;
}

// "B12" as column 'B' (1-based index 2) and row 12; false when it is no cell reference.
bool ParseReference(QStringView reference, int* column, int* row)
{
    qsizetype i = 0;
    int index = 0;
    for (; i < reference.size() && i < 3 && reference[i] >= u'A' && reference[i] <= u'Z'; ++i)
        index = index * 26 + (reference[i].unicode() - u'A' + 1);
    bool ok = false;
    *row = reference.sliced(i).toInt(&ok);
    *column = index;
    return i > 0 && ok && *row > 0;
}

// The cells of columns A to G, rows 1 to `rows`, in the worksheet, in the order they stand.
void ReadCells(QXmlStreamReader& xml, int rows, QList<RawCell>* cells)
{
    while (xml.readNextStartElement()) {
        if (xml.name() != u"sheetData") {
            xml.skipCurrentElement();
            continue;
        }
        int row = 0;
        while (xml.readNextStartElement()) {
            if (xml.name() != u"row") {
                xml.skipCurrentElement();
                continue;
            }
            const QStringView rowNumber = xml.attributes().value(QLatin1StringView("r"));
            row = rowNumber.isEmpty() ? row + 1 : rowNumber.toInt();
            // Rows stand in ascending order: the rest lies beyond what is read.
            if (row > rows)
                return;
            int column = 0;
            while (xml.readNextStartElement()) {
                if (xml.name() != u"c") {
                    xml.skipCurrentElement();
                    continue;
                }
                const QXmlStreamAttributes attributes = xml.attributes();
                const QStringView reference = attributes.value(QLatin1StringView("r"));
                int cellRow = row;
                if (reference.isEmpty())
                    ++column;
                else if (!ParseReference(reference, &column, &cellRow)) {
                    xml.raiseError(QCoreApplication::translate(
                                       "SheetReader", "the cell reference \"%1\" is not valid")
                                       .arg(reference));
                    return;
                }
                if (column > Sheet::kColumns || cellRow > rows) {
                    xml.skipCurrentElement();
                    continue;
                }
                RawCell cell{char('A' + column - 1), cellRow,
                             attributes.value(QLatin1StringView("t")).toString(),
                             attributes.value(QLatin1StringView("s")).toInt(), QString()};
                while (xml.readNextStartElement()) {
                    if (xml.name() == u"v")
                        cell.value = xml.readElementText();
                    else if (xml.name() == u"is")
                        cell.value = ReadStringItem(xml);
                    else
                        xml.skipCurrentElement();
                }
                // A cell with a style but no value is empty.
                if (!cell.value.isEmpty())
                    cells->append(cell);
            }
        }
        return;
    }
}

// What a number format shows: the first of its sections, without quoted text, escaped
// characters and fill characters, read for the letters of dates (y, d) and times (h, s,
// elapsed [h] [m] [s]). An "m" alone could be a month or a minute and decides nothing.
DateKind FormatKind(const QString& code)
{
    bool date = false;
    bool time = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i].toLower();
        if (c == u'"') {
            const qsizetype close = code.indexOf(QLatin1Char('"'), i + 1);
            i = close < 0 ? code.size() : close;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;
        } else if (c == u'[') {
            const qsizetype close = code.indexOf(QLatin1Char(']'), i + 1);
            const QString inside = code.mid(i + 1, close - i - 1).toLower();
            static const QRegularExpression elapsed(QStringLiteral("^(h+|m+|s+)$"));
            time = time || elapsed.match(inside).hasMatch();
            i = close < 0 ? code.size() : close;
        } else if (c == u';') {
            break;
        } else if (c == u'y' || c == u'd') {
            date = true;
        } else if (c == u'h' || c == u's') {
            time = true;
        }
    }
    if (date)
        return time ? DateKind::DateTime : DateKind::Date;
    return time ? DateKind::Time : DateKind::None;
}

// The formats every workbook knows by number, as far as they show dates and times; the
// numbers 27 to 36 and 50 to 58 are the dates and times of East Asian versions.
DateKind BuiltInFormatKind(int id)
{
    if ((id >= 14 && id <= 17) || (id >= 27 && id <= 31) || id == 36 || (id >= 50 && id <= 54) ||
        id == 57 || id == 58)
        return DateKind::Date;
    if ((id >= 18 && id <= 21) || (id >= 32 && id <= 35) || (id >= 45 && id <= 47) || id == 55 ||
        id == 56)
        return DateKind::Time;
    return id == 22 ? DateKind::DateTime : DateKind::None;
}

// What each cell style (by its index) shows: a date, a time, both or neither.
void ReadStyles(QXmlStreamReader& xml, QList<DateKind>* styles)
{
    QHash<int, DateKind> formats;
    while (xml.readNextStartElement()) {
        const bool isFormats = xml.name() == u"numFmts";
        if (!isFormats && xml.name() != u"cellXfs") {
            xml.skipCurrentElement();
            continue;
        }
        while (xml.readNextStartElement()) {
            const QXmlStreamAttributes attributes = xml.attributes();
            const int id = attributes.value(QLatin1StringView("numFmtId")).toInt();
            if (isFormats && xml.name() == u"numFmt")
                formats.insert(
                    id, FormatKind(attributes.value(QLatin1StringView("formatCode")).toString()));
            else if (!isFormats && xml.name() == u"xf")
                styles->append(formats.value(id, BuiltInFormatKind(id)));
            xml.skipCurrentElement();
        }
    }
}

// The shared strings whose indexes are in `wanted`; the file is read only as far as the
// last of them.
void ReadSharedStrings(QXmlStreamReader& xml, const QSet<int>& wanted, int last,
                       QHash<int, QString>* strings)
{
    int index = 0;
    while (index <= last && xml.readNextStartElement()) {
        if (xml.name() != u"si") {
            xml.skipCurrentElement();
            continue;
        }
        if (wanted.contains(index))
            strings->insert(index, Unescaped(ReadStringItem(xml)));
        else
            xml.skipCurrentElement();
        ++index;
    }
}

QString MissingString(const RawCell& cell)
{
    return QCoreApplication::translate("SheetReader",
                                       "cell %1%2 names a shared string that is missing")
        .arg(QLatin1Char(cell.column))
        .arg(cell.row);
}

QString DateText(const QDate& date, const QTime& time, DateKind kind)
{
    switch (kind) {
    case DateKind::Date:
        return SheetDateText(date);
    case DateKind::Time:
        return SheetTimeText(time);
    case DateKind::DateTime:
        return SheetDateTimeText(date, time);
    case DateKind::None:
        break;
    }
    return {};
}

// A date serial number (days since the workbook's epoch, the time of day as the fraction)
// shown as `kind`, to the second.
QString SerialDateText(double serial, DateKind kind, bool epoch1904)
{
    // Past 9999-12-31, or before the epoch, a spreadsheet shows no date.
    if (!(serial >= 0.0 && serial < 2958466.0))
        return SheetNumberText(serial);
    const qint64 seconds = std::llround(serial * 86400.0);
    const qint64 days = seconds / 86400;
    // The 1900 system counts a 29 February 1900 that never was: its days before
    // 1 March (serial 61) start one day later.
    const QDate epoch =
        epoch1904 ? QDate(1904, 1, 1) : (days < 61 ? QDate(1899, 12, 31) : QDate(1899, 12, 30));
    return DateText(epoch.addDays(days), QTime(0, 0).addSecs(int(seconds % 86400)), kind);
}

// An ISO 8601 date, time or date-time of a "d" cell.
QString IsoDateText(const QString& value)
{
    const qsizetype t = value.indexOf(QLatin1Char('T'));
    const QDate date = QDate::fromString(t < 0 ? value : value.left(t), Qt::ISODate);
    const QTime time = QTime::fromString(t < 0 ? value : value.mid(t + 1), Qt::ISODateWithMs);
    if (date.isValid())
        return DateText(date, time, time.isValid() ? DateKind::DateTime : DateKind::Date);
    return time.isValid() ? SheetTimeText(time) : value;
}

} // namespace

bool IsZipArchive(const QByteArray& start)
{
    return start.startsWith(kZipSignature);
}

std::unique_ptr<Sheet> ReadXlsxSheet(QByteArrayView workbook, QString* reason, int rows)
{
    ZipPackage package(workbook, SheetLimits::kZipPartBytes);
    if (!package.IsOpen()) {
        *reason =
            QCoreApplication::translate("SheetReader", "The zip archive is damaged or incomplete.");
        return nullptr;
    }
    if (package.MemberCount().value_or(SheetLimits::kZipMembers + 1) > SheetLimits::kZipMembers) {
        *reason = Damaged(
            QCoreApplication::translate("SheetReader", "the zip archive has more than %1 members")
                .arg(SheetLimits::kZipMembers));
        return nullptr;
    }
    package.ListMembers();
    // A part that cannot be read makes the workbook a damaged one.
    const auto read = [&](const QString& part,
                          const std::function<void(QXmlStreamReader&)>& parse) {
        QString damage;
        if (package.Read(part, parse, &damage))
            return true;
        *reason = Damaged(damage);
        return false;
    };
    const auto readRelationships = [&](const QString& part,
                                       QHash<QString, PackageRelationship>* relationships) {
        QString damage;
        if (package.ReadRelationships(part, relationships, &damage))
            return true;
        *reason = Damaged(damage);
        return false;
    };

    // The package's relationships name its main part, the workbook.
    QHash<QString, PackageRelationship> relationships;
    if (!package.Has(QStringLiteral("_rels/.rels"))) {
        *reason = NotWorkbook();
        return nullptr;
    }
    if (!readRelationships(QString(), &relationships))
        return nullptr;
    QString workbookPart;
    for (const PackageRelationship& relationship : std::as_const(relationships)) {
        if (relationship.IsOf(QLatin1StringView("officeDocument")))
            workbookPart = relationship.target;
    }
    if (workbookPart.isEmpty()) {
        *reason = NotWorkbook();
        return nullptr;
    }

    // The workbook lists its sheets in tab order, by relationship id.
    bool isWorkbook = false;
    bool epoch1904 = false;
    QStringList sheetIds;
    if (!read(workbookPart, [&](QXmlStreamReader& xml) {
            isWorkbook = xml.name() == u"workbook";
            while (isWorkbook && xml.readNextStartElement()) {
                if (xml.name() == u"workbookPr") {
                    const QStringView value = xml.attributes().value(QLatin1StringView("date1904"));
                    epoch1904 = value == u"1" || value == u"true";
                } else if (xml.name() == u"sheets") {
                    while (xml.readNextStartElement()) {
                        // The id is the one attribute of the relationships' namespace.
                        for (const QXmlStreamAttribute& attribute : xml.attributes()) {
                            if (attribute.name() == u"id" && !attribute.namespaceUri().isEmpty())
                                sheetIds << attribute.value().toString();
                        }
                        xml.skipCurrentElement();
                    }
                    continue;
                }
                xml.skipCurrentElement();
            }
        }))
        return nullptr;
    if (!isWorkbook) {
        *reason = NotWorkbook();
        return nullptr;
    }
    relationships.clear();
    if (!readRelationships(workbookPart, &relationships))
        return nullptr;
    QString sheetPart;
    for (const QString& id : std::as_const(sheetIds)) {
        const PackageRelationship sheet = relationships.value(id);
        if (sheet.IsOf(QLatin1StringView("worksheet"))) {
            sheetPart = sheet.target;
            break;
        }
    }
    if (sheetPart.isEmpty()) {
        *reason = NotWorkbook();
        return nullptr;
    }

    QList<RawCell> cells;
    if (!read(sheetPart, [&](QXmlStreamReader& xml) { ReadCells(xml, rows, &cells); }))
        return nullptr;

    // Only the shared strings and styles the cells use are looked up.
    QSet<int> wanted;
    int lastWanted = -1;
    bool numbers = false;
    for (const RawCell& cell : std::as_const(cells)) {
        if (cell.type == u"s") {
            bool ok = false;
            const int index = cell.value.toInt(&ok);
            if (!ok || index < 0) {
                *reason = Damaged(MissingString(cell));
                return nullptr;
            }
            wanted.insert(index);
            lastWanted = std::max(lastWanted, index);
        } else if (cell.type.isEmpty() || cell.type == u"n") {
            numbers = true;
        }
    }
    QHash<int, QString> strings;
    QList<DateKind> styles;
    for (const PackageRelationship& relationship : std::as_const(relationships)) {
        if (!wanted.isEmpty() && relationship.IsOf(QLatin1StringView("sharedStrings")) &&
            !read(relationship.target, [&](QXmlStreamReader& xml) {
                ReadSharedStrings(xml, wanted, lastWanted, &strings);
            }))
            return nullptr;
        if (numbers && relationship.IsOf(QLatin1StringView("styles")) &&
            !read(relationship.target, [&](QXmlStreamReader& xml) { ReadStyles(xml, &styles); }))
            return nullptr;
    }

    auto sheet = std::make_unique<SheetCells>(rows);
    for (const RawCell& cell : std::as_const(cells)) {
        QString text;
        if (cell.type == u"s") {
            const auto found = strings.constFind(cell.value.toInt());
            if (found == strings.cend()) {
                *reason = Damaged(MissingString(cell));
                return nullptr;
            }
            text = *found;
        } else if (cell.type == u"inlineStr" || cell.type == u"str") {
            text = Unescaped(cell.value);
        } else if (cell.type == u"b") {
            text = cell.value.trimmed() == u"1" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        } else if (cell.type == u"d") {
            text = IsoDateText(cell.value.trimmed());
        } else if (cell.type == u"e") {
            text = cell.value;
        } else {
            double value = 0.0;
            const DateKind kind = styles.value(cell.style, DateKind::None);
            if (!IsCompleteNumber(cell.value, &value) || !std::isfinite(value))
                text = cell.value;
            else if (kind != DateKind::None)
                text = SerialDateText(value, kind, epoch1904);
            else
                text = SheetNumberText(value);
        }
        sheet->SetCellText(cell.column, cell.row, text);
    }
    return sheet;
}
