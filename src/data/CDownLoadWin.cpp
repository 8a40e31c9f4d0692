#include "data/CDownLoadWin.h"

#include "data/CsvExport.h"
#include "data/RecordListView.h"
#include "data/SheetImport.h"
#include "link/DeviceLink.h"
#include "link/MeterEvent.h"
#include "link/MeterMessages.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <optional>

namespace {

bool IsClosingKey(QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

// The wait cursor for as long as the object lives.
class WaitCursor
{
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

CDownLoadWin::CDownLoadWin(Prompter& prompter, FileDialogs& dialogs, QWidget* parent)
    : QWidget(parent), prompter_(prompter), dialogs_(dialogs),
      download_(table_, prompter, this,
                [](quint16 index) { DeviceLink::Instance()->RequestRecord(index); }),
      list_(new RecordListView(this)),
      exportButton_(new QPushButton(QStringLiteral("导出EXCEL"), this)),
      importButton_(new QPushButton(QStringLiteral("导进EXCEL"), this)),
      progressBar_(new QProgressBar(this)), progressText_(new QLabel(this))
{
    list_->setModel(&table_);
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
    for (QWidget* widget : std::initializer_list<QWidget*>{progressBar_, progressText_}) {
        QSizePolicy policy = widget->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        widget->setSizePolicy(policy);
        widget->hide();
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(buttons);

    connect(exportButton_, &QPushButton::clicked, this, &CDownLoadWin::OnExportCsv);
    connect(importButton_, &QPushButton::clicked, this, &CDownLoadWin::OnImportSheet);
    connect(&download_.Progress(), &DownloadProgress::Changed, this, &CDownLoadWin::ShowProgress);

    // Enter and Escape must neither close the page nor press a button, wherever the focus is.
    const QList<QWidget*> children = findChildren<QWidget*>();
    for (QWidget* child : children)
        child->installEventFilter(this);
}

void CDownLoadWin::OnExportCsv()
{
    ExportRecordTable(table_, prompter_, dialogs_, this, exportPath_);
}

void CDownLoadWin::OnImportSheet()
{
    // From the moment a file is chosen to the end of the import, its boxes included.
    std::optional<WaitCursor> wait;
    ImportRecordTable(table_, prompter_, dialogs_, this, [&wait] { wait.emplace(); });
}

void CDownLoadWin::OnMeterRecord(const QByteArray& copy)
{
    download_.OnMeterRecord(copy);
}

void CDownLoadWin::OnRecordDeleted(int recordNumber)
{
    download_.OnRecordDeleted(recordNumber);
}

void CDownLoadWin::ShowProgress()
{
    const DownloadProgress& progress = download_.Progress();
    if (progress.Active()) {
        progressBar_->setRange(0, progress.Count());
        progressBar_->setValue(progress.Number());
        progressText_->setText(progress.Text());
    }
    progressBar_->setVisible(progress.Active());
    progressText_->setVisible(progress.Active());
}

bool CDownLoadWin::event(QEvent* event)
{
    if (event->type() == MeterEvent::EventType()) {
        const auto* message = static_cast<MeterEvent*>(event);
        if (message->message == WM_METER_RECORD)
            OnMeterRecord(message->copy);
        else if (message->message == WM_METER_RECORD_DELETED)
            OnRecordDeleted(message->param);
        // Answers meant for the other pages are dropped here.
        return true;
    }
    if (IsClosingKey(event))
        return true;
    return QWidget::event(event);
}

bool CDownLoadWin::eventFilter(QObject* watched, QEvent* event)
{
    if (IsClosingKey(event))
        return true;
    return QWidget::eventFilter(watched, event);
}
