#include "ui/panel/slider.h"

#include "ui/widgets/focus_mark.h"

#include <QPainter>

Slider::Slider(Qt::Orientation orientation, QWidget* parent) : QSlider(orientation, parent) {}

void Slider::sliderChange(SliderChange change)
{
    // Announced before the default handling, so listeners see the new value before the repaint.
    if (change == SliderValueChange)
        emit sig_value_change(value());
    QSlider::sliderChange(change);
}

void Slider::paintEvent(QPaintEvent* event)
{
    QSlider::paintEvent(event);
    QPainter painter(this);
    draw_focus_mark(this, painter, rect());
}
