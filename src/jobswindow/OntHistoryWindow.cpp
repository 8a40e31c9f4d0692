#include "jobswindow/OntHistoryWindow.h"

#include "common/ExportFile.h"
#include "export/TableTexts.h"
#include "jobs/OntHistory.h"
#include "records/RecordTable.h"
#include "verdicts/ChartPlan.h"
#include "verdicts/PowerChart.h"
#include "verdicts/VerdictModel.h"

#include <QBuffer>
#include <QChartView>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineSeries>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QScatterSeries>
#include <QShortcut>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <cmath>

namespace {

constexpr int kAllChannels = 0;
// The table's columns after the record's seven texts.
enum ExtraColumn { kVerdictColumn = 7, kSiteColumn, kPonPortColumn, kTechnicianColumn, kColumns };

// The chart saved, whatever the window's size: in pixels of a PNG image, in proportion on a
// PDF page.
const QSizeF kSavedChartSize(1200, 600);

// Where LOW readings sit: at the foot of the scale.
constexpr double kLowMarkY = kPlotLowestPower + 2.0;

} // namespace

OntHistoryWindow::OntHistoryWindow(const QString& ont, const QList<ArchivedRecord>& records,
                                   Prompter& prompter, FileDialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), ont_(ont), records_(OldestFirst(records)), prompter_(prompter),
      dialogs_(dialogs), chart_(new QChart), view_(new QChartView(chart_, this)),
      channelChoice_(new QComboBox(this)), table_(new QTableWidget(this)),
      saveButton_(new QPushButton(tr("Save..."), this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("ONT History: %1").arg(ont));
    resize(1000, 700);
    chart_->setAnimationOptions(QChart::NoAnimation);
    chart_->legend()->setAlignment(Qt::AlignBottom);
    view_->setRenderHint(QPainter::Antialiasing);

    channelChoice_->addItem(tr("All channels"), kAllChannels);
    for (int c = kFirstPowerColumn; c < kFirstPowerColumn + kPowerColumns; ++c)
        channelChoice_->addItem(PowerColumnName(c), c);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Channel"), this));
    top->addWidget(channelChoice_);
    top->addStretch(1);
    top->addWidget(saveButton_);

    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(view_);
    split->addWidget(table_);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    // The table's size hint, a row per record, would otherwise squeeze the chart to a strip
    // under its own legend: the chart gets three fifths to begin with, and never too little
    // to read.
    view_->setMinimumHeight(280);
    split->setChildrenCollapsible(false);
    split->setSizes({420, 280});
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(split, 1);

    connect(channelChoice_, &QComboBox::activated, this, &OntHistoryWindow::Redraw);
    connect(saveButton_, &QPushButton::clicked, this, &OntHistoryWindow::OnSave);
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);
    FillTable();
    Redraw();
}

void OntHistoryWindow::Redraw()
{
    Draw(*chart_);
}

void OntHistoryWindow::Render(QPainter& painter, const QRectF& target) const
{
    QGraphicsScene scene; // owns the chart
    auto* chart = new QChart;
    scene.addItem(chart);
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->resize(kSavedChartSize);
    Draw(*chart);
    // Laid out now rather than at the next turn of the event loop.
    chart->layout()->activate();
    chart->legend()->layout()->activate();
    const QRectF area(QPointF(0, 0), kSavedChartSize);
    scene.setSceneRect(area);
    scene.render(&painter, target, area);
}

