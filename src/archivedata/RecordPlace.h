#pragma once

#include "verdicts/Verdict.h"

#include <QString>
#include <QStringList>
#include <QUuid>
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
    // record without a place reads as RecordPlace()). Handed to ArchiveStore::Assign: the
    // texts to set (an empty one clears it); nothing leaves a text as it is.
    std::array<std::optional<QString>, kFields> texts;

    const std::optional<QString>& operator[](Field field) const { return texts[field]; }
    std::optional<QString>& operator[](Field field) { return texts[field]; }
    // The text, empty where there is none.
    QString Text(Field field) const { return texts[field].value_or(QString()); }
    bool operator==(const RecordPlace&) const = default;
};

// The archive's name of a field, in every language: "job", "site", "ont", "pon_port",
// "technician" (a table column, a command-line key).
QString PlaceFieldName(RecordPlace::Field field);
// The same as the windows show it, in the desktop's language ("Job", "Site", "ONT", "PON
// Port", "Technician").
QString PlaceFieldLabel(RecordPlace::Field field);

// One job as the archive knows it: what its records say.
struct JobSummary
{
    QString job;
    QStringList sites; // sorted, without the empty text
    QStringList onts;  // sorted, without the empty text
    int records = 0;
    QString firstMeasured; // ISO date-time; empty when no record's text is a date
    QString lastMeasured;
    std::optional<Verdict> worst; // Fail > Over > Marginal > Pass; nothing when none judged
};

// A record's place and where the record came first (the download's UUID and its row, 0 for
// the first): how `archive copy` finds the same record in another archive.
struct PlacedRecord
{
    QUuid download;
    int position = 0;
    RecordPlace place;
};
