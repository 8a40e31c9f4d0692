#pragma once

#include <QString>

class QSettings;

// The folder of the file the operator last chose for an export or an import, kept in the
// per-user settings so the next file dialog, in this run or a later one, opens there.
class LastFolder
{
public:
    explicit LastFolder(QSettings& settings) : settings_(settings) {}

    // Where the next dialog opens: the remembered folder while it still exists; otherwise
    // empty, which leaves the dialog at its own default.
    QString Folder() const;
    // After a dialog: keeps the folder of `chosenFile`. An empty text (the operator
    // cancelled) keeps the folder already remembered.
    void Remember(const QString& chosenFile);

private:
    QSettings& settings_;
};
