#include "verdicts/PowerChart.h"

#include "verdicts/VerdictModel.h"

#include <QCoreApplication>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QScatterSeries>
#include <QValueAxis>
#include <cmath>

namespace {

// Okabe-Ito colours, kept apart from the verdict colours of the limit lines.
constexpr QRgb kChannelColours[kPowerColumns] = {0x0072B2, 0xE69F00, 0xCC79A7, 0x56B4E9};
struct LimitStyle
{
    const char* name;
    QRgb colour;
};
// The limits take the names of the verdicts they bound (translated where they are shown).
constexpr LimitStyle kLimitStyles[3] = {{QT_TRANSLATE_NOOP("Verdict", "Over"), 0x000000},
                                        {QT_TRANSLATE_NOOP("Verdict", "Pass"), 0x009E73},
                                        {QT_TRANSLATE_NOOP("Verdict", "Fail"), 0xD55E00}};

// The legend names at most this many readings off the scale per channel.
constexpr int kNamedOffScale = 3;

// "ONT:1270nm off the scale: No. 3 (1e+09 dBm), No. 7 (-1e+05 dBm)", and "..." when more.
QString OffScaleName(const QString& channel, const QList<OffScaleReading>& readings)
{
    QStringList named;
    for (qsizetype i = 0; i < readings.size() && i < kNamedOffScale; ++i)
        named << PowerChart::tr("No. %1 (%2 dBm)")
                     .arg(readings[i].x)
                     .arg(QString::number(readings[i].power, 'g', 6));
    if (readings.size() > kNamedOffScale)
        named << PowerChart::tr("%1 more").arg(readings.size() - kNamedOffScale);
    return PowerChart::tr("%1 off the scale: %2").arg(channel, named.join(QStringLiteral(", ")));
}

} // namespace

QColor ChannelColour(int powerColumn)
{
    return QColor(kChannelColours[(powerColumn - kFirstPowerColumn) % kPowerColumns]);
}

QColor LimitColour(int limit)
{
    return QColor(kLimitStyles[limit % 3].colour);
}

PowerChart::PowerChart(QGraphicsItem* parent)
    : QChart(parent), recordAxis_(new QValueAxis(this)), powerAxis_(new QValueAxis(this))
{
    setAnimationOptions(QChart::NoAnimation);
    legend()->setAlignment(Qt::AlignBottom);
    recordAxis_->setTitleText(tr("Record number"));
    recordAxis_->setLabelFormat(QStringLiteral("%d"));
    recordAxis_->setTickType(QValueAxis::TicksDynamic);
    powerAxis_->setTitleText(tr("Power (dBm)"));
    powerAxis_->setLabelFormat(QStringLiteral("%.0f"));
    powerAxis_->setTickType(QValueAxis::TicksDynamic);
    addAxis(recordAxis_, Qt::AlignBottom);
    addAxis(powerAxis_, Qt::AlignLeft);

    for (int c = 0; c < kPowerColumns; ++c) {
        const QColor colour(kChannelColours[c]);
        auto* key = new QLineSeries(this);
        key->setName(PowerColumnName(kFirstPowerColumn + c));
        key->setColor(colour);
        Attach(key);
        keys_[static_cast<size_t>(c)] = key;

        auto* low = new QScatterSeries(this);
        low->setMarkerShape(QScatterSeries::MarkerShapeTriangle);
        low->setMarkerSize(9);
        low->setColor(colour);
        low->setBorderColor(colour);
        Attach(low);
        lowMarks_[static_cast<size_t>(c)] = low;

        auto* off = new QScatterSeries(this);
        off->setMarkerShape(QScatterSeries::MarkerShapeRotatedRectangle);
        off->setMarkerSize(11);
        off->setColor(Qt::white);
        off->setBorderColor(colour);
        off->setPen(QPen(colour, 2.0));
        Attach(off);
        offScale_[static_cast<size_t>(c)] = off;
    }
    for (int v = 0; v < kVerdicts; ++v) {
        auto* marks = new QScatterSeries(this);
        const QColor colour = VerdictColour(static_cast<Verdict>(v));
        marks->setMarkerShape(QScatterSeries::MarkerShapeCircle);
        marks->setMarkerSize(10);
        marks->setColor(colour);
        marks->setBorderColor(colour.darker(150));
        marks->setName(VerdictLabel(static_cast<Verdict>(v)));
        Attach(marks);
        verdictMarks_[static_cast<size_t>(v)] = marks;
    }
    for (int i = 0; i < 3; ++i) {
        auto* limit = new QLineSeries(this);
        QPen pen(QColor(kLimitStyles[i].colour));
        pen.setStyle(Qt::DashLine);
        pen.setWidthF(1.5);
        limit->setPen(pen);
        limit->setName(QString::fromLatin1(kLimitStyles[i].name));
        Attach(limit);
        limitLines_[static_cast<size_t>(i)] = limit;
    }
}

