#include "FocusView.h"

#include <QMouseEvent>

FocusView::FocusView(QQuickItem *parent) : QQuickItem(parent)
{
    setActiveFocusOnTab(true);
    setAcceptedMouseButtons(Qt::LeftButton);
}

void FocusView::mousePressEvent(QMouseEvent *event)
{
    forceActiveFocus(Qt::MouseFocusReason);
    event->accept();
}
