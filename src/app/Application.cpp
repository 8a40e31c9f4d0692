#include "app/Application.h"

#include "app/MainWindow.h"
#include "common/Prompter.h"
#include "link/ConnectionCommands.h"
#include "link/DeviceLink.h"
#include "sim/PtyHost.h"

#include <QTimer>

Application::Application(Prompter& prompter, FileDialogs& dialogs, ProgramOptions options,
                         QString lockDirectory)
    : prompter_(prompter), dialogs_(dialogs), options_(std::move(options)),
      instanceGuard_(std::move(lockDirectory))
{
}

Application::~Application() = default;

bool Application::Start(QString* error)
{
    // A lock file that cannot be used leaves the program unguarded rather than unusable.
    if (instanceGuard_.Acquire() == InstanceGuard::Outcome::HeldElsewhere) {
        prompter_.Show(nullptr, promptCaption, secondCopyMessage, Prompter::Ok,
                       Prompter::Icon::None);
        return false;
    }

    QString port = options_.port;
    if (options_.demo) {
        SimOptions meter;
        meter.pace = true;
        demoMeter_ = std::make_unique<PtyHost>(meter);
        if (!demoMeter_->Open()) {
            if (error)
                *error = QStringLiteral("the virtual meter cannot start: %1")
                             .arg(demoMeter_->ErrorString());
            return false;
        }
        port = demoMeter_->DevicePath();
    }

    window_ = std::make_unique<MainWindow>(prompter_, dialogs_);
    commands_ = std::make_unique<ConnectionCommands>(prompter_, window_.get(), port);
    window_->AttachCommands(*commands_);
    DeviceLink::Instance()->SetPrompter(&prompter_, window_.get());
    window_->show();
    // The demo meter is there to be tried at once: connect as the menu command would, once
    // the window is up.
    if (options_.demo)
        QTimer::singleShot(0, commands_.get(), &ConnectionCommands::Connect);
    return true;
}

int Application::Finish(int loopResult)
{
    DeviceLink::Instance()->ShutDown();
    return loopResult;
}
