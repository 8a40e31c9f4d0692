#include "app/CQX390DApp.h"

#include "app/CMainFrame.h"
#include "common/Prompter.h"
#include "link/DeviceLink.h"

CQX390DApp::CQX390DApp(Prompter& prompter, FileDialogs& dialogs, QString lockDirectory)
    : prompter_(prompter), dialogs_(dialogs), instanceGuard_(std::move(lockDirectory))
{
}

CQX390DApp::~CQX390DApp() = default;

bool CQX390DApp::InitInstance()
{
    // A lock file that cannot be used leaves the program unguarded rather than unusable.
    if (instanceGuard_.Acquire() == InstanceGuard::Outcome::HeldElsewhere) {
        prompter_.Show(nullptr, promptCaption, secondCopyMessage, Prompter::Ok,
                       Prompter::Icon::None);
        return false;
    }
    mainFrame_ = std::make_unique<CMainFrame>(prompter_, dialogs_);
    mainFrame_->show();
    return true;
}

int CQX390DApp::ExitInstance(int loopResult)
{
    DeviceLink::Instance()->ShutDown();
    return loopResult;
}
