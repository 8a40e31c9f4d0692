#pragma once

#include <QString>

// What the calibration page shows. The boxes have the caption promptCaption, except
// EnterANumber, which the toolkit itself would have shown (caption applicationName).
namespace CalibrationText {
inline const QString Prompt = QStringLiteral("Input The Standard Power ");
inline const QString Calibrate = QStringLiteral("Calibration");
inline const QString FactoryDefault = QStringLiteral("Factory Default");
inline const QString Unit = QStringLiteral("dBm");
inline const QString NotANumber = QStringLiteral("Please input Number!");
inline const QString NoConnection =
    QStringLiteral("There is no connection with the equipment so the calibration can't be done!");
inline const QString OutOfRange =
    QStringLiteral("Please set the calibration value between -65 and 30");
inline const QString EnterANumber = QStringLiteral("Please enter a number.");
// Asked before "Factory Default" (warning icon, No the default button).
inline const QString FactoryDefaultQuestion =
    QStringLiteral("Restore the factory calibration of all four channels? The current "
                   "calibration will be lost.");
} // namespace CalibrationText
