#include "sheets/XlsReaderProcess.h"

#include "sheets/Sheet.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMutex>
#include <QProcess>
#include <QtEndian>
#include <algorithm>
#include <csignal>

namespace {

const QByteArray kMagic = QByteArrayLiteral("QX390D-XLS 1\n");
constexpr char kSheet = 'S';
constexpr char kError = 'E';

// The reader's answer is read no further: a table of 100 records takes some kilobytes.
constexpr qint64 kMaxAnswerBytes = 16 << 20;
// After a kill, the process is gone at once; this only bounds the wait for the kernel.
constexpr int kReapMilliseconds = 5000;

QMutex limitsLock;
XlsReaderLimits limitsInForce;

void AppendText(QByteArray& answer, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    char length[4];
    qToBigEndian<quint32>(quint32(utf8.size()), length);
    answer.append(length, 4);
    answer += utf8;
}

// Takes one text from the front of `answer`; false when it is cut short or not UTF-8.
bool TakeText(QByteArrayView& answer, QString* text)
{
    if (answer.size() < 4)
        return false;
    const quint32 length = qFromBigEndian<quint32>(answer.data());
    answer = answer.sliced(4);
    if (length > quint32(answer.size()))
        return false;
    const QByteArrayView utf8 = answer.first(length);
    if (!utf8.isValidUtf8())
        return false;
    *text = QString::fromUtf8(utf8);
    answer = answer.sliced(length);
    return true;
}

QString NoAnswer()
{
    return QCoreApplication::translate(
        "SheetReader", "The reader of Excel 97-2003 workbooks gave no valid answer (%1).");
}

} // namespace

XlsReaderLimits XlsReaderLimitsInForce()
{
    const QMutexLocker lock(&limitsLock);
    return limitsInForce;
}

void SetXlsReaderLimits(const XlsReaderLimits& limits)
{
    const QMutexLocker lock(&limitsLock);
    limitsInForce = limits;
}

QByteArray XlsReaderAnswer(const Sheet* sheet, const QString& reason)
{
    QByteArray answer = kMagic;
    if (!sheet) {
        answer += kError;
        AppendText(answer, reason);
        return answer;
    }
    answer += kSheet;
    for (int row = 1; row <= sheet->Rows(); ++row) {
        for (int column = 0; column < Sheet::kColumns; ++column)
            AppendText(answer, sheet->CellText(char('A' + column), row));
    }
    return answer;
}

std::unique_ptr<Sheet> ParseXlsReaderAnswer(QByteArrayView answer, QString* reason, int rows)
{
    const QString damaged = NoAnswer().arg(
        QCoreApplication::translate("SheetReader", "its answer is incomplete or damaged"));
    if (!answer.startsWith(kMagic) || answer.size() < kMagic.size() + 1) {
        *reason = damaged;
        return nullptr;
    }
    const char kind = answer[kMagic.size()];
    answer = answer.sliced(kMagic.size() + 1);
    if (kind == kError) {
        if (!TakeText(answer, reason) || !answer.isEmpty() || reason->isEmpty())
            *reason = damaged;
        return nullptr;
    }
    if (kind != kSheet) {
        *reason = damaged;
        return nullptr;
    }
    // Whole rows, no more than were asked for.
    auto sheet = std::make_unique<SheetCells>(rows);
    for (qint64 cell = 0; !answer.isEmpty() || cell % Sheet::kColumns != 0; ++cell) {
        QString text;
        if (cell >= qint64(rows) * Sheet::kColumns || !TakeText(answer, &text)) {
            *reason = damaged;
            return nullptr;
        }
        sheet->SetCellText(char('A' + cell % Sheet::kColumns), int(cell / Sheet::kColumns) + 1,
                           text);
    }
    return sheet;
}

std::unique_ptr<Sheet> ReadXlsSheetInReader(const QByteArray& workbook, QString* reason, int rows)
{
    const XlsReaderLimits limits = XlsReaderLimitsInForce();
    const QString program = QDir(QCoreApplication::applicationDirPath()).filePath(xlsReaderName);
    QElapsedTimer clock;
    clock.start();
    QProcess reader;
    // What the reader says on its standard error (a sanitizer's report) goes where ours goes.
    reader.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    reader.start(program, {QStringLiteral("--cpu-seconds"), QString::number(limits.cpuSeconds),
                           QStringLiteral("--memory-bytes"), QString::number(limits.memoryBytes),
                           QStringLiteral("--rows"), QString::number(rows)});
    if (!reader.waitForStarted(limits.waitMilliseconds)) {
        *reason =
            QCoreApplication::translate(
                "SheetReader", "The reader of Excel 97-2003 workbooks (%1) cannot be started: %2.")
                .arg(QDir::toNativeSeparators(program), reader.errorString());
        return nullptr;
    }
    reader.write(workbook);
    reader.closeWriteChannel();

    // The import waits here, as for any file it reads, but never beyond the limit.
    QByteArray answer;
    bool late = false;
    bool tooLong = false;
    while (reader.state() != QProcess::NotRunning) {
        const qint64 left = limits.waitMilliseconds - clock.elapsed();
        if (left <= 0) {
            late = true;
            break;
        }
        // A reader that has closed its output is waited for to its end, not polled.
        if (!reader.waitForReadyRead(int(left)))
            reader.waitForFinished(
                int(std::max<qint64>(0, limits.waitMilliseconds - clock.elapsed())));
        answer += reader.readAllStandardOutput();
        if (answer.size() > kMaxAnswerBytes) {
            tooLong = true;
            break;
        }
    }
    if (late || tooLong) {
        reader.kill();
        reader.waitForFinished(kReapMilliseconds);
    }
    answer += reader.readAllStandardOutput();

    // The kernel stops a reader at its processor time limit with SIGXCPU, and with SIGKILL
    // at the hard limit a second later.
    const bool crashed = reader.exitStatus() == QProcess::CrashExit;
    if (late || (crashed && (reader.exitCode() == SIGXCPU || reader.exitCode() == SIGKILL))) {
        *reason = QCoreApplication::translate(
            "SheetReader", "It could not be read in time: the reader of Excel 97-2003 "
                           "workbooks was stopped at its time limit.");
        return nullptr;
    }
    if (tooLong || answer.size() > kMaxAnswerBytes) {
        *reason = QCoreApplication::translate(
                      "SheetReader", "Its cells hold more than %1 MB of text; a table of 100 "
                                     "records takes far less.")
                      .arg(kMaxAnswerBytes >> 20);
        return nullptr;
    }
    if (crashed) {
        *reason = NoAnswer().arg(
            QCoreApplication::translate("SheetReader", "it crashed; the workbook may be damaged"));
        return nullptr;
    }
    if (reader.exitCode() != 0) {
        *reason =
            NoAnswer().arg(QCoreApplication::translate("SheetReader", "it ended with exit code %1")
                               .arg(reader.exitCode()));
        return nullptr;
    }
    return ParseXlsReaderAnswer(answer, reason, rows);
}
