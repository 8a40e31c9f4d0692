#include "thresholds/ThresholdCells.h"

#include "common/PowerRange.h"
#include "thresholds/ThresholdTable.h"

#include <QCoreApplication>

QString ThresholdText::IncompleteGroup(int group)
{
    return QCoreApplication::translate("ThresholdsPage",
                                       "The %1th threshold do not set completely!")
        .arg(group);
}

CellCheck CheckCell(const QString& text)
{
    // A digit tests the value of the whole text, so only the first digit can fail.
    const float value = LimitFromText(text);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            if (!IsPowerInRange(value))
                return {QString(), ThresholdText::OutOfRange()};
        } else if (c != QLatin1Char('.') && c != QLatin1Char('-')) {
            return {text.left(i), ThresholdText::InputNumber()};
        }
    }
    return {text, QString()};
}

CellCompleteness IsCellComplete(const QString& text)
{
    if (text.isEmpty())
        return {false, text};
    if (text.indexOf(QLatin1Char('-'), 1) > 0)
        return {false, QString()};
    return {true, text};
}
