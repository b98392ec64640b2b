#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QScrollArea;
class QWidget;

// Placing a window of a fixed pixel design on a screen that may be smaller
// than the design (a laptop at 150 %): the window never opens larger than
// the screen's available area, its frame never lies off it, and what does
// not fit scrolls.
namespace windowfit {

// The client area of a window whose design is `design` pixels, framed by
// `frame`, on the available area `available`: the design where it fits,
// otherwise as much of it as the area holds; centred on the area, and moved
// so that the whole frame lies on it (its top left corner first, so the
// title bar stays reachable when even the frame does not fit).
QRect clientGeometry(QSize design, QMargins frame, QRect available);

// Keeps the focused control of `area`'s content in view: when the focus
// moves to a control inside it (Tab, Enter, a focus move by the program),
// the area scrolls to show it. Lasts as long as `area`.
void followFocus(QScrollArea* area);

}  // namespace windowfit
