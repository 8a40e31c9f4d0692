#include "sim/PtyHost.h"

#include <QPointer>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// One byte on a 9600-baud 8N1 line takes ten bit times.
constexpr qint64 kByteNs = 10 * 1'000'000'000LL / 9600;
constexpr qint64 kNsPerMs = 1'000'000;

} // namespace

PtyHost::PtyHost(const SimOptions& options, QObject* parent)
    : QObject(parent), options_(options), meter_(options.meter), faults_(options.meter.seed)
{
    writeTimer_.setSingleShot(true);
    writeTimer_.setTimerType(Qt::PreciseTimer);
    connect(&writeTimer_, &QTimer::timeout, this, &PtyHost::WriteDuePiece);
}

PtyHost::~PtyHost()
{
    ReleaseLine();
}

bool PtyHost::Open()
{
    if (IsOpen())
        return true;
    const auto fail = [this](const char* what, int fd1 = -1, int fd2 = -1) {
        error_ = QStringLiteral("%1: %2").arg(QLatin1String(what), qt_error_string(errno));
        for (int fd : {fd1, fd2}) {
            if (fd >= 0)
                ::close(fd);
        }
        return false;
    };

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0)
        return fail("posix_openpt");
    char name[128];
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0)
        return fail("pseudo-terminal set-up", master);
    const int keeper = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (keeper < 0)
        return fail(name, master);
    // Raw, so the line discipline neither echoes nor translates the binary frames.
    termios settings{};
    if (::tcgetattr(keeper, &settings) != 0)
        return fail("tcgetattr", master, keeper);
    ::cfmakeraw(&settings);
    ::cfsetspeed(&settings, B9600);
    if (::tcsetattr(keeper, TCSANOW, &settings) != 0)
        return fail("tcsetattr", master, keeper);
    if (::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK) != 0)
        return fail("fcntl", master, keeper);

    if (!options_.logFile.isEmpty() && !log_.isOpen()) {
        log_.setFileName(options_.logFile);
        if (!log_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            error_ = QStringLiteral("%1: %2").arg(options_.logFile, log_.errorString());
            ::close(master);
            ::close(keeper);
            return false;
        }
    }

    if (!options_.timingFile.isEmpty() && !timing_.isOpen()) {
        timing_.setFileName(options_.timingFile);
        if (!timing_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            error_ = QStringLiteral("%1: %2").arg(options_.timingFile, timing_.errorString());
            log_.close();
            ::close(master);
            ::close(keeper);
            return false;
        }
    }

    master_ = master;
    slaveKeeper_ = keeper;
    devicePath_ = QString::fromLocal8Bit(name);
    readNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &PtyHost::OnReadable);
    writeNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Write, this);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_, &QSocketNotifier::activated, this, [this] {
        writeNotifier_->setEnabled(false);
        WriteDuePiece();
    });
    clock_.start();
    return true;
}

