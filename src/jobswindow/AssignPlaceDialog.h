#pragma once

#include "records/RecordPlace.h"

#include <QDialog>
#include <array>

class QLabel;
class QLineEdit;

// Assign Job...: the job, site, ONT, PON port and technician of some records, each field
// offering the texts assigned lately. The fields show what the records share; a field they
// differ in is empty and, left so, stays as each record has it.
class AssignPlaceDialog : public QDialog
{
    Q_OBJECT

public:
    // `recent`: per field, the texts to offer, assigned last first.
    AssignPlaceDialog(int records, const RecordPlace& shared,
                      const std::array<QStringList, RecordPlace::kFields>& recent,
                      QWidget* parent = nullptr);

    // The texts to assign: those the operator changed (an emptied one clears it).
    RecordPlace Change() const;

    QLineEdit* Field(RecordPlace::Field field) const { return fields_[field]; }

private:
    RecordPlace shared_;
    std::array<QLineEdit*, RecordPlace::kFields> fields_{};
};
