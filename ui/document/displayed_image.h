#pragma once

#include <QImage>

class PictureCanvas;

// The picture area of a view together with the source picture behind it.
class DisplayedImage
{
public:
    explicit DisplayedImage(const PictureCanvas* canvas) : m_canvas(canvas) {}

    const QImage& image() const { return m_image; }
    void set_image(const QImage& image) { m_image = image; }
    // The scale at which the whole picture fits the area: 1.0 when it fits at its own size (it is
    // never enlarged), else the fitted width over the picture's width.
    double display_scale() const;

private:
    const PictureCanvas* m_canvas;
    QImage m_image;
};
