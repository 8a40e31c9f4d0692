#include "app/CommandEnabling.h"

CommandEnabling::CommandEnabling(const LinkSnapshot& link, int selectedTab, int currentTab,
                                 ViewFlags flags)
    : link_(link), selectedTab_(selectedTab), currentTab_(currentTab), flags_(flags)
{
}

bool CommandEnabling::Rule(int commandId)
{
    switch (commandId) {
    case Cmd::DownloadData:
        if (link_.connected && selectedTab_ == DataTab) {
            flags_.downloadEnabled = 1;
            flags_.thresholdEnabled = 0;
            target_ = TargetPage::Data;
        }
        // A running download keeps its answers on the data page.
        if (!link_.connected || link_.downloadBusy) {
            flags_.downloadEnabled = 0;
            flags_.thresholdEnabled = 0;
            target_ = TargetPage::Data;
        }
        return flags_.downloadEnabled != 0;
    case Cmd::DownloadThreshold:
        if (link_.connected) {
            if (selectedTab_ == ThresholdTab) {
                flags_.downloadEnabled = 0;
                flags_.thresholdEnabled = 1;
                target_ = TargetPage::Threshold;
            }
        } else {
            flags_.downloadEnabled = 0;
            flags_.thresholdEnabled = 0;
            target_ = TargetPage::Threshold;
        }
        return flags_.thresholdEnabled != 0;
    case Cmd::UploadThreshold:
        return flags_.thresholdEnabled != 0;
    case Cmd::DeleteCurrentData:
    case Cmd::DeleteAllData:
        flags_.deleteEnabled = link_.storedRecordCount != 0 && selectedTab_ == DataTab &&
                               link_.connected && !link_.downloadBusy;
        return flags_.deleteEnabled != 0;
    case Cmd::Connect:
        return !link_.connected;
    case Cmd::Disconnect:
        return link_.connected;
    case Cmd::Open:
    case Cmd::Save:
        return currentTab_ == DataTab && !link_.downloadBusy;
    }
    return true;
}

bool EnablingPass::IsEnabled(int commandId) const
{
    for (const auto& [id, enabled] : states) {
        if (id == commandId)
            return enabled;
    }
    return true;
}

EnablingPass RunEnablingPass(const LinkSnapshot& link, int selectedTab, int currentTab,
                             ViewFlags flags)
{
    CommandEnabling rules(link, selectedTab, currentTab, flags);
    EnablingPass pass;
    for (const int id : kToolbarOrder)
        pass.states.append({id, rules.Rule(id)});
    pass.flags = rules.Flags();
    pass.target = rules.Target();
    return pass;
}

TabChange ChangeTab(int requestedTab, int currentTab, const LinkSnapshot& link, ViewFlags flags)
{
    const int index = link.downloadBusy ? currentTab : requestedTab;
    switch (index) {
    case DataTab:
        if (link.connected)
            flags = {.downloadEnabled = 1, .deleteEnabled = 0, .thresholdEnabled = 0};
        return {index, flags, TargetPage::Data};
    case ThresholdTab:
        if (link.connected)
            flags = {.downloadEnabled = 0, .deleteEnabled = 0, .thresholdEnabled = 1};
        return {index, flags, TargetPage::Threshold};
    }
    return {index, ViewFlags{}, TargetPage::Calibration};
}
