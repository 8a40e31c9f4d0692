#pragma once

#include <QWidget>

class Prompter;

// The "Calibration" page: calibrates each wavelength channel against a reference power.
class CAdjustWin : public QWidget
{
    Q_OBJECT

public:
    explicit CAdjustWin(Prompter& prompter, QWidget* parent = nullptr);

protected:
    bool event(QEvent* e) override;

private:
    Prompter& prompter_;
};
