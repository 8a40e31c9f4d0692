#pragma once

#include "FakePrompter.h"

// A box as one line of text, so that a whole sequence of boxes compares in one QCOMPARE and
// a failure shows which box and which part of it differs.
inline QString BoxLine(const QString& text, int buttons = Prompter::Ok,
                       Prompter::Icon icon = Prompter::Icon::None,
                       const QString& caption = QStringLiteral("PON Prompt Message"))
{
    return QStringLiteral("%1 | %2 | buttons %3 | icon %4")
        .arg(caption, text)
        .arg(buttons)
        .arg(static_cast<int>(icon));
}

// Every box the fake was asked to show, in order, as BoxLine texts.
inline QStringList ShownBoxes(const FakePrompter& prompter)
{
    QStringList lines;
    for (const FakePrompter::Box& box : prompter.boxes)
        lines << BoxLine(box.text, box.buttons, box.icon, box.caption);
    return lines;
}