void OntHistoryWindow::Draw(QChart& chart) const
{
    chart.removeAllSeries();
    for (QAbstractAxis* axis : chart.axes()) {
        chart.removeAxis(axis);
        delete axis;
    }
    const OntHistoryPlan plan = PlanOntHistory(records_);
    const int chosen = channelChoice_->currentData().toInt();

    auto* time = new QDateTimeAxis;
    time->setFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
    time->setTitleText(tr("Measured"));
    auto* power = new QValueAxis;
    power->setTitleText(tr("Power (dBm)"));
    power->setLabelFormat(QStringLiteral("%.0f"));
    power->setTickType(QValueAxis::TicksDynamic);
    power->setTickAnchor(0.0);
    power->setTickInterval(10.0);
    chart.addAxis(time, Qt::AlignBottom);
    chart.addAxis(power, Qt::AlignLeft);
    // A single measurement still gets a span to sit in.
    const qint64 margin = std::max<qint64>((plan.last - plan.first) / 20, 60 * 60 * 1000);
    time->setRange(QDateTime::fromMSecsSinceEpoch(plan.first - margin),
                   QDateTime::fromMSecsSinceEpoch(plan.last + margin));
    double low = kPlotHighestPower;
    double high = kPlotLowestPower;
    const auto attach = [&](QXYSeries* series) {
        chart.addSeries(series);
        series->attachAxis(time);
        series->attachAxis(power);
    };
    std::array<QScatterSeries*, kVerdicts> verdictMarks{};
    for (int v = 0; v < kVerdicts; ++v) {
        auto* marks = new QScatterSeries;
        const QColor colour = VerdictColour(static_cast<Verdict>(v));
        marks->setMarkerSize(10);
        marks->setColor(colour);
        marks->setBorderColor(colour.darker(150));
        marks->setName(VerdictLabel(static_cast<Verdict>(v)));
        verdictMarks[static_cast<size_t>(v)] = marks;
    }
    bool anyLow = false;
    for (int c = 0; c < kPowerColumns; ++c) {
        const int column = kFirstPowerColumn + c;
        if (chosen != kAllChannels && chosen != column)
            continue;
        auto* line = new QLineSeries;
        line->setName(PowerColumnName(column));
        line->setColor(ChannelColour(column));
        line->setPointsVisible(true);
        for (const HistoryPoint& p : plan.points[static_cast<size_t>(c)]) {
            line->append(static_cast<qreal>(p.when), p.power);
            low = std::min(low, p.power);
            high = std::max(high, p.power);
            if (p.verdict)
                verdictMarks[static_cast<size_t>(*p.verdict)]->append(static_cast<qreal>(p.when),
                                                                      p.power);
        }
        attach(line);
        auto* lows = new QScatterSeries;
        lows->setMarkerShape(QScatterSeries::MarkerShapeTriangle);
        lows->setMarkerSize(9);
        lows->setColor(ChannelColour(column));
        lows->setName(tr("%1 LOW").arg(PowerColumnName(column)));
        for (qint64 when : plan.lowAt[static_cast<size_t>(c)])
            lows->append(static_cast<qreal>(when), kLowMarkY);
        anyLow = anyLow || lows->count() > 0;
        if (lows->count() > 0)
            attach(lows);
        else
            delete lows;
        const std::optional<ChannelLimits>& limits = plan.limits[static_cast<size_t>(c)];
        if (chosen == column && limits) {
            const std::array<std::pair<float, QString>, 3> lines{
                std::pair{limits->over, VerdictLabel(Verdict::Over)},
                std::pair{limits->pass, VerdictLabel(Verdict::Pass)},
                std::pair{limits->fail, VerdictLabel(Verdict::Fail)}};
            for (int i = 0; i < 3; ++i) {
                const double value = lines[static_cast<size_t>(i)].first;
                if (std::isnan(value) || !IsPowerOnScale(value))
                    continue;
                auto* limit = new QLineSeries;
                QPen pen(LimitColour(i));
                pen.setStyle(Qt::DashLine);
                limit->setPen(pen);
                limit->setName(
                    tr("%1 (group %2)").arg(lines[static_cast<size_t>(i)].second).arg(*plan.group));
                limit->append(static_cast<qreal>(plan.first - margin), value);
                limit->append(static_cast<qreal>(plan.last + margin), value);
                low = std::min(low, value);
                high = std::max(high, value);
                attach(limit);
            }
        }
    }
    // The verdicts that occur, named in the legend.
    for (QScatterSeries* marks : verdictMarks) {
        if (marks->count() > 0)
            attach(marks);
        else
            delete marks;
    }
    if (anyLow)
        low = kPlotLowestPower;
    if (low > high) {
        low = -40.0;
        high = 0.0;
    }
    power->setRange(std::floor(low / 5.0) * 5.0 - 5.0, std::ceil(high / 5.0) * 5.0 + 5.0);
    chart.setTitle(plan.undated > 0 ? tr("ONT %1: %2 records (%3 without a date, not drawn)")
                                          .arg(ont_)
                                          .arg(records_.size())
                                          .arg(plan.undated)
                                    : tr("ONT %1: %2 records").arg(ont_).arg(records_.size()));
}

