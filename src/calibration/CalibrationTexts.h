#pragma once

#include <QCoreApplication>
#include <QString>

// What the calibration page shows, in the desktop's language. The boxes have the caption
// promptCaption(), except EnterANumber, which the toolkit itself would have shown (caption
// applicationName).
namespace CalibrationText {
inline QString Prompt()
{
    return QCoreApplication::translate("CalibrationPage", "Input The Standard Power ");
}
inline QString Calibrate()
{
    return QCoreApplication::translate("CalibrationPage", "Calibration");
}
inline QString FactoryDefault()
{
    return QCoreApplication::translate("CalibrationPage", "Factory Default");
}
inline QString Unit()
{
    return QCoreApplication::translate("CalibrationPage", "dBm");
}
inline QString NotANumber()
{
    return QCoreApplication::translate("CalibrationPage", "Please input Number!");
}
inline QString NoConnection()
{
    return QCoreApplication::translate(
        "CalibrationPage",
        "There is no connection with the equipment so the calibration can't be done!");
}
inline QString OutOfRange()
{
    return QCoreApplication::translate("CalibrationPage",
                                       "Please set the calibration value between -65 and 30");
}
inline QString EnterANumber()
{
    return QCoreApplication::translate("CalibrationPage", "Please enter a number.");
}
// Asked before "Factory Default" (warning icon, No the default button).
inline QString FactoryDefaultQuestion()
{
    return QCoreApplication::translate(
        "CalibrationPage", "Restore the factory calibration of all four channels? The current "
                           "calibration will be lost.");
}
// The line under "Factory Default" that says what the page last sent, and when: the meter
// answers nothing to a calibration, so this is the operator's only trace of it.
inline QString Calibrated(const QString& time, const QString& channel, const QString& power)
{
    return QCoreApplication::translate("CalibrationPage", "%1 \u2014 %2 calibrated against %3 dBm")
        .arg(time, channel, power);
}
inline QString FactoryRestored(const QString& time)
{
    return QCoreApplication::translate("CalibrationPage", "%1 \u2014 factory calibration restored")
        .arg(time);
}
} // namespace CalibrationText
