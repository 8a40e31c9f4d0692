#pragma once

#include <QWidget>

class Prompter;

// The "Threshold Setting" page: the three threshold groups and their exchange with the
// meter.
class CSetThrWin : public QWidget
{
    Q_OBJECT

public:
    explicit CSetThrWin(Prompter& prompter, QWidget* parent = nullptr);

protected:
    bool event(QEvent* e) override;

private:
    Prompter& prompter_;
};
