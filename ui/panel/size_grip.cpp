#include "ui/panel/size_grip.h"

#include "ui/panel/control_window.h"

SizeGrip::SizeGrip(ControlWindow* window) : QSizeGrip(window), m_window(window)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_MouseNoMask);
}

void SizeGrip::mousePressEvent(QMouseEvent* event)
{
    m_window->size_changing();
    QSizeGrip::mousePressEvent(event);
}

void SizeGrip::mouseMoveEvent(QMouseEvent* event)
{
    m_window->check_pressed();
    QSizeGrip::mouseMoveEvent(event);
}
