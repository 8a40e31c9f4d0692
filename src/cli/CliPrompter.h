#pragma once

#include "common/Prompter.h"

#include <functional>

// The boxes of the link and of the shared commands, without a screen: each text goes to
// `onBox`, which turns it into an outcome or a line on standard error. A question is
// answered Yes only when the operator gave --yes on the command line.
class CliPrompter : public Prompter
{
public:
    explicit CliPrompter(bool assumeYes) : assumeYes_(assumeYes) {}

    std::function<void(const QString& text)> onBox;

    Button Show(QWidget*, const QString&, const QString& text, int buttons, Icon,
                std::optional<Button>) override
    {
        if (onBox)
            onBox(text);
        if (!(buttons & (Yes | No)))
            return Ok;
        return assumeYes_ ? Yes : No;
    }

private:
    bool assumeYes_;
};
