#pragma once

#include "app/InstanceGuard.h"

#include <QString>
#include <memory>

class CMainFrame;
class FileDialogs;
class Prompter;

// The application object: start-up with the single-instance guard, the main window, and
// the exit.
class CQX390DApp
{
public:
    inline static const QString secondCopyMessage =
        QStringLiteral("There has been a same software operating now!");

    CQX390DApp(Prompter& prompter, FileDialogs& dialogs,
               QString lockDirectory = InstanceGuard::DefaultDirectory());
    ~CQX390DApp();

    // True when the program is to run its event loop: this is the only running copy and
    // the main window is up. A second copy tells the operator and returns false without
    // creating a window.
    bool InitInstance();
    // Ends what must not outlive the event loop; returns the process exit code.
    int ExitInstance(int loopResult);

    CMainFrame* MainFrame() const { return mainFrame_.get(); }

private:
    Prompter& prompter_;
    FileDialogs& dialogs_;
    // Held for the life of the process; the kernel releases it at exit.
    InstanceGuard instanceGuard_;
    std::unique_ptr<CMainFrame> mainFrame_;
};
