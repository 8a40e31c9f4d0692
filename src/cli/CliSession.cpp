#include "cli/CliSession.h"

#include "calibration/Calibration.h"
#include "cli/CliArchive.h"
#include "cli/RecordJson.h"
#include "data/CsvExport.h"
#include "data/DataTexts.h"
#include "link/CMSComm.h"
#include "link/ConnectionCommands.h"
#include "link/DeviceLink.h"
#include "link/LinkState.h"
#include "link/MeterEvent.h"
#include "link/MeterMessages.h"
#include "link/PortFinder.h"
#include "link/ResponseDispatcher.h"
#include "link/ResponseFrame.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QSaveFile>
#include <bit>

namespace {

constexpr int kThresholdParts = 9;
constexpr int kAllThresholdParts = (1 << kThresholdParts) - 1;

} // namespace

CliSession::CliSession(const CliOptions& options, QIODevice& out, QIODevice& err,
                       bool errIsTerminal)
    : options_(options), out_(out), err_(err), showProgress_(errIsTerminal && !options.quiet),
      prompter_(options.yes), download_(table_, prompter_, nullptr, [](quint16 index) {
          DeviceLink::Instance()->RequestRecord(index);
      })
{
    prompter_.onBox = [this](const QString& text) {
        OnBox(text);
    };
    answerLimit_.setSingleShot(true);
    connect(&answerLimit_, &QTimer::timeout, this, [this] {
        Finish(ExitFailed, QStringLiteral("the meter did not answer %1 within %2 s")
                               .arg(awaited_)
                               .arg(kAnswerLimitMs / 1000));
    });
    connect(LinkStateChanges::Instance(), &LinkStateChanges::Changed, this, [this] {
        if (stage_ == Stage::Handshake && linkConnected)
            StartCommand();
    });
    DeviceLink* link = DeviceLink::Instance();
    connect(link, &DeviceLink::PortLost, this, [this] {
        portLost_ = true;
        Finish(ExitFailed,
               QStringLiteral("the meter's port went away (unplugged or switched off?)"));
    });
    connect(link, &DeviceLink::FrameSent, this, [this] { ++framesSent_; });
    // The link's own watch on the download and upload answers says where the meter stopped.
    connect(link, &DeviceLink::ExchangeStalled, this, [this](const QString& text) {
        if (stage_ != Stage::Done)
            Finish(ExitFailed, text);
    });
}

CliSession::~CliSession() = default;

int CliSession::Run()
{
    if (options_.command == CliCommand::Ports)
        return ListPorts();
    if (!options_.thresholdFile.isEmpty()) {
        // The file is checked in full before anything is sent or downloaded.
        QString error;
        std::optional<ThresholdFile> file = ReadThresholdFile(options_.thresholdFile, &error);
        if (!file) {
            Finish(ExitUsage, error);
            return exitCode_;
        }
        thresholds_ = *file;
        for (int g = 1; g <= ThresholdTable::kGroups; ++g)
            thresholds_.table.MarkKnown(g);
    }
    if (!options_.output.isEmpty()) {
        // Opened now, so an output that cannot be written is known before the meter is
        // asked for anything; it replaces the old file only once complete.
        outputFile_ = std::make_unique<QSaveFile>(options_.output);
        if (!outputFile_->open(QIODevice::WriteOnly)) {
            Finish(ExitFailed, QStringLiteral("cannot write %1: %2")
                                   .arg(options_.output, outputFile_->errorString()));
            return exitCode_;
        }
    }
    if (Connect())
        loop_.exec();
    Close();
    // What arrived is kept, a broken-off download too, marked so. A failed run keeps to
    // its one error line: no note of the archive's.
    if (downloadStarted_) {
        CliOptions archiving = options_;
        archiving.quiet = options_.quiet || exitCode_ != ExitDone;
        ArchiveCliDownload(archiving, device_, table_.Rows(), recordCount_, downloadCompleted_,
                           portLost_, err_);
    }
    return exitCode_;
}

