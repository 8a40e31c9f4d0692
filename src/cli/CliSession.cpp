#include "cli/CliSession.h"

#include "calibration/Calibration.h"
#include "cli/CliPorts.h"
#include "cli/RecordJson.h"
#include "cliarchive/CliArchive.h"
#include "common/OutputFile.h"
#include "export/CsvExport.h"
#include "link/ConnectionCommands.h"
#include "link/DeviceLink.h"
#include "link/PortFinder.h"
#include "link/PortIdentity.h"
#include "link/ResponseDispatcher.h"
#include "link/SerialPort.h"
#include "protocol/ResponseFrame.h"
#include "records/RecordTexts.h"
#include "thresholds/ThresholdPreset.h"

#include <QCoreApplication>
#include <QIODevice>
#include <bit>
#include <csignal>

namespace {

constexpr int kThresholdParts = 9;
constexpr int kAllThresholdParts = (1 << kThresholdParts) - 1;

} // namespace

CliSession::CliSession(const CliOptions& options, QIODevice& out, QIODevice& err,
                       bool errIsTerminal)
    : options_(options), out_(out), err_(err), showProgress_(errIsTerminal && !options.quiet),
      prompter_(options.yes), download_(link_, table_, prompter_, nullptr)
{
    prompter_.onBox = [this](const QString& text) {
        OnBox(text);
    };
    answerLimit_.setSingleShot(true);
    connect(&answerLimit_, &QTimer::timeout, this, [this] {
        Finish(
            ExitFailed,
            tr("the meter did not answer %1 within %2 s").arg(awaited_).arg(kAnswerLimitMs / 1000));
    });
    connect(&link_.State(), &LinkState::Changed, this, [this] {
        if (stage_ != Stage::Handshake || !link_.State().connected)
            return;
        // The meter answered: the next search prefers the port with its serial number.
        RememberMeterSerial(PortIdentityOf(device_).serial);
        StartCommand();
    });
    connect(&link_, &DeviceLink::PortLost, this, [this] {
        Finish(ExitFailed, tr("the meter's port went away (unplugged or switched off?)"));
    });
    download_.SetEndedHandler(
        [this](DownloadEnding how, int expected, const QList<QStringList>& rows) {
            ended_ = EndedDownload{how, expected, rows};
        });
    connect(&link_, &DeviceLink::FrameSent, this, [this] { ++framesSent_; });
    // The link's own watch on the download and upload answers says where the meter stopped.
    connect(&link_, &DeviceLink::ExchangeStalled, this, [this](const QString& text) {
        if (stage_ != Stage::Done)
            Finish(ExitFailed, text);
    });
}

CliSession::~CliSession() = default;

int CliSession::Run()
{
    if (options_.command == CliCommand::Ports)
        return ListPorts();
    if (options_.command == CliCommand::ThresholdPresets)
        return ListThresholdPresets();
    if (!options_.preset.isEmpty() && !FindPreset())
        return exitCode_;
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
        WarnLimitOrder();
    }
    // The archive a download goes to is settled before the meter is asked for anything: an
    // option that cannot be used stops the run with nothing sent.
    if (options_.command == CliCommand::Records && !options_.archive.off) {
        archiveTarget_ = options_.archive.where.TargetOrDefault();
        if (!archiveTarget_) {
            Finish(ExitUsage, options_.archive.where.error);
            return exitCode_;
        }
    }
    // Opened now, so an output that cannot be written is known before the meter is asked
    // for anything; a file is replaced only once complete.
    output_ = std::make_unique<OutputFile>(
        options_.output.isEmpty() ? QStringLiteral("-") : options_.output, out_);
    if (QString error; !output_->Open(&error)) {
        Finish(ExitFailed, error);
        return exitCode_;
    }
    if (Connect())
        loop_.exec();
    // Before the port closes, which the download would take for the operator's disconnect.
    download_.StopWaiting();
    Close();
    // What arrived is kept, a broken-off download too, marked so. A failed run keeps to
    // its one error line: no note of the archive's.
    if (downloadStarted_ && archiveTarget_) {
        KeepDownload();
        const bool archived = keeping_->Send(options_.quiet || exitCode_ != ExitDone, err_);
        // `records -o x && delete all` must not clear the meter of records kept nowhere.
        if ((keptNowhere_ || !archived) && exitCode_ == ExitDone)
            exitCode_ = ExitNotArchived;
    }
    return exitCode_;
}

