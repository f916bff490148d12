// SPDX-License-Identifier: GPL-3.0-or-later
#include "view_visibility.h"

#include <QEvent>
#include <QWidget>

namespace live {

ViewVisibility::ViewVisibility(QWidget &view) : QObject(&view), view_(view), seen_(isSeen())
{
    view_.installEventFilter(this);
    // A minimised window's widgets still count as visible (QWidget::isVisible),
    // so its state is watched too.
    if (QWidget *window = view.window(); window != &view)
        window->installEventFilter(this);
}

bool ViewVisibility::isSeen() const
{
    return view_.isVisible() && !(view_.window()->windowState() & Qt::WindowMinimized);
}

// Runs before the widget handles the event; by then Qt has already marked it
// shown or hidden and recorded the window's new state.
bool ViewVisibility::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::WindowStateChange: {
        const bool seen = isSeen();
        const bool cameIntoSight = seen && !seen_;
        seen_ = seen;
        if (cameIntoSight)
            emit seenAgain();
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace live
