#pragma once

#include "common/FileDialogs.h"
#include "common/Prompter.h"

// The production seams: QMessageBox and QFileDialog.
class MessageBoxPrompter : public Prompter
{
public:
    Button Show(QWidget* owner, const QString& caption, const QString& text, int buttons,
                Icon icon) override;
};

class QtFileDialogs : public FileDialogs
{
public:
    QString SaveFileName(QWidget* owner, const QString& filter) override;
    QString OpenFileName(QWidget* owner, const QString& filter) override;
};
