#include "common/TabPage.h"

#include <QKeyEvent>

namespace {

bool IsClosingKey(const QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

} // namespace

void TabPage::FilterClosingKeys()
{
    const QList<QWidget*> children = findChildren<QWidget*>();
    for (QWidget* child : children)
        child->installEventFilter(this);
}

bool TabPage::event(QEvent* event)
{
    if (IsClosingKey(event))
        return true;
    return QWidget::event(event);
}

bool TabPage::eventFilter(QObject* watched, QEvent* event)
{
    if (IsClosingKey(event))
        return true;
    return QWidget::eventFilter(watched, event);
}