void PtyHost::OnReadable()
{
    char buffer[1024];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            meter_.Append(QByteArrayView(buffer, n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // End of file or EIO: the line is gone for good; stop watching it instead of
        // being woken again and again.
        CloseLine();
        return;
    }
    HandleFrames();
}

void PtyHost::HandleFrames()
{
    const QPointer<PtyHost> alive(this);
    while (const auto frame = meter_.NextFrame()) {
        WriteLog(*frame);
        WriteTiming("in", frame->bytes);
        bool unplug = false;
        std::optional<QByteArray> answer;
        if (frame->checksOk) {
            ++framesReceived_;
            unplug = options_.unplugAfter > 0 && framesReceived_ >= options_.unplugAfter;
            if (!unplug)
                answer = meter_.Answer(frame->bytes);
        }
        // Announced once the meter has acted on it, so a receiver sees the new state.
        Q_EMIT FrameReceived(frame->bytes, frame->checksOk);
        if (!alive)
            return;
        if (unplug) {
            CloseLine();
            return;
        }
        if (!answer)
            continue;
        if (options_.drop > 0.0 && faults_.generateDouble() < options_.drop) {
            Q_EMIT AnswerDropped(*answer);
            if (!alive)
                return;
            continue;
        }
        const bool late = options_.lateAnswer > 0 && framesReceived_ == options_.lateAnswer;
        Schedule(*answer, late ? options_.lateMs * kNsPerMs : 0);
    }
}

void PtyHost::Schedule(const QByteArray& answer, qint64 delayNs)
{
    QByteArray bytes(options_.noise, Qt::Uninitialized);
    for (char& b : bytes)
        b = static_cast<char>(faults_.bounded(256));
    bytes += answer;

    // A late answer starts after its delay. The meter answers in order: whatever it answers
    // next waits behind it.
    const qint64 start = clock_.nsecsElapsed() + delayNs;
    qint64 due = start;
    // On a real line the request took 31 byte times to arrive (the pseudo-terminal hands it
    // over at once), and an answer waits for the previous one to be through.
    if (options_.pace)
        due = std::max(start + VirtualMeter::kFrameSize * kByteNs, lineFreeNs_);
    const qsizetype size = options_.chunk > 0 ? options_.chunk : options_.pace ? 1 : bytes.size();
    for (qsizetype at = 0; at < bytes.size(); at += size) {
        QByteArray piece = bytes.mid(at, size);
        // A piece leaves when its last byte is through the line.
        if (options_.pace)
            due += piece.size() * kByteNs;
        outgoing_.append({std::move(piece), due, {}});
    }
    outgoing_.last().answer = answer;
    lineFreeNs_ = due;
    ArmWriteTimer();
}

void PtyHost::ArmWriteTimer()
{
    if (outgoing_.isEmpty() || writeTimer_.isActive() || writeNotifier_->isEnabled())
        return;
    const qint64 wait = outgoing_.constFirst().dueNs - clock_.nsecsElapsed();
    // Timers count whole milliseconds: rounded to the nearest one, a piece leaves within
    // half a millisecond of its time, early or late, so an answer ends on time on average.
    // Due times are absolute, so the rounding does not add up over an answer.
    writeTimer_.start(wait > 0 ? static_cast<int>((wait + kNsPerMs / 2) / kNsPerMs) : 0);
}

void PtyHost::WriteDuePiece()
{
    if (outgoing_.isEmpty() || !IsOpen())
        return;
    if (outgoing_.constFirst().dueNs > clock_.nsecsElapsed() + kNsPerMs / 2) {
        ArmWriteTimer();
        return;
    }
    // One piece per turn of the event loop, so the pieces of an unpaced answer do not
    // merge into one write.
    Piece& head = outgoing_.first();
    const ssize_t n = ::write(master_, head.bytes.constData(), head.bytes.size());
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        CloseLine();
        return;
    }
    if (n > 0)
        head.bytes.remove(0, n);
    if (!head.bytes.isEmpty()) {
        // The program is not reading: wait until the line takes bytes again.
        writeNotifier_->setEnabled(true);
        return;
    }
    if (!head.answer.isEmpty())
        WriteTiming("out", head.answer);
    outgoing_.removeFirst();
    ArmWriteTimer();
}

void PtyHost::WriteLog(const ReceivedFrame& frame)
{
    if (!log_.isOpen())
        return;
    log_.write(VirtualMeter::LogLine(frame).toLatin1() + '\n');
    // Flushed per line: a test reads the file while the simulator still runs.
    log_.flush();
}

void PtyHost::WriteTiming(const char* what, const QByteArray& frame)
{
    if (!timing_.isOpen())
        return;
    // Steady, so another process's readings of the same clock compare with these.
    const qint64 ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                          std::chrono::steady_clock::now().time_since_epoch())
                          .count();
    // Buffered: the file is complete when the meter stops, and no write to disk delays an
    // answer meanwhile.
    timing_.write(QByteArray::number(ns) + ' ' + what + ' ' + frame.toHex(' ') + '\n');
}

void PtyHost::CloseLine()
{
    if (!IsOpen())
        return;
    ReleaseLine();
    Q_EMIT LineClosed();
}

void PtyHost::ReleaseLine()
{
    writeTimer_.stop();
    outgoing_.clear();
    // Deferred: this may run inside a notifier's own signal.
    for (QSocketNotifier** notifier : {&readNotifier_, &writeNotifier_}) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            (*notifier)->deleteLater();
            *notifier = nullptr;
        }
    }
    for (int* fd : {&master_, &slaveKeeper_}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}