int CliSession::ListPorts()
{
    QStringList ports;
    if (!options_.port.isEmpty()) {
        ports << options_.port;
    } else {
        switch (PortFinder().Candidates(&ports)) {
        case PortFinder::Result::ClassUnreadable:
            Finish(ExitNoPort, QStringLiteral("the serial ports cannot be listed: "
                                              "/sys/class/tty cannot be read"));
            return exitCode_;
        case PortFinder::Result::NoDevice:
            Note(QStringLiteral("no USB serial port of the cdc_acm or cp210x driver"));
            break;
        case PortFinder::Result::Found:
            break;
        }
    }
    for (const QString& port : std::as_const(ports))
        out_.write(port.toLocal8Bit() + '\n');
    return ExitDone;
}

bool CliSession::Connect()
{
    QString device = options_.port;
    if (device.isEmpty()) {
        QStringList candidates;
        switch (PortFinder().Candidates(&candidates)) {
        case PortFinder::Result::ClassUnreadable:
            Finish(ExitNoPort, QStringLiteral("the serial ports cannot be listed: "
                                              "/sys/class/tty cannot be read"));
            return false;
        case PortFinder::Result::NoDevice:
            Finish(ExitNoPort, QStringLiteral("no meter found: no USB serial port of the "
                                              "cdc_acm or cp210x driver (name one with --port)"));
            return false;
        case PortFinder::Result::Found:
            device = candidates.constFirst();
            break;
        }
    }

    // As the Connect command does, without its pause: the port is there already.
    portName = device;
    device_ = device;
    DeviceLink* link = DeviceLink::Instance();
    link->SetPrompter(&prompter_, nullptr);
    link->targetWindow = this;
    commands_ = std::make_unique<ConnectionCommands>(prompter_, nullptr, device);
    link->SetCommControl(new CMSComm);
    link->linkActive = 0;
    link->StartReception();
    QString error;
    if (!link->OpenPort(&error)) {
        link->StopReception();
        link->SetCommControl(nullptr);
        // The port's text names the device and, for a permission error, the dialout group.
        error.replace(QLatin1Char('\n'), QLatin1String(". "));
        Finish(ExitNoPort, QStringLiteral("cannot open %1").arg(error.isEmpty() ? device : error));
        return false;
    }
    stage_ = Stage::Handshake;
    Await(QStringLiteral("the connect handshake"));
    return true;
}

void CliSession::StartCommand()
{
    switch (options_.command) {
    case CliCommand::Records:
        stage_ = Stage::Records;
        downloadStarted_ = true;
        Await(QStringLiteral("the request for record 1"));
        commands_->DownloadRecords();
        break;
    case CliCommand::DeleteLast:
    case CliCommand::DeleteAll:
        stage_ = Stage::CountRecords;
        Await(QStringLiteral("the request for record 1"));
        commands_->DownloadRecords();
        break;
    case CliCommand::ThresholdsGet:
        stage_ = Stage::ThresholdDownload;
        Await(QStringLiteral("threshold part 1 of 9"));
        commands_->DownloadThresholds();
        break;
    case CliCommand::ThresholdsSet:
        stage_ = Stage::ThresholdUpload;
        // As the page does when an upload really starts.
        uploadGroupCounter = 0;
        UploadPart(1, 1);
        break;
    case CliCommand::Calibrate:
    case CliCommand::FactoryDefault: {
        // The meter does not answer a calibration; done once the frame is on its way.
        stage_ = Stage::Calibrate;
        Await(QStringLiteral("the calibration command"));
        const int before = framesSent_;
        if (options_.command == CliCommand::Calibrate)
            SendCalibration(options_.channel, options_.reference);
        else
            SendFactoryDefault();
        if (framesSent_ > before)
            Finish(ExitDone, options_.command == CliCommand::Calibrate
                                 ? QStringLiteral("calibrated %1 to %2 dBm")
                                       .arg(CalibrationChannelName(options_.channel))
                                       .arg(static_cast<double>(options_.reference))
                                 : QStringLiteral("restored the factory calibration"));
        break;
    }
    case CliCommand::Ports:
    case CliCommand::Archive:
        break;
    }
}

