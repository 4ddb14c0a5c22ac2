#pragma once

// What the parts of the interface picture generator share: the small numeric helpers, the signed
// distances and the canvas the controls are composed on (interface_art_canvas.cpp), and the vector
// scene the application picture is drawn as (interface_art_scene.cpp). The bevelled frames are
// made in interface_art_frames.cpp, the arrows, handles, small icons and the busy indicator in
// interface_art_controls.cpp, the application picture and the placeholder in
// interface_art_pictures.cpp; generate_interface_art.cpp writes them.

#include <QBrush>
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QString>

#include <algorithm>
#include <cmath>
#include <vector>

constexpr double kPi = 3.14159265358979323846;

inline double clampTo(double v, double lo, double hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

inline double mix(double a, double b, double t)
{
    return a + (b - a) * t;
}

// ---------------------------------------------------------------------------------------------
// Pixel composition (interface_art_canvas.cpp)

// Signed distance from (x, y) to a rounded rectangle (negative inside).
double roundedRectDistance(double x, double y, double left, double top, double right, double bottom,
                           double radius);

double circleDistance(double x, double y, double cx, double cy, double radius);

// Distance to the segment from (ax, ay) to (bx, by), less half its width: a stroke with round
// ends.
double strokeDistance(double x, double y, double ax, double ay, double bx, double by,
                      double halfWidth);

// Output pixels per unit of the pictures' coordinates: 1 for the pictures of ordinary screens, 2
// for their name@2x.png copies, which high-density screens show. The shapes are given in the
// same units at both sizes; only the pixel grid they are sampled on is finer.
inline int g_artScale = 1;

// Area of a pixel covered by the shape whose signed distance (in picture units) at the pixel
// centre is d; the edge stays one output pixel wide at every scale.
inline double coverage(double d)
{
    return clampTo(0.5 - d * g_artScale, 0.0, 1.0);
}

// A transparent picture painted with "source over" in premultiplied floating point, stored as
// ARGB32 when done.
class Canvas
{
public:
    // A width x height picture in picture units, of (width x height) times g_artScale output
    // pixels.
    Canvas(int width, int height)
        : m_scale(g_artScale), m_width(width * m_scale), m_height(height * m_scale),
          m_pixels(m_width * m_height * 4)
    {
    }

    int width() const { return m_width; }
    int height() const { return m_height; }
    int scale() const { return m_scale; }

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

    // Calls paint with the centre of every output pixel in picture units; it returns the colour
    // and the coverage to blend there.
    template <typename F> void each(F paint)
    {
        const double unit = 1.0 / m_scale;
        for (int y = 0; y < m_height; ++y) {
            for (int x = 0; x < m_width; ++x) {
                QColor colour;
                const double amount = paint((x + 0.5) * unit, (y + 0.5) * unit, colour);
                blend(x, y, colour, amount);
            }
        }
    }

    QImage image() const;

private:
    int m_scale;
    int m_width;
    int m_height;
    std::vector<double> m_pixels;
};

QColor grey(int level, double alpha = 1.0);
QColor greyF(double level, double alpha = 1.0);

// ---------------------------------------------------------------------------------------------
// Vector scenes: drawn with QPainter for PNGs and written as SVG text (interface_art_scene.cpp)

struct Fill
{
    enum Kind { None, Solid, Linear, Radial };
    Kind kind = None;
    QColor colour;
    QPointF start, end; // linear: from start to end; radial: centre and focal point unused
    double radius = 0.0;
    QGradientStops stops;
};

Fill solid(const QColor& c);
Fill linear(QPointF from, QPointF to, const QGradientStops& stops);
Fill radial(QPointF centre, double radius, const QGradientStops& stops);

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

    QImage render(int pixels) const;
    QString svg(const QString& title) const;
    static QString number(double v);

private:
    static QBrush brush(const Fill& fill);
    static QString colourText(const QColor& c);
    static QString stopsText(const QGradientStops& stops);
    static QString gradientText(const QString& id, const Fill& fill);
    static QString pathData(const QPainterPath& path);

    double m_size;
    std::vector<Shape> m_shapes;
};

// ---------------------------------------------------------------------------------------------
// The pictures

// Bevelled frames (interface_art_frames.cpp).
QImage button(bool pressed);
QImage comboBox(bool open);
QImage separator();
QImage backProgress();

// Arrows, handles, small icons and the busy indicator (interface_art_controls.cpp).
QImage arrows();
QImage sliderHandle(bool pressed);
QImage originalSize();
QImage resizeGrip();
QImage indicator();

// The application picture and the placeholder drawing (interface_art_pictures.cpp).
Scene applicationMotif(bool simple);
QString placeholderSvg();
