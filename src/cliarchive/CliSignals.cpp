#include "cliarchive/CliSignals.h"

#include <QCoreApplication>
#include <atomic>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {

std::atomic<bool> keeping{false};
std::atomic<bool> archiving{false};
std::atomic<int> heldSignal{0};
// Made before any signal can come: the handler may only write bytes.
struct Line
{
    char bytes[256];
    size_t length = 0;
} stoppedLine, keptLine;

void Prepare(Line& line, const QString& text)
{
    const QByteArray bytes =
        "qx390d-cli: " + text.toLocal8Bit().left(sizeof(line.bytes) - 16) + '\n';
    std::memcpy(line.bytes, bytes.constData(), static_cast<size_t>(bytes.size()));
    line.length = static_cast<size_t>(bytes.size());
}

[[noreturn]] void End(int signal)
{
    // Once the archive's step has begun, the line says where the download is.
    const Line& line = archiving.load() ? keptLine : stoppedLine;
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line.bytes, line.length);
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
    Prepare(stoppedLine, QCoreApplication::translate("CliSession", "stopped"));
    Prepare(keptLine,
            QCoreApplication::translate("CliSession", "stopped; what was kept on this PC waits for "
                                                      "the archive's next successful connection"));
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    // A signal held back must not break off the file write it waits for.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        // nohup and a shell's `trap ''` hand these over ignored so that the run outlives the
        // terminal or the session: they stay ignored. SIGINT does not, as a shell ignores it
        // in every background job it starts.
        struct sigaction inherited = {};
        if (signal != SIGINT && sigaction(signal, nullptr, &inherited) == 0 &&
            inherited.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
    }
}

CliKeeping::CliKeeping()
{
    archiving.store(true);
    keeping.store(true);
}

void CliKeeping::Release()
{
    keeping.store(false);
    if (const int signal = heldSignal.exchange(0))
        End(signal);
}
