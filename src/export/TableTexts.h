#pragma once

#include <QCoreApplication>
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

// A column header as the screen and the report show it, in the desktop's language; the
// files keep the header itself ("No.", "ONT:1270nm", ...) in every language. The record
// table marks its headers for translation in the context "RecordTable".
inline QString ShownHeader(const QString& header)
{
    return QCoreApplication::translate("RecordTable", header.toUtf8().constData());
}
