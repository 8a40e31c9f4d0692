#include "link/ConnectionCommands.h"

#include "common/Prompter.h"
#include "link/CMSComm.h"
#include "link/DeviceLink.h"
#include "link/LinkState.h"
#include "link/MeterEvent.h"
#include "link/MeterMessages.h"
#include "link/PortFinder.h"

#include <QCoreApplication>
#include <QTimer>

namespace Text {
const QString DeleteAllQuestion = QStringLiteral("Do you want to delete all data?");
const QString DeleteBefore = QStringLiteral("Delete the ");
const QString DeleteAfter = QStringLiteral("th test data?");
const QString ConnectFailed = QStringLiteral("Conneced Fail!");
const QString NoPort = QStringLiteral(
    "Open port failed,Please make sure the equipment  is turned on or connection is normal!");
const QString Disconnected = QStringLiteral("Connection has been disconnected!");
const QString NothingToDelete = QStringLiteral("Have no data can be deleted!");
const QString ClassUnreadable = QStringLiteral("在注册表中无法打开键 ");
} // namespace Text

ConnectionCommands::ConnectionCommands(Prompter& prompter, QWidget* owner, QString fixedPort,
                                       QString sysfsRoot, QObject* parent)
    : QObject(parent), prompter_(prompter), owner_(owner), fixedPort_(std::move(fixedPort)),
      sysfsRoot_(std::move(sysfsRoot)), portFactory_([] { return new CMSComm; }),
      handshakeTimer_(new QTimer(this))
{
    handshakeTimer_->setSingleShot(true);
    connect(handshakeTimer_, &QTimer::timeout, this, &ConnectionCommands::OnHandshakeLimit);
    // A confirmed connection needs the limit no more; left running it would wake the idle
    // program once for nothing.
    connect(LinkStateChanges::Instance(), &LinkStateChanges::Changed, this, [this] {
        if (linkConnected)
            handshakeTimer_->stop();
    });
    // A link that closes ends a connect attempt still under way (the port was lost, even
    // while "Connected Success!" was open); whoever closed it has told the operator.
    connect(DeviceLink::Instance(), &DeviceLink::Closed, this, [this] {
        handshakeTimer_->stop();
        connectPending = 0;
    });
}

void ConnectionCommands::SetPortFactory(std::function<SerialPortDriver*()> factory)
{
    portFactory_ = std::move(factory);
}

void ConnectionCommands::Connect()
{
    if (connectPending)
        return;
    connectPending = 1;

    QString device = fixedPort_;
    if (device.isEmpty()) {
        switch (PortFinder(sysfsRoot_).Find(&device)) {
        case PortFinder::Result::Found:
            break;
        case PortFinder::Result::ClassUnreadable:
            prompter_.Notify(owner_, Text::ClassUnreadable);
            connectPending = 0;
            return;
        case PortFinder::Result::NoDevice:
            prompter_.Notify(owner_, Text::NoPort, Prompter::Icon::Warning);
            connectPending = 0;
            return;
        }
    }
    portName = device;

    DeviceLink* link = DeviceLink::Instance();
    link->SetCommControl(portFactory_());
    link->linkActive = 0;
    link->StartReception();
    // The meter needs a moment after its port appears; the window keeps working meanwhile.
    QTimer::singleShot(openDelayMs_, this, &ConnectionCommands::OpenAfterDelay);
}

void ConnectionCommands::OpenAfterDelay()
{
    DeviceLink* link = DeviceLink::Instance();
    QString error;
    if (link->OpenPort(&error)) {
        handshakeTimer_->start(kAnswerLimitMs);
        Q_EMIT ConnectAttemptEnded(true);
        return;
    }
    link->StopReception();
    link->SetCommControl(nullptr);
    prompter_.Notify(owner_, error.isEmpty() ? Text::ConnectFailed : error);
    connectPending = 0;
    Q_EMIT ConnectAttemptEnded(false);
}

void ConnectionCommands::OnHandshakeLimit()
{
    DeviceLink* link = DeviceLink::Instance();
    if (!connectPending || linkConnected || link->HandshakeAnswered())
        return;
    link->ClosePort();
    connectPending = 0;
    prompter_.Notify(owner_, Text::ConnectFailed);
}

bool ConnectionCommands::ExpireHandshakeLimit()
{
    if (!handshakeTimer_->isActive())
        return false;
    handshakeTimer_->stop();
    OnHandshakeLimit();
    return true;
}

void ConnectionCommands::Disconnect()
{
    handshakeTimer_->stop();
    downloadBusy = 0;
    DeviceLink::Instance()->ClosePort();
    prompter_.Notify(owner_, Text::Disconnected);
}

void ConnectionCommands::DownloadRecords()
{
    DeviceLink::Instance()->Send([](CommandFrame& f) {
        f.ClearFrame();
        f.SetCode(MeterCode::RequestRecord);
        f.PutUInt16BE(3, 0);
    });
}

void ConnectionCommands::DownloadThresholds()
{
    DeviceLink::Instance()->Send([](CommandFrame& f) {
        f.ClearFrame();
        f.SetCode(MeterCode::ThresholdPart1);
        f[3] = 1;
    });
}

void ConnectionCommands::UploadThresholds()
{
    if (QObject* target = DeviceLink::Instance()->targetWindow)
        QCoreApplication::postEvent(target, new MeterEvent(WM_METER_UPLOAD_START, {}, 0));
}

void ConnectionCommands::DeleteCurrent()
{
    const qint16 count = storedRecordCount;
    if (count == 0) {
        prompter_.Notify(owner_, Text::NothingToDelete);
        return;
    }
    if (prompter_.Confirm(owner_, Text::DeleteBefore + QString::number(count) + Text::DeleteAfter))
        DeviceLink::Instance()->DeleteCurrentRecord();
}

void ConnectionCommands::DeleteAll()
{
    if (storedRecordCount == 0) {
        prompter_.Notify(owner_, Text::NothingToDelete);
        return;
    }
    if (!prompter_.Confirm(owner_, Text::DeleteAllQuestion))
        return;
    DeviceLink::Instance()->Send([](CommandFrame& f) {
        f.ClearFrame();
        f.SetCode(MeterCode::DeleteAll);
    });
    storedRecordCount = 0;
}
