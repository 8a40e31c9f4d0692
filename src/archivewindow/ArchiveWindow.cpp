#include "archivewindow/ArchiveWindow.h"

#include "common/ProgramFacts.h"

#include "archive/data/RecordKey.h"
#include "archivewindow/ArchiveRecordModel.h"
#include "common/ExportFile.h"
#include "common/Prompter.h"
#include "export/CsvExport.h"
#include "export/PdfReport.h"
#include "export/XlsxExport.h"
#include "jobs/JobReport.h"
#include "jobs/PlaceEdit.h"
#include "jobswindow/AssignPlaceDialog.h"
#include "jobswindow/JobReportProcess.h"
#include "records/RecordDownload.h"
#include "records/RecordTable.h"
#include "verdicts/RecordRow.h"
#include "verdicts/Verdict.h"
#include "verdicts/VerdictModel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDateEdit>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QStringListModel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// The archive's rows with the data page's colours: each judged power cell gets its
// verdict's background and a tooltip naming the verdict and the limits kept with the record.
class ArchiveColours : public QIdentityProxyModel
{
public:
    explicit ArchiveColours(ArchiveRecordModel& model) : model_(model) { setSourceModel(&model); }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if ((role != Qt::BackgroundRole && role != Qt::ForegroundRole && role != Qt::ToolTipRole) ||
            !index.isValid() || !IsPowerColumn(index.column()))
            return QIdentityProxyModel::data(index, role);
        const QVariant verdict =
            model_.index(index.row(), index.column()).data(ArchiveRecordModel::VerdictRole);
        if (!verdict.isValid())
            return QIdentityProxyModel::data(index, role);
        const Verdict v = static_cast<Verdict>(verdict.toInt());
        switch (role) {
        case Qt::BackgroundRole:
            return VerdictColour(v);
        case Qt::ForegroundRole:
            return QColor(Qt::black);
        default:
            break;
        }
        const ArchivedRecord& r = model_.Record(index.row());
        const std::optional<int> group = GroupOfText(r.texts.value(kGroupColumn));
        const std::optional<ChannelLimits> limits =
            group ? LimitsFor(r.limits, *group, index.column()) : std::nullopt;
        return limits ? QVariant(VerdictToolTip(v, *group, *limits)) : QVariant();
    }

private:
    ArchiveRecordModel& model_;
};

// The records an ONT's history reads at most.
constexpr int kHistoryRecords = 10000;

// The selection as the exports take it: the data page's headers and rows.
TableTexts Texts(const QList<QStringList>& rows)
{
    return {RecordTable::Headers(), rows};
}

} // namespace

