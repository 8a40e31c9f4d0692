// A row's texts decoded for the archive (DecodeRow): what the archive searches a record by
// and the key it recognises the record by when it comes again, from a download or a file.
//
// Input: the seven texts of a row, separated by zero bytes (missing texts are empty), as
// UTF-8. The seeds are rows of a download, the same rows as an import reads them back, and
// rows with LOW, blanks, odd numbers, impossible dates and no date.
//
// Invariants: seven texts, kept as given; a power is LOW, a finite number, or neither, and
// its key says which ("LOW", the number in hundredths, "?" and the text); a number's key is
// the same for the text as a spreadsheet types it (shortest decimal) and for the text with
// blanks around it; the group is 1 to 3 or nothing; a measured time is ISO and reads back
// as itself; blanks around any text leave the whole key as it was.
#include "FuzzTargets.h"
#include "archive/data/RecordKey.h"
#include "common/NumberText.h"

#include <cmath>

namespace {

QStringList Padded(const QStringList& texts)
{
    QStringList padded;
    for (const QString& text : texts)
        padded << QStringLiteral("  ") + text + QLatin1Char(' ');
    return padded;
}

} // namespace

int FuzzRecordKey(const uint8_t* data, size_t size)
{
    QStringList texts;
    for (const QByteArray& part :
         QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\0'))
        texts << QString::fromUtf8(part);
    const QString meter = QStringLiteral("QX0001");
    const DecodedRow row = DecodeRow(texts, meter);

    FUZZ_CHECK(row.texts.size() == 7);
    for (int c = 0; c < 7; ++c)
        FUZZ_CHECK(row.texts[c] == texts.value(c));
    FUZZ_CHECK(row.key.meter == meter);
    for (size_t i = 0; i < 4; ++i) {
        const QString& key = row.key.powers[i];
        FUZZ_CHECK(row.low[i] == (key == QLatin1String("LOW")));
        FUZZ_CHECK(!(row.low[i] && row.powers[i]));
        if (row.powers[i]) {
            FUZZ_CHECK(std::isfinite(*row.powers[i]));
            FUZZ_CHECK(!key.startsWith(QLatin1Char('?')));
            // The same value as a spreadsheet writes it back.
            const QString shortest = QString::number(*row.powers[i], 'g', 17);
            FUZZ_CHECK(PowerKey(shortest) == key);
        } else if (!row.low[i]) {
            FUZZ_CHECK(key.startsWith(QLatin1Char('?')));
        }
    }
    if (row.group)
        FUZZ_CHECK(*row.group >= 1 && *row.group <= 3);
    if (!row.measured.isEmpty()) {
        FUZZ_CHECK(row.key.time == row.measured);
        FUZZ_CHECK(MeasuredIso(row.measured) == row.measured);
        QString spaced = row.measured;
        spaced.replace(QLatin1Char('T'), QLatin1Char(' '));
        FUZZ_CHECK(MeasuredIso(spaced) == row.measured);
    } else {
        FUZZ_CHECK(row.key.time.startsWith(QLatin1Char('?')));
    }
    FUZZ_CHECK(DecodeRow(Padded(row.texts), meter).key == row.key);
    return 0;
}
