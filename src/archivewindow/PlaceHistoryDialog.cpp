#include "archivewindow/PlaceHistoryDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

PlaceHistoryDialog::PlaceHistoryDialog(const QList<PlaceChange>& changes, QWidget* parent)
    : QDialog(parent), table_(new QTableWidget(this))
{
    setWindowTitle(tr("Place History"));
    resize(900, 400);
    QStringList headers{tr("Record"), tr("Changed At"), tr("Changed By")};
    for (int f = 0; f < RecordPlace::kFields; ++f)
        headers << PlaceFieldHeader(static_cast<RecordPlace::Field>(f));
    for (int f = 0; f < RecordPlace::kFields; ++f)
        headers << tr("Earlier %1").arg(PlaceFieldHeader(static_cast<RecordPlace::Field>(f)));
    table_->setColumnCount(static_cast<int>(headers.size()));
    table_->setHorizontalHeaderLabels(headers);
    table_->setRowCount(static_cast<int>(changes.size()));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    for (int r = 0; r < changes.size(); ++r) {
        const PlaceChange& c = changes[r];
        const QStringList texts =
            QStringList{QString::number(c.recordId), c.changedAt, c.changedBy} + c.after.Texts() +
            c.before.Texts();
        for (int column = 0; column < texts.size(); ++column)
            table_->setItem(r, column, new QTableWidgetItem(texts[column]));
    }
    table_->resizeColumnsToContents();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addWidget(buttons);
}
