// Record answers through the download into the table.
//
// Input: a sequence of steps. A step byte below 0xF0 is the length of an answer copy (its
// value modulo 33, so copies from 0 to 32 bytes), whose bytes follow; the copy gets the
// header 55 F0 01 in front when it is long enough. A step byte of 0xF0 or more is a delete
// acknowledgment, of the next byte's record number (0: all).
//
// Invariants: copies too short to decode change nothing; a decodable answer stores its
// count; with a count of 1 to 100 its row takes the place of its index (after the last row
// when rows before it are missing), with the record's own number and group, well-formed
// powers and date; the next record is asked for exactly when there is
// one, and only then; the table never holds a row of other than seven texts.
#include "FuzzTargets.h"
#include "common/Prompter.h"
#include "link/DeviceLink.h"
#include "records/RecordDownload.h"
#include "records/RecordTable.h"

#include <QRegularExpression>

namespace {

class CountingPrompter : public Prompter
{
public:
    Button Show(QWidget*, const QString&, const QString&, int, Icon, std::optional<Button>) override
    {
        ++shown;
        return Ok;
    }
    int shown = 0;
};

bool IsPowerText(const QString& text)
{
    static const QRegularExpression number(
        QStringLiteral("^   (-?[0-9]+\\.[0-9]{2}|-?nan|-?inf)$"));
    return text == QLatin1String("LOW") || number.match(text).hasMatch();
}

} // namespace

int FuzzRecordDownload(const uint8_t* data, size_t size)
{
    DeviceLink link;
    const auto State = [&link]() -> LinkState& {
        return link.State();
    };
    RecordTable table;
    CountingPrompter prompter;
    QList<int> requested;
    RecordDownload download(link, table, prompter, nullptr,
                            [&requested](quint16 index) { requested << index; });

    static const QRegularExpression dateTime(
        QStringLiteral("^20[0-9]+-[0-9]+-[0-9]+ [0-9]+:[0-9]{2,3}$"));
    FuzzInput input(data, size);
    while (!input.AtEnd()) {
        const uint8_t step = input.Byte();
        if (step >= 0xF0) {
            const int number = input.Byte();
            const int rowsBefore = table.RowCount();
            download.OnRecordDeleted(number);
            FUZZ_CHECK(table.RowCount() == (number == 0            ? 0
                                            : number <= rowsBefore ? rowsBefore - 1
                                                                   : rowsBefore));
            continue;
        }
        const QByteArray body = input.Bytes(step % 33);
        const QByteArray copy = body.size() >= 3 ? QByteArray("\x55\xF0\x01", 3) + body : body;
        const auto u16 = [&copy](int at) {
            return quint8(copy[at]) << 8 | quint8(copy[at + 1]);
        };

        const int rowsBefore = table.RowCount();
        const qsizetype requestsBefore = requested.size();
        const int boxesBefore = prompter.shown;
        const quint16 countBefore = State().storedRecordCount;
        download.OnMeterRecord(copy);
        if (copy.size() < 29) {
            FUZZ_CHECK(table.RowCount() == rowsBefore);
            FUZZ_CHECK(requested.size() == requestsBefore);
            FUZZ_CHECK(State().storedRecordCount == countBefore);
            continue;
        }
        const int index = u16(21);
        const int count = u16(23);
        FUZZ_CHECK(State().storedRecordCount == count);
        if (count == 0 || count > 100) {
            FUZZ_CHECK(prompter.shown == boxesBefore + 1);
            FUZZ_CHECK(!State().downloadBusy);
            FUZZ_CHECK(requested.size() == requestsBefore);
            continue;
        }
        const int row = qMin(index, rowsBefore);
        FUZZ_CHECK(table.RowCount() == row + 1);
        FUZZ_CHECK(table.CellText(row, 0) == QStringLiteral("   %1").arg(index + 1));
        for (int column = 1; column <= 4; ++column)
            FUZZ_CHECK(IsPowerText(table.CellText(row, column)));
        FUZZ_CHECK(table.CellText(row, 5) == QString::number(quint8(copy[15])));
        FUZZ_CHECK(dateTime.match(table.CellText(row, 6)).hasMatch());
        if (index + 1 < count) {
            FUZZ_CHECK(requested.size() == requestsBefore + 1);
            FUZZ_CHECK(requested.last() == index + 1);
        } else {
            FUZZ_CHECK(requested.size() == requestsBefore);
            FUZZ_CHECK(download.CompletionPending());
        }
    }
    return 0;
}
