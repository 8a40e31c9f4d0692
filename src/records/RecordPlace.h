#pragma once

#include "export/TableTexts.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// Where a record was measured, as the technician assigns it after the download: the job
// (customer or work order), the site (address or cabinet), the ONT (serial or id), the PON
// port (OLT, port, splitter as free text) and the technician.
struct RecordPlace
{
    enum Field { Job, Site, Ont, PonPort, Technician };
    static constexpr int kFields = 5;

    // Read from the archive: the texts the record has (nothing where it has none, so a
    // record without a place reads as RecordPlace()). Handed to PlaceStore::Assign: the
    // texts to set (an empty one clears it); nothing leaves a text as it is.
    std::array<std::optional<QString>, kFields> texts;

    const std::optional<QString>& operator[](Field field) const { return texts[field]; }
    std::optional<QString>& operator[](Field field) { return texts[field]; }
    // The text, empty where there is none.
    QString Text(Field field) const { return texts[field].value_or(QString()); }
    // Every field's text in field order, empty where there is none (a file's columns).
    QStringList Texts() const;
    bool operator==(const RecordPlace&) const = default;
};

// The archive's name of a field, in every language: "job", "site", "ont", "pon_port",
// "technician" (a table column, a command-line key).
QString PlaceFieldName(RecordPlace::Field field);
// The same as files head its column, in every language ("Job", "Site", "ONT", "PON Port",
// "Technician").
QString PlaceFieldHeader(RecordPlace::Field field);
// The same as the windows show it, in the desktop's language ("Job", "Site", "ONT", "PON
// Port", "Technician").
QString PlaceFieldLabel(RecordPlace::Field field);

// `table` (a record table's texts, as the exports take them) with the five fields' columns
// after its own, each row's texts from `places` (one per row), when any row has a place;
// else `table` as it is. The files head them with PlaceFieldHeader.
TableTexts WithPlaceColumns(TableTexts table, const QList<RecordPlace>& places);
// Where the records of `table` were measured, as a report shows it: "No." and the fields'
// labels, then a row for each record that has a place (`places`: one per row).
TableTexts PlaceTable(const TableTexts& table, const QList<RecordPlace>& places);
