#pragma once

#include "verdicts/Verdict.h"

#include <QChart>
#include <QImage>
#include <array>

class QLineSeries;
class QScatterSeries;
class QValueAxis;

// The four channels' powers by record number, with the Over, Pass and Fail lines of one
// channel of one threshold group. "LOW" readings have no value: they are marked at the foot
// of the chart, in their channel's colour. Shared by the chart window and the report.
class PowerChart : public QChart
{
    Q_OBJECT

public:
    // Which limits are drawn: a group 1 to 3 and a power column 1 to 4.
    struct Choice
    {
        int group = 1;
        int powerColumn = kFirstPowerColumn;
    };

    explicit PowerChart(QGraphicsItem* parent = nullptr);

    // Redraws from the table's rows; the lines stay empty while the group is not known.
    void Show(const QList<QStringList>& rows, const ThresholdTable& thresholds, Choice choice);

    // The group most records refer to among the known ones, else the first known group,
    // else 1; the first power column.
    static Choice DefaultChoice(const QList<QStringList>& rows, const ThresholdTable& thresholds);

    // A chart of its own for the rows, drawn at `size` on white; no window needed.
    static QImage Picture(const QList<QStringList>& rows, const ThresholdTable& thresholds,
                          Choice choice, QSize size);

    // For the tests: `c` is 0 to 3 in power column order; limits Over, Pass, Fail.
    QLineSeries* Readings(int c) const { return readings_[static_cast<size_t>(c)]; }
    QScatterSeries* LowMarks(int c) const { return lowMarks_[static_cast<size_t>(c)]; }
    QLineSeries* LimitLine(int i) const { return limitLines_[static_cast<size_t>(i)]; }

private:
    std::array<QLineSeries*, kPowerColumns> readings_{};
    std::array<QScatterSeries*, kPowerColumns> lowMarks_{};
    std::array<QLineSeries*, 3> limitLines_{};
    QValueAxis* recordAxis_;
    QValueAxis* powerAxis_;
};
