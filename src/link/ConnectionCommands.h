#pragma once

#include "link/ExchangeWatch.h"

#include <QObject>
#include <QString>
#include <functional>

class DeviceLink;
class Prompter;
class QTimer;
class QWidget;
class SerialPortDriver;

// The Manage menu's connection and device commands. Each handler does its work or tells
// the operator; none tests the link state (the view enables them only when they apply).
class ConnectionCommands : public QObject
{
    Q_OBJECT

public:
    // The commands act on `link`; `owner` owns every box; `sysfsRoot` is where the ports'
    // drivers are read (tests pass a fake tree); a non-empty `fixedPort` is used instead of
    // searching. The serial number of a meter that answers the handshake is remembered, so
    // the next search prefers its port.
    ConnectionCommands(DeviceLink& link, Prompter& prompter, QWidget* owner, QString fixedPort = {},
                       QString sysfsRoot = QStringLiteral("/sys"), QObject* parent = nullptr);

    // How a port object is made at every connect (tests may substitute a stub).
    void SetPortFactory(std::function<SerialPortDriver*()> factory);
    void SetOpenDelay(int ms) { openDelayMs_ = ms; }

    void Connect();
    void Disconnect();
    void DownloadRecords();
    void DownloadThresholds();
    void UploadThresholds();
    void DeleteCurrent();
    void DeleteAll();

    // The handshake's limit (kAnswerLimitMs) passes now, as when its time runs out; false
    // when none was running. Tests use it rather than wait on the clock.
    bool ExpireHandshakeLimit();

Q_SIGNALS:
    // A connect attempt has ended: opened and handshake sent (true) or given up (false).
    void ConnectAttemptEnded(bool opened);

private:
    void OpenAfterDelay();
    void OnHandshakeLimit();

    DeviceLink& link_;
    Prompter& prompter_;
    QWidget* owner_;
    QString fixedPort_;
    QString sysfsRoot_;
    std::function<SerialPortDriver*()> portFactory_;
    QTimer* handshakeTimer_;
    int openDelayMs_ = 1000;
};