ArchiveWindow::ArchiveWindow(const ArchiveTarget& target, Prompter& prompter, FileDialogs& dialogs,
                             QWidget* parent)
    : QWidget(parent, Qt::Window), prompter_(prompter), dialogs_(dialogs),
      list_(new QTableView(this)), sinceCheck_(new QCheckBox(tr("From"), this)),
      since_(new QDateEdit(this)), untilCheck_(new QCheckBox(tr("to"), this)),
      until_(new QDateEdit(this)), group_(new QComboBox(this)), verdict_(new QComboBox(this)),
      note_(new QLineEdit(this)), job_(new QLineEdit(this)), ont_(new QLineEdit(this)),
      jobTexts_(new QStringListModel(this)), ontTexts_(new QStringListModel(this)),
      status_(new QLabel(this)), retryButton_(new QPushButton(tr("Retry"), this)),
      openButton_(new QPushButton(tr("Open in Data Page"), this)),
      csvButton_(new QPushButton(tr("Export CSV..."), this)),
      workbookButton_(new QPushButton(tr("Export Workbook..."), this)),
      reportButton_(new QPushButton(tr("Export Report (PDF)..."), this)),
      jobsButton_(new QPushButton(tr("Jobs"), this)),
      assignAction_(new QAction(tr("Assign Job..."), this)),
      historyAction_(new QAction(tr("ONT History..."), this)),
      placeHistoryAction_(new QAction(tr("Place History..."), this)),
      jobReportAction_(new QAction(tr("Job Report (PDF)..."), this))
{
    setWindowTitle(tr("Archive"));
    resize(1000, 600);

    for (QDateEdit* date : {since_, until_}) {
        date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        date->setCalendarPopup(true);
        date->setDate(QDate::currentDate());
        date->setEnabled(false);
    }
    group_->addItem(tr("Any group"));
    for (int g = 1; g <= ThresholdTable::kGroups; ++g)
        group_->addItem(tr("Group %1").arg(g), g);
    // Each verdict shown in the desktop's language, filtering by the name the archive keeps.
    verdict_->addItem(tr("Any verdict"));
    for (Verdict v : {Verdict::Pass, Verdict::Marginal, Verdict::Over, Verdict::Fail})
        verdict_->addItem(VerdictLabel(v), VerdictName(v));
    verdict_->addItem(tr("No verdict"), QString());
    note_->setPlaceholderText(tr("Note contains..."));
    note_->setClearButtonEnabled(true);
    // A job or an ONT is found by a part of its text; the fields offer those there are.
    job_->setPlaceholderText(tr("Job"));
    ont_->setPlaceholderText(tr("ONT"));
    for (auto [edit, texts] : {std::pair{job_, jobTexts_}, std::pair{ont_, ontTexts_}}) {
        edit->setClearButtonEnabled(true);
        auto* completer = new QCompleter(texts, edit);
        completer->setCaseSensitivity(Qt::CaseInsensitive);
        completer->setFilterMode(Qt::MatchContains);
        edit->setCompleter(completer);
    }

    auto* filters = new QHBoxLayout;
    filters->addWidget(sinceCheck_);
    filters->addWidget(since_);
    filters->addWidget(untilCheck_);
    filters->addWidget(until_);
    filters->addSpacing(12);
    filters->addWidget(group_);
    filters->addWidget(verdict_);
    filters->addSpacing(12);
    filters->addWidget(note_, 1);
    filters->addWidget(job_);
    filters->addWidget(ont_);

    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    list_->verticalHeader()->hide();
    list_->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    list_->horizontalHeader()->setStretchLastSection(true);
    // Rows of one height: the view need not measure each one, whatever the archive's size.
    list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list_->setContextMenuPolicy(Qt::ActionsContextMenu);
    list_->addAction(assignAction_);
    list_->addAction(historyAction_);
    list_->addAction(placeHistoryAction_);
    list_->addAction(jobReportAction_);
    // The job commands share one button, so the row of buttons fits a small screen.
    auto* jobs = new QMenu(jobsButton_);
    jobs->addActions({assignAction_, historyAction_, placeHistoryAction_, jobReportAction_});
    jobsButton_->setMenu(jobs);

    // A long message (a server's reason) wraps instead of widening the window past the
    // screen and pushing the buttons off it.
    status_->setWordWrap(true);
    status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    retryButton_->hide();
    connect(retryButton_, &QPushButton::clicked, this, [this] { model_->Retry(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status_, 1);
    buttons->addWidget(retryButton_);
    for (QPushButton* button :
         {openButton_, csvButton_, workbookButton_, reportButton_, jobsButton_})
        buttons->addWidget(button);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(list_);
    layout->addLayout(buttons);

    filterTimer_.setSingleShot(true);
    filterTimer_.setInterval(300);
    connect(&filterTimer_, &QTimer::timeout, this, &ArchiveWindow::ApplyFilter);
    connect(sinceCheck_, &QCheckBox::toggled, since_, &QWidget::setEnabled);
    connect(untilCheck_, &QCheckBox::toggled, until_, &QWidget::setEnabled);
    for (QCheckBox* check : {sinceCheck_, untilCheck_})
        connect(check, &QCheckBox::toggled, this, &ArchiveWindow::ApplyFilter);
    for (QDateEdit* date : {since_, until_})
        connect(date, &QDateEdit::dateChanged, this, &ArchiveWindow::ApplyFilter);
    for (QComboBox* choice : {group_, verdict_})
        connect(choice, &QComboBox::currentIndexChanged, this, &ArchiveWindow::ApplyFilter);
    for (QLineEdit* text : {note_, job_, ont_})
        connect(text, &QLineEdit::textChanged, &filterTimer_, qOverload<>(&QTimer::start));
    connect(openButton_, &QPushButton::clicked, this, &ArchiveWindow::OnOpenInDataPage);
    connect(csvButton_, &QPushButton::clicked, this, &ArchiveWindow::OnExportCsv);
    connect(workbookButton_, &QPushButton::clicked, this, &ArchiveWindow::OnExportWorkbook);
    connect(reportButton_, &QPushButton::clicked, this, &ArchiveWindow::OnExportReport);
    connect(assignAction_, &QAction::triggered, this, &ArchiveWindow::OnAssignJob);
    connect(historyAction_, &QAction::triggered, this, &ArchiveWindow::OnOntHistory);
    connect(placeHistoryAction_, &QAction::triggered, this, &ArchiveWindow::OnPlaceHistory);
    connect(jobReportAction_, &QAction::triggered, this, &ArchiveWindow::OnJobReport);
    // As the program's other windows close.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);

    Rebuild(target);
}

ArchiveWindow::~ArchiveWindow()
{
    // The view lets go of the models before they go.
    list_->setModel(nullptr);
}

void ArchiveWindow::Rebuild(const ArchiveTarget& target)
{
    target_ = target;
    list_->setModel(nullptr);
    colours_.reset();
    model_ = std::make_unique<ArchiveRecordModel>(target);
    colours_ = std::make_unique<ArchiveColours>(*model_);
    list_->setModel(colours_.get());
    for (int column = 0; column < ArchiveRecordModel::kDownloadedColumn; ++column)
        list_->setColumnWidth(column, RecordTable::Columns()[column].width);
    list_->setColumnWidth(ArchiveRecordModel::kDownloadedColumn, 130);
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ArchiveWindow::UpdateButtons);
    connect(model_.get(), &QAbstractItemModel::rowsInserted, this, &ArchiveWindow::ShowStatus);
    connect(model_.get(), &QAbstractItemModel::modelReset, this, &ArchiveWindow::ShowStatus);
    connect(model_.get(), &QAbstractItemModel::dataChanged, this, &ArchiveWindow::ShowStatus);
    // A record given an ONT has a history to show.
    connect(model_.get(), &QAbstractItemModel::dataChanged, this, &ArchiveWindow::UpdateButtons);
    connect(&model_->Reader(), &ArchiveReader::AllRead, this, &ArchiveWindow::OnAllRead);
    connect(&model_->Reader(), &ArchiveReader::PlaceHistoryRead, this,
            [this](quint64 token, const QList<PlaceChange>& changes, const QString& error) {
                if (token != placeHistoryRead_)
                    return;
                if (!error.isEmpty()) {
                    prompter_.Notify(this, readFailedText().arg(error), Prompter::Icon::Warning);
                    return;
                }
                if (placeHistory_)
                    placeHistory_->close();
                placeHistory_ = new PlaceHistoryDialog(changes, this);
                placeHistory_->setAttribute(Qt::WA_DeleteOnClose);
                placeHistory_->show();
            });
    connect(
        &model_->Reader(), &ArchiveReader::Assigned, this,
        [this](quint64, const QList<qint64>& ids, const RecordPlace& change, const QString& error) {
            if (error.isEmpty())
                Q_EMIT PlacesAssigned(ids, change);
        });
    historyRead_ = 0;
    connect(model_.get(), &ArchiveRecordModel::StateChanged, this, &ArchiveWindow::ShowStatus);
    connect(model_.get(), &ArchiveRecordModel::NoteFailed, this, [this](const QString& reason) {
        prompter_.Notify(this, noteFailedText().arg(reason), Prompter::Icon::Warning);
    });
    connect(model_.get(), &ArchiveRecordModel::PlaceFailed, this, [this](const QString& reason) {
        prompter_.Notify(this, placeFailedText().arg(reason), Prompter::Icon::Warning);
    });
    connect(model_.get(), &ArchiveRecordModel::PlaceTextsChanged, this, [this] {
        jobTexts_->setStringList(model_->PlaceTexts()[RecordPlace::Job]);
        ontTexts_->setStringList(model_->PlaceTexts()[RecordPlace::Ont]);
    });
    ApplyFilter();
}

void ArchiveWindow::SetTarget(const ArchiveTarget& target)
{
    Rebuild(target);
}

void ArchiveWindow::Refresh()
{
    model_->Refresh();
}

void ArchiveWindow::Reread()
{
    ApplyFilter();
}

ArchiveFilter ArchiveWindow::Filter() const
{
    ArchiveFilter filter;
    if (sinceCheck_->isChecked())
        filter.since = FilterBoundIso(since_->date().toString(Qt::ISODate), false);
    if (untilCheck_->isChecked())
        filter.until = FilterBoundIso(until_->date().toString(Qt::ISODate), true);
    if (group_->currentIndex() > 0)
        filter.group = group_->currentData().toInt();
    // The first choice is any verdict; "No verdict" holds an empty name.
    if (verdict_->currentIndex() > 0)
        filter.verdict = verdict_->currentData().toString();
    filter.note = note_->text().trimmed();
    filter.job = job_->text().trimmed();
    filter.ont = ont_->text().trimmed();
    filter.byPart = true;
    return filter;
}

void ArchiveWindow::ApplyFilter()
{
    filterTimer_.stop();
    model_->SetFilter(Filter());
    UpdateButtons();
}

void ArchiveWindow::SetNotice(const QString& notice)
{
    notice_ = notice;
    ShowStatus();
}

void ArchiveWindow::ShowStatus()
{
    const bool failed = !model_->Error().isEmpty();
    retryButton_->setVisible(failed);
    if (failed) {
        status_->setText(tr("The archive could not be read: %1").arg(model_->Error()));
        return;
    }
    const int rows = model_->rowCount();
    QString text = model_->IsReading() ? tr("Reading...")
                   : model_->canFetchMore({})
                       ? tr("The newest %1 records; more as the list scrolls").arg(rows)
                   : rows == 1 ? tr("1 record")
                               : tr("%1 records").arg(rows);
    if (model_->AddedRecords() > 0 && !model_->IsReading())
        text += QStringLiteral(" ") +
                tr("(%n new since the list was opened)", nullptr, model_->AddedRecords());
    for (const QString& more : {notice_, drawing_})
        if (!more.isEmpty())
            text += QStringLiteral("; ") + more;
    status_->setText(text);
}

void ArchiveWindow::UpdateButtons()
{
    const bool any = list_->selectionModel() && list_->selectionModel()->hasSelection();
    for (QPushButton* button : {openButton_, csvButton_, workbookButton_, reportButton_})
        button->setEnabled(any);
    assignAction_->setEnabled(any);
    placeHistoryAction_->setEnabled(any);
    const std::optional<int> chosen = ChosenRow();
    const bool ont = chosen && model_->Record(*chosen).place[RecordPlace::Ont];
    historyAction_->setEnabled(ont);
    const bool job = chosen && model_->Record(*chosen).place[RecordPlace::Job];
    jobReportAction_->setEnabled(job && !jobReport_);
}

QList<QStringList> ArchiveWindow::SelectedRows() const
{
    return model_->RowTexts(SelectedOrder());
}

QList<RecordPlace> ArchiveWindow::SelectedPlaces() const
{
    QList<RecordPlace> places;
    for (int row : SelectedOrder())
        places << model_->Record(row).place;
    return places;
}

QList<qint64> ArchiveWindow::SelectedIds() const
{
    QList<qint64> ids;
    for (int row : SelectedOrder())
        ids << model_->Record(row).id;
    return ids;
}

QList<int> ArchiveWindow::SelectedOrder() const
{
    QList<int> rows;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows())
        rows << index.row();
    // As the data page showed them: download by download, each in the meter's order.
    const auto number = [this](int row) {
        return model_->Record(row).texts.value(0).trimmed().toInt();
    };
    std::sort(rows.begin(), rows.end(), [&](int a, int b) {
        const ArchivedRecord& ra = model_->Record(a);
        const ArchivedRecord& rb = model_->Record(b);
        if (ra.downloadId != rb.downloadId)
            return ra.downloadId < rb.downloadId;
        if (number(a) != number(b))
            return number(a) < number(b);
        return ra.id < rb.id;
    });
    return rows;
}

