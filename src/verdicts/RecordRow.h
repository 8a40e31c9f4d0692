#pragma once

#include "verdicts/Verdict.h"

#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QStringView>
#include <array>
#include <optional>

// A record row read once: what the page, the summary, the chart, the report and the
// command-line tool need of it as values, beside the seven texts shown and written to files.
// A download makes it from the record's values; a row that comes as texts (an import, the
// archive) is read by RecordRow::FromTexts, the one reading of a row's texts.

inline constexpr int kRecordColumns = 7;

// One power cell.
struct PowerReading
{
    // The whole text as a decimal number (the downloaded "   -12.34", an imported "-12.3");
    // nothing for "LOW" and for a text that is no number.
    std::optional<double> value;
    bool low = false; // "LOW"
};

// A power text read: blanks around "LOW" or around a number allowed.
PowerReading ReadPower(QStringView text);

struct RecordRow
{
    // The seven texts in column order: "No.", the four powers, the threshold group and the
    // date-time.
    QStringList texts;
    std::optional<double> number; // "No." when it is a number
    std::array<PowerReading, kPowerColumns> powers;
    std::optional<int> group; // a group 1 to 3 only
    // The meter's date-time to the minute, kept as UTC so no clock change alters it; nothing
    // when the text ("yyyy-M-d H:mm") or the meter's date is none.
    std::optional<QDateTime> time;

    QString Text(int column) const { return texts.value(column); }
    const PowerReading& Power(int powerColumn) const
    {
        return powers[static_cast<size_t>(powerColumn - kFirstPowerColumn)];
    }

    // Reads a row of texts, cut or padded to the seven columns.
    static RecordRow FromTexts(QStringList texts);
};

// Rows read from texts, each by RecordRow::FromTexts.
QList<RecordRow> RecordRowsOfTexts(const QList<QStringList>& rows);

// One power against its channel's limits (JudgePower's rule on a power read).
std::optional<Verdict> JudgeReading(const PowerReading& power, const ChannelLimits& limits);
RowVerdict JudgeRecord(const RecordRow& row, const ThresholdTable& thresholds);

// Rows with the verdict of each, in the same order.
struct JudgedRows
{
    QList<RecordRow> rows;
    QList<RowVerdict> verdicts;
};
JudgedRows JudgeRows(QList<RecordRow> rows, const ThresholdTable& thresholds);

VerdictCounts CountVerdicts(const QList<RowVerdict>& verdicts);

// A table that keeps its rows judged: its verdicts change only with its rows and its limits.
class JudgedTable
{
public:
    virtual const JudgedRows& Judged() const = 0;
    // The limits the rows were judged by.
    virtual const ThresholdTable& JudgedBy() const = 0;

protected:
    ~JudgedTable() = default;
};

// Rows judged once by limits of their own: a table that is not the data page's (a selection
// of the archive, a test's rows).
class FixedJudgedTable final : public JudgedTable
{
public:
    FixedJudgedTable(QList<RecordRow> rows, const ThresholdTable& limits)
        : judged_(JudgeRows(std::move(rows), limits)), limits_(limits)
    {
    }

    const JudgedRows& Judged() const override { return judged_; }
    const ThresholdTable& JudgedBy() const override { return limits_; }

private:
    JudgedRows judged_;
    ThresholdTable limits_;
};
