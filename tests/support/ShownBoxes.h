#pragma once

#include "FakePrompter.h"

// A box as one line of text, so that a whole sequence of boxes compares in one QCOMPARE and
// a failure shows which box and which part of it differs. A default button named by the
// program is appended.
inline QString BoxLine(const QString& text, int buttons = Prompter::Ok,
                       Prompter::Icon icon = Prompter::Icon::None,
                       const QString& caption = QStringLiteral("PON Prompt Message"),
                       std::optional<Prompter::Button> defaultButton = std::nullopt)
{
    QString line = QStringLiteral("%1 | %2 | buttons %3 | icon %4")
                       .arg(caption, text)
                       .arg(buttons)
                       .arg(static_cast<int>(icon));
    if (defaultButton)
        line += QStringLiteral(" | default %1").arg(*defaultButton);
    return line;
}

// Every box the fake was asked to show, in order, as BoxLine texts.
inline QStringList ShownBoxes(const FakePrompter& prompter)
{
    QStringList lines;
    for (const FakePrompter::Box& box : prompter.boxes)
        lines << BoxLine(box.text, box.buttons, box.icon, box.caption, box.defaultButton);
    return lines;
}
