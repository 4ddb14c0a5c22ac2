#pragma once

#include <QSizeGrip>

class ControlWindow;

// The resize handle of the control window. While the window is resized the preview shows the
// scaled picture; the next mouse movement over the window or the grip asks for a new preview of
// the new size (see ControlWindow::check_pressed).
class SizeGrip : public QSizeGrip
{
    Q_OBJECT
public:
    explicit SizeGrip(ControlWindow* window);

    bool update_pending() const { return m_update_pending; }
    void set_update_pending(bool pending) { m_update_pending = pending; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    ControlWindow* m_window;
    bool m_update_pending = false;
};
