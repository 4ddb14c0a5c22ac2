#pragma once

#include <QPointer>
#include <QSlider>

#include "ui/panel/integer_edit.h"

class FilterWidget;

// A horizontal slider of a filter panel with its number field (an IntegerEdit the slider creates
// as a child of the panel, so the panel's grid can place it). Dragging shows each value in the
// field at once but asks for nothing; the release records the whole drag as one
// FilterValueCommand, whose execution sets the value and makes the panel emit changed(), so one
// preview follows a drag. Reached with Tab, the arrow keys, Page Up/Down, Home and End move it;
// each key's change is one FilterValueCommand, like a release. GUI thread; owned by the panel.
class FilterSlider : public QSlider
{
    Q_OBJECT
public:
    explicit FilterSlider(FilterWidget* panel);

    IntegerEdit* field() const { return m_field; }

    // Puts the slider and its field to value, announcing a value change even when the slider
    // already holds it.
    void reset_to(int value);

private slots:
    void slot_slider_pressed();
    void slot_value_changed(int value);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<IntegerEdit> m_field;
    int m_value_at_press = 0;
    bool m_pressed = false;
};
