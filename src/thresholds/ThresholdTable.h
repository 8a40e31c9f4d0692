#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <optional>

class CommandFrame;
class DeviceLink;

// One threshold group as the meter keeps it: for each channel the limits "Over", "Pass" and
// "Fail", in the order the frames carry them (1310, 1490, 1577, 1270 nm), which is also the
// order of the page's columns. The name lives only in the page's name cell.
struct ThresholdGroup
{
    static constexpr int kLimits = 12;

    quint8 number = 0;
    std::array<float, kLimits> limits{};
};

// The three groups the page shows, all limits 0.0 at first. Downloaded parts and upload
// frames being built are the only things that change it.
//
// A group is "known" once all three of its parts have been set in this session (downloaded
// from the meter or built into upload frames): only then do its limits mean anything, and
// only a known group's limits judge a reading. The 0.0 start values never do.
class ThresholdTable
{
public:
    static constexpr int kGroups = 3;

    ThresholdTable();

    static bool IsGroupNumber(int group) { return group >= 1 && group <= kGroups; }

    // `group` is 1 to 3.
    const ThresholdGroup& Group(int group) const { return groups_[static_cast<size_t>(group - 1)]; }
    ThresholdGroup& Group(int group) { return groups_[static_cast<size_t>(group - 1)]; }

    // Part `part` (1 to 3) of `group` now holds real limits.
    void MarkPartSet(int group, int part);
    // All three parts of `group` hold real limits (a group loaded whole, say).
    void MarkKnown(int group);
    // False for a number outside 1 to 3.
    bool IsKnown(int group) const;
    bool AnyKnown() const;

private:
    static constexpr quint8 kAllParts = 0b111;

    std::array<ThresholdGroup, kGroups> groups_;
    std::array<quint8, kGroups> partsSet_{};
};

// Each group travels in three parts: part 1 carries limits 0..5 (1310 and 1490 nm), part 2
// limits 6..8 (1577 nm) and the name field, part 3 limits 9..11 (1270 nm) and the name field.
struct ThresholdPart
{
    int first; // index of the part's first limit in ThresholdGroup::limits
    int count;
    bool hasName;
};
// `part` is 1 to 3.
ThresholdPart PartLayout(int part);

// One threshold answer (0x02, 0x03 or 0xBB) as the page uses it.
struct ThresholdAnswer
{
    int group = 0;
    QList<float> limits; // the part's limits, in payload order
    QString name;        // parts 2 and 3: the name field up to its first zero byte
};

// Decodes part `part` from an answer copy. An answer that names no group 1 to 3, or a
// copy too short to hold the payload, gives nothing: nothing is read past its end.
std::optional<ThresholdAnswer> DecodeThresholdAnswer(int part, const QByteArray& copy);

// Stores a decoded answer's limits into its group and marks the part set.
void StoreThresholdAnswer(ThresholdTable& table, int part, const ThresholdAnswer& answer);

// A limit cell's text as the meter is sent it: the longest leading decimal number (0.0 when
// there is none), rounded to single precision. Independent of the desktop's locale.
float LimitFromText(QStringView text);
// A limit as its cell shows it: two decimals, a minus sign for negative values.
QString LimitText(float limit);

// Writes part `part` of group `group` into `frame` as the meter expects it, without
// clearing it first: code, the part's limits from `texts` (its cells in payload order, each
// converted and stored into `table`, the part marked set), the name field (parts 2 and 3),
// 0x0A and the group.
// Bytes the part does not use (25 and 26 of parts 2 and 3) keep what the previous frame
// left there.
void FillUploadPart(CommandFrame& frame, ThresholdTable& table, int part, int group,
                    const QStringList& texts);

// The same on the link's one frame, under its lock, and sent.
void SendUploadPart(DeviceLink& link, ThresholdTable& table, int part, int group,
                    const QStringList& texts);
