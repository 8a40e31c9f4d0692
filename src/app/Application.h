#pragma once

#include "startup/CommandLine.h"
#include "startup/InstanceGuard.h"
#include "startup/SecondCopyCall.h"
#include "link/DeviceLink.h"

#include <QCoreApplication>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class MainWindow;
class ConnectionCommands;
class ProgramArchive;
class QSettings;
class FileDialogs;
class Prompter;

// The application object: start-up with the single-instance guard, the main window, the
// connection commands behind its Manage menu, the archive that keeps every download and
// import, and the exit.
class Application
{
public:
    static QString secondCopyMessage()
    {
        return QCoreApplication::translate("Application",
                                           "There has been a same software operating now!");
    }

    Application(Prompter& prompter, FileDialogs& dialogs, ProgramOptions options = {},
                QString lockDirectory = InstanceGuard::DefaultDirectory());
    ~Application();

    // Starts the virtual meter of --demo: its device path, or nothing with the reason in
    // `error`.
    using DemoMeterStart = std::function<std::optional<QString>(QString* error)>;

    // True when the program is to run its event loop: this is the only running copy and
    // the main window is up; a second copy that calls then brings its window forward. A
    // second copy calls the first, tells the operator and returns false without creating a
    // window. With --demo `startDemoMeter` starts the virtual meter, which is
    // connected to as the Connect command does once the window is shown; a meter that
    // cannot start makes start-up fail with the reason in `error`.
    bool Start(QString* error = nullptr, const DemoMeterStart& startDemoMeter = {});
    // Ends what must not outlive the event loop; returns the process exit code.
    int Finish(int loopResult);

    MainWindow* Window() const { return window_.get(); }
    ConnectionCommands* Commands() const { return commands_.get(); }
    ProgramArchive* Archive() const { return archive_.get(); }
    DeviceLink& Link() { return link_; }

private:
    Prompter& prompter_;
    FileDialogs& dialogs_;
    ProgramOptions options_;
    // Held for the life of the process; the kernel releases it at exit.
    InstanceGuard instanceGuard_;
    SecondCopyCall secondCopies_;
    // Outlives the window and the commands, which use it to their end.
    DeviceLink link_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<ConnectionCommands> commands_;
    std::unique_ptr<QSettings> settings_;
    // Goes first: what it has queued is written before the window goes.
    std::unique_ptr<ProgramArchive> archive_;
};
