#pragma once

#include "records/RecordPlace.h"

#include <QDialog>
#include <array>

class QLabel;
class QLineEdit;

// Assign Job...: the job, site, ONT, PON port and technician of some records, each field
// offering the texts assigned lately. The fields show what the records share; a field they
// differ in is empty and, left so, stays as each record has it. A field's text is selected
// when the field takes the focus, so that what is typed replaces it.
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    RecordPlace shared_;
    std::array<QLineEdit*, RecordPlace::kFields> fields_{};
};
