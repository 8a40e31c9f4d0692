#include "thresholds/CSetThrWin.h"

#include "link/MeterEvent.h"

CSetThrWin::CSetThrWin(Prompter& prompter, QWidget* parent) : QWidget(parent), prompter_(prompter)
{
}

bool CSetThrWin::event(QEvent* e)
{
    // The link posts the meter's answers here while this page is selected; the threshold
    // exchange that handles them is not part of this page yet.
    if (e->type() == MeterEvent::EventType())
        return true;
    return QWidget::event(e);
}