int CliSession::ListPorts()
{
    QList<PortRecord> ports;
    if (!options_.port.isEmpty()) {
        ports << DescribePort(options_.port);
    } else {
        switch (PortFinder().CandidatePorts(&ports)) {
        case PortFinder::Result::ClassUnreadable:
            Finish(ExitNoPort, tr("the serial ports cannot be listed: "
                                  "/sys/class/tty cannot be read"));
            return exitCode_;
        case PortFinder::Result::NoDevice:
            if (options_.udevRule) {
                Finish(ExitNoPort, tr("no meter found: no USB serial port of the "
                                      "cdc_acm or cp210x driver (name one with --port)"));
                return exitCode_;
            }
            Note(tr("no USB serial port of the cdc_acm or cp210x driver"));
            break;
        case PortFinder::Result::Found:
            break;
        }
    }
    if (options_.udevRule) {
        // The rule is for the port the tool would connect to.
        const QString rule = UdevRule(ports.constFirst());
        if (rule.isEmpty()) {
            Finish(ExitNoPort, tr("%1 reports no USB vendor and product ids: no rule can "
                                  "match it")
                                   .arg(ports.constFirst().device));
            return exitCode_;
        }
        out_.write(rule.toUtf8());
        return ExitDone;
    }
    for (const PortRecord& port : std::as_const(ports))
        out_.write(PortLine(port).toLocal8Bit() + '\n');
    return ExitDone;
}

bool CliSession::Connect()
{
    QString device = options_.port;
    if (device.isEmpty()) {
        QStringList candidates;
        switch (PortFinder().Candidates(&candidates)) {
        case PortFinder::Result::ClassUnreadable:
            Finish(ExitNoPort, tr("the serial ports cannot be listed: "
                                  "/sys/class/tty cannot be read"));
            return false;
        case PortFinder::Result::NoDevice:
            Finish(ExitNoPort, tr("no meter found: no USB serial port of the "
                                  "cdc_acm or cp210x driver (name one with --port)"));
            return false;
        case PortFinder::Result::Found:
            device = candidates.constFirst();
            break;
        }
    }

    // As the Connect command does, without its pause: the port is there already.
    link_.State().portName = device;
    device_ = device;
    link_.SetPrompter(&prompter_, nullptr);
    link_.SetMessageTarget(this);
    commands_ = std::make_unique<ConnectionCommands>(link_, prompter_, nullptr, device);
    link_.SetPort(new SerialPort);
    link_.StartReception();
    QString error;
    if (!link_.OpenPort(&error)) {
        link_.StopReception();
        link_.SetPort(nullptr);
        // The port's text names the device and, for a permission error, the dialout group;
        // its lines become sentences on one line (some end in a full stop already).
        error.replace(QLatin1String(".\n"), QLatin1String(". "));
        error.replace(QLatin1Char('\n'), QLatin1String(". "));
        Finish(ExitNoPort, tr("cannot open %1").arg(error.isEmpty() ? device : error));
        return false;
    }
    // While the port is there: an unplugged one is no longer listed, and the archive knows
    // a record by its meter's serial.
    identity_ = PortIdentityOf(device);
    stage_ = Stage::Handshake;
    Await(tr("the connect handshake"));
    return true;
}

void CliSession::StartCommand()
{
    switch (options_.command) {
    case CliCommand::Records:
        stage_ = Stage::Records;
        downloadStarted_ = true;
        Await(tr("the request for record 1"));
        commands_->DownloadRecords();
        break;
    case CliCommand::DeleteLast:
    case CliCommand::DeleteAll:
        stage_ = Stage::CountRecords;
        Await(tr("the request for record 1"));
        commands_->DownloadRecords();
        break;
    case CliCommand::ThresholdsGet:
        stage_ = Stage::ThresholdDownload;
        Await(tr("threshold part 1 of 9"));
        commands_->DownloadThresholds();
        break;
    case CliCommand::ThresholdsSet:
        if (preset_) {
            // The groups as the meter holds them first: the preset changes only its channels.
            stage_ = Stage::ThresholdDownload;
            Await(tr("threshold part 1 of 9"));
            commands_->DownloadThresholds();
            break;
        }
        stage_ = Stage::ThresholdUpload;
        UploadPart(1, 1);
        break;
    case CliCommand::Calibrate:
    case CliCommand::FactoryDefault: {
        // The meter does not answer a calibration; done once the frame is on its way.
        stage_ = Stage::Calibrate;
        Await(tr("the calibration command"));
        const int before = framesSent_;
        if (options_.command == CliCommand::Calibrate)
            SendCalibration(link_, options_.channel, options_.reference);
        else
            SendFactoryDefault(link_);
        if (framesSent_ > before)
            Finish(ExitDone, options_.command == CliCommand::Calibrate
                                 ? tr("calibrated %1 to %2 dBm")
                                       .arg(CalibrationChannelName(options_.channel))
                                       .arg(static_cast<double>(options_.reference))
                                 : tr("restored the factory calibration"));
        break;
    }
    case CliCommand::Ports:
    case CliCommand::ThresholdPresets:
    case CliCommand::Archive:
        break;
    }
}

