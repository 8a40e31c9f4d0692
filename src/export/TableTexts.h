#pragma once

#include <QCoreApplication>
#include <QList>
#include <QStringList>
#include <limits>

// A table as the exports write it: the column headers, then every row's texts in column
// order. The records page hands its table over in this form, so the exports need not know
// where the rows come from.
struct TableTexts
{
    QStringList headers;
    QList<QStringList> rows;
    // Columns from this one on hold texts the operator gave the records in the archive (a
    // record's job, site, ...): kept as they stand, never read as numbers or dates. Past
    // the last column when there are none.
    qsizetype givenFrom = std::numeric_limits<qsizetype>::max();
};

// A column header as the screen and the report show it, in the desktop's language; the
// files keep the header itself ("No.", "ONT:1270nm", ...) in every language. The record
// table marks its headers for translation in the context "RecordTable".
inline QString ShownHeader(const QString& header)
{
    return QCoreApplication::translate("RecordTable", header.toUtf8().constData());
}
