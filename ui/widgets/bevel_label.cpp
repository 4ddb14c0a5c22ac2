#include "ui/widgets/bevel_label.h"

#include <QPainter>

namespace {

const QColor kDarkText(41, 41, 41);
const QColor kDisabledText(120, 120, 120);
const QColor kLightText(230, 230, 230);
// The light copy is faint: it lifts the text from the grey without outlining it.
constexpr qreal kLightOpacity = 0.375;

} // namespace

BevelLabel::BevelLabel(QWidget* parent) : QLabel(parent) {}

BevelLabel::BevelLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

QSize BevelLabel::sizeHint() const
{
    return QLabel::sizeHint() + QSize(0, 2);
}

QSize BevelLabel::minimumSizeHint() const
{
    return QLabel::minimumSizeHint() + QSize(0, 2);
}

void BevelLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    // The last row stays free for the light copy, which is drawn one pixel lower.
    const QRect area(QPoint(0, 0), QPoint(width() - 1, height() - 2));
    const int flags = Qt::AlignLeft | Qt::AlignVCenter;

    painter.setOpacity(kLightOpacity);
    painter.setPen(kLightText);
    painter.drawText(area.translated(0, 1), flags, text());
    painter.setOpacity(1.0);
    painter.setPen(isEnabled() ? kDarkText : kDisabledText);
    painter.drawText(area, flags, text());
}