void PowerChart::Attach(QXYSeries* series)
{
    addSeries(series);
    series->attachAxis(recordAxis_);
    series->attachAxis(powerAxis_);
}

void PowerChart::ShowInLegend(QAbstractSeries* series, bool shown)
{
    for (QLegendMarker* marker : legend()->markers(series))
        marker->setVisible(shown);
}

QLineSeries* PowerChart::NewRun(int c)
{
    auto* run = new QLineSeries(this);
    run->setColor(QColor(kChannelColours[c]));
    run->setPointsVisible(true);
    // A reading between two gaps is a run of one point: it must show without a line.
    run->setMarkerSize(4);
    Attach(run);
    return run;
}

void PowerChart::Show(const JudgedRows& rows, const ThresholdTable& thresholds, Choice choice)
{
    const ChartPlan plan = PlanChart(rows, thresholds, choice);

    const QString channelName = PowerColumnName(choice.powerColumn);
    if (choice.allChannels)
        setTitle(tr("Powers by record (LOW: triangles at the foot); all channels, no limit lines"));
    else if (plan.otherGroups)
        // Records of other groups than the chosen one: each reading keeps its own group's
        // verdict colour, and no one group's lines are drawn over them.
        setTitle(tr("Powers by record (LOW: triangles at the foot); %1; several groups, no limit "
                    "lines")
                     .arg(channelName));
    else if (plan.limits)
        setTitle(tr("Powers by record (LOW: triangles at the foot); limits of threshold group %1, "
                    "%2")
                     .arg(choice.group)
                     .arg(channelName));
    else
        setTitle(tr("Powers by record (LOW: triangles at the foot); threshold group %1 not known")
                     .arg(choice.group));

    recordAxis_->setRange(plan.firstX, plan.lastX);
    recordAxis_->setTickAnchor(0.0);
    recordAxis_->setTickInterval(plan.xStep);
    powerAxis_->setRange(plan.bottom, plan.top);
    powerAxis_->setTickAnchor(0.0);
    powerAxis_->setTickInterval(5.0);

    for (int c = 0; c < kPowerColumns; ++c) {
        const ChannelPlan& channel = plan.channels[static_cast<size_t>(c)];
        QList<QLineSeries*>& runs = runs_[static_cast<size_t>(c)];
        while (runs.size() > channel.runs.size()) {
            QLineSeries* surplus = runs.takeLast();
            removeSeries(surplus);
            delete surplus;
        }
        while (runs.size() < channel.runs.size())
            runs << NewRun(c);
        for (qsizetype i = 0; i < runs.size(); ++i)
            runs[i]->replace(channel.runs[i]);

        QList<QPointF> lows;
        for (double x : channel.lowAt)
            lows << QPointF(x, plan.lowY);
        lowMarks_[static_cast<size_t>(c)]->replace(lows);

        QList<QPointF> edge;
        for (const OffScaleReading& reading : channel.offScale)
            edge << QPointF(reading.x, reading.power > 0 ? plan.offHighY : plan.lowY);
        QScatterSeries* off = offScale_[static_cast<size_t>(c)];
        off->replace(edge);
        off->setName(OffScaleName(PowerColumnName(kFirstPowerColumn + c), channel.offScale));
    }

    std::array<QList<QPointF>, kVerdicts> judged;
    for (const ChannelPlan& channel : plan.channels) {
        for (const JudgedReading& reading : channel.judged)
            judged[static_cast<size_t>(reading.verdict)] << QPointF(reading.x, reading.power);
    }
    for (int v = 0; v < kVerdicts; ++v) {
        QScatterSeries* marks = verdictMarks_[static_cast<size_t>(v)];
        marks->replace(judged[static_cast<size_t>(v)]);
        // Series are drawn in the order they were added and runs are made as they are
        // needed: added again, the discs lie above every run, whose line shows through.
        removeSeries(marks);
        Attach(marks);
    }

    const std::array<float, 3> values =
        plan.limits ? std::array<float, 3>{plan.limits->over, plan.limits->pass, plan.limits->fail}
                    : std::array<float, 3>{};
    for (int i = 0; i < 3; ++i) {
        const float value = values[static_cast<size_t>(i)];
        const bool onScale = plan.limits && IsPowerOnScale(value);
        QList<QPointF> line;
        if (onScale)
            line << QPointF(plan.firstX, value) << QPointF(plan.lastX, value);
        QLineSeries* limit = limitLines_[static_cast<size_t>(i)];
        limit->replace(line);
        QString name = QCoreApplication::translate("Verdict", kLimitStyles[i].name);
        if (plan.limits)
            name += QLatin1Char(' ') + LimitText(value);
        if (plan.limits && !onScale)
            name += tr(" (off the scale)");
        limit->setName(name);
    }

    // The legend: each channel drawn once, its readings off the scale when there are any,
    // and the limits when a group's limits are shown.
    for (int c = 0; c < kPowerColumns; ++c) {
        const ChannelPlan& channel = plan.channels[static_cast<size_t>(c)];
        ShowInLegend(keys_[static_cast<size_t>(c)], channel.shown);
        ShowInLegend(lowMarks_[static_cast<size_t>(c)], false);
        ShowInLegend(offScale_[static_cast<size_t>(c)], !channel.offScale.isEmpty());
        for (QLineSeries* run : runs_[static_cast<size_t>(c)])
            ShowInLegend(run, false);
    }
    for (QLineSeries* limit : limitLines_)
        ShowInLegend(limit, !choice.allChannels && !plan.otherGroups);
    for (QScatterSeries* marks : verdictMarks_)
        ShowInLegend(marks, marks->count() > 0);
}

