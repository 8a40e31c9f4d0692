#pragma once

#include "verdicts/Verdict.h"

#include <QColor>
#include <QIdentityProxyModel>

// The background of a judged power cell, from the Okabe-Ito palette (told apart with every
// common kind of colour blindness), lightened so black text stays readable: pass bluish
// green, marginal yellow, over sky blue, fail vermillion.
QColor VerdictColour(Verdict verdict);

// Every row of a table model as the texts it displays, in row and column order.
QList<QStringList> TableRows(const QAbstractItemModel& table);

// The record table as the data page shows it: the same rows, columns and texts, with each
// power cell of a record whose group is known coloured by its verdict and a tooltip naming
// the verdict and the limits. The record table itself stays free of display matters.
class VerdictModel : public QIdentityProxyModel
{
    Q_OBJECT

public:
    VerdictModel(QAbstractItemModel& table, const KnownLimits& limits, QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    void OnTableChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight);
    void RepaintPowers(int firstRow, int lastRow);

    const QAbstractItemModel& table_;
    const KnownLimits& limits_;
};