void OntHistoryWindow::FillTable()
{
    QStringList headers;
    for (const QString& header : RecordTable::Headers())
        headers << ShownHeader(header);
    headers << tr("Verdict") << PlaceFieldLabel(RecordPlace::Site)
            << PlaceFieldLabel(RecordPlace::PonPort) << PlaceFieldLabel(RecordPlace::Technician);
    table_->setColumnCount(kColumns);
    table_->setHorizontalHeaderLabels(headers);
    table_->setRowCount(static_cast<int>(records_.size()));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
    for (int row = 0; row < records_.size(); ++row) {
        const ArchivedRecord& r = records_[row];
        const RowVerdict verdict = JudgeRow(r.texts, r.limits);
        for (int c = 0; c < 7; ++c) {
            auto* item = new QTableWidgetItem(r.texts.value(c).trimmed());
            if (IsPowerColumn(c)) {
                const std::optional<Verdict> v =
                    verdict.channels[static_cast<size_t>(c - kFirstPowerColumn)];
                if (v) {
                    item->setBackground(VerdictColour(*v));
                    item->setForeground(QColor(Qt::black));
                }
            }
            table_->setItem(row, c, item);
        }
        table_->setItem(
            row, kVerdictColumn,
            new QTableWidgetItem(verdict.record ? VerdictLabel(*verdict.record) : QString()));
        table_->setItem(row, kSiteColumn, new QTableWidgetItem(r.place.Text(RecordPlace::Site)));
        table_->setItem(row, kPonPortColumn,
                        new QTableWidgetItem(r.place.Text(RecordPlace::PonPort)));
        table_->setItem(row, kTechnicianColumn,
                        new QTableWidgetItem(r.place.Text(RecordPlace::Technician)));
    }
    table_->resizeColumnsToContents();
}

std::optional<QByteArray> OntHistoryWindow::Pdf() const
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageOrientation(QPageLayout::Landscape);
    pdf.setResolution(150);
    pdf.setTitle(windowTitle());
    QPainter painter;
    if (!painter.begin(&pdf))
        return std::nullopt;
    const QRect page = painter.viewport();
    QFont font = painter.font();
    font.setPointSizeF(9.0);
    painter.setFont(font);
    const int line = painter.fontMetrics().height();
    // The chart as vector graphics on the first page, the table below and on further pages.
    const QRectF chartArea(page.left(), page.top(), page.width(),
                           page.width() * kSavedChartSize.height() / kSavedChartSize.width());
    Render(painter, chartArea);
    int y = static_cast<int>(chartArea.bottom()) + line;
    const int columns = table_->columnCount();
    QList<QStringList> rows{{}};
    for (int c = 0; c < columns; ++c)
        rows[0] << table_->horizontalHeaderItem(c)->text();
    for (int r = 0; r < table_->rowCount(); ++r) {
        QStringList texts;
        for (int c = 0; c < columns; ++c)
            texts << table_->item(r, c)->text();
        rows << texts;
    }
    // Each column as wide as its widest text (bold for the header), all narrowed alike when
    // they do not fit the page; a text still too wide ends in an ellipsis, never runs into
    // the next column.
    QFont bold = font;
    bold.setBold(true);
    const QFontMetricsF plain(font, &pdf);
    const QFontMetricsF heavy(bold, &pdf);
    const double gap = plain.horizontalAdvance(QLatin1Char(' ')) * 2;
    QList<double> widths(columns, 0.0);
    for (qsizetype r = 0; r < rows.size(); ++r)
        for (int c = 0; c < columns; ++c)
            widths[c] =
                std::max(widths[c], (r == 0 ? heavy : plain).horizontalAdvance(rows[r][c]) + gap);
    double total = 0.0;
    for (double w : std::as_const(widths))
        total += w;
    const double scale = total > page.width() ? page.width() / total : 1.0;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        if (y + line > page.bottom()) {
            pdf.newPage();
            y = page.top();
        }
        painter.setFont(r == 0 ? bold : font);
        double x = page.left();
        for (int c = 0; c < columns; ++c) {
            const double width = widths[c] * scale;
            const QString text =
                (r == 0 ? heavy : plain).elidedText(rows[r][c], Qt::ElideRight, width - gap / 2);
            painter.drawText(QRectF(x, y, width, line),
                             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
            x += width;
        }
        y += line;
    }
    painter.end();
    return buffer.data();
}

std::optional<QByteArray> OntHistoryWindow::File(const QString& path) const
{
    if (path.endsWith(QStringLiteral(".pdf")))
        return Pdf();
    QImage image(kSavedChartSize.toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    Render(painter, QRectF(QPointF(0, 0), kSavedChartSize));
    painter.end();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return std::nullopt;
    return buffer.data();
}

void OntHistoryWindow::OnSave()
{
    ExportFileAs(prompter_, dialogs_, this, exportPath_, historyFileFilter(),
                 {QStringLiteral(".png"), QStringLiteral(".pdf")},
                 [this](const QString& path) { return File(path); });
}
