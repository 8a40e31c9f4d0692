#pragma once

#include <QWidget>

class MeterEvent;

// The base of the three tab pages (GUI library). The meter's messages that the link posts
// to the selected page arrive in OnMeterMessage; Enter and Escape are swallowed wherever
// the focus is in the page, so that neither closes the page nor presses a button.
class TabPage : public QWidget
{
    Q_OBJECT

public:
    using QWidget::QWidget;

protected:
    // A page acts on the messages that are meant for it and drops the others.
    virtual void OnMeterMessage(const MeterEvent& message) = 0;
    // Extends the key filter to every control of the page; called once they all exist.
    void FilterClosingKeys();

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
