#pragma once

#include "verdicts/ChartPlan.h"

#include <QChart>
#include <array>

class QAbstractSeries;
class QLineSeries;
class QPainter;
class QScatterSeries;
class QValueAxis;
class QXYSeries;

// The colour of a power column's (1 to 4) channel, and of a limit line (0 Over, 1 Pass, 2
// Fail), as this chart draws them: other charts of powers draw alike.
QColor ChannelColour(int powerColumn);
QColor LimitColour(int limit);

// The powers by record number: by default one channel with the Over, Pass and Fail lines of
// one threshold group, or all four channels without limit lines (ChartPlan). A channel's
// line is broken where it has no plausible value; "LOW" readings are marked at the foot of
// the chart and readings off the scale at its edge, in their channel's colour, the latter
// named in the legend. Each reading whose record's group is known sits on a disc of its
// verdict's colour, judged by that record's own group, as the data page colours its cell.
// Shared by the chart window and the report.
class PowerChart : public QChart
{
    Q_OBJECT

public:
    using Choice = ChartChoice;

    explicit PowerChart(QGraphicsItem* parent = nullptr);

    // Redraws from the table's judged rows; the limit lines stay empty while the group is not
    // known.
    void Show(const JudgedRows& rows, const ThresholdTable& thresholds, Choice choice);

    // A chart of its own for the rows, laid out at `size` and drawn into `target` on
    // `painter` as vector graphics, with fonts given in the chart's own units. Without a
    // `choice`, the default one (DefaultChartChoice).
    static void Draw(QPainter& painter, const QRectF& target, const JudgedRows& rows,
                     const ThresholdTable& thresholds, std::optional<Choice> choice, QSizeF size);

    // For the tests: `c` is 0 to 3 in power column order; limits Over, Pass, Fail.
    const QList<QLineSeries*>& Runs(int c) const { return runs_[static_cast<size_t>(c)]; }
    QScatterSeries* LowMarks(int c) const { return lowMarks_[static_cast<size_t>(c)]; }
    QScatterSeries* OffScaleMarks(int c) const { return offScale_[static_cast<size_t>(c)]; }
    QLineSeries* LimitLine(int i) const { return limitLines_[static_cast<size_t>(i)]; }
    QScatterSeries* VerdictMarks(Verdict verdict) const
    {
        return verdictMarks_[static_cast<size_t>(verdict)];
    }
    QValueAxis* RecordAxis() const { return recordAxis_; }
    QValueAxis* PowerAxis() const { return powerAxis_; }

private:
    QLineSeries* NewRun(int c);
    void Attach(QXYSeries* series);
    void ShowInLegend(QAbstractSeries* series, bool shown);

    // Stands for the channel in the legend; holds no points.
    std::array<QLineSeries*, kPowerColumns> keys_{};
    std::array<QList<QLineSeries*>, kPowerColumns> runs_;
    std::array<QScatterSeries*, kPowerColumns> lowMarks_{};
    std::array<QScatterSeries*, kPowerColumns> offScale_{};
    std::array<QLineSeries*, 3> limitLines_{};
    std::array<QScatterSeries*, kVerdicts> verdictMarks_{};
    QValueAxis* recordAxis_;
    QValueAxis* powerAxis_;
};
