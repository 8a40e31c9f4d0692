#pragma once

#include "app/CommandIds.h"

#include <QList>
#include <QPair>
#include <QtGlobal>
#include <array>
#include <optional>

// The view's rules for which commands the operator may choose and which page receives the
// meter's answers. Plain logic on the link state and the view's own flags, so every state
// can be checked without windows.

// The link state the rules read.
struct LinkSnapshot
{
    bool connected = false;
    bool downloadBusy = false;
    quint16 storedRecordCount = 0;
};

// The view's three enabling flags. They carry over from one pass to the next: the rules of
// one command set the flags that the rules of later commands read.
struct ViewFlags
{
    quint8 downloadEnabled = 0;
    quint8 deleteEnabled = 0;
    quint8 thresholdEnabled = 0;

    friend bool operator==(const ViewFlags&, const ViewFlags&) = default;
};

// The page the link hands the meter's answers to (DeviceLink's message target).
enum class TargetPage { Data, Threshold, Calibration };

// The order in which the rules run on every pass: the toolbar, left to right. The order
// matters: 32801 reads the flag that 32798 has just set, and the last rule that names a
// target page wins.
inline constexpr std::array<int, 9> kToolbarOrder{Cmd::Save,           Cmd::Open,
                                                  Cmd::Connect,        Cmd::Disconnect,
                                                  Cmd::DownloadData,   Cmd::DeleteCurrentData,
                                                  Cmd::DeleteAllData,  Cmd::DownloadThreshold,
                                                  Cmd::UploadThreshold};

// One run of the rules. `selectedTab` is the tab control's selection; `currentTab` the tab
// the view last accepted.
class CommandEnabling
{
public:
    CommandEnabling(const LinkSnapshot& link, int selectedTab, int currentTab, ViewFlags flags);

    // Runs the rule of one command and returns whether it is enabled; the rule may change
    // the flags and the target page. Commands without a rule (help, about) are always
    // enabled.
    bool Rule(int commandId);

    ViewFlags Flags() const { return flags_; }
    // The target page the rules named last; nullopt while none has named one.
    std::optional<TargetPage> Target() const { return target_; }

private:
    LinkSnapshot link_;
    int selectedTab_;
    int currentTab_;
    ViewFlags flags_;
    std::optional<TargetPage> target_;
};

// The outcome of a whole pass in toolbar order.
struct EnablingPass
{
    QList<QPair<int, bool>> states; // command id and enabled, in kToolbarOrder
    ViewFlags flags;
    std::optional<TargetPage> target;

    bool IsEnabled(int commandId) const;
};

EnablingPass RunEnablingPass(const LinkSnapshot& link, int selectedTab, int currentTab,
                             ViewFlags flags);

// A change of the selected tab, as the view accepts it.
struct TabChange
{
    int index; // the tab that stays selected: the requested one, or currentTab while busy
    ViewFlags flags;
    TargetPage target;
};

// While a record download runs the view refuses the change and stays on `currentTab`.
TabChange ChangeTab(int requestedTab, int currentTab, const LinkSnapshot& link, ViewFlags flags);
