#pragma once

#include "archive/data/ArchiveTypes.h"
#include "verdicts/Verdict.h"

#include <QList>
#include <array>
#include <optional>

// An ONT's history: its records by measurement date-time, as its window charts them.

// A reading on the chart: when (ms since the epoch, the meter's local time read as this
// PC's), the power (held within the chart's scale) and its verdict by its record's own
// limits, as the pages colour the cell.
struct HistoryPoint
{
    qint64 when = 0;
    double power = 0.0;
    std::optional<Verdict> verdict;
};

struct OntHistoryPlan
{
    // Per channel in power column order, oldest first.
    std::array<QList<HistoryPoint>, kPowerColumns> points;
    std::array<QList<qint64>, kPowerColumns> lowAt; // when each LOW reading was measured
    // The group every dated record names, when they name one; and its limits per channel
    // as the newest record kept them, where known.
    std::optional<int> group;
    std::array<std::optional<ChannelLimits>, kPowerColumns> limits;
    qint64 first = 0; // the oldest and newest measurement
    qint64 last = 0;
    int undated = 0; // records whose text is no date: in the table, not on the chart
};

// The records oldest first (by measurement, then as archived); those without a date last.
QList<ArchivedRecord> OldestFirst(QList<ArchivedRecord> records);

OntHistoryPlan PlanOntHistory(const QList<ArchivedRecord>& records);
