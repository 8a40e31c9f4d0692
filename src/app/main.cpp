// qx390d: the QX390D power meter's data-management program.

#include "app/Application.h"
#include "app/MessageBoxPrompter.h"
#include "archive/store/ArchiveStore.h"
#include "common/ProgramTranslations.h"
#include "sim/PtyHost.h"
#include "startup/CommandLine.h"
#include "startup/TermSignal.h"

#include <QApplication>
#include <cstdio>
#include <memory>

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // Answered before the window system starts, so they work without a display; a core
    // application of their own brings them in the desktop's language.
    CommandLine commandLine;
    {
        QCoreApplication answers(argc, argv);
        InstallTranslations(answers);
        commandLine = ParseCommandLine(arguments, qEnvironmentVariable("QX390D_ARCHIVE"));
        if (commandLine.outcome != CommandLine::Outcome::Run) {
            std::fputs(qPrintable(commandLine.text),
                       commandLine.outcome == CommandLine::Outcome::Error ? stderr : stdout);
            return commandLine.ExitCode();
        }
        // Without a display the toolkit would abort; say why instead.
        if (const QString problem =
                MissingDisplayText(commandLine.options, QProcessEnvironment::systemEnvironment());
            !problem.isEmpty()) {
            std::fputs(qPrintable(problem), stderr);
            return 1;
        }
    }

    QApplication qtApp(argc, argv);
    // The window never waits on a database: the archive's threads do (a warning otherwise).
    ArchiveStore::ForbidOnThisThread(true);
    InstallTranslations(qtApp);
    const TermSignal term;
    QApplication::setApplicationName(applicationName);
    // The per-user settings (the file dialogs' last folder): ~/.config/QX390D/QX390D.conf.
    QApplication::setOrganizationName(applicationName);
    // Ties the window to the installed menu entry and its icon (Wayland's app id).
    QGuiApplication::setDesktopFileName(QStringLiteral("com.ardenvale.qx390d"));

    MessageBoxPrompter prompter;
    QtFileDialogs dialogs;
    // The virtual meter of --demo lives as long as the program; it runs on this thread's
    // event loop.
    std::unique_ptr<PtyHost> meter;
    const auto startDemoMeter = [&meter](QString* error) -> std::optional<QString> {
        SimOptions options;
        options.pace = true;
        meter = std::make_unique<PtyHost>(options);
        if (!meter->Open()) {
            *error = QCoreApplication::translate("Program", "the virtual meter cannot start: %1")
                         .arg(meter->ErrorString());
            return std::nullopt;
        }
        std::fputs(
            qPrintable(QCoreApplication::translate("Program", "qx390d: virtual meter on %1\n")
                           .arg(meter->DevicePath())),
            stdout);
        std::fflush(stdout);
        return meter->DevicePath();
    };
    Application app(prompter, dialogs, commandLine.options);
    QString error;
    if (!app.Start(&error, startDemoMeter)) {
        if (!error.isEmpty())
            std::fprintf(stderr, "qx390d: %s\n", qPrintable(error));
        return 1;
    }
    return app.Finish(QApplication::exec());
}
