#pragma once

#include <QList>
#include <QStringList>

// A table as the exports write it: the column headers, then every row's texts in column
// order. The records page hands its table over in this form, so the exports need not know
// where the rows come from.
struct TableTexts
{
    QStringList headers;
    QList<QStringList> rows;
};