void PowerChart::Draw(QPainter& painter, const QRectF& target, const JudgedRows& rows,
                      const ThresholdTable& thresholds, std::optional<Choice> choice, QSizeF size)
{
    QGraphicsScene scene; // owns the chart
    auto* chart = new PowerChart;
    scene.addItem(chart);
    // Pixel sizes are the chart's own units, so the text keeps its size against the lines
    // on any device, a PDF page included.
    QFont font = chart->titleFont();
    font.setPixelSize(11);
    font.setBold(true);
    chart->setTitleFont(font);
    font.setBold(false);
    chart->legend()->setFont(font);
    for (QAbstractAxis* axis : {static_cast<QAbstractAxis*>(chart->recordAxis_),
                                static_cast<QAbstractAxis*>(chart->powerAxis_)}) {
        axis->setLabelsFont(font);
        QFont titleFont = font;
        titleFont.setBold(true);
        axis->setTitleFont(titleFont);
    }
    chart->resize(size);
    chart->Show(rows, thresholds, choice.value_or(DefaultChartChoice(rows.rows, thresholds)));
    // Lays out axes, labels and legend now rather than at the next turn of the event loop.
    chart->layout()->activate();
    chart->legend()->layout()->activate();
    const QRectF area(QPointF(0, 0), size);
    scene.setSceneRect(area);
    scene.render(&painter, target, area);
}
