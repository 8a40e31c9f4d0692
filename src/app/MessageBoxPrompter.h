#pragma once

#include "common/FileDialogs.h"
#include "common/LastFolder.h"
#include "common/Prompter.h"

#include <QSettings>

// The production seams: QMessageBox and QFileDialog.
class MessageBoxPrompter : public Prompter
{
public:
    Button Show(QWidget* owner, const QString& caption, const QString& text, int buttons, Icon icon,
                std::optional<Button> defaultButton) override;
};

// Every dialog opens in the folder of the file last chosen, export or import, this run or
// an earlier one (the application's settings; its names are set before this is made).
class QtFileDialogs : public FileDialogs
{
public:
    QString SaveFileName(QWidget* owner, const QString& filter, const QString& name) override;
    QString OpenFileName(QWidget* owner, const QString& filter) override;

private:
    QSettings settings_;
    LastFolder lastFolder_{settings_};
};
