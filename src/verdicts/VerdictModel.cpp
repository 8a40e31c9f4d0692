#include "verdicts/VerdictModel.h"

namespace {

// Okabe-Ito colours, three parts of the colour to two of white.
QColor Lightened(QRgb rgb)
{
    const auto mix = [](int c) {
        return (3 * c + 2 * 255) / 5;
    };
    return QColor(mix(qRed(rgb)), mix(qGreen(rgb)), mix(qBlue(rgb)));
}

} // namespace

QColor VerdictColour(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Pass:
        return Lightened(qRgb(0x00, 0x9E, 0x73));
    case Verdict::Marginal:
        return Lightened(qRgb(0xF0, 0xE4, 0x42));
    case Verdict::Over:
        return Lightened(qRgb(0x56, 0xB4, 0xE9));
    case Verdict::Fail:
        break;
    }
    return Lightened(qRgb(0xD5, 0x5E, 0x00));
}

QList<QStringList> TableRows(const QAbstractItemModel& table)
{
    QList<QStringList> rows(table.rowCount());
    for (int r = 0; r < table.rowCount(); ++r)
        for (int c = 0; c < table.columnCount(); ++c)
            rows[r] << table.index(r, c).data().toString();
    return rows;
}

VerdictModel::VerdictModel(QAbstractItemModel& table, const KnownLimits& limits, QObject* parent)
    : QIdentityProxyModel(parent), table_(table), limits_(limits)
{
    setSourceModel(&table);
    connect(&table, &QAbstractItemModel::dataChanged, this, &VerdictModel::OnTableChanged);
    connect(&limits, &KnownLimits::Changed, this,
            [this] { RepaintPowers(0, table_.rowCount() - 1); });
}

QVariant VerdictModel::data(const QModelIndex& index, int role) const
{
    if ((role != Qt::BackgroundRole && role != Qt::ForegroundRole && role != Qt::ToolTipRole) ||
        !index.isValid() || !IsPowerColumn(index.column()) || !limits_.Table().AnyKnown())
        return QIdentityProxyModel::data(index, role);
    const auto text = [&](int column) {
        return table_.index(index.row(), column).data().toString();
    };
    const std::optional<int> group = GroupOfText(text(kGroupColumn));
    const std::optional<ChannelLimits> limits =
        group ? LimitsFor(limits_.Table(), *group, index.column()) : std::nullopt;
    const std::optional<Verdict> verdict =
        limits ? JudgePower(text(index.column()), *limits) : std::nullopt;
    if (!verdict)
        return QIdentityProxyModel::data(index, role);
    switch (role) {
    case Qt::BackgroundRole:
        return VerdictColour(*verdict);
    case Qt::ForegroundRole:
        // The light backgrounds need dark text, whatever the desktop's theme.
        return QColor(Qt::black);
    default:
        return VerdictToolTip(*verdict, *group, *limits);
    }
}

void VerdictModel::OnTableChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    // A row's group decides the colours of its power cells.
    if (topLeft.column() <= kGroupColumn && kGroupColumn <= bottomRight.column())
        RepaintPowers(topLeft.row(), bottomRight.row());
}

void VerdictModel::RepaintPowers(int firstRow, int lastRow)
{
    if (firstRow > lastRow)
        return;
    Q_EMIT dataChanged(index(firstRow, kFirstPowerColumn),
                       index(lastRow, kFirstPowerColumn + kPowerColumns - 1),
                       {Qt::BackgroundRole, Qt::ForegroundRole, Qt::ToolTipRole});
}
