#include "app/Application.h"

#include "app/MainWindow.h"
#include "app/ProgramArchive.h"
#include "common/Prompter.h"
#include "link/ConnectionCommands.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTimer>

Application::Application(Prompter& prompter, FileDialogs& dialogs, ProgramOptions options,
                         QString lockDirectory)
    : prompter_(prompter), dialogs_(dialogs), options_(std::move(options)),
      instanceGuard_(std::move(lockDirectory))
{
}

Application::~Application()
{
    archive_.reset();
    // The window that owns the link's boxes goes first.
    link_.ShutDown();
    link_.SetPrompter(nullptr, nullptr);
}

bool Application::Start(QString* error, const DemoMeterStart& startDemoMeter)
{
    // A lock file that cannot be used leaves the program unguarded rather than unusable.
    const InstanceGuard::Outcome guard = instanceGuard_.Acquire();
    const QString callDirectory = QFileInfo(instanceGuard_.FilePath()).absolutePath();
    if (guard == InstanceGuard::Outcome::HeldElsewhere) {
        // The running copy comes forward, then this one says why it ends.
        SecondCopyCall::Ask(callDirectory);
        prompter_.Show(nullptr, promptCaption(), secondCopyMessage(), Prompter::Ok,
                       Prompter::Icon::None);
        return false;
    }

    QString port = options_.port;
    if (options_.demo && startDemoMeter) {
        const std::optional<QString> device = startDemoMeter(error);
        if (!device)
            return false;
        port = *device;
    }

    window_ = std::make_unique<MainWindow>(link_, prompter_, dialogs_);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window_->FitTo(screen->availableGeometry());
    commands_ = std::make_unique<ConnectionCommands>(link_, prompter_, window_.get(), port);
    window_->AttachCommands(*commands_);
    settings_ = std::make_unique<QSettings>();
    archive_ = std::make_unique<ProgramArchive>(options_, link_, prompter_, dialogs_, *settings_);
    archive_->Attach(*window_);
    link_.SetPrompter(&prompter_, window_.get());
    window_->show();
    if (guard == InstanceGuard::Outcome::Owned && secondCopies_.Listen(callDirectory)) {
        QObject::connect(&secondCopies_, &SecondCopyCall::Asked, window_.get(), [this] {
            window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
            window_->show();
            window_->raise();
            window_->activateWindow();
        });
    }
    // The demo meter is there to be tried at once: connect as the menu command would, once
    // the window is up.
    if (options_.demo)
        QTimer::singleShot(0, commands_.get(), &ConnectionCommands::Connect);
    return true;
}

int Application::Finish(int loopResult)
{
    link_.ShutDown();
    return loopResult;
}
