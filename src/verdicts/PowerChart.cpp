#include "verdicts/PowerChart.h"

#include "common/NumberText.h"

#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QScatterSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <map>

namespace {

// Okabe-Ito colours, kept apart from the verdict colours of the limit lines.
constexpr QRgb kChannelColours[kPowerColumns] = {0x0072B2, 0xE69F00, 0xCC79A7, 0x56B4E9};
struct LimitStyle
{
    const char* name;
    QRgb colour;
};
constexpr LimitStyle kLimitStyles[3] = {{"Over", 0x000000}, {"Pass", 0x009E73}, {"Fail", 0xD55E00}};

// The x of a row: its record number, or its place when the "No." text is not a number.
double RecordNumber(const QStringList& row, int position)
{
    double number = 0.0;
    return IsCompleteNumber(row.value(0), &number) && std::isfinite(number) ? number : position + 1;
}

bool IsLow(const QString& text)
{
    return text.trimmed() == QStringLiteral("LOW");
}

} // namespace

PowerChart::PowerChart(QGraphicsItem* parent)
    : QChart(parent), recordAxis_(new QValueAxis(this)), powerAxis_(new QValueAxis(this))
{
    setAnimationOptions(QChart::NoAnimation);
    legend()->setAlignment(Qt::AlignBottom);
    recordAxis_->setTitleText(QStringLiteral("Record number"));
    recordAxis_->setLabelFormat(QStringLiteral("%d"));
    recordAxis_->setTickType(QValueAxis::TicksDynamic);
    powerAxis_->setTitleText(QStringLiteral("Power (dBm)"));
    powerAxis_->setLabelFormat(QStringLiteral("%.0f"));
    powerAxis_->setTickType(QValueAxis::TicksDynamic);
    addAxis(recordAxis_, Qt::AlignBottom);
    addAxis(powerAxis_, Qt::AlignLeft);

    const auto attach = [this](QXYSeries* series) {
        addSeries(series);
        series->attachAxis(recordAxis_);
        series->attachAxis(powerAxis_);
    };
    for (int c = 0; c < kPowerColumns; ++c) {
        const QColor colour(kChannelColours[c]);
        const QString name = PowerColumnName(kFirstPowerColumn + c);
        auto* line = new QLineSeries(this);
        line->setName(name);
        line->setColor(colour);
        line->setPointsVisible(true);
        attach(line);
        readings_[static_cast<size_t>(c)] = line;

        auto* low = new QScatterSeries(this);
        low->setName(name + QStringLiteral(" LOW"));
        low->setMarkerShape(QScatterSeries::MarkerShapeTriangle);
        low->setMarkerSize(9);
        low->setColor(colour);
        low->setBorderColor(colour);
        attach(low);
        // The channel's line in the legend stands for its marks too.
        for (QLegendMarker* marker : legend()->markers(low))
            marker->setVisible(false);
        lowMarks_[static_cast<size_t>(c)] = low;
    }
    for (int i = 0; i < 3; ++i) {
        auto* limit = new QLineSeries(this);
        QPen pen(QColor(kLimitStyles[i].colour));
        pen.setStyle(Qt::DashLine);
        pen.setWidthF(1.5);
        limit->setPen(pen);
        limit->setName(QString::fromLatin1(kLimitStyles[i].name));
        attach(limit);
        limitLines_[static_cast<size_t>(i)] = limit;
    }
}

