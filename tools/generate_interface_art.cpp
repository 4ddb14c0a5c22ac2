// Generates the interface pictures in resources/ui/ (the bevelled button and drop-down frames, the
// arrows, slider handles, the original-size icon, the resize grip, the separator, the busy
// spinner's background, the about picture and the empty-document placeholder) and the application
// icon in resources/icons/ (PNG in the usual sizes and SVG).
//
// The small controls are composed pixel by pixel from signed distances to rounded rectangles and
// circles, so every edge is antialiased the same way at any size and the 10-pixel border-image
// slices stay clean: the rows and columns the style stretches (10 to 13) are uniform. The
// application picture is one vector scene drawn with QPainter for the PNGs and written as SVG text
// for the scalable icon. Nothing is random and no font is used for a PNG, so running the tool again
// rewrites the same bytes.
//
// Usage: drawlume-generate-interface-art <resources folder>

#include <QByteArray>
#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSaveFile>
#include <QString>
#include <QStringList>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

double clampTo(double v, double lo, double hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

double mix(double a, double b, double t)
{
    return a + (b - a) * t;
}

// ---------------------------------------------------------------------------------------------
// Pixel composition

// Signed distance from (x, y) to a rounded rectangle (negative inside).
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

// Area of a pixel covered by the shape whose signed distance at the pixel centre is d.
double coverage(double d)
{
    return clampTo(0.5 - d, 0.0, 1.0);
}

// A transparent picture painted with "source over" in premultiplied floating point, stored as
// ARGB32 when done.
class Canvas
{
public:
    Canvas(int width, int height) : m_width(width), m_height(height), m_pixels(width * height * 4)
    {
    }

    int width() const { return m_width; }
    int height() const { return m_height; }

    // Paints colour c (its alpha times `amount`) over pixel (x, y).
    void blend(int x, int y, const QColor& c, double amount)
    {
        if (x < 0 || y < 0 || x >= m_width || y >= m_height)
            return;
        const double a = clampTo(c.alphaF() * amount, 0.0, 1.0);
        if (a <= 0.0)
            return;
        double* p = &m_pixels[(y * m_width + x) * 4];
        p[0] = c.redF() * a + p[0] * (1.0 - a);
        p[1] = c.greenF() * a + p[1] * (1.0 - a);
        p[2] = c.blueF() * a + p[2] * (1.0 - a);
        p[3] = a + p[3] * (1.0 - a);
    }

    // Calls paint(x + 0.5, y + 0.5) for the centre of every pixel; it returns the colour and the
    // coverage to blend there.
    template <typename F> void each(F paint)
    {
        for (int y = 0; y < m_height; ++y) {
            for (int x = 0; x < m_width; ++x) {
                QColor colour;
                const double amount = paint(x + 0.5, y + 0.5, colour);
                blend(x, y, colour, amount);
            }
        }
    }

    QImage image() const
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

private:
    int m_width;
    int m_height;
    std::vector<double> m_pixels;
};

QColor grey(int level, double alpha = 1.0)
{
    QColor c(level, level, level);
    c.setAlphaF(float(alpha));
    return c;
}

QColor greyF(double level, double alpha = 1.0)
{
    return grey(int(std::lround(clampTo(level, 0.0, 255.0))), alpha);
}

// A vertical shade for a frame sliced 10 | 4 | 10: the colour runs from `top` to `middle` over
// the top slice, stays at `middle` in the stretched rows and runs to `bottom` over the bottom
// slice, so stretching or dropping the middle rows never shows a step.
double slicedShade(double y, double top, double middle, double bottom, double faceTop,
                   double faceBottom)
{
    if (y < 10.0)
        return mix(top, middle, clampTo((y - faceTop) / (10.0 - faceTop), 0.0, 1.0));
    if (y < 14.0)
        return middle;
    return mix(middle, bottom, clampTo((y - 14.0) / (faceBottom - 14.0), 0.0, 1.0));
}

struct FrameLook
{
    double faceTop, faceMiddle, faceBottom; // face greys
    double rimTop, rimBottom;               // outline greys
    double gloss;                           // opacity of the light line under the top rim
    double innerShadow;                     // opacity of a dark line under the top rim (pressed)
    double radius;
};

// A 24 x 24 bevelled frame for a 10-pixel border image: a rounded body over rows 0 to 22 with a
// one-pixel outline and a shaded face, and a faint light line under it (row 23) that makes it sit
// in the panel grey.
QImage bevelFrame(const FrameLook& look)
{
    Canvas canvas(24, 24);
    const double l = 0.0, t = 0.0, r = 24.0, b = 23.0;
    // The light lip under the body.
    canvas.each([&](double x, double y, QColor& c) {
        c = grey(255, 0.45);
        const double below = roundedRectDistance(x, y, l, t + 1.0, r, b + 1.0, look.radius);
        const double body = roundedRectDistance(x, y, l, t, r, b, look.radius);
        return coverage(below) * (1.0 - coverage(body));
    });
    // Outline: the body's shape, shaded from top to bottom.
    canvas.each([&](double x, double y, QColor& c) {
        c = greyF(slicedShade(y, look.rimTop, 0.5 * (look.rimTop + look.rimBottom), look.rimBottom,
                              0.0, 23.0));
        return coverage(roundedRectDistance(x, y, l, t, r, b, look.radius));
    });
    // Face, one pixel inside the outline.
    canvas.each([&](double x, double y, QColor& c) {
        c = greyF(slicedShade(y, look.faceTop, look.faceMiddle, look.faceBottom, 1.0, 22.0));
        return coverage(
            roundedRectDistance(x, y, l + 1.0, t + 1.0, r - 1.0, b - 1.0, look.radius - 1.0));
    });
    // Gloss or inner shadow along the top of the face.
    canvas.each([&](double x, double y, QColor& c) {
        const double inside = coverage(
            roundedRectDistance(x, y, l + 1.0, t + 1.0, r - 1.0, b - 1.0, look.radius - 1.0));
        const double lower = coverage(
            roundedRectDistance(x, y, l + 1.0, t + 2.0, r - 1.0, b - 1.0, look.radius - 1.0));
        const double band = std::max(0.0, inside - lower);
        if (look.innerShadow > 0.0) {
            c = grey(0, look.innerShadow);
        } else {
            c = grey(255, look.gloss);
        }
        return band;
    });
    if (look.innerShadow > 0.0) {
        // A softer second row of the pressed shadow.
        canvas.each([&](double x, double y, QColor& c) {
            c = grey(0, 0.5 * look.innerShadow);
            const double second = coverage(
                roundedRectDistance(x, y, l + 1.0, t + 2.0, r - 1.0, b - 1.0, look.radius - 1.0));
            const double third = coverage(
                roundedRectDistance(x, y, l + 1.0, t + 3.0, r - 1.0, b - 1.0, look.radius - 1.0));
            return std::max(0.0, second - third);
        });
    }
    return canvas.image();
}

QImage button(bool pressed)
{
    if (pressed)
        return bevelFrame({170, 180, 192, 78, 70, 0.0, 0.16, 4.5});
    return bevelFrame({232, 210, 184, 96, 74, 0.85, 0.0, 4.5});
}

QImage comboBox(bool open)
{
    if (open)
        return bevelFrame({178, 188, 198, 78, 70, 0.0, 0.14, 3.5});
    return bevelFrame({242, 224, 204, 100, 78, 0.9, 0.0, 3.5});
}

// Distance to the segment from (ax, ay) to (bx, by), less half its width: a stroke with round
// ends.
double strokeDistance(double x, double y, double ax, double ay, double bx, double by,
                      double halfWidth)
{
    const double dx = bx - ax, dy = by - ay;
    const double t = clampTo(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(x - (ax + t * dx), y - (ay + t * dy)) - halfWidth;
}

// Distance to a chevron (two strokes meeting at the tip).
double chevronDistance(double x, double y, double cx, double cy, double halfSpan, double rise,
                       double halfWidth)
{
    const double tipY = cy + rise;
    return std::min(strokeDistance(x, y, cx - halfSpan, cy, cx, tipY, halfWidth),
                    strokeDistance(x, y, cx + halfSpan, cy, cx, tipY, halfWidth));
}

// The drop-down arrow: a small chevron up over a chevron down, dark with a light copy one pixel
// lower, centred in 16 x 16.
QImage arrows()
{
    Canvas canvas(16, 16);
    const auto shape = [](double x, double y) {
        return std::min(chevronDistance(x, y, 8.0, 6.6, 3.0, -2.6, 0.8),
                        chevronDistance(x, y, 8.0, 9.4, 3.0, 2.6, 0.8));
    };
    canvas.each([&](double x, double y, QColor& c) {
        c = grey(255, 0.75);
        return coverage(shape(x, y - 1.0));
    });
    canvas.each([&](double x, double y, QColor& c) {
        c = grey(58);
        return coverage(shape(x, y));
    });
    return canvas.image();
}

// A round 14 x 14 slider knob: a soft shadow, a dark rim and a face lit from above, with a small
// dimple in the middle.
QImage sliderHandle(bool pressed)
{
    Canvas canvas(14, 14);
    const double cx = 7.0, cy = 6.6, radius = 6.0;
    canvas.each([&](double x, double y, QColor& c) {
        c = grey(0, 0.22);
        return coverage(circleDistance(x, y, cx, cy + 0.8, radius + 0.4));
    });
    canvas.each([&](double x, double y, QColor& c) {
        c = grey(pressed ? 70 : 88);
        return coverage(circleDistance(x, y, cx, cy, radius));
    });
    canvas.each([&](double x, double y, QColor& c) {
        const double t = clampTo((y - (cy - radius)) / (2.0 * radius), 0.0, 1.0);
        c = pressed ? greyF(mix(176, 204, t)) : greyF(mix(250, 196, t));
        return coverage(circleDistance(x, y, cx, cy, radius - 1.0));
    });
    canvas.each([&](double x, double y, QColor& c) {
        c = grey(255, pressed ? 0.25 : 0.7);
        // A highlight crescent near the top of the face.
        const double inFace = coverage(circleDistance(x, y, cx, cy, radius - 1.6));
        const double lower = coverage(circleDistance(x, y, cx, cy + 1.4, radius - 1.4));
        return std::max(0.0, inFace - lower);
    });
    canvas.each([&](double x, double y, QColor& c) {
        c = grey(pressed ? 120 : 150);
        return coverage(circleDistance(x, y, cx, cy, 1.3));
    });
    canvas.each([&](double x, double y, QColor& c) {
        c = grey(255, 0.6);
        const double ring = coverage(circleDistance(x, y, cx, cy + 0.9, 1.3));
        return std::max(0.0, ring - coverage(circleDistance(x, y, cx, cy, 1.3)));
    });
    return canvas.image();
}

// Fills whole pixels: the small icons are drawn on the pixel grid for crisp edges.
void fillPixels(Canvas& canvas, int left, int top, int width, int height, const QColor& colour)
{
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x)
            canvas.blend(x, y, colour, 1.0);
}

// "1:1" in a small rounded frame, 16 x 16: engraved dark strokes with a light copy one pixel lower.
QImage originalSize()
{
    Canvas canvas(16, 16);
    const auto draw = [&](int dy, const QColor& ink) {
        // The frame, rounded by leaving out its corner pixels.
        fillPixels(canvas, 2, 2 + dy, 12, 1, ink);
        fillPixels(canvas, 2, 13 + dy, 12, 1, ink);
        fillPixels(canvas, 1, 3 + dy, 1, 10, ink);
        fillPixels(canvas, 14, 3 + dy, 1, 10, ink);
        // Two ones: a stem, a flag and a foot.
        for (const int x0 : {3, 10}) {
            fillPixels(canvas, x0 + 1, 4 + dy, 1, 8, ink);
            fillPixels(canvas, x0, 5 + dy, 1, 1, ink);
            fillPixels(canvas, x0, 11 + dy, 3, 1, ink);
        }
        // The colon.
        fillPixels(canvas, 7, 6 + dy, 2, 2, ink);
        fillPixels(canvas, 7, 9 + dy, 2, 2, ink);
    };
    draw(1, grey(250, 0.7));
    draw(0, grey(52));
    return canvas.image();
}

// Six dots in a triangle at the bottom right, each a dark 2 x 2 square over a light one offset by
// one pixel, like the grip of a resizable window.
QImage resizeGrip()
{
    Canvas canvas(16, 16);
    const int dots[][2] = {{12, 4}, {8, 8}, {12, 8}, {4, 12}, {8, 12}, {12, 12}};
    for (const auto& dot : dots)
        fillPixels(canvas, dot[0] + 1, dot[1] + 1, 2, 2, grey(240, 0.85));
    for (const auto& dot : dots)
        fillPixels(canvas, dot[0], dot[1], 2, 2, grey(96));
    return canvas.image();
}

// A dark pixel over a light one: repeated across a width it gives the engraved separator line.
QImage separator()
{
    QImage image(1, 2, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgb(142, 142, 142));
    image.setPixel(0, 1, qRgb(228, 228, 228));
    return image;
}

// The translucent dark square the busy spinner turns on, 36 x 36 with rounded corners.
QImage backProgress()
{
    Canvas canvas(36, 36);
    canvas.each([](double x, double y, QColor& c) {
        c = QColor(24, 24, 24, 150);
        return coverage(roundedRectDistance(x, y, 0.0, 0.0, 36.0, 36.0, 8.0));
    });
    canvas.each([](double x, double y, QColor& c) {
        // A faint light rim so the square also reads on dark pictures.
        c = grey(255, 0.18);
        const double outer = coverage(roundedRectDistance(x, y, 0.0, 0.0, 36.0, 36.0, 8.0));
        const double inner = coverage(roundedRectDistance(x, y, 1.0, 1.0, 35.0, 35.0, 7.0));
        return std::max(0.0, outer - inner);
    });
    return canvas.image();
}

// A 32 x 32 busy indicator: twelve spokes fading around the circle.
QImage indicator()
{
    Canvas canvas(32, 32);
    for (int i = 0; i < 12; ++i) {
        const double angle = 2.0 * kPi * i / 12.0 - kPi / 2.0;
        const double alpha = 1.0 - i / 12.0;
        const double ax = 16.0 + 7.0 * std::cos(angle), ay = 16.0 + 7.0 * std::sin(angle);
        const double bx = 16.0 + 13.0 * std::cos(angle), by = 16.0 + 13.0 * std::sin(angle);
        canvas.each([&](double x, double y, QColor& c) {
            c = grey(238, alpha);
            return coverage(strokeDistance(x, y, ax, ay, bx, by, 1.5));
        });
    }
    return canvas.image();
}

// ---------------------------------------------------------------------------------------------
// Vector scenes: drawn with QPainter for PNGs and written as SVG text

struct Fill
{
    enum Kind { None, Solid, Linear, Radial };
    Kind kind = None;
    QColor colour;
    QPointF start, end; // linear: from start to end; radial: centre and focal point unused
    double radius = 0.0;
    QGradientStops stops;
};

Fill solid(const QColor& c)
{
    Fill f;
    f.kind = Fill::Solid;
    f.colour = c;
    return f;
}

Fill linear(QPointF from, QPointF to, const QGradientStops& stops)
{
    Fill f;
    f.kind = Fill::Linear;
    f.start = from;
    f.end = to;
    f.stops = stops;
    return f;
}

Fill radial(QPointF centre, double radius, const QGradientStops& stops)
{
    Fill f;
    f.kind = Fill::Radial;
    f.start = centre;
    f.radius = radius;
    f.stops = stops;
    return f;
}

struct Shape
{
    QPainterPath path;
    Fill fill;
    QColor stroke = Qt::transparent;
    double strokeWidth = 0.0;
    // Strokes never get thinner than this many output pixels, so outlines survive at 16 x 16.
    double minStrokePixels = 0.0;
    Qt::PenCapStyle cap = Qt::RoundCap;
};

class Scene
{
public:
    explicit Scene(double size) : m_size(size) {}

    void add(const QPainterPath& path, const Fill& fill, const QColor& stroke = Qt::transparent,
             double strokeWidth = 0.0, double minStrokePixels = 0.0)
    {
        Shape s;
        s.path = path;
        s.fill = fill;
        s.stroke = stroke;
        s.strokeWidth = strokeWidth;
        s.minStrokePixels = minStrokePixels;
        m_shapes.push_back(s);
    }

    QImage render(int pixels) const
    {
        QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        const double scale = pixels / m_size;
        painter.scale(scale, scale);
        for (const Shape& s : m_shapes) {
            painter.setBrush(brush(s.fill));
            if (s.strokeWidth > 0.0 && s.stroke.alpha() > 0) {
                QPen pen(s.stroke, std::max(s.strokeWidth, s.minStrokePixels / scale));
                pen.setJoinStyle(Qt::RoundJoin);
                pen.setCapStyle(s.cap);
                painter.setPen(pen);
            } else {
                painter.setPen(Qt::NoPen);
            }
            painter.drawPath(s.path);
        }
        painter.end();
        return image.convertToFormat(QImage::Format_ARGB32);
    }

    QString svg(const QString& title) const
    {
        QString defs;
        QString body;
        int gradientCount = 0;
        for (const Shape& s : m_shapes) {
            QString element = QStringLiteral("  <path d=\"%1\"").arg(pathData(s.path));
            if (s.fill.kind == Fill::Solid) {
                element += QStringLiteral(" fill=\"%1\"").arg(colourText(s.fill.colour));
                if (s.fill.colour.alpha() < 255)
                    element +=
                        QStringLiteral(" fill-opacity=\"%1\"").arg(number(s.fill.colour.alphaF()));
            } else if (s.fill.kind != Fill::None) {
                const QString id = QStringLiteral("g%1").arg(++gradientCount);
                defs += gradientText(id, s.fill);
                element += QStringLiteral(" fill=\"url(#%1)\"").arg(id);
            } else {
                element += QStringLiteral(" fill=\"none\"");
            }
            if (s.path.fillRule() == Qt::OddEvenFill)
                element += QStringLiteral(" fill-rule=\"evenodd\"");
            if (s.strokeWidth > 0.0 && s.stroke.alpha() > 0) {
                element += QStringLiteral(" stroke=\"%1\" stroke-width=\"%2\" "
                                          "stroke-linejoin=\"round\" stroke-linecap=\"round\"")
                               .arg(colourText(s.stroke), number(s.strokeWidth));
                if (s.stroke.alpha() < 255)
                    element +=
                        QStringLiteral(" stroke-opacity=\"%1\"").arg(number(s.stroke.alphaF()));
            }
            body += element + QStringLiteral("/>\n");
        }
        const QString size = number(m_size);
        return QStringLiteral(
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.2\" "
                   "baseProfile=\"tiny\" width=\"%1\" height=\"%1\" viewBox=\"0 0 %1 %1\">\n"
                   "  <title>%2</title>\n"
                   "  <defs>\n%3  </defs>\n%4</svg>\n")
            .arg(size, title, defs, body);
    }

    static QString number(double v)
    {
        QString text = QString::number(v, 'f', 2);
        while (text.contains(QLatin1Char('.')) &&
               (text.endsWith(QLatin1Char('0')) || text.endsWith(QLatin1Char('.'))))
            text.chop(1);
        return text == QLatin1String("-0") ? QStringLiteral("0") : text;
    }

private:
    static QBrush brush(const Fill& fill)
    {
        switch (fill.kind) {
        case Fill::None:
            return Qt::NoBrush;
        case Fill::Solid:
            return fill.colour;
        case Fill::Linear: {
            QLinearGradient g(fill.start, fill.end);
            g.setStops(fill.stops);
            return g;
        }
        case Fill::Radial: {
            QRadialGradient g(fill.start, fill.radius);
            g.setStops(fill.stops);
            return g;
        }
        }
        return Qt::NoBrush;
    }

    static QString colourText(const QColor& c)
    {
        return QColor(c.red(), c.green(), c.blue()).name();
    }

    static QString stopsText(const QGradientStops& stops)
    {
        QString text;
        for (const auto& stop : stops) {
            text += QStringLiteral("      <stop offset=\"%1\" stop-color=\"%2\"")
                        .arg(number(stop.first), colourText(stop.second));
            if (stop.second.alpha() < 255)
                text += QStringLiteral(" stop-opacity=\"%1\"").arg(number(stop.second.alphaF()));
            text += QStringLiteral("/>\n");
        }
        return text;
    }

    static QString gradientText(const QString& id, const Fill& fill)
    {
        if (fill.kind == Fill::Linear)
            return QStringLiteral(
                       "    <linearGradient id=\"%1\" gradientUnits=\"userSpaceOnUse\" "
                       "x1=\"%2\" y1=\"%3\" x2=\"%4\" y2=\"%5\">\n%6    </linearGradient>\n")
                .arg(id, number(fill.start.x()), number(fill.start.y()), number(fill.end.x()),
                     number(fill.end.y()), stopsText(fill.stops));
        return QStringLiteral("    <radialGradient id=\"%1\" gradientUnits=\"userSpaceOnUse\" "
                              "cx=\"%2\" cy=\"%3\" r=\"%4\">\n%5    </radialGradient>\n")
            .arg(id, number(fill.start.x()), number(fill.start.y()), number(fill.radius),
                 stopsText(fill.stops));
    }

    static QString pathData(const QPainterPath& path)
    {
        QStringList parts;
        for (int i = 0; i < path.elementCount(); ++i) {
            const QPainterPath::Element e = path.elementAt(i);
            if (e.type == QPainterPath::MoveToElement) {
                parts << QStringLiteral("M%1 %2").arg(number(e.x), number(e.y));
            } else if (e.type == QPainterPath::LineToElement) {
                parts << QStringLiteral("L%1 %2").arg(number(e.x), number(e.y));
            } else if (e.type == QPainterPath::CurveToElement) {
                const QPainterPath::Element c2 = path.elementAt(i + 1);
                const QPainterPath::Element to = path.elementAt(i + 2);
                parts << QStringLiteral("C%1 %2 %3 %4 %5 %6")
                             .arg(number(e.x), number(e.y), number(c2.x), number(c2.y),
                                  number(to.x), number(to.y));
                i += 2;
            }
        }
        return parts.join(QLatin1Char(' '));
    }

    double m_size;
    std::vector<Shape> m_shapes;
};

QGradientStops stops2(const QColor& a, const QColor& b)
{
    return {{0.0, a}, {1.0, b}};
}

QPainterPath roundedRect(double x, double y, double w, double h, double r)
{
    QPainterPath p;
    p.addRoundedRect(QRectF(x, y, w, h), r, r);
    return p;
}

QPainterPath polygonPath(std::initializer_list<QPointF> points)
{
    QPainterPath p;
    bool first = true;
    for (const QPointF& pt : points) {
        if (first)
            p.moveTo(pt);
        else
            p.lineTo(pt);
        first = false;
    }
    p.closeSubpath();
    return p;
}

// The application's picture on a 96-unit square: a small framed landscape (sky, sun, two hills)
// with a pencil lying across its lower right corner, drawing the line of the near hill. `simple`
// leaves out the details that turn to mush at 16 and 32 pixels.
Scene applicationMotif(bool simple)
{
    Scene scene(96.0);
    const double minOutline = simple ? 1.0 : 0.0;

    // The picture frame, with a soft shadow made of stacked translucent rounded rectangles.
    const double fx = 6.0, fy = 8.0, fw = 78.0, fh = 62.0;
    for (int i = 3; i >= 1; --i)
        scene.add(roundedRect(fx + 1.0 - i * 0.5, fy + 2.0 - i * 0.5 + i, fw + i, fh + i, 4.0 + i),
                  solid(QColor(0, 0, 0, 28)));
    scene.add(roundedRect(fx, fy, fw, fh, 4.0),
              linear({0, fy}, {0, fy + fh}, stops2(QColor(92, 92, 96), QColor(52, 52, 56))),
              QColor(30, 30, 32), 1.0, minOutline);
    // The mat.
    const double mx = fx + 5.0, my = fy + 5.0, mw = fw - 10.0, mh = fh - 10.0;
    scene.add(roundedRect(mx, my, mw, mh, 1.0), solid(QColor(242, 239, 230)));
    // The landscape inside the mat.
    const double px = mx + (simple ? 2.0 : 3.0), py = my + (simple ? 2.0 : 3.0);
    const double pw = mw - (simple ? 4.0 : 6.0), ph = mh - (simple ? 4.0 : 6.0);
    scene.add(roundedRect(px, py, pw, ph, 0.5),
              linear({0, py}, {0, py + ph}, stops2(QColor(126, 178, 222), QColor(222, 236, 246))));
    // Sun with a halo.
    const QPointF sun(px + pw * 0.72, py + ph * 0.30);
    if (!simple) {
        QPainterPath halo;
        halo.addEllipse(sun, 9.0, 9.0);
        scene.add(
            halo,
            radial(sun, 9.0, {{0.0, QColor(255, 236, 170, 200)}, {1.0, QColor(255, 236, 170, 0)}}));
    }
    QPainterPath sunDisc;
    sunDisc.addEllipse(sun, simple ? 5.0 : 4.5, simple ? 5.0 : 4.5);
    scene.add(sunDisc, solid(QColor(247, 196, 78)));
    // Far hills: a long soft ridge.
    QPainterPath far;
    far.moveTo(px, py + ph * 0.62);
    far.cubicTo(px + pw * 0.18, py + ph * 0.40, px + pw * 0.36, py + ph * 0.44, px + pw * 0.52,
                py + ph * 0.58);
    far.cubicTo(px + pw * 0.66, py + ph * 0.48, px + pw * 0.84, py + ph * 0.46, px + pw,
                py + ph * 0.56);
    far.lineTo(px + pw, py + ph);
    far.lineTo(px, py + ph);
    far.closeSubpath();
    scene.add(far, linear({0, py + ph * 0.45}, {0, py + ph},
                          stops2(QColor(132, 170, 128), QColor(104, 146, 100))));
    // Near hill; its crest is a cubic curve the pencil has just traced.
    const QPointF c0(px, py + ph * 0.80), c1(px + pw * 0.25, py + ph * 0.60),
        c2(px + pw * 0.55, py + ph * 0.66), c3(px + pw, py + ph * 0.86);
    const auto crest = [&](double t) {
        const double u = 1.0 - t;
        return u * u * u * c0 + 3 * u * u * t * c1 + 3 * u * t * t * c2 + t * t * t * c3;
    };
    QPainterPath nearHill;
    nearHill.moveTo(c0);
    nearHill.cubicTo(c1, c2, c3);
    nearHill.lineTo(px + pw, py + ph);
    nearHill.lineTo(px, py + ph);
    nearHill.closeSubpath();
    scene.add(nearHill, linear({0, py + ph * 0.62}, {0, py + ph},
                               stops2(QColor(84, 128, 74), QColor(58, 98, 52))));
    const double tipAt = 0.5;
    if (!simple) {
        // The pencil's line along the crest, up to the pencil's tip.
        QPainterPath line;
        line.moveTo(crest(0.04));
        for (int i = 1; i <= 16; ++i)
            line.lineTo(crest(0.04 + (tipAt - 0.04) * i / 16.0));
        scene.add(line, Fill(), QColor(40, 40, 40, 220), 1.2);
    }

    // The pencil, built along the x axis (tip at 0) and turned to lie as a right hand holds it:
    // the tip on the crest, the end towards the lower right.
    const double length = 60.0, half = 6.5;
    const double cone = 15.0, ferrule = 48.0, eraser = 54.0;
    QTransform place;
    place.translate(crest(tipAt).x(), crest(tipAt).y());
    place.rotate(45.0);
    // The silhouette (used for the shadow and the outline).
    QPainterPath silhouette;
    silhouette.moveTo(0, 0);
    silhouette.lineTo(cone, -half);
    silhouette.lineTo(length - 2.5, -half);
    silhouette.quadTo(length, -half, length, -half + 2.5);
    silhouette.lineTo(length, half - 2.5);
    silhouette.quadTo(length, half, length - 2.5, half);
    silhouette.lineTo(cone, half);
    silhouette.closeSubpath();
    // Shadow on the picture, offset down and to the right.
    scene.add(QTransform::fromTranslate(1.8, 2.6).map(place.map(silhouette)),
              solid(QColor(0, 0, 0, 60)));
    // Body: three facets of a hexagonal pencil.
    const double facet = half * 2.0 / 3.0;
    const QColor facets[3] = {QColor(250, 205, 96), QColor(236, 168, 52), QColor(196, 128, 30)};
    for (int i = 0; i < 3; ++i) {
        const double y0 = -half + i * facet;
        scene.add(place.map(polygonPath(
                      {{cone, y0}, {ferrule, y0}, {ferrule, y0 + facet}, {cone, y0 + facet}})),
                  solid(facets[i]));
    }
    // Sharpened wood with a scalloped edge where the paint ends, then the graphite tip.
    QPainterPath wood;
    wood.moveTo(0, 0);
    wood.lineTo(cone, -half);
    wood.quadTo(cone - 2.5, -half + facet * 0.5, cone, -half + facet);
    wood.quadTo(cone - 2.5, 0, cone, half - facet);
    wood.quadTo(cone - 2.5, half - facet * 0.5, cone, half);
    wood.closeSubpath();
    scene.add(place.map(wood), linear(place.map(QPointF(0, -half)), place.map(QPointF(0, half)),
                                      stops2(QColor(246, 222, 184), QColor(214, 176, 126))));
    scene.add(place.map(polygonPath({{0, 0}, {5.5, -half * 5.5 / cone}, {5.5, half * 5.5 / cone}})),
              solid(QColor(48, 48, 52)));
    // Metal ferrule with two grooves, then the eraser.
    scene.add(place.map(polygonPath(
                  {{ferrule, -half}, {eraser, -half}, {eraser, half}, {ferrule, half}})),
              linear(place.map(QPointF(0, -half)), place.map(QPointF(0, half)),
                     {{0.0, QColor(236, 236, 236)},
                      {0.45, QColor(176, 178, 182)},
                      {1.0, QColor(120, 122, 128)}}));
    if (!simple) {
        for (const double gx : {ferrule + 2.0, ferrule + 4.0}) {
            QPainterPath groove;
            groove.moveTo(gx, -half);
            groove.lineTo(gx, half);
            scene.add(place.map(groove), Fill(), QColor(100, 100, 106), 0.6);
        }
    }
    QPainterPath rubber;
    rubber.moveTo(eraser, -half);
    rubber.lineTo(length - 2.5, -half);
    rubber.quadTo(length, -half, length, -half + 2.5);
    rubber.lineTo(length, half - 2.5);
    rubber.quadTo(length, half, length - 2.5, half);
    rubber.lineTo(eraser, half);
    rubber.closeSubpath();
    scene.add(place.map(rubber), linear(place.map(QPointF(0, -half)), place.map(QPointF(0, half)),
                                        stops2(QColor(240, 150, 150), QColor(196, 96, 100))));
    // One outline round the whole pencil keeps it readable on any background.
    scene.add(place.map(silhouette), Fill(), QColor(40, 32, 24), simple ? 1.2 : 1.0, minOutline);
    return scene;
}

// The placeholder of an empty document: on the preview grey (135, 135, 135) an embossed outline
// of a picture with an arrow dropping into it inside a dashed drop zone, and the invitation
// "Open or drop a picture". Light greys with a darker copy 1.5 units lower read as raised from the
// grey at any scale.
QString placeholderSvg()
{
    const QString light = QStringLiteral("#d2d2d2");
    const QString dim = QStringLiteral("#b4b4b4");
    const QString shade = QStringLiteral("#6e6e6e");
    QString drawing;
    const auto twice = [&](const QString& element, const QString& colour) {
        // The dark copy first, 1.5 units lower, then the light one.
        drawing += QStringLiteral("  <g transform=\"translate(0,1.5)\" opacity=\"0.6\">") +
                   QString(element).replace(QStringLiteral("COLOUR"), shade) +
                   QStringLiteral("</g>\n");
        drawing += QStringLiteral("  ") +
                   QString(element).replace(QStringLiteral("COLOUR"), colour) +
                   QStringLiteral("\n");
    };
    // The drop zone.
    twice(QStringLiteral("<rect x=\"14\" y=\"14\" width=\"372\" height=\"272\" rx=\"18\" ry=\"18\" "
                         "fill=\"none\" stroke=\"COLOUR\" stroke-width=\"3\" "
                         "stroke-dasharray=\"14 9\" stroke-linecap=\"round\"/>"),
          dim);
    // The picture: a frame with a sun and two mountains.
    twice(QStringLiteral("<rect x=\"136\" y=\"84\" width=\"128\" height=\"96\" rx=\"8\" ry=\"8\" "
                         "fill=\"none\" stroke=\"COLOUR\" stroke-width=\"6\"/>"),
          light);
    twice(QStringLiteral("<circle cx=\"230\" cy=\"114\" r=\"10\" fill=\"COLOUR\"/>"), light);
    twice(QStringLiteral("<path d=\"M146 170 L182 126 L206 152 L222 136 L254 170 Z\" "
                         "fill=\"COLOUR\"/>"),
          light);
    // The arrow dropping in from above, with a ring of the background grey separating it from the
    // frame.
    const QString arrow =
        QStringLiteral("M170 30 L194 30 L194 58 L210 58 L182 88 L154 58 L170 58 Z");
    drawing += QStringLiteral("  <path d=\"%1\" fill=\"#878787\" stroke=\"#878787\" "
                              "stroke-width=\"12\" stroke-linejoin=\"round\"/>\n")
                   .arg(arrow);
    twice(QStringLiteral("<path d=\"%1\" fill=\"COLOUR\" stroke=\"COLOUR\" stroke-width=\"2\" "
                         "stroke-linejoin=\"round\"/>")
              .arg(arrow),
          light);
    // The invitation.
    twice(QStringLiteral("<text x=\"200\" y=\"232\" text-anchor=\"middle\" "
                         "font-family=\"Arial, Helvetica, sans-serif\" font-size=\"22\" "
                         "font-weight=\"bold\" fill=\"COLOUR\">Open or drop a picture</text>"),
          light);
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.2\" "
                          "baseProfile=\"tiny\" width=\"400\" height=\"300\" "
                          "viewBox=\"0 0 400 300\">\n"
                          "  <title>Open or drop a picture</title>\n") +
           drawing + QStringLiteral("</svg>\n");
}

