#pragma once

#include <QByteArray>

// What the link hands to the page of the selected tab (or to the command-line session):
// an answer of the meter, or a step of an exchange that the answers set off.
struct MeterMessage
{
    enum class Kind {
        Record,          // answer 0x01; `copy` is the frame
        ThresholdPart1,  // answer 0x02; `copy` is the frame
        ThresholdPart2,  // answer 0x03; `copy` is the frame
        ThresholdPart3,  // answer 0xBB; `copy` is the frame
        UploadNextGroup, // answer 0xCC: send part 1 of group `param` (2 or 3)
        UploadPart2,     // answer 0x06: send part 2 of group `param`
        UploadPart3,     // answer 0x07: send part 3 of group `param`
        UploadStart,     // the menu's "UpLoad Threshold"
        RecordDeleted,   // answers 0x08 and 0x09: the deleted record's number, or 0 for all
    };

    Kind kind;
    QByteArray copy;
    int param = 0;

    bool operator==(const MeterMessage&) const = default;
};

// Whoever receives the link's messages: the pages and the command-line session. The link
// calls it on the UI thread, and only while the receiver (a QObject) still exists.
class MeterMessageTarget
{
public:
    virtual void OnMeterMessage(const MeterMessage& message) = 0;

protected:
    ~MeterMessageTarget() = default;
};
