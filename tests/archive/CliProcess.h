#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTest>
#include <memory>

// qx390d-cli as a separate process, with the environment the test gives it; started at
// once, so that several run side by side, and waited for with a bound while the test's own
// event loop (an in-process virtual meter) goes on.
class CliProcess
{
public:
    CliProcess(const QStringList& arguments, const QProcessEnvironment& extra = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        env.insert(extra);
        process_.setProcessEnvironment(env);
        process_.start(QStringLiteral(QX390D_CLI), arguments);
    }

    // Waits for the end; the exit code, -1 after a crash or `timeoutMs` (TimedOut()).
    int Finish(int timeoutMs = 60000)
    {
        if (!QTest::qWaitFor([&] { return process_.state() == QProcess::NotRunning; }, timeoutMs)) {
            timedOut_ = true;
            process_.kill();
            process_.waitForFinished();
            return -1;
        }
        out_ = process_.readAllStandardOutput();
        err_ = QString::fromUtf8(process_.readAllStandardError());
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }

    bool TimedOut() const { return timedOut_; }
    qint64 Pid() const { return process_.processId(); }
    const QByteArray& Out() const { return out_; }
    const QString& Err() const { return err_; }

private:
    QProcess process_;
    QByteArray out_;
    QString err_;
    bool timedOut_ = false;
};