void CliSession::OnMeterMessage(const MeterMessage& message)
{
    const MeterMessage* m = &message;
    switch (m->kind) {
    case MeterMessage::Kind::Record:
        if (stage_ == Stage::Records)
            OnRecord(m->copy);
        else if (stage_ == Stage::CountRecords)
            OnCount(m->copy);
        break;
    case MeterMessage::Kind::RecordDeleted:
        if (stage_ == Stage::Delete)
            Finish(ExitDone, m->param == 0 ? tr("deleted all records")
                                           : tr("deleted record %1").arg(m->param));
        break;
    case MeterMessage::Kind::ThresholdPart1:
    case MeterMessage::Kind::ThresholdPart2:
    case MeterMessage::Kind::ThresholdPart3:
        if (stage_ == Stage::ThresholdDownload)
            OnThresholdPart(m->kind == MeterMessage::Kind::ThresholdPart1   ? 1
                            : m->kind == MeterMessage::Kind::ThresholdPart2 ? 2
                                                                            : 3,
                            m->copy);
        break;
    case MeterMessage::Kind::UploadNextGroup:
    case MeterMessage::Kind::UploadPart2:
    case MeterMessage::Kind::UploadPart3:
        if (stage_ == Stage::ThresholdUpload)
            UploadPart(m->kind == MeterMessage::Kind::UploadNextGroup ? 1
                       : m->kind == MeterMessage::Kind::UploadPart2   ? 2
                                                                      : 3,
                       m->param);
        break;
    default:
        break;
    }
}

