#pragma once

#include "archive/data/ArchiveTypes.h"

#include <QDialog>

class QTableWidget;

// "Place History...": every assignment of the selected records' places, a row each: the
// record, when and by whom (on a team server the server's login and clock), the five texts
// after and before.
class PlaceHistoryDialog : public QDialog
{
    Q_OBJECT

public:
    PlaceHistoryDialog(const QList<PlaceChange>& changes, QWidget* parent = nullptr);

    QTableWidget* Table() const { return table_; }

private:
    QTableWidget* table_;
};
