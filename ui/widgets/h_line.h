#pragma once

#include <QWidget>

// A horizontal two-tone separator line, 2 pixels high (a dark row over a light one, from
// ":/separator.png"), spanning the widget's width. Separates the groups of the control panel;
// owned by its parent.
class HLine : public QWidget
{
    Q_OBJECT
public:
    explicit HLine(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
