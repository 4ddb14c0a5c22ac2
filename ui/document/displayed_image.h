#pragma once

#include <QImage>

class QLabel;

// The image label of a view together with the source picture behind it.
class DisplayedImage
{
public:
    explicit DisplayedImage(QLabel* label) : m_label(label) {}

    const QImage& image() const { return m_image; }
    void set_image(const QImage& image) { m_image = image; }
    // 1.0 when the label shows the picture at its own size, else the label's contents width over
    // the picture's width.
    double display_scale() const;
    // The picture scaled to the label's contents size.
    QImage scaled_image() const;

private:
    QLabel* m_label;
    QImage m_image;
};