ThresholdTable ArchiveWindow::SelectedLimits() const
{
    ThresholdTable limits;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows()) {
        const ArchivedRecord& r = model_->Record(index.row());
        for (int g = 1; g <= ThresholdTable::kGroups; ++g) {
            if (limits.IsKnown(g) || !r.limits.IsKnown(g))
                continue;
            limits.Group(g) = r.limits.Group(g);
            limits.MarkKnown(g);
        }
    }
    return limits;
}

void ArchiveWindow::OnPlaceHistory()
{
    const QList<qint64> ids = SelectedIds();
    if (!ids.isEmpty())
        placeHistoryRead_ = model_->Reader().ReadPlaceHistory(ids);
}

void ArchiveWindow::OnOpenInDataPage()
{
    const QList<QStringList> rows = SelectedRows();
    if (rows.isEmpty())
        return;
    if (rows.size() > RecordDownload::kMaxRecords) {
        prompter_.Notify(this, tooManyText().arg(RecordDownload::kMaxRecords),
                         Prompter::Icon::Warning);
        return;
    }
    Q_EMIT OpenInDataPage(rows, SelectedPlaces(), SelectedIds());
}

void ArchiveWindow::OnExportCsv()
{
    ExportRecordTable(Texts(SelectedRows()), prompter_, dialogs_, this, exportPath_);
}