bool CliSession::event(QEvent* event)
{
    if (event->type() != MeterEvent::EventType())
        return QObject::event(event);
    const auto* m = static_cast<MeterEvent*>(event);
    switch (m->message) {
    case WM_METER_RECORD:
        if (stage_ == Stage::Records)
            OnRecord(m->copy);
        else if (stage_ == Stage::CountRecords)
            OnCount(m->copy);
        break;
    case WM_METER_RECORD_DELETED:
        if (stage_ == Stage::Delete)
            Finish(ExitDone, m->param == 0 ? QStringLiteral("deleted all records")
                                           : QStringLiteral("deleted record %1").arg(m->param));
        break;
    case WM_METER_THR_PART1:
    case WM_METER_THR_PART2:
    case WM_METER_THR_PART3:
        if (stage_ == Stage::ThresholdDownload)
            OnThresholdPart(m->message == WM_METER_THR_PART1   ? 1
                            : m->message == WM_METER_THR_PART2 ? 2
                                                               : 3,
                            m->copy);
        break;
    case WM_METER_UPLOAD_GROUP:
    case WM_METER_UPLOAD_PART2:
    case WM_METER_UPLOAD_PART3:
        if (stage_ == Stage::ThresholdUpload)
            UploadPart(m->message == WM_METER_UPLOAD_GROUP   ? 1
                       : m->message == WM_METER_UPLOAD_PART2 ? 2
                                                             : 3,
                       m->param);
        break;
    default:
        break;
    }
    return true;
}

void CliSession::OnRecord(const QByteArray& copy)
{
    // The table is filled by the data page's own download logic, which also asks for the
    // next record; the decoded values are kept beside it for JSON.
    if (const std::optional<MeasurementRecord> record =
            MeasurementRecord::Decode(ResponseFrame(copy))) {
        recordCount_ = record->count;
        if (record->index == 0 || records_.size() == record->count)
            records_.clear();
        if (record->count > 0 && record->count <= RecordDownload::kMaxRecords) {
            records_.append(*record);
            const int next = record->index + 1;
            Progress(QStringLiteral("record %1/%2").arg(next).arg(record->count));
            Await(next < record->count ? QStringLiteral("the request for record %1 of %2")
                                             .arg(next + 1)
                                             .arg(record->count)
                                       : QStringLiteral("the end of the download"));
        }
    }
    download_.OnMeterRecord(copy);
}

void CliSession::OnCount(const QByteArray& copy)
{
    const std::optional<MeasurementRecord> record = MeasurementRecord::Decode(ResponseFrame(copy));
    if (!record)
        return;
    // As the data page keeps it from every record answer; the delete commands read it.
    storedRecordCount = static_cast<qint16>(record->count);
    if (record->count == 0) {
        Finish(ExitDone, QStringLiteral("the meter holds no records; nothing was deleted"));
        return;
    }
    stage_ = Stage::Delete;
    Await(QStringLiteral("the delete command"));
    if (options_.command == CliCommand::DeleteLast)
        commands_->DeleteCurrent();
    else
        commands_->DeleteAll();
}

void CliSession::OnThresholdPart(int part, const QByteArray& copy)
{
    const std::optional<ThresholdAnswer> answer = DecodeThresholdAnswer(part, copy);
    if (!answer)
        return;
    StoreThresholdAnswer(thresholds_.table, part, *answer);
    // The name of part 3 is the one that stays, as on the page.
    if (PartLayout(part).hasName)
        thresholds_.names[static_cast<size_t>(answer->group - 1)] = answer->name;
    partsReceived_ |= 1 << ((answer->group - 1) * 3 + part - 1);
    const int received = std::popcount(static_cast<unsigned>(partsReceived_));
    Progress(QStringLiteral("threshold part %1/%2").arg(received).arg(kThresholdParts));
    Await(received < kThresholdParts
              ? QStringLiteral("threshold part %1 of %2").arg(received + 1).arg(kThresholdParts)
              : QStringLiteral("the end of the threshold download"));
}

void CliSession::EndThresholdDownload()
{
    if (stage_ != Stage::ThresholdDownload)
        return;
    if (partsReceived_ != kAllThresholdParts) {
        Finish(ExitFailed, QStringLiteral("the meter's threshold answers were incomplete "
                                          "(%1 of %2 parts)")
                               .arg(std::popcount(static_cast<unsigned>(partsReceived_)))
                               .arg(kThresholdParts));
        return;
    }
    FinishWithOutput(ThresholdFileJson(thresholds_),
                     QStringLiteral("downloaded the three threshold groups"));
}

