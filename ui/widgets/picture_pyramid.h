#pragma once

#include <QImage>
#include <QRect>

#include <vector>

class QPainter;

// A picture made ready to be drawn at any zoom: the picture in the format the screen draws fastest,
// and halves of it, each made from the one before the first time a zoom needs it. A paint takes
// the level at most twice the size it is drawn at and draws only the part that is visible, so no
// paint rescales the whole picture and a smooth reduction never skips pixels. The levels are in
// screen colours (see inScreenColours); image() is the picture as given.
class PicturePyramid
{
public:
    // The picture as given (any format, any size); a null image draws nothing.
    void set_image(const QImage& image);
    const QImage& image() const { return m_image; }
    bool is_null() const { return m_image.isNull(); }
    void clear();

    // Draws the picture stretched over target (the whole picture's rectangle on the paint device)
    // where it meets visible. sharp draws every picture pixel as a block (for enlargements);
    // otherwise the picture is filtered smoothly.
    void draw(QPainter& painter, const QRectF& target, const QRect& visible, bool sharp) const;

    // How many levels are made so far (the picture itself counts as one).
    int levels_made() const { return int(m_levels.size()); }

private:
    // The level to draw from when the picture is drawn at scale (target width over picture width).
    const QImage& level_for(double scale) const;

    QImage m_image;
    mutable std::vector<QImage> m_levels;
};
