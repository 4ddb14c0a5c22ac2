#pragma once

#include <QLabel>

// A one-line text label in the application's embossed look: the text is painted in dark grey over
// a faint light copy one pixel lower, vertically centred and left aligned. Used for the captions of
// the panels, the status line and the about box; owned by its parent widget.
class BevelLabel : public QLabel
{
    Q_OBJECT
public:
    explicit BevelLabel(QWidget* parent = nullptr);
    explicit BevelLabel(const QString& text, QWidget* parent = nullptr);

    // The text's height and the row of the light copy below it, so that nothing of the text
    // (an underscore, a descender) is cut off.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
