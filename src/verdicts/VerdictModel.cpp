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

VerdictModel::VerdictModel(QAbstractItemModel& table, const JudgedTable& judged, QObject* parent)
    : QIdentityProxyModel(parent), judged_(judged)
{
    setSourceModel(&table);
    connect(&table, &QAbstractItemModel::dataChanged, this, &VerdictModel::OnTableChanged);
}

QVariant VerdictModel::data(const QModelIndex& index, int role) const
{
    if ((role != Qt::BackgroundRole && role != Qt::ForegroundRole && role != Qt::ToolTipRole) ||
        !index.isValid() || !IsPowerColumn(index.column()))
        return QIdentityProxyModel::data(index, role);
    const QList<RowVerdict>& verdicts = judged_.Judged().verdicts;
    if (index.row() >= verdicts.size())
        return QIdentityProxyModel::data(index, role);
    const RowVerdict& row = verdicts[index.row()];
    const std::optional<Verdict> verdict =
        row.channels[static_cast<size_t>(index.column() - kFirstPowerColumn)];
    if (!verdict)
        return QIdentityProxyModel::data(index, role);
    switch (role) {
    case Qt::BackgroundRole:
        return VerdictColour(*verdict);
    case Qt::ForegroundRole:
        // The light backgrounds need dark text, whatever the desktop's theme.
        return QColor(Qt::black);
    default:
        return VerdictToolTip(*verdict, *row.group,
                              *LimitsFor(judged_.JudgedBy(), *row.group, index.column()));
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
