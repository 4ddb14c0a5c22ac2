#pragma once

#include <QScrollArea>

// The control window's panel area: it shows the chosen filter's panel whole when the window is
// tall enough, and lets it scroll when the screen is not (a small screen, or a large scale factor
// such as QT_SCALE_FACTOR=2 on a 1600 x 1200 screen), so that the rows under it and "Process"
// stay on screen. Frameless and without a background of its own: the panel's grey shows through.
// Its size hint is the panel's; its minimum height is the panel's too, unless the window's owner
// gives it less room (set_room), down to a few rows. Owned by the control window.
class PanelScrollArea : public QScrollArea
{
    Q_OBJECT
public:
    explicit PanelScrollArea(QWidget* panels, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The most height the panel area may ask for as its minimum; a panel that needs more scrolls.
    void set_room(int height);
    int room() const { return m_room; }

protected:
    // A panel that shows or hides rows changes the area's size hint: the window's layout hears
    // of it.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int m_room = QWIDGETSIZE_MAX;
};
