#pragma once

#include <QWidget>

// The base of the three tab pages (GUI library): Enter and Escape are swallowed wherever
// the focus is in the page, so that neither closes the page nor presses a button.
class TabPage : public QWidget
{
    Q_OBJECT

public:
    using QWidget::QWidget;

protected:
    // Extends the key filter to every control of the page; called once they all exist.
    void FilterClosingKeys();

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
