#include "app/WindowFit.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

namespace windowfit {

QRect clientGeometry(QSize design, QMargins frame, QRect available)
{
    const int width = std::max(1, std::min(design.width(), available.width() - frame.left() - frame.right()));
    const int height = std::max(1, std::min(design.height(), available.height() - frame.top() - frame.bottom()));
    const int frameWidth = width + frame.left() + frame.right();
    const int frameHeight = height + frame.top() + frame.bottom();
    // Centred, then pulled onto the area: right and bottom edges first, the
    // left and top edges last, so that they win when the frame is too big.
    int left = available.left() + (available.width() - frameWidth) / 2;
    int top = available.top() + (available.height() - frameHeight) / 2;
    left = std::max(std::min(left, available.right() + 1 - frameWidth), available.left());
    top = std::max(std::min(top, available.bottom() + 1 - frameHeight), available.top());
    return QRect(left + frame.left(), top + frame.top(), width, height);
}

void followFocus(QScrollArea* area)
{
    // Focus also changes while the window's controls are destroyed, after the
    // scroll area has stopped being one: only a live scroll area is looked at.
    QObject* const watched = area;
    QObject::connect(qApp, &QApplication::focusChanged, area, [watched](QWidget*, QWidget* now) {
        auto* const area = qobject_cast<QScrollArea*>(watched);
        if (!area)
            return;
        QWidget* content = area->widget();
        if (!now || !content || !content->isAncestorOf(now))
            return;
        // Nothing moves while everything is in view.
        if (!area->horizontalScrollBar()->maximum() && !area->verticalScrollBar()->maximum())
            return;
        area->ensureWidgetVisible(now, 8, 8);
    });
}

}  // namespace windowfit
