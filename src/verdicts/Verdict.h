#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <optional>

#include "thresholds/ThresholdTable.h"

// Readings judged against the limits of their threshold group, so the page, the report and a
// command-line tool judge alike. The rows read once are judged in RecordRow.h; the functions
// on texts here read the texts first, for rows that still come as texts (the archive's).

// In rising order of severity: a record takes the worst of its channels.
enum class Verdict { Pass, Marginal, Over, Fail };
inline constexpr int kVerdicts = 4;

// "Pass", "Marginal", "Over", "Fail": the name the archive and the command-line tool's
// output keep, in every language.
QString VerdictName(Verdict verdict);
// The same as the screen and the report show it, in the desktop's language.
QString VerdictLabel(Verdict verdict);

// The three limits of one channel of one group, in dBm.
struct ChannelLimits
{
    float over = 0.0f;
    float pass = 0.0f;
    float fail = 0.0f;
};

// The power columns of the record table, 1 to 4 (ONT 1270, ONT 1310, OLT 1490, OLT
// 1577 nm).
inline constexpr int kFirstPowerColumn = 1;
inline constexpr int kPowerColumns = 4;
inline constexpr int kGroupColumn = 5;
bool IsPowerColumn(int column);
// "ONT:1270nm" and the like: a power column's channel as the table's header names it.
QString PowerColumnName(int column);

// One power against its channel's limits: over when P > Over, pass when Pass <= P <= Over,
// marginal when Fail < P < Pass, fail when P <= Fail. The text is read as the table shows
// it ("   -12.34", an imported "-12.3") and rounded to single precision, like the limits,
// before it is compared; "LOW" is fail. A text that is not a number, or a limit that is
// none (the meter can send NaN), gives nothing.
std::optional<Verdict> JudgePower(QStringView powerText, const ChannelLimits& limits);

// The group a row refers to, read from its "Threshold Name" text; nothing unless the text is
// a whole number 1 to 3.
std::optional<int> GroupOfText(QStringView groupText);

// The limits of a power column (1 to 4) in a group, when the group is known.
std::optional<ChannelLimits> LimitsFor(const ThresholdTable& thresholds, int group,
                                       int powerColumn);

// One row of the record table judged.
struct RowVerdict
{
    std::optional<int> group; // a known group only
    std::array<std::optional<Verdict>, kPowerColumns> channels{};
    // The worst channel. Nothing when the group is not known; nothing too when a channel
    // cannot be judged, unless another one already fails.
    std::optional<Verdict> record;
};
RowVerdict JudgeRow(const QStringList& rowTexts, const ThresholdTable& thresholds);

// Records per verdict over a whole table.
struct VerdictCounts
{
    std::array<int, kVerdicts> records{};
    int unjudged = 0; // records without a verdict

    int Of(Verdict verdict) const { return records[static_cast<size_t>(verdict)]; }
    int Judged() const;
};
VerdictCounts CountVerdicts(const QList<QStringList>& rows, const ThresholdTable& thresholds);

// "Pass: 3   Marginal: 1   Over: 0   Fail: 2", with "   No verdict: n" when some records
// have none; empty when no record has a verdict. In the desktop's language.
QString VerdictSummaryText(const VerdictCounts& counts);

// The tooltip of a judged power cell: the verdict and the limits it was judged by, so the
// cell's colour is never the only cue. In the desktop's language.
QString VerdictToolTip(Verdict verdict, int group, const ChannelLimits& limits);

// The known threshold limits the data page judges its records by: the groups the threshold
// page downloaded, uploaded or loaded from a file in this session, the latest of each.
// Keeps the two pages apart.
class KnownLimits : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    using GroupNames = std::array<QString, ThresholdTable::kGroups>; // index 0: group 1

    const ThresholdTable& Table() const { return table_; }
    // The name of a known group (the meter's, or a threshold file's) as it came with the
    // limits; empty when there was none or the group is not known.
    QString Name(int group) const;
    // Takes the groups whose limits `table` knows in full, with their `names`; the other
    // groups keep theirs.
    void Take(const ThresholdTable& table, const GroupNames& names = {});

Q_SIGNALS:
    void Changed();

private:
    ThresholdTable table_;
    GroupNames names_;
};
