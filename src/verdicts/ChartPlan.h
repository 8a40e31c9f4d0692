#pragma once

#include "verdicts/RecordRow.h"

#include <QList>
#include <QPointF>
#include <QStringList>
#include <array>
#include <optional>

// What the power chart draws, worked out from the record table's rows as read once. Whatever a cell
// holds (an imported file may hold 1e9), the axes stay within plausible bounds: powers
// outside them are named and drawn at the edge, never used to size an axis.

// Readings outside this range (dBm) are off the scale.
inline constexpr double kPlotLowestPower = -70.0;
inline constexpr double kPlotHighestPower = 35.0;

// What the chart shows: one channel with the limits of a group, or all four channels
// without limit lines.
struct ChartChoice
{
    int group = 1;
    int powerColumn = kFirstPowerColumn; // 1 to 4
    bool allChannels = false;

    friend bool operator==(const ChartChoice&, const ChartChoice&) = default;
};

// A reading on the scale judged against its own record's group: where it is drawn and in
// the colour of which verdict.
struct JudgedReading
{
    double x = 0.0;
    double power = 0.0;
    Verdict verdict = Verdict::Pass;
};

// A reading off the scale: its record number and its value.
struct OffScaleReading
{
    double x = 0.0;
    double power = 0.0;
};

struct ChannelPlan
{
    bool shown = false;
    // Runs of plausible readings in row order; a LOW, a reading off the scale or a text that
    // is no number ends a run, so no line crosses a value that was never measured.
    QList<QList<QPointF>> runs;
    QList<double> lowAt;             // record numbers of the LOW readings
    QList<OffScaleReading> offScale; // readings outside kPlotLowestPower..kPlotHighestPower
    // The readings on the scale whose record's group is known, each judged by that group.
    QList<JudgedReading> judged;
};

struct ChartPlan
{
    std::array<ChannelPlan, kPowerColumns> channels;
    // The limits of the chosen group and channel when the group is known and every record
    // that names a group names this one; nothing for all channels. A limit off the scale is
    // named but not drawn.
    std::optional<ChannelLimits> limits;
    // Some records refer to another threshold group than the chosen one: its lines would
    // say nothing of those records, so none are drawn (the points keep their verdicts).
    bool otherGroups = false;
    // The record axis: the numbers present with one step of room each side.
    double firstX = 0.0;
    double lastX = 2.0;
    double xStep = 1.0;
    // The power axis, in whole steps of 5 dBm, with room below for the LOW marks and, when
    // there are any, above for the marks of readings off the scale.
    double bottom = -60.0;
    double top = 5.0;
    double lowY = -58.5;   // where the LOW marks and the readings below the scale sit
    double offHighY = 3.5; // where the readings above the scale sit
};

// The group most records refer to among the known ones, else the first known group, else 1;
// the first power column alone.
ChartChoice DefaultChartChoice(const QList<RecordRow>& rows, const ThresholdTable& thresholds);

bool IsPowerOnScale(double power);

// The x of each row: its "No." when every row's is a different whole number from 1 to
// 65535 (a table whose records were thinned out keeps its numbers), else its place (1 for
// the first row).
QList<double> RecordNumbers(const QList<RecordRow>& rows);

// Each reading takes its row's verdict for its channel, as the table judged it.
ChartPlan PlanChart(const JudgedRows& table, const ThresholdTable& thresholds,
                    const ChartChoice& choice);