// ---------------------------------------------------------------------------------------------
// Output

bool writePng(const QImage& image, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%-36s %d x %d\n", qPrintable(QFileInfo(path).fileName()), image.width(),
                image.height());
    return true;
}

bool writeText(const QString& text, const QString& path)
{
    QSaveFile file(path);
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%-36s %lld bytes\n", qPrintable(QFileInfo(path).fileName()),
                static_cast<long long>(bytes.size()));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <resources folder>\n", argv[0]);
        return 2;
    }
    const QDir resources(QString::fromLocal8Bit(argv[1]));
    const QString uiPath = resources.filePath(QStringLiteral("ui"));
    const QString iconPath = resources.filePath(QStringLiteral("icons"));
    if (!QDir().mkpath(uiPath) || !QDir().mkpath(iconPath)) {
        std::fprintf(stderr, "cannot create the folders under %s\n", argv[1]);
        return 1;
    }
    const QDir ui(uiPath);
    const QDir icons(iconPath);

    bool ok = true;
    const auto png = [&](const QDir& dir, const QString& name, const QImage& image) {
        ok = writePng(image, dir.filePath(name)) && ok;
    };
    png(ui, QStringLiteral("button.png"), button(false));
    png(ui, QStringLiteral("button-pressed.png"), button(true));
    png(ui, QStringLiteral("combobox.png"), comboBox(false));
    png(ui, QStringLiteral("combobox-pressed.png"), comboBox(true));
    png(ui, QStringLiteral("arrows.png"), arrows());
    png(ui, QStringLiteral("slider-handle.png"), sliderHandle(false));
    png(ui, QStringLiteral("slider-handle-pressed.png"), sliderHandle(true));
    png(ui, QStringLiteral("original-size.png"), originalSize());
    png(ui, QStringLiteral("resize-grip.png"), resizeGrip());
    png(ui, QStringLiteral("separator.png"), separator());
    png(ui, QStringLiteral("BackProgress.png"), backProgress());
    png(ui, QStringLiteral("indicator.png"), indicator());
    png(ui, QStringLiteral("about.png"), applicationMotif(false).render(96));
    ok = writeText(placeholderSvg(), ui.filePath(QStringLiteral("placeholder.svg"))) && ok;

    for (const int size : {16, 32, 48, 64, 128, 256}) {
        png(icons, QStringLiteral("drawlume-%1.png").arg(size),
            applicationMotif(size <= 32).render(size));
    }
    ok = writeText(applicationMotif(false).svg(QStringLiteral("Drawlume")),
                   icons.filePath(QStringLiteral("drawlume.svg"))) &&
         ok;
    return ok ? 0 : 1;
}
