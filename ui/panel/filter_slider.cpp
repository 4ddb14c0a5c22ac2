#include "ui/panel/filter_slider.h"

#include "ui/panel/filter_value_command.h"
#include "ui/panel/filter_widget.h"
#include "ui/panel/integer_edit.h"

#include "ui/widgets/focus_mark.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

FilterSlider::FilterSlider(FilterWidget* panel)
    : QSlider(Qt::Horizontal, panel), m_field(new IntegerEdit(panel, this))
{
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QSlider::valueChanged, this, &FilterSlider::slot_value_changed);
    if (panel)
        connect(m_field, &IntegerEdit::changed, panel, &FilterWidget::change);
    m_field->set_value(value());
}

void FilterSlider::reset_to(int target)
{
    // A detour through another value of the range makes the slider announce the change.
    setValue(target != minimum() ? minimum() : maximum());
    setValue(target);
    if (m_field)
        m_field->set_value(value());
}

void FilterSlider::slot_slider_pressed()
{
    m_value_at_press = value();
}

void FilterSlider::slot_value_changed(int value)
{
    if (m_field)
        m_field->set_value(value);
}

void FilterSlider::mousePressEvent(QMouseEvent* event)
{
    slot_slider_pressed();
    m_pressed = true;
    // May already move the value (a click on the groove).
    QSlider::mousePressEvent(event);
}

void FilterSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_pressed && m_field && value() != m_value_at_press)
        record_setting_change(this, new FilterValueCommand(m_field, value(), m_value_at_press));
    m_pressed = false;
    QSlider::mouseReleaseEvent(event);
}

void FilterSlider::keyPressEvent(QKeyEvent* event)
{
    const int before = value();
    QSlider::keyPressEvent(event);
    // A key moves the slider at once; the step it made is recorded like a mouse release.
    if (m_field && !m_pressed && value() != before)
        record_setting_change(this, new FilterValueCommand(m_field, value(), before));
}

void FilterSlider::paintEvent(QPaintEvent* event)
{
    QSlider::paintEvent(event);
    QPainter painter(this);
    draw_focus_mark(this, painter, rect());
}
