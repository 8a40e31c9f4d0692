#pragma once

#include <QString>

class QWidget;

// Every file dialog goes through here, so tests can choose the file.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;

    // Full path chosen for saving, or an empty text when the operator cancelled. The
    // dialog itself asks before overwriting an existing file. `name`, when not empty, is
    // the file name it offers.
    virtual QString SaveFileName(QWidget* owner, const QString& filter, const QString& name) = 0;
    // Full path of an existing file chosen for reading, or an empty text.
    virtual QString OpenFileName(QWidget* owner, const QString& filter) = 0;
};
