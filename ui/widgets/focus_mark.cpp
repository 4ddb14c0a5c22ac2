#include "ui/widgets/focus_mark.h"

#include <QPainter>
#include <QPen>
#include <QWidget>

namespace {

const QColor kFocusLine(41, 41, 41);
constexpr qreal kCornerRadius = 2.5;

} // namespace

void draw_focus_mark(const QWidget* widget, QPainter& painter, const QRect& rect)
{
    if (!widget || !widget->hasFocus() || rect.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kFocusLine, 1.0));
    painter.setBrush(Qt::NoBrush);
    // Through the middle of the border pixels, so the line stays sharp.
    painter.drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius,
                            kCornerRadius);
    painter.restore();
}
