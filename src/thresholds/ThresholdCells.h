#pragma once

#include <QCoreApplication>
#include <QString>

// What the threshold page tells the operator, in the desktop's language. Every box has the
// caption promptCaption() and an OK button, except the Yes/No question.
namespace ThresholdText {
inline QString InputNumber()
{
    return QCoreApplication::translate("ThresholdsPage", "Please input number!");
}
inline QString OutOfRange()
{
    return QCoreApplication::translate("ThresholdsPage",
                                       "Please set the threshold between -65 and 30");
}
inline QString ResetQuestion()
{
    return QCoreApplication::translate("ThresholdsPage", "Sure you want to reset threshold value?");
}
// "The <group>th threshold do not set completely!"
QString IncompleteGroup(int group);
} // namespace ThresholdText

// A limit cell's text after its check: `text` is what the cell must hold (the same text
// when it passes), `message` what the operator is told (empty when nothing).
struct CellCheck
{
    QString text;
    QString message;
};

// Runs on every change of a limit cell's text. Walks the characters in order: a digit
// tests the value of the whole text against the range (out of range empties the cell), a
// sign or point goes on, anything else cuts the text before it.
CellCheck CheckCell(const QString& text);

// The completeness test of one cell before an upload: an empty cell is incomplete, and so
// is one with a '-' after its first character, which is also emptied (`text`).
struct CellCompleteness
{
    bool complete;
    QString text;
};
CellCompleteness IsCellComplete(const QString& text);
