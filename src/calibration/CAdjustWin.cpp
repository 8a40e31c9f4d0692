#include "calibration/CAdjustWin.h"

#include "link/MeterEvent.h"

CAdjustWin::CAdjustWin(Prompter& prompter, QWidget* parent) : QWidget(parent), prompter_(prompter)
{
}

bool CAdjustWin::event(QEvent* e)
{
    // While this page is selected the link's answers come here; calibration waits for no
    // answer, so every one of them is dropped.
    if (e->type() == MeterEvent::EventType())
        return true;
    return QWidget::event(e);
}
