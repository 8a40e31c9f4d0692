#pragma once

#include "calibration/Calibration.h"
#include "common/TabPage.h"
#include "link/MeterMessage.h"

#include <array>

class DeviceLink;
class Prompter;
class QLabel;
class QLineEdit;
class QPushButton;

// The "Calibration" page: a reference power field and a "Calibration" button for each
// wavelength channel, and "Factory Default". It waits for no answer from the meter, so a line
// under the buttons says what was sent and when.
class CalibrationPage : public TabPage, public MeterMessageTarget
{
    Q_OBJECT

public:
    CalibrationPage(DeviceLink& link, Prompter& prompter, QWidget* parent = nullptr);

    QLineEdit* Edit(CalibrationChannel channel) const { return rows_[Index(channel)].edit; }
    QPushButton* CalibrationButton(CalibrationChannel channel) const
    {
        return rows_[Index(channel)].button;
    }
    QPushButton* FactoryDefaultButton() const { return factoryButton_; }
    // What was last sent and when, under "Factory Default"; empty until something is sent.
    QLabel* LastSent() const { return lastSent_; }

    QSize sizeHint() const override;

    // Calibration waits for no answer: every message the link hands here is dropped.
    void OnMeterMessage(const MeterMessage&) override {}

protected:
    void changeEvent(QEvent* e) override;

private:
    struct Row
    {
        QLabel* channel;
        QLabel* prompt;
        QLineEdit* edit;
        QLabel* unit;
        QPushButton* button;
    };

    static size_t Index(CalibrationChannel channel) { return static_cast<size_t>(channel); }

    void OnReferenceChanged(QLineEdit* edit);
    void OnCalibrate(CalibrationChannel channel);
    void OnFactoryDefault();
    void PlaceControls();
    QRect ToPixels(const QRect& dialogUnits) const;

    Prompter& prompter_;
    ReferencePowers references_;
    std::array<Row, kCalibrationChannels> rows_; // indexed by channel
    QPushButton* factoryButton_ = nullptr;
    QLabel* lastSent_ = nullptr;
};