PowerChart::Choice PowerChart::DefaultChoice(const QList<QStringList>& rows,
                                             const ThresholdTable& thresholds)
{
    std::map<int, int> uses;
    for (const QStringList& row : rows) {
        const std::optional<int> group = GroupOfText(row.value(kGroupColumn));
        if (group && thresholds.IsKnown(*group))
            ++uses[*group];
    }
    Choice choice;
    const auto most = std::max_element(
        uses.begin(), uses.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
    if (most != uses.end()) {
        choice.group = most->first;
        return choice;
    }
    for (int g = 1; g <= ThresholdTable::kGroups; ++g) {
        if (thresholds.IsKnown(g)) {
            choice.group = g;
            break;
        }
    }
    return choice;
}

void PowerChart::Show(const QList<QStringList>& rows, const ThresholdTable& thresholds,
                      Choice choice)
{
    std::array<QList<QPointF>, kPowerColumns> readings;
    std::array<QList<double>, kPowerColumns> lowAt;
    double first = 1.0;
    double last = 1.0;
    double lowest = 0.0;
    double highest = -50.0;
    const auto reach = [&](double power) {
        lowest = std::min(lowest, power);
        highest = std::max(highest, power);
    };
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList& row = rows[r];
        const double x = RecordNumber(row, r);
        first = r == 0 ? x : std::min(first, x);
        last = r == 0 ? x : std::max(last, x);
        for (int c = 0; c < kPowerColumns; ++c) {
            const QString& text = row.value(kFirstPowerColumn + c);
            double power = 0.0;
            if (IsLow(text))
                lowAt[static_cast<size_t>(c)] << x;
            else if (IsCompleteNumber(text, &power) && std::isfinite(power)) {
                readings[static_cast<size_t>(c)] << QPointF(x, power);
                reach(power);
            }
        }
    }

    const std::optional<ChannelLimits> limits =
        LimitsFor(thresholds, choice.group, choice.powerColumn);
    const QString channel = PowerColumnName(choice.powerColumn);
    if (limits) {
        for (float limit : {limits->over, limits->pass, limits->fail})
            reach(limit);
        setTitle(QStringLiteral("Powers by record (LOW: triangles at the foot); limits of "
                                "threshold group %1, %2")
                     .arg(choice.group)
                     .arg(channel));
    } else {
        setTitle(QStringLiteral("Powers by record (LOW: triangles at the foot); threshold "
                                "group %1 not known")
                     .arg(choice.group));
    }

    // Whole steps of 5 dBm with room below for the LOW marks.
    const double top = std::ceil((highest + 1.0) / 5.0) * 5.0;
    const double bottom = std::floor((lowest - 1.0) / 5.0) * 5.0 - 5.0;
    const double lowY = bottom + 1.5;
    // Whole record numbers on the axis, at most about ten of them.
    const double span = last - first + 2.0;
    double step = 1.0;
    for (double candidate : {1.0, 2.0, 5.0, 10.0, 20.0, 50.0}) {
        step = candidate;
        if (span / candidate <= 10.0)
            break;
    }
    recordAxis_->setRange(first - 1.0, last + 1.0);
    recordAxis_->setTickAnchor(0.0);
    recordAxis_->setTickInterval(step);
    powerAxis_->setRange(bottom, top);
    powerAxis_->setTickAnchor(0.0);
    powerAxis_->setTickInterval(5.0);

    for (int c = 0; c < kPowerColumns; ++c) {
        readings_[static_cast<size_t>(c)]->replace(readings[static_cast<size_t>(c)]);
        QList<QPointF> marks;
        for (double x : lowAt[static_cast<size_t>(c)])
            marks << QPointF(x, lowY);
        lowMarks_[static_cast<size_t>(c)]->replace(marks);
    }
    const std::array<float, 3> values =
        limits ? std::array<float, 3>{limits->over, limits->pass, limits->fail}
               : std::array<float, 3>{};
    for (int i = 0; i < 3; ++i) {
        QList<QPointF> line;
        if (limits)
            line << QPointF(first - 1.0, values[static_cast<size_t>(i)])
                 << QPointF(last + 1.0, values[static_cast<size_t>(i)]);
        limitLines_[static_cast<size_t>(i)]->replace(line);
        limitLines_[static_cast<size_t>(i)]->setName(
            limits ? QStringLiteral("%1 %2").arg(QString::fromLatin1(kLimitStyles[i].name),
                                                 LimitText(values[static_cast<size_t>(i)]))
                   : QString::fromLatin1(kLimitStyles[i].name));
    }
}

QImage PowerChart::Picture(const QList<QStringList>& rows, const ThresholdTable& thresholds,
                           Choice choice, QSize size)
{
    QGraphicsScene scene; // owns the chart
    auto* chart = new PowerChart;
    scene.addItem(chart);
    chart->resize(size);
    chart->Show(rows, thresholds, choice);
    // Lays out axes, labels and legend now rather than at the next turn of the event loop.
    chart->layout()->activate();
    chart->legend()->layout()->activate();
    const QRectF area(QPointF(0, 0), size);
    scene.setSceneRect(area);

    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, area, area);
    painter.end();
    return image;
}
