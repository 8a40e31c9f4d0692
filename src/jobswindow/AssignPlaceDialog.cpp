#include "jobswindow/AssignPlaceDialog.h"

#include "jobs/PlaceEdit.h"

#include <QCompleter>
#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

AssignPlaceDialog::AssignPlaceDialog(int records, const RecordPlace& shared,
                                     const std::array<QStringList, RecordPlace::kFields>& recent,
                                     QWidget* parent)
    : QDialog(parent), shared_(shared)
{
    setWindowTitle(tr("Assign Job"));
    auto* form = new QFormLayout;
    for (int f = 0; f < RecordPlace::kFields; ++f) {
        const auto field = static_cast<RecordPlace::Field>(f);
        auto* edit = new QLineEdit(shared.Text(field), this);
        edit->setClearButtonEnabled(true);
        if (!shared[field] && records > 1)
            edit->setPlaceholderText(tr("(as each record has it)"));
        auto* completer = new QCompleter(recent[f], edit);
        completer->setCaseSensitivity(Qt::CaseInsensitive);
        completer->setFilterMode(Qt::MatchContains);
        edit->setCompleter(completer);
        edit->installEventFilter(this);
        form->addRow(PlaceFieldLabel(field) + QLatin1Char(':'), edit);
        fields_[f] = edit;
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("%n selected record(s)", nullptr, records), this));
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

bool AssignPlaceDialog::eventFilter(QObject* watched, QEvent* event)
{
    // The field the dialog opens in and a field reached by the keyboard would otherwise
    // append to the shared text. A click places the cursor where it falls, and the focus
    // coming back from the completer's list keeps the text just chosen.
    if (event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        auto* edit = qobject_cast<QLineEdit*>(watched);
        if (edit && reason != Qt::MouseFocusReason && reason != Qt::PopupFocusReason)
            edit->selectAll();
    }
    return QDialog::eventFilter(watched, event);
}

RecordPlace AssignPlaceDialog::Change() const
{
    std::array<QString, RecordPlace::kFields> entered;
    for (int f = 0; f < RecordPlace::kFields; ++f)
        entered[f] = fields_[f]->text();
    return ChangedPlace(shared_, entered);
}