void ArchiveWindow::OnExportWorkbook()
{
    ExportRecordWorkbook(WithPlaceColumns(Texts(SelectedRows()), SelectedPlaces()), prompter_,
                         dialogs_, this, exportPath_);
}

void ArchiveWindow::OnExportReport()
{
    ReportFacts facts;
    facts.when = QDateTime::currentDateTime();
    facts.login = LoginName();
    // The notes of the downloads the selected records came with, each once.
    QStringList notes;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows()) {
        const QString note = model_->Record(index.row()).note.trimmed();
        if (!note.isEmpty() && !notes.contains(note))
            notes << note;
    }
    facts.note = notes.join(QStringLiteral("; "));
    // The archive hands its records over as texts: read and judged once here.
    const QList<QStringList> rows = SelectedRows();
    facts.places = PlaceTable(Texts(rows), SelectedPlaces());
    const FixedJudgedTable table(RecordRowsOfTexts(rows), SelectedLimits());
    ExportRecordReport(RecordTable::Headers(), table, facts, prompter_, dialogs_, this,
                       exportPath_);
}

void ArchiveWindow::OnAssignJob()
{
    QList<qint64> ids;
    QList<RecordPlace> places;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows()) {
        ids << model_->Record(index.row()).id;
        places << model_->Record(index.row()).place;
    }
    if (ids.isEmpty() || assignDialog_)
        return;
    assignDialog_ = new AssignPlaceDialog(static_cast<int>(ids.size()), SharedPlace(places),
                                          model_->PlaceTexts(), this);
    assignDialog_->setAttribute(Qt::WA_DeleteOnClose);
    // The records as selected when the dialog opened, whatever arrives in the list meanwhile;
    // nothing when the window reads another archive by then.
    connect(assignDialog_, &QDialog::accepted, this,
            [this, ids, dialog = assignDialog_, model = model_.get()] {
                if (model == model_.get())
                    model_->Assign(ids, dialog->Change());
            });
    assignDialog_->open();
}

