#include "interface_art_generator.h"

double roundedRectDistance(double x, double y, double left, double top, double right, double bottom,
                           double radius)
{
    const double cx = 0.5 * (left + right);
    const double cy = 0.5 * (top + bottom);
    const double hx = 0.5 * (right - left) - radius;
    const double hy = 0.5 * (bottom - top) - radius;
    const double qx = std::abs(x - cx) - hx;
    const double qy = std::abs(y - cy) - hy;
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - radius;
}

double circleDistance(double x, double y, double cx, double cy, double radius)
{
    return std::hypot(x - cx, y - cy) - radius;
}

double strokeDistance(double x, double y, double ax, double ay, double bx, double by,
                      double halfWidth)
{
    const double dx = bx - ax, dy = by - ay;
    const double t = clampTo(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(x - (ax + t * dx), y - (ay + t * dy)) - halfWidth;
}

QImage Canvas::image() const
{
    QImage out(m_width, m_height, QImage::Format_ARGB32);
    for (int y = 0; y < m_height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < m_width; ++x) {
            const double* p = &m_pixels[(y * m_width + x) * 4];
            const double a = p[3];
            const auto channel = [a](double v) {
                return a > 0.0 ? int(std::lround(clampTo(v / a, 0.0, 1.0) * 255.0)) : 0;
            };
            row[x] =
                qRgba(channel(p[0]), channel(p[1]), channel(p[2]), int(std::lround(a * 255.0)));
        }
    }
    return out;
}

QColor grey(int level, double alpha)
{
    QColor c(level, level, level);
    c.setAlphaF(float(alpha));
    return c;
}

QColor greyF(double level, double alpha)
{
    return grey(int(std::lround(clampTo(level, 0.0, 255.0))), alpha);
}
