#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM (the session ending, `kill`) ends the program as File → Exit does, but without its
// question: the event loop quits, so the port is closed and the settings are written on the
// way out. The handler only writes a byte to a pipe; the loop reads it.
class TermSignal : public QObject
{
    Q_OBJECT

public:
    // Installs the handler; one object at a time.
    explicit TermSignal(QObject* parent = nullptr);
    ~TermSignal() override;

private:
    void OnSignal();

    QSocketNotifier* notifier_ = nullptr;
};
