#pragma once

#include <QPushButton>

// A push button in the application's embossed grey look. The frame and its pressed state come from
// the application style sheet (border images ":/button.png" and ":/button-pressed.png"); the
// button paints its text itself, twice: a light copy one pixel below and to the right of the dark
// text, so the caption looks pressed into the surface. Used by every dialog and panel of the
// interface; owned by its parent widget like any button.
class BevelButton : public QPushButton
{
    Q_OBJECT
public:
    explicit BevelButton(const QString& text = QString(), QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
