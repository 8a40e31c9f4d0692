#include "cli/CliSignals.h"

#include <QCoreApplication>
#include <atomic>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {

std::atomic<bool> keeping{false};
std::atomic<int> heldSignal{0};
// Made before any signal can come: the handler may only write bytes.
char endingLine[256];
size_t endingLength = 0;

[[noreturn]] void End(int signal)
{
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, endingLine, endingLength);
    ::_exit(128 + signal);
}

void OnSignal(int signal)
{
    if (keeping.load()) {
        heldSignal.store(signal);
        return;
    }
    End(signal);
}

} // namespace

void InstallCliSignals()
{
    const QByteArray line =
        "qx390d-cli: " +
        QCoreApplication::translate("CliSession", "stopped; what was kept on this PC waits for "
                                                  "the archive's next successful connection")
            .toLocal8Bit()
            .left(sizeof(endingLine) - 16) +
        '\n';
    std::memcpy(endingLine, line.constData(), static_cast<size_t>(line.size()));
    endingLength = static_cast<size_t>(line.size());
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    // A signal held back must not break off the file write it waits for.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

CliKeeping::CliKeeping()
{
    keeping.store(true);
}

void CliKeeping::Release()
{
    keeping.store(false);
    if (const int signal = heldSignal.exchange(0))
        End(signal);
}
