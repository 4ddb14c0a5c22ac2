#include "ui/widgets/picture_pyramid.h"

#include "ui/widgets/screen_colours.h"

#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// Halving stops once a level is this narrow or low: smaller views than that draw from it.
constexpr int kSmallestLevel = 64;

} // namespace

void PicturePyramid::set_image(const QImage& image)
{
    m_image = image;
    m_levels.clear();
    if (image.isNull())
        return;
    // The screen draws premultiplied or opaque 32-bit pixels without converting them per paint; a
    // picture in another colour space than the screen's is converted to it here, once.
    const QImage::Format format =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    const QImage shown = inScreenColours(image);
    m_levels.push_back(shown.format() == format ? shown : shown.convertToFormat(format));
}

void PicturePyramid::clear()
{
    set_image(QImage());
}

const QImage& PicturePyramid::level_for(double scale) const
{
    // Level k is the picture halved k times; the one wanted is the smallest that is still at
    // least as large as the drawing.
    int wanted = 0;
    if (scale > 0.0 && scale < 0.5)
        wanted = int(std::floor(std::log2(1.0 / scale)));
    while (int(m_levels.size()) <= wanted) {
        const QImage& last = m_levels.back();
        if (last.width() / 2 < kSmallestLevel || last.height() / 2 < kSmallestLevel)
            break;
        m_levels.push_back(last.scaled(last.width() / 2, last.height() / 2, Qt::IgnoreAspectRatio,
                                       Qt::SmoothTransformation));
    }
    return m_levels[std::min<size_t>(size_t(wanted), m_levels.size() - 1)];
}

void PicturePyramid::draw(QPainter& painter, const QRectF& target, const QRect& visible,
                          bool sharp) const
{
    if (m_levels.empty() || target.isEmpty())
        return;
    const QRectF shown = target.intersected(QRectF(visible));
    if (shown.isEmpty())
        return;
    // The level is chosen for the device's pixels: on a high-density screen a picture drawn at
    // half its size still shows all of its pixels.
    const double density = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QImage& level = level_for(sharp ? 1.0 : density * target.width() / m_image.width());

    // The level's pixels that cover the visible part, widened to whole pixels (and one more for
    // the smooth filter's neighbours), and exactly where they land.
    const double sx = level.width() / target.width();
    const double sy = level.height() / target.height();
    const int margin = sharp ? 0 : 1;
    const int left = std::max(0, int(std::floor((shown.left() - target.left()) * sx)) - margin);
    const int top = std::max(0, int(std::floor((shown.top() - target.top()) * sy)) - margin);
    const int right =
        std::min(level.width(), int(std::ceil((shown.right() - target.left()) * sx)) + margin);
    const int bottom =
        std::min(level.height(), int(std::ceil((shown.bottom() - target.top()) * sy)) + margin);
    if (right <= left || bottom <= top)
        return;
    const QRect source(left, top, right - left, bottom - top);
    const QRectF to(target.left() + left / sx, target.top() + top / sy, source.width() / sx,
                    source.height() / sy);

    painter.save();
    painter.setClipRect(shown, Qt::IntersectClip);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !sharp);
    painter.drawImage(to, level, QRectF(source));
    painter.restore();
}
