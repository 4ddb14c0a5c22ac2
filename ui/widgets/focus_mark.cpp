#include "ui/widgets/focus_mark.h"

#include <QPainter>
#include <QPen>
#include <QWidget>

namespace {

const QColor kFocusLine(41, 41, 41);
// Two pixels of the interface's size: a line as thin as one vanishes against the bevels,
// and on a high-density screen thinner still.
constexpr qreal kLineWidth = 2.0;
constexpr qreal kCornerRadius = 3.0;

} // namespace

void draw_focus_mark(const QWidget* widget, QPainter& painter, const QRect& rect)
{
    if (!widget || !widget->hasFocus() || rect.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kFocusLine, kLineWidth));
    painter.setBrush(Qt::NoBrush);
    // Inside the rectangle, through the middle of the line's pixels, so the line stays sharp.
    const qreal half = kLineWidth / 2;
    painter.drawRoundedRect(QRectF(rect).adjusted(half, half, -half, -half), kCornerRadius,
                            kCornerRadius);
    painter.restore();
}