void CliSession::UploadPart(int part, int group)
{
    if (!ThresholdTable::IsGroupNumber(group))
        return;
    // The cells the page would hold after loading the file, read as the page reads them.
    const ThresholdPart layout = PartLayout(part);
    QStringList texts;
    for (int i = layout.first; i < layout.first + layout.count; ++i)
        texts << LimitCellText(thresholds_.table.Group(group).limits[static_cast<size_t>(i)]);
    ++partsSent_;
    Progress(QStringLiteral("upload part %1/%2").arg(partsSent_).arg(kThresholdParts));
    Await(QStringLiteral("the upload of group %1, part %2").arg(group).arg(part));
    SendUploadPart(thresholds_.table, part, group, texts);
}

void CliSession::OnBox(const QString& text)
{
    if (stage_ == Stage::Done)
        return;
    if (stage_ == Stage::Records && text == DataText::DownloadComplete) {
        downloadCompleted_ = true;
        FinishWithOutput(RecordOutput(),
                         QStringLiteral("downloaded %1 records").arg(table_.RowCount()));
    } else if (stage_ == Stage::Records && text == DataText::NoDataToDownload) {
        downloadCompleted_ = recordCount_ == 0;
        if (recordCount_ == 0)
            FinishWithOutput(RecordOutput(), QStringLiteral("the meter holds no records"));
        else
            Finish(ExitFailed, QStringLiteral("the meter reports %1 records; at most %2 can "
                                              "be downloaded")
                                   .arg(recordCount_)
                                   .arg(RecordDownload::kMaxRecords));
    } else if (stage_ == Stage::ThresholdDownload &&
               text == DispatchText::ThresholdDownloadComplete) {
        // The last part's answer is already queued for this object; it is handled first.
        QMetaObject::invokeMethod(this, &CliSession::EndThresholdDownload, Qt::QueuedConnection);
    } else if (stage_ == Stage::ThresholdUpload && text == DispatchText::ThresholdUploadComplete) {
        Finish(ExitDone, QStringLiteral("uploaded the three threshold groups"));
    }
    // The rest needs no word here: the handshake's confirmation and the loss of the port
    // come as link state, and questions are answered by --yes.
}

void CliSession::Await(const QString& what)
{
    awaited_ = what;
    answerLimit_.start(kAnswerLimitMs);
}

void CliSession::Progress(const QString& text)
{
    if (!showProgress_)
        return;
    err_.write('\r' + text.toLocal8Bit());
    progressShown_ = true;
}

void CliSession::Note(const QString& text)
{
    if (options_.quiet)
        return;
    if (progressShown_)
        err_.write("\n");
    progressShown_ = false;
    err_.write(text.toLocal8Bit() + '\n');
}

void CliSession::Finish(int code, const QString& message)
{
    if (stage_ == Stage::Done)
        return;
    stage_ = Stage::Done;
    answerLimit_.stop();
    exitCode_ = code;
    if (code != ExitDone) {
        if (progressShown_)
            err_.write("\n");
        progressShown_ = false;
        err_.write("qx390d-cli: " + message.toLocal8Bit() + '\n');
    } else if (!message.isEmpty()) {
        Note(message);
    }
    loop_.quit();
}

QByteArray CliSession::RecordOutput() const
{
    if (options_.format == RecordFormat::Csv)
        return BuildCsv(table_);
    return RecordsJson(records_, options_.thresholdFile.isEmpty() ? nullptr : &thresholds_.table);
}

void CliSession::FinishWithOutput(const QByteArray& content, const QString& note)
{
    if (!outputFile_) {
        if (out_.write(content) != content.size()) {
            Finish(ExitFailed,
                   QStringLiteral("cannot write to standard output: %1").arg(out_.errorString()));
            return;
        }
    } else if (outputFile_->write(content) != content.size() || !outputFile_->commit()) {
        Finish(
            ExitFailed,
            QStringLiteral("cannot write %1: %2").arg(options_.output, outputFile_->errorString()));
        return;
    }
    Finish(ExitDone, note);
}

void CliSession::Close()
{
    DeviceLink* link = DeviceLink::Instance();
    // A box the reception thread may still be waiting on is answered before it is stopped.
    QCoreApplication::processEvents();
    link->ShutDown();
    link->ClosePort();
    link->targetWindow = nullptr;
    link->SetPrompter(nullptr, nullptr);
}
