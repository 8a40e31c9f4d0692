#include "verdicts/PowerChartWindow.h"

#include "common/ExportFile.h"
#include "verdicts/Verdict.h"

#include <QBuffer>
#include <QChartView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QSvgGenerator>
#include <QVBoxLayout>

namespace {

// The channel choice's data for "All channels"; the others hold their power column.
constexpr int kAllChannels = 0;

} // namespace

PowerChartWindow::PowerChartWindow(const QAbstractItemModel& table, const JudgedTable& judged,
                                   const KnownLimits& limits, Prompter& prompter,
                                   FileDialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), judged_(judged), limits_(limits), prompter_(prompter),
      dialogs_(dialogs), chart_(new PowerChart), view_(new QChartView(chart_, this)),
      groupChoice_(new QComboBox(this)), channelChoice_(new QComboBox(this)),
      saveButton_(new QPushButton(tr("Save Image..."), this))
{
    setWindowTitle(tr("Power Chart"));
    resize(900, 560);
    view_->setRenderHint(QPainter::Antialiasing);

    for (int g = 1; g <= ThresholdTable::kGroups; ++g)
        groupChoice_->addItem(QString::number(g), g);
    for (int column = kFirstPowerColumn; column < kFirstPowerColumn + kPowerColumns; ++column)
        channelChoice_->addItem(PowerColumnName(column), column);
    channelChoice_->addItem(tr("All channels"), kAllChannels);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Channel"), this));
    top->addWidget(channelChoice_);
    top->addSpacing(12);
    top->addWidget(new QLabel(tr("Limits of threshold group"), this));
    top->addWidget(groupChoice_);
    top->addStretch();
    top->addWidget(saveButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(view_);

    redraw_.setSingleShot(true);
    // At most once per display frame: a download changes the table once per record.
    redraw_.setInterval(16);
    connect(&redraw_, &QTimer::timeout, this, &PowerChartWindow::Redraw);
    connect(&table, &QAbstractItemModel::rowsInserted, this, &PowerChartWindow::Schedule);
    connect(&table, &QAbstractItemModel::rowsRemoved, this, &PowerChartWindow::Schedule);
    connect(&table, &QAbstractItemModel::modelReset, this, &PowerChartWindow::Schedule);
    connect(&table, &QAbstractItemModel::dataChanged, this, &PowerChartWindow::Schedule);
    connect(&limits, &KnownLimits::Changed, this, &PowerChartWindow::Schedule);
    connect(groupChoice_, &QComboBox::activated, this, [this] {
        groupChosen_ = true;
        Schedule();
    });
    connect(channelChoice_, &QComboBox::activated, this, &PowerChartWindow::Schedule);
    connect(saveButton_, &QPushButton::clicked, this, &PowerChartWindow::OnSaveImage);
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);

    Redraw();
}

void PowerChartWindow::Redraw()
{
    redraw_.stop();
    const JudgedRows& rows = judged_.Judged();
    if (!groupChosen_) {
        const PowerChart::Choice choice = DefaultChartChoice(rows.rows, limits_.Table());
        groupChoice_->setCurrentIndex(groupChoice_->findData(choice.group));
    }
    const PowerChart::Choice choice = CurrentChoice();
    // All channels are drawn without limit lines: there is no group to choose.
    groupChoice_->setEnabled(!choice.allChannels);
    chart_->Show(rows, limits_.Table(), choice);
}

PowerChart::Choice PowerChartWindow::CurrentChoice() const
{
    PowerChart::Choice choice;
    choice.group = groupChoice_->currentData().toInt();
    const int column = channelChoice_->currentData().toInt();
    choice.allChannels = column == kAllChannels;
    if (!choice.allChannels)
        choice.powerColumn = column;
    return choice;
}

std::optional<QByteArray> PowerChartWindow::ImageFile(const QString& path) const
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (path.endsWith(QStringLiteral(".svg"))) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(view_->size());
        svg.setViewBox(QRect(QPoint(0, 0), view_->size()));
        svg.setTitle(windowTitle());
        QPainter painter;
        if (!painter.begin(&svg))
            return std::nullopt;
        view_->render(&painter);
        painter.end();
    } else if (!view_->grab().save(&buffer, "PNG")) {
        return std::nullopt;
    }
    return buffer.data();
}

void PowerChartWindow::OnSaveImage()
{
    Redraw();
    ExportFileAs(prompter_, dialogs_, this, exportPath_, chartImageFilter(),
                 {QStringLiteral(".png"), QStringLiteral(".svg")},
                 [this](const QString& path) { return ImageFile(path); });
}
