#pragma once

#include "common/FileDialogs.h"
#include "common/Prompter.h"

#include <QList>
#include <QStringList>
#include <functional>

class QWidget;

// Records every box the program shows and answers it from a script (Yes/No questions
// default to `defaultAnswer`; OK boxes are simply closed).
class FakePrompter : public Prompter
{
public:
    struct Box
    {
        QWidget* owner;
        QString caption;
        QString text;
        int buttons;
        Icon icon;
        std::optional<Button> defaultButton;
    };

    Button Show(QWidget* owner, const QString& caption, const QString& text, int buttons, Icon icon,
                std::optional<Button> defaultButton) override
    {
        boxes.append({owner, caption, text, buttons, icon, defaultButton});
        if (onShow)
            onShow(boxes.last());
        if (!(buttons & (Yes | No)))
            return Ok;
        if (!answers.isEmpty())
            return answers.takeFirst();
        return defaultAnswer;
    }

    QStringList Texts() const
    {
        QStringList t;
        for (const Box& b : boxes)
            t << b.text;
        return t;
    }

    QList<Box> boxes;
    QList<Button> answers;
    Button defaultAnswer = Yes;
    std::function<void(const Box&)> onShow;
};

class FakeFileDialogs : public FileDialogs
{
public:
    QString SaveFileName(QWidget*, const QString& filter, const QString& name) override
    {
        filters << filter;
        offeredName = name;
        return savePath;
    }
    QString OpenFileName(QWidget*, const QString& filter) override
    {
        filters << filter;
        return openPath;
    }

    QString savePath;
    QString openPath;
    QStringList filters;
    QString offeredName; // the name the last save dialog offered
};
