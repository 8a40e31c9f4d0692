// qx390d-cli: the QX390D power meter from scripts and terminals, without a display.

#include "cli/CliCommandLine.h"
#include "cli/CliSession.h"
#include "cliarchive/CliArchive.h"
#include "cliarchive/CliSignals.h"
#include "common/ProgramTranslations.h"
#include "sim/PtyHost.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <memory>
#include <unistd.h>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qx390d-cli"));
    // The messages in the desktop's language; what the commands output never changes with it.
    InstallTranslations(app);

    const CliCommandLine commandLine =
        ParseCliCommandLine(QCoreApplication::arguments(), qEnvironmentVariable("QX390D_ARCHIVE"));
    switch (commandLine.outcome) {
    case CliCommandLine::Outcome::Help:
    case CliCommandLine::Outcome::Version:
        std::fputs(qPrintable(commandLine.text), stdout);
        return commandLine.ExitCode();
    case CliCommandLine::Outcome::Error:
        std::fprintf(stderr, "qx390d-cli: %s\n", qPrintable(commandLine.text));
        return commandLine.ExitCode();
    case CliCommandLine::Outcome::Run:
        break;
    }

    InstallCliSignals();
    CliOptions options = commandLine.options;
    QFile out;
    QFile err;
    out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    if (options.command == CliCommand::Archive)
        return RunArchiveCommand(options.archive, {options.output, options.format, options.quiet},
                                 out, err);

    std::unique_ptr<PtyHost> meter;
    if (options.demo) {
        SimOptions demo;
        demo.pace = true;
        meter = std::make_unique<PtyHost>(demo);
        if (!meter->Open()) {
            std::fprintf(stderr, "qx390d-cli: %s\n",
                         qPrintable(QCoreApplication::translate(
                                        "CliSession", "the virtual meter cannot start: %1")
                                        .arg(meter->ErrorString())));
            return ExitNoPort;
        }
        options.port = meter->DevicePath();
    }

    CliSession session(options, out, err, ::isatty(STDERR_FILENO) == 1);
    return session.Run();
}
