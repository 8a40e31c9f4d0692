#pragma once

#include "archive/location/ArchiveTarget.h"
#include "cli/CliCommandLine.h"
#include "cli/CliPrompter.h"
#include "link/DeviceLink.h"
#include "link/ExchangeWatch.h"
#include "link/MeterMessage.h"
#include "link/PortIdentity.h"
#include "records/MeasurementRecord.h"
#include "records/RecordDownload.h"
#include "records/RecordTable.h"
#include "thresholds/ThresholdFile.h"
#include "thresholds/ThresholdPreset.h"

#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <memory>

class CliDownloadKeeping;
class ConnectionCommands;
class QIODevice;
class OutputFile;

// One run of the command-line tool: connects to the meter through the program's own link,
// runs one command with the same commands, pages' logic and frames as the program, and
// reports. It is the link's message target, so the meter's answers come to it as they come
// to a page. Every awaited answer is bounded by kAnswerLimitMs.
class CliSession : public QObject, public MeterMessageTarget
{
    Q_OBJECT

public:
    // How long the meter may take with any one answer, the handshake's included: the
    // program's own limit.
    static constexpr int kAnswerLimitMs = ::kAnswerLimitMs;

    // `out` receives the command's output when no file is named; `err` the progress,
    // notes and errors. Progress lines are written only when `errIsTerminal`.
    CliSession(const CliOptions& options, QIODevice& out, QIODevice& err, bool errIsTerminal);
    ~CliSession() override;

    // Runs the command to its end and gives the exit code (CliExit).
    int Run();

    void OnMeterMessage(const MeterMessage& message) override;

private:
    enum class Stage {
        Idle,
        Handshake,
        Records,
        CountRecords, // the first record answer gives the count a delete needs
        Delete,
        ThresholdDownload,
        ThresholdUpload,
        Calibrate,
        Done,
    };

    int ListPorts();
    int ListThresholdPresets();
    // The preset `thresholds set --preset` names; false (the run finished) when none.
    bool FindPreset();
    // A warning on standard error for each channel whose limits are out of order.
    void WarnLimitOrder();
    bool Connect();
    void StartCommand();
    void OnRecord(const QByteArray& copy);
    void OnCount(const QByteArray& copy);
    void OnThresholdPart(int part, const QByteArray& copy);
    void UploadPart(int part, int group);
    void EndThresholdDownload();
    void OnBox(const QString& text);
    void Await(const QString& what);
    void Progress(const QString& text);
    void Note(const QString& text);
    // Ends the run with an exit code and a note (code 0) or an error.
    void Finish(int code, const QString& message = {});
    // Ends a run that produced `content`: written out in full, or the run failed.
    void FinishWithOutput(const QByteArray& content, const QString& note);
    QByteArray RecordOutput() const;
    // Keeps what `records` downloaded on this PC, once, before it is written out or said.
    void KeepDownload();
    void Close();

    const CliOptions options_;
    QIODevice& out_;
    QIODevice& err_;
    const bool showProgress_;
    CliPrompter prompter_;
    DeviceLink link_;
    std::unique_ptr<ConnectionCommands> commands_;
    std::unique_ptr<OutputFile> output_;
    QEventLoop loop_;
    QTimer answerLimit_;
    QString awaited_;
    bool progressShown_ = false;
    Stage stage_ = Stage::Idle;
    int exitCode_ = ExitDone;

    RecordTable table_;
    RecordDownload download_;
    // What the archive keeps of a `records` run (CliArchive).
    std::optional<ArchiveTarget> archiveTarget_;
    QString device_;
    PortIdentity identity_;
    bool downloadStarted_ = false;
    // How the download ended, as it told.
    struct EndedDownload
    {
        DownloadEnding how;
        int expected;
        QList<QStringList> rows;
    };
    std::optional<EndedDownload> ended_;
    std::unique_ptr<CliDownloadKeeping> keeping_;
    bool keptNowhere_ = false;
    QList<MeasurementRecord> records_;
    int recordCount_ = 0;

    ThresholdFile thresholds_;
    std::optional<ThresholdPreset> preset_;
    int partsReceived_ = 0; // bit (group - 1) * 3 + (part - 1)
    int partsSent_ = 0;
    int framesSent_ = 0;
};
