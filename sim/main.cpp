// qx390d-meter-sim: the virtual meter on a pseudo-terminal, for trying and testing the
// program without a meter.

#include "sim/PtyHost.h"
#include "sim/SimOptions.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The handler only writes a byte here; the event loop reads it and quits.
int signalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[0], &byte, 1);
    errno = saved;
}

bool CatchStopSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0)
        return false;
    struct sigaction action
    {
    };
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0 &&
           ::sigaction(SIGTERM, &action, nullptr) == 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qx390d-meter-sim"));

    const SimCommandLine commandLine = ParseSimCommandLine(QCoreApplication::arguments());
    switch (commandLine.outcome) {
    case SimCommandLine::Help:
        std::fputs(qPrintable(commandLine.message), stdout);
        return 0;
    case SimCommandLine::Error:
        std::fprintf(stderr, "qx390d-meter-sim: %s\nTry --help.\n",
                     qPrintable(commandLine.message));
        return 2;
    case SimCommandLine::Run:
        break;
    }

    // Before the path is printed, so a stop signal sent right after it ends us cleanly.
    if (!CatchStopSignals()) {
        std::perror("qx390d-meter-sim: signal set-up");
        return 1;
    }
    QSocketNotifier stopNotifier(signalPipe[1], QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, &app, [] {
        char bytes[16];
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[1], bytes, sizeof bytes);
        QCoreApplication::quit();
    });

    PtyHost host(commandLine.options);
    if (!host.Open()) {
        std::fprintf(stderr, "qx390d-meter-sim: %s\n", qPrintable(host.ErrorString()));
        return 1;
    }
    QObject::connect(&host, &PtyHost::LineClosed, &app, [] {
        std::fputs("qx390d-meter-sim: line closed; waiting for a stop signal\n", stderr);
    });

    std::printf("%s\n", qPrintable(host.DevicePath()));
    std::fflush(stdout);
    return app.exec();
}
