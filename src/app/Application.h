#pragma once

#include "app/CommandLine.h"
#include "app/InstanceGuard.h"

#include <QString>
#include <memory>

class MainWindow;
class ConnectionCommands;
class FileDialogs;
class Prompter;
class PtyHost;

// The application object: start-up with the single-instance guard, the main window and
// the connection commands behind its Manage menu, and the exit.
class Application
{
public:
    inline static const QString secondCopyMessage =
        QStringLiteral("There has been a same software operating now!");

    Application(Prompter& prompter, FileDialogs& dialogs, ProgramOptions options = {},
                QString lockDirectory = InstanceGuard::DefaultDirectory());
    ~Application();

    // True when the program is to run its event loop: this is the only running copy and
    // the main window is up. A second copy tells the operator and returns false without
    // creating a window. With --demo the virtual meter is started and, once the window is
    // shown, connected to as the Connect command does; a meter that cannot start makes
    // start-up fail with the reason in `error`.
    bool Start(QString* error = nullptr);
    // Ends what must not outlive the event loop; returns the process exit code.
    int Finish(int loopResult);

    MainWindow* Window() const { return window_.get(); }
    ConnectionCommands* Commands() const { return commands_.get(); }
    // The virtual meter of --demo; nullptr otherwise.
    PtyHost* DemoMeter() const { return demoMeter_.get(); }

private:
    Prompter& prompter_;
    FileDialogs& dialogs_;
    ProgramOptions options_;
    // Held for the life of the process; the kernel releases it at exit.
    InstanceGuard instanceGuard_;
    std::unique_ptr<PtyHost> demoMeter_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<ConnectionCommands> commands_;
};
