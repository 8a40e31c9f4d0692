#pragma once

#include "verdicts/RecordRow.h"

#include <QColor>
#include <QIdentityProxyModel>

// The background of a judged power cell, from the Okabe-Ito palette (told apart with every
// common kind of colour blindness), lightened so black text stays readable: pass bluish
// green, marginal yellow, over sky blue, fail vermillion.
QColor VerdictColour(Verdict verdict);

// The record table as the data page shows it: the same rows, columns and texts, with each
// power cell of a record whose group is known coloured by its verdict and a tooltip naming
// the verdict and the limits, as the table judged its rows. The record table itself stays free
// of display matters.
class VerdictModel : public QIdentityProxyModel
{
    Q_OBJECT

public:
    // `judged` is the same table's rows with their verdicts; the table tells of a change of
    // verdicts as a change of its power cells.
    VerdictModel(QAbstractItemModel& table, const JudgedTable& judged, QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    void OnTableChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight);
    void RepaintPowers(int firstRow, int lastRow);

    const JudgedTable& judged_;
};
