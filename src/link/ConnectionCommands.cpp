#include "link/ConnectionCommands.h"

#include "common/Prompter.h"
#include "link/DeviceLink.h"
#include "link/PortFinder.h"
#include "link/PortIdentity.h"
#include "link/SerialPort.h"

#include <QTimer>

namespace Text {
QString DeleteAllQuestion()
{
    return ConnectionCommands::tr("Do you want to delete all data?");
}
// "Delete the <count>th test data?"
QString DeleteQuestion(int count)
{
    return ConnectionCommands::tr("Delete the %1th test data?").arg(count);
}
QString ConnectFailed()
{
    return ConnectionCommands::tr("Conneced Fail!");
}
QString NoPort()
{
    return ConnectionCommands::tr("Open port failed,Please make sure the equipment  is turned "
                                  "on or connection is normal!");
}
QString Disconnected()
{
    return ConnectionCommands::tr("Connection has been disconnected!");
}
QString NothingToDelete()
{
    return ConnectionCommands::tr("Have no data can be deleted!");
}
// Already the meter's own Chinese ("the key cannot be opened in the registry"), in every
// language.
const QString ClassUnreadable = QStringLiteral("在注册表中无法打开键 ");
} // namespace Text

ConnectionCommands::ConnectionCommands(DeviceLink& link, Prompter& prompter, QWidget* owner,
                                       QString fixedPort, QString sysfsRoot, QObject* parent)
    : QObject(parent), link_(link), prompter_(prompter), owner_(owner),
      fixedPort_(std::move(fixedPort)), sysfsRoot_(std::move(sysfsRoot)),
      portFactory_([] { return new SerialPort; }), handshakeTimer_(new QTimer(this))
{
    handshakeTimer_->setSingleShot(true);
    connect(handshakeTimer_, &QTimer::timeout, this, &ConnectionCommands::OnHandshakeLimit);
    // A confirmed connection needs the limit no more; left running it would wake the idle
    // program once for nothing.
    connect(&link_.State(), &LinkState::Changed, this, [this] {
        if (!link_.State().connected || !handshakeTimer_->isActive())
            return;
        handshakeTimer_->stop();
        RememberMeterSerial(PortIdentityOf(link_.State().portName).serial);
    });
    // A link that closes ends a connect attempt still under way (the port was lost, even
    // while "Connected Success!" was open); whoever closed it has told the operator.
    connect(&link_, &DeviceLink::Closed, this, [this] {
        handshakeTimer_->stop();
        link_.State().connectPending = false;
    });
}

void ConnectionCommands::SetPortFactory(std::function<SerialPortDriver*()> factory)
{
    portFactory_ = std::move(factory);
}

void ConnectionCommands::Connect()
{
    LinkState& state = link_.State();
    if (state.connectPending)
        return;
    state.connectPending = true;

    QString device = fixedPort_;
    if (device.isEmpty()) {
        const QString root = sysfsRoot_;
        switch (PortFinder([root] { return SystemPorts(root); }).Find(&device)) {
        case PortFinder::Result::Found:
            break;
        case PortFinder::Result::ClassUnreadable:
            prompter_.Notify(owner_, Text::ClassUnreadable);
            state.connectPending = false;
            return;
        case PortFinder::Result::NoDevice:
            prompter_.Notify(owner_, Text::NoPort(), Prompter::Icon::Warning);
            state.connectPending = false;
            return;
        }
    }
    state.portName = device;

    link_.SetPort(portFactory_());
    link_.StartReception();
    // The meter needs a moment after its port appears; the window keeps working meanwhile.
    QTimer::singleShot(openDelayMs_, this, &ConnectionCommands::OpenAfterDelay);
}

void ConnectionCommands::OpenAfterDelay()
{
    QString error;
    if (link_.OpenPort(&error)) {
        handshakeTimer_->start(kAnswerLimitMs);
        Q_EMIT ConnectAttemptEnded(true);
        return;
    }
    link_.StopReception();
    link_.SetPort(nullptr);
    prompter_.Notify(owner_, error.isEmpty() ? Text::ConnectFailed() : error);
    link_.State().connectPending = false;
    Q_EMIT ConnectAttemptEnded(false);
}

void ConnectionCommands::OnHandshakeLimit()
{
    LinkState& state = link_.State();
    if (!state.connectPending || state.connected || link_.HandshakeAnswered())
        return;
    link_.ClosePort();
    state.connectPending = false;
    prompter_.Notify(owner_, Text::ConnectFailed());
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
    link_.State().downloadBusy = false;
    link_.ClosePort();
    prompter_.Notify(owner_, Text::Disconnected());
}

void ConnectionCommands::DownloadRecords()
{
    link_.Send([](CommandFrame& f) {
        f.ClearFrame();
        f.SetCode(MeterCode::RequestRecord);
        f.PutUInt16BE(3, 0);
    });
}

void ConnectionCommands::DownloadThresholds()
{
    link_.Send([](CommandFrame& f) {
        f.ClearFrame();
        f.SetCode(MeterCode::ThresholdPart1);
        f[3] = 1;
    });
}

void ConnectionCommands::UploadThresholds()
{
    link_.PostToTarget({MeterMessage::Kind::UploadStart});
}

void ConnectionCommands::DeleteCurrent()
{
    const quint16 count = link_.State().storedRecordCount;
    if (count == 0) {
        prompter_.Notify(owner_, Text::NothingToDelete());
        return;
    }
    // No is the default button of both delete questions: a stray Enter deletes nothing.
    if (prompter_.ConfirmDestructive(owner_, Text::DeleteQuestion(count)))
        link_.DeleteCurrentRecord();
}

void ConnectionCommands::DeleteAll()
{
    if (link_.State().storedRecordCount == 0) {
        prompter_.Notify(owner_, Text::NothingToDelete());
        return;
    }
    if (!prompter_.ConfirmDestructive(owner_, Text::DeleteAllQuestion()))
        return;
    link_.Send([](CommandFrame& f) {
        f.ClearFrame();
        f.SetCode(MeterCode::DeleteAll);
    });
    link_.State().storedRecordCount = 0;
}
