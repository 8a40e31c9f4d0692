// qx390d-xls-reader: reads one Excel 97-2003 workbook for the programs beside it (see
// XlsReaderProcess.h). The workbook comes on standard input, the answer goes to standard
// output; the limits come as arguments and are set before the first byte is read.
#include "sheets/Sheet.h"
#include "sheets/XlsReaderProcess.h"
#include "sheets/XlsSheet.h"

#include <QByteArray>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int kUsageExit = 2;

bool SetLimit(int resource, rlim_t soft, rlim_t hard)
{
    const rlimit limit{soft, hard};
    return ::setrlimit(resource, &limit) == 0;
}

// The workbook, but no more than SheetLimits::kXlsBytes + 1 bytes.
bool ReadInput(QByteArray* bytes)
{
    char buffer[1 << 16];
    while (bytes->size() <= SheetLimits::kXlsBytes) {
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            break;
        bytes->append(buffer, got);
    }
    return true;
}

bool WriteOutput(const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written =
            ::write(STDOUT_FILENO, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    XlsReaderLimits limits;
    int rows = Sheet::kRows;
    for (int i = 1; i + 1 < argc; i += 2) {
        bool ok = false;
        if (std::strcmp(argv[i], "--cpu-seconds") == 0)
            limits.cpuSeconds = QByteArray(argv[i + 1]).toInt(&ok);
        else if (std::strcmp(argv[i], "--memory-bytes") == 0)
            limits.memoryBytes = QByteArray(argv[i + 1]).toLongLong(&ok);
        else if (std::strcmp(argv[i], "--rows") == 0)
            rows = QByteArray(argv[i + 1]).toInt(&ok);
        if (!ok) {
            std::fprintf(stderr,
                         "usage: qx390d-xls-reader [--cpu-seconds N] [--memory-bytes N] [--rows N] "
                         "< WORKBOOK.xls\n");
            return kUsageExit;
        }
    }
    if (argc % 2 == 0) {
        std::fprintf(stderr, "qx390d-xls-reader: %s needs a value\n", argv[argc - 1]);
        return kUsageExit;
    }
    // The soft limit sends SIGXCPU, which ends the process; the hard one a second later
    // SIGKILL, should SIGXCPU be blocked.
    if (!SetLimit(RLIMIT_CPU, rlim_t(limits.cpuSeconds), rlim_t(limits.cpuSeconds) + 1)) {
        std::perror("qx390d-xls-reader: processor time limit");
        return EXIT_FAILURE;
    }
    // A sanitizer's shadow memory takes terabytes of address space: such a build runs
    // without the memory limit.
#ifndef QX_SANITIZED
    if (!SetLimit(RLIMIT_AS, rlim_t(limits.memoryBytes), rlim_t(limits.memoryBytes))) {
        std::perror("qx390d-xls-reader: memory limit");
        return EXIT_FAILURE;
    }
#endif

    QByteArray workbook;
    if (!ReadInput(&workbook)) {
        std::perror("qx390d-xls-reader: reading the workbook");
        return EXIT_FAILURE;
    }
    QString reason;
    const std::unique_ptr<Sheet> sheet = ReadXlsSheet(workbook, &reason, rows);
    if (!WriteOutput(XlsReaderAnswer(sheet.get(), reason))) {
        std::perror("qx390d-xls-reader: writing the answer");
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
