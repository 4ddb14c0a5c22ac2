#pragma once

#include <QRect>

class QPainter;
class QWidget;

// The keyboard focus mark of the grey bevelled controls: a one-pixel dark outline with rounded
// corners drawn inside rect, so a control reached with Tab stands out from its neighbours without
// changing its size. Draws nothing unless widget has the focus.
void draw_focus_mark(const QWidget* widget, QPainter& painter, const QRect& rect);