void CliSession::OnRecord(const QByteArray& copy)
{
    // The table is filled by the data page's own download logic, which also asks for the
    // next record; the decoded values are kept beside it for JSON.
    if (const std::optional<MeasurementRecord> record =
            MeasurementRecord::Decode(ResponseFrame(copy))) {
        recordCount_ = record->count;
        if (record->index == 0)
            records_.clear();
        if (record->count > 0 && record->count <= RecordDownload::kMaxRecords) {
            // By its own index, as the table places it.
            records_.resize(qMin<qsizetype>(record->index, records_.size()));
            records_.append(*record);
            const int next = record->index + 1;
            Progress(tr("record %1/%2").arg(next).arg(record->count));
            Await(next < record->count
                      ? tr("the request for record %1 of %2").arg(next + 1).arg(record->count)
                      : tr("the end of the download"));
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
    link_.State().storedRecordCount = record->count;
    if (record->count == 0) {
        Finish(ExitDone, tr("the meter holds no records; nothing was deleted"));
        return;
    }
    stage_ = Stage::Delete;
    Await(tr("the delete command"));
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
    Progress(tr("threshold part %1/%2").arg(received).arg(kThresholdParts));
    Await(received < kThresholdParts
              ? tr("threshold part %1 of %2").arg(received + 1).arg(kThresholdParts)
              : tr("the end of the threshold download"));
}

void CliSession::EndThresholdDownload()
{
    if (stage_ != Stage::ThresholdDownload)
        return;
    if (partsReceived_ != kAllThresholdParts) {
        Finish(ExitFailed, tr("the meter's threshold answers were incomplete "
                              "(%1 of %2 parts)")
                               .arg(std::popcount(static_cast<unsigned>(partsReceived_)))
                               .arg(kThresholdParts));
        return;
    }
    if (!preset_) {
        FinishWithOutput(ThresholdFileJson(thresholds_),
                         tr("downloaded the three threshold groups"));
        return;
    }
    ThresholdGroup& group = thresholds_.table.Group(options_.presetGroup);
    group = AppliedPreset(group, *preset_, options_.margin.value_or(kDefaultPresetMargin));
    Note(
        tr("group %1: the channels of preset %2 set").arg(options_.presetGroup).arg(preset_->name));
    WarnLimitOrder();
    stage_ = Stage::ThresholdUpload;
    UploadPart(1, 1);
}

int CliSession::ListThresholdPresets()
{
    QStringList errors;
    const QList<ThresholdPreset> presets =
        ListPresets(PresetFolders(QCoreApplication::applicationDirPath()), &errors);
    for (const QString& error : std::as_const(errors))
        Note(error);
    // One line per channel of a preset: name, title, channel, limits, source.
    for (const ThresholdPreset& preset : presets) {
        for (const PresetChannel& c : preset.channels) {
            const QString limits =
                QStringLiteral("Over %1, Pass %2, Fail %3")
                    .arg(LimitText(c.over), LimitText(c.pass), LimitText(c.fail));
            const QStringList fields{preset.name, preset.title, ChannelName(c.channel * 3), limits,
                                     c.source};
            out_.write(fields.join(QLatin1Char('\t')).toUtf8() + '\n');
        }
    }
    if (presets.isEmpty())
        Note(tr("no threshold preset was found"));
    return ExitDone;
}

bool CliSession::FindPreset()
{
    QStringList errors;
    const QStringList folders = PresetFolders(QCoreApplication::applicationDirPath());
    for (const ThresholdPreset& preset : ListPresets(folders, &errors))
        if (preset.name == options_.preset)
            preset_ = preset;
    if (!preset_) {
        Finish(ExitUsage, tr("no threshold preset named %1 (thresholds presets lists them)")
                              .arg(options_.preset));
        return false;
    }
    if (options_.margin && !preset_->margin) {
        Finish(ExitUsage, tr("%1 is an own preset whose Pass limits stay as saved; --margin "
                             "does not apply")
                              .arg(options_.preset));
        return false;
    }
    return true;
}

void CliSession::WarnLimitOrder()
{
    // Uploaded all the same, as the page allows: the operator is told what the meter gets.
    for (int g = 1; g <= ThresholdTable::kGroups; ++g)
        for (const QString& channel : OutOfOrderChannels(thresholds_.table.Group(g)))
            err_.write(tr("warning: group %1, %2: the limits are out of order")
                           .arg(g)
                           .arg(channel)
                           .toLocal8Bit() +
                       '\n');
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
    Progress(tr("upload part %1/%2").arg(partsSent_).arg(kThresholdParts));
    Await(tr("the upload of group %1, part %2").arg(group).arg(part));
    SendUploadPart(link_, thresholds_.table, part, group, texts);
}

void CliSession::OnBox(const QString& text)
{
    if (stage_ == Stage::Done)
        return;
    if (stage_ == Stage::Records && text == RecordText::DownloadComplete()) {
        FinishWithOutput(RecordOutput(), tr("downloaded %1 records").arg(table_.RowCount()));
    } else if (stage_ == Stage::Records && text == RecordText::NoDataToDownload()) {
        if (recordCount_ == 0)
            FinishWithOutput(RecordOutput(), tr("the meter holds no records"));
        else
            Finish(ExitFailed, tr("the meter reports %1 records; at most %2 can "
                                  "be downloaded")
                                   .arg(recordCount_)
                                   .arg(RecordDownload::kMaxRecords));
    } else if (stage_ == Stage::ThresholdDownload &&
               text == DispatchText::ThresholdDownloadComplete()) {
        // The last part's answer is already queued for this object; it is handled first.
        QMetaObject::invokeMethod(this, &CliSession::EndThresholdDownload, Qt::QueuedConnection);
    } else if (stage_ == Stage::ThresholdUpload &&
               text == DispatchText::ThresholdUploadComplete()) {
        Finish(ExitDone, tr("uploaded the three threshold groups"));
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
        return BuildCsv(table_.Texts());
    return RecordsJson(records_, options_.thresholdFile.isEmpty() ? nullptr : &thresholds_.table);
}

void CliSession::KeepDownload()
{
    if (!downloadStarted_ || !archiveTarget_ || keeping_)
        return;
    // A request the meter never answered is kept as an empty stalled download.
    const EndedDownload ended = ended_.value_or(EndedDownload{DownloadEnding::Stalled, 0, {}});
    // The records are judged as the output judges them: by --thresholds, if given.
    keeping_ = std::make_unique<CliDownloadKeeping>(
        *archiveTarget_, device_, identity_, ended.how, ended.expected, ended.rows,
        options_.thresholdFile.isEmpty() ? ThresholdTable() : thresholds_.table);
    keptNowhere_ = !keeping_->Keep(err_);
}

void CliSession::FinishWithOutput(const QByteArray& content, const QString& note)
{
    if (stage_ == Stage::Records)
        KeepDownload();
    output_->Write(content);
    if (QString error; !output_->Commit(&error)) {
        Finish(ExitFailed, error);
        return;
    }
    // Lets a test end the tool right after the output is committed, where a download not yet
    // kept would be lost.
    if (qEnvironmentVariableIsSet("QX390D_TEST_KILL_AFTER_OUTPUT"))
        ::raise(SIGKILL);
    Finish(ExitDone, note);
}

void CliSession::Close()
{
    // A box the reception thread may still be waiting on is answered before it is stopped.
    QCoreApplication::processEvents();
    link_.ShutDown();
    link_.ClosePort();
    link_.ClearMessageTarget();
    link_.SetPrompter(nullptr, nullptr);
}