std::optional<int> ArchiveWindow::ChosenRow() const
{
    const QItemSelectionModel* selection = list_->selectionModel();
    if (!selection || !selection->hasSelection())
        return std::nullopt;
    const QModelIndex current = list_->currentIndex();
    if (current.isValid() && selection->isRowSelected(current.row()))
        return current.row();
    const QModelIndexList rows = selection->selectedRows();
    return rows.isEmpty() ? std::nullopt : std::optional<int>(rows.first().row());
}

void ArchiveWindow::OnOntHistory()
{
    const std::optional<int> row = ChosenRow();
    if (!row || !model_->Record(*row).place[RecordPlace::Ont])
        return;
    ArchiveFilter filter;
    filter.ont = *model_->Record(*row).place[RecordPlace::Ont];
    historyOnt_ = filter.ont;
    historyRead_ = model_->Reader().ReadAll(filter, kHistoryRecords + 1);
}

void ArchiveWindow::OnJobReport()
{
    const std::optional<int> row = ChosenRow();
    if (jobReport_ || !row || !model_->Record(*row).place[RecordPlace::Job])
        return;
    const QString job = *model_->Record(*row).place[RecordPlace::Job];
    // The job's name, dated: the reports of one job sort together, oldest first. A
    // character a file name cannot hold, here or on a Windows share, becomes "-".
    QString name = job;
    name.replace(QRegularExpression(QStringLiteral(R"([/\\:*?"<>|])")), QStringLiteral("-"));
    name += QLatin1Char(' ') + QDate::currentDate().toString(Qt::ISODate) + QStringLiteral(".pdf");
    if (!ChooseExportPath(prompter_, dialogs_, this, exportPath_, pdfFilter(),
                          {QStringLiteral(".pdf")}, name))
        return;
    // Drawn in a process of its own: a job of thousands of records takes seconds, and the
    // window goes on meanwhile.
    jobReport_ = new JobReportProcess(target_, job, this);
    connect(jobReport_, &JobReportProcess::Finished, this,
            [this, path = exportPath_](const QByteArray& pdf, const QString& error) {
                jobReport_->deleteLater();
                jobReport_ = nullptr;
                drawing_.clear();
                ShowStatus();
                UpdateButtons();
                if (pdf.isEmpty())
                    prompter_.Notify(this, tr("The job's report could not be made: %1").arg(error),
                                     Prompter::Icon::Warning);
                else
                    WriteExportAndTell(prompter_, this, path, pdf);
            });
    drawing_ = tr("drawing the report of %1...").arg(job);
    ShowStatus();
    UpdateButtons();
    jobReport_->Start();
}

void ArchiveWindow::OnAllRead(quint64 token, const QList<ArchivedRecord>& records,
                              const QString& error)
{
    if (token == 0 || token != historyRead_)
        return;
    historyRead_ = 0;
    if (!error.isEmpty()) {
        prompter_.Notify(this, readFailedText().arg(error), Prompter::Icon::Warning);
        return;
    }
    // The newest records, newest first; more than the limit are said, never left out unseen.
    QList<ArchivedRecord> kept = records;
    if (kept.size() > kHistoryRecords) {
        kept.resize(kHistoryRecords);
        prompter_.Notify(
            this,
            tr("The ONT has more than %1 records: the newest %1 are shown.").arg(kHistoryRecords),
            Prompter::Icon::Information);
    }
    history_ = new OntHistoryWindow(historyOnt_, kept, prompter_, dialogs_, this);
    history_->show();
}
