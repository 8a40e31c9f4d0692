#pragma once

#include "sim/SimOptions.h"
#include "sim/VirtualMeter.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QObject>
#include <QRandomGenerator>
#include <QString>
#include <QTimer>

class QSocketNotifier;

// Puts a VirtualMeter behind a pseudo-terminal: the program opens DevicePath() as its
// serial port. Everything runs from the event loop of the thread the host lives on and
// never blocks, so the host may share the UI thread with the program that talks to it.
class PtyHost : public QObject
{
    Q_OBJECT

public:
    explicit PtyHost(const SimOptions& options, QObject* parent = nullptr);
    ~PtyHost() override;

    // Creates the pseudo-terminal pair (and the log file); false with ErrorString() set
    // when that fails.
    bool Open();
    QString ErrorString() const { return error_; }
    // The slave side, e.g. /dev/pts/3; empty before Open().
    QString DevicePath() const { return devicePath_; }
    // False before Open() and once the line has closed.
    bool IsOpen() const { return master_ >= 0; }

    VirtualMeter& Meter() { return meter_; }
    const VirtualMeter& Meter() const { return meter_; }
    // Frames with right check bytes taken from the line so far.
    int FramesReceived() const { return framesReceived_; }
    // True while answers wait to be written (a late answer and those queued behind it).
    bool HasUnsentAnswers() const { return !outgoing_.isEmpty(); }

Q_SIGNALS:
    // Every 31-byte candidate taken from the line, as logged, once the meter has acted on it.
    void FrameReceived(const QByteArray& frame, bool checksOk);
    // An answer the drop fault swallowed.
    void AnswerDropped(const QByteArray& answer);
    // The line is gone: the unplug fault, or the pseudo-terminal failed.
    void LineClosed();

private:
    struct Piece
    {
        QByteArray bytes;
        qint64 dueNs;      // on clock_
        QByteArray answer; // on an answer's last piece: the whole answer, for the timing file
    };

    void OnReadable();
    void HandleFrames();
    void Schedule(const QByteArray& answer, qint64 delayNs);
    void ArmWriteTimer();
    void WriteDuePiece();
    void WriteLog(const ReceivedFrame& frame);
    // One line of the timing file: "<ns> <what> <spaced hex>".
    void WriteTiming(const char* what, const QByteArray& frame);
    void CloseLine();
    void ReleaseLine();

    SimOptions options_;
    VirtualMeter meter_;
    QRandomGenerator faults_;
    QString devicePath_;
    QString error_;
    int master_ = -1;
    // The host's own descriptor of the slave: while it is open the master never reads EIO,
    // whether or not the program has the port open.
    int slaveKeeper_ = -1;
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
    QTimer writeTimer_;
    QElapsedTimer clock_;
    QList<Piece> outgoing_;
    qint64 lineFreeNs_ = 0; // when the last scheduled byte is through the paced line
    int framesReceived_ = 0;
    QFile log_;
    QFile timing_;
};
