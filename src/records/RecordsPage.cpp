#include "records/RecordsPage.h"

#include "common/FileDialogs.h"
#include "common/ProgramFacts.h"
#include "common/Prompter.h"
#include "common/WaitCursor.h"
#include "export/CsvExport.h"
#include "export/PdfReport.h"
#include "export/XlsxExport.h"
#include "link/DeviceLink.h"
#include "link/PortIdentity.h"
#include "records/RecordListView.h"
#include "sheets/SheetImport.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <optional>

namespace {

// One display frame: what changes more often is not seen anyway.
constexpr int kFrameMs = 16;

// The operator's file dialogs, remembering the file chosen to open: the import names it
// when it tells that it succeeded.
class ChosenFile : public FileDialogs
{
public:
    explicit ChosenFile(FileDialogs& dialogs) : dialogs_(dialogs) {}

    QString SaveFileName(QWidget* owner, const QString& filter, const QString& name) override
    {
        return dialogs_.SaveFileName(owner, filter, name);
    }
    QString OpenFileName(QWidget* owner, const QString& filter) override
    {
        path = dialogs_.OpenFileName(owner, filter);
        return path;
    }

    QString path;

private:
    FileDialogs& dialogs_;
};

} // namespace

RecordsPage::RecordsPage(DeviceLink& link, Prompter& prompter, FileDialogs& dialogs,
                         QWidget* parent)
    : TabPage(parent), link_(link), prompter_(prompter), dialogs_(dialogs),
      download_(link, table_, prompter, this), verdicts_(table_, table_),
      list_(new RecordListView(this)),
      exportButton_(new QPushButton(QStringLiteral("导出EXCEL"), this)),
      importButton_(new QPushButton(QStringLiteral("导进EXCEL"), this)),
      progressBar_(new QProgressBar(this)), progressText_(new QLabel(this)),
      verdictSummary_(new QLabel(this))
{
    table_.JudgeBy(limits_);
    list_->setModel(&verdicts_);
    list_->setShowGrid(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSortingEnabled(false);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->verticalHeader()->hide();
    list_->horizontalHeader()->setSectionsClickable(false);
    list_->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    for (int column = 0; column < table_.ColumnCount(); ++column)
        list_->setColumnWidth(column, RecordTable::Columns()[column].width);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(0);
    buttons->addWidget(exportButton_);
    buttons->addWidget(importButton_);
    buttons->addSpacing(12);
    buttons->addWidget(progressBar_);
    buttons->addSpacing(6);
    buttons->addWidget(progressText_);
    buttons->addStretch();
    progressBar_->setTextVisible(false);
    progressBar_->setFixedWidth(200);
    // Hidden, they keep their place: nothing else on the page moves when they come and go.
    for (QWidget* widget :
         std::initializer_list<QWidget*>{progressBar_, progressText_, verdictSummary_}) {
        QSizePolicy policy = widget->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(policy);
        widget->hide();
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(verdictSummary_);
    layout->addLayout(buttons);

    connect(exportButton_, &QPushButton::clicked, this, &RecordsPage::OnExportCsv);
    connect(importButton_, &QPushButton::clicked, this, &RecordsPage::OnImportSheet);
    frame_.setSingleShot(true);
    frame_.setInterval(kFrameMs);
    connect(&frame_, &QTimer::timeout, this, &RecordsPage::ShowFrame);
    connect(&download_.Progress(), &DownloadProgress::Changed, this, &RecordsPage::HoldPainting);
    download_.SetEndedHandler(
        [this](DownloadEnding how, int expected, const QList<QStringList>& rows) {
            // The rows are the meter's now, however few arrived.
            fileNote_.clear();
            sourceFile_.clear();
            ShowProgress();
            Q_EMIT DownloadEnded(how, expected, static_cast<int>(rows.size()), rows);
        });

    summaryTimer_.setSingleShot(true);
    summaryTimer_.setInterval(kFrameMs);
    connect(&summaryTimer_, &QTimer::timeout, this, &RecordsPage::ShowVerdictSummary);
    // Without known limits there is nothing to count, and the line is already hidden.
    const auto recount = [this] {
        if (limits_.Table().AnyKnown())
            summaryTimer_.start();
    };
    // Places belong to the rows they were read for.
    for (auto changed : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(&table_, changed, this, [this] { places_.clear(); });
    connect(&table_, &QAbstractItemModel::modelReset, this, [this] { places_.clear(); });
    connect(&table_, &QAbstractItemModel::rowsInserted, this, recount);
    connect(&table_, &QAbstractItemModel::rowsRemoved, this, recount);
    connect(&table_, &QAbstractItemModel::modelReset, this, recount);
    connect(&table_, &QAbstractItemModel::dataChanged, this, recount);
    connect(&limits_, &KnownLimits::Changed, this, [this] { summaryTimer_.start(); });

    FilterClosingKeys();
}

void RecordsPage::OnExportCsv()
{
    ExportRecordTable(table_.Texts(), prompter_, dialogs_, this, exportPath_);
}

void RecordsPage::OnExportWorkbook()
{
    ExportRecordWorkbook(WithPlaceColumns(table_.Texts(), places_), prompter_, dialogs_, this,
                         exportPath_);
}

void RecordsPage::OnExportReport(const std::optional<ChartChoice>& chart)
{
    ReportFacts facts;
    facts.when = QDateTime::currentDateTime();
    facts.file = QFileInfo(sourceFile_).fileName();
    facts.device = link_.State().portName;
    if (!facts.device.isEmpty() && facts.file.isEmpty())
        facts.meter = PortIdentityOf(facts.device);
    facts.login = LoginName();
    for (int g = 1; g <= ThresholdTable::kGroups; ++g)
        facts.groupNames[static_cast<size_t>(g - 1)] = limits_.Name(g);
    facts.chart = chart;
    facts.places = PlaceTable(table_.Texts(), places_);
    ExportRecordReport(RecordTable::Headers(), table_, facts, prompter_, dialogs_, this,
                       exportPath_);
}

void RecordsPage::OnImportSheet()
{
    // From the moment a file is chosen to the end of the import, its boxes included.
    std::optional<WaitCursor> wait;
    ChosenFile chosen(dialogs_);
    QList<QStringList> imported;
    qsizetype inFile = 0;
    const auto replace = [this, &imported, &inFile, &chosen](const QList<RecordRow>& rows,
                                                             qsizetype records) {
        ReplaceWithFileRows(rows);
        imported = table_.Rows();
        inFile = records;
        sourceFile_ = chosen.path;
    };
    ImportRecordTable(prompter_, chosen, this, replace, [&wait] { wait.emplace(); });
    wait.reset();
    // A page holds no more than a full meter: what it left out is told beside its buttons.
    if (inFile > imported.size()) {
        fileNote_ = tr("%1 holds %2 records; the first %3 were read.")
                        .arg(QFileInfo(chosen.path).fileName())
                        .arg(inFile)
                        .arg(imported.size());
        ShowProgress();
    }
    // Told after the import's own message, as the import's last step.
    if (!imported.isEmpty())
        Q_EMIT ImportSucceeded(chosen.path, imported);
}

void RecordsPage::OpenRows(const QList<QStringList>& rows)
{
    ReplaceWithFileRows(RecordRowsOfTexts(rows));
    prompter_.Notify(this, ImportText::Succeeded(), Prompter::Icon::Information);
}

void RecordsPage::SetPlaces(const QList<RecordPlace>& places)
{
    if (places.size() == table_.RowCount())
        places_ = places;
}

void RecordsPage::ReplaceWithFileRows(const QList<RecordRow>& rows)
{
    table_.ReplaceRows(rows);
    fileNote_.clear();
    sourceFile_.clear();
    ShowProgress();
    // The rows are no longer the meter's, so nothing may be deleted by row.
    link_.State().storedRecordCount = 0;
}

void RecordsPage::OnMeterRecord(const QByteArray& copy)
{
    HoldPainting();
    download_.OnMeterRecord(copy);
}

void RecordsPage::OnRecordDeleted(int recordNumber)
{
    download_.OnRecordDeleted(recordNumber);
}

void RecordsPage::HoldPainting()
{
    if (frame_.isActive())
        return;
    setUpdatesEnabled(false);
    frame_.start();
}

void RecordsPage::ShowFrame()
{
    ShowProgress();
    setUpdatesEnabled(true);
    // Painted now, once: with painting held again by the next answer, a painting merely
    // scheduled might never come while records keep arriving.
    repaint();
}

void RecordsPage::ShowProgress()
{
    const DownloadProgress& progress = download_.Progress();
    if (progress.Active()) {
        progressBar_->setRange(0, progress.Count());
        progressBar_->setValue(progress.Number());
        progressText_->setText(progress.Text());
    } else {
        progressText_->setText(fileNote_);
    }
    progressBar_->setVisible(progress.Active());
    progressText_->setVisible(progress.Active() || !fileNote_.isEmpty());
}

void RecordsPage::ShowVerdictSummary()
{
    const QString summary = VerdictSummaryText(CountVerdicts(table_.Judged().verdicts));
    verdictSummary_->setText(summary);
    verdictSummary_->setVisible(!summary.isEmpty());
}

void RecordsPage::OnMeterMessage(const MeterMessage& message)
{
    if (message.kind == MeterMessage::Kind::Record)
        OnMeterRecord(message.copy);
    else if (message.kind == MeterMessage::Kind::RecordDeleted)
        OnRecordDeleted(message.param);
}
