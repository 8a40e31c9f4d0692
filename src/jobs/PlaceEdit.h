#pragma once

#include "records/RecordPlace.h"

#include <QList>
#include <QString>
#include <array>

// The Assign Job dialog's rules, apart from its widgets.

// The texts some records share: a field each of them has with the same text; nothing where
// they differ or have none.
RecordPlace SharedPlace(const QList<RecordPlace>& places);

// What an edit of `shared` into `entered` (a text per field) assigns: the fields whose text
// the operator changed, trimmed; a field emptied clears that text. A field the records
// differ in and left empty stays as each record has it.
RecordPlace ChangedPlace(const RecordPlace& shared,
                         const std::array<QString, RecordPlace::kFields>& entered);

// A record's place once `change` is assigned to it, as the archive then reads it.
RecordPlace AppliedPlace(RecordPlace place, const RecordPlace& change);
