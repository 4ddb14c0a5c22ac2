#include "interface_art_generator.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <QStringList>

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

QImage Scene::render(int pixels) const
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

QString Scene::svg(const QString& title) const
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
                element += QStringLiteral(" stroke-opacity=\"%1\"").arg(number(s.stroke.alphaF()));
        }
        body += element + QStringLiteral("/>\n");
    }
    const QString size = number(m_size);
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.2\" "
                          "baseProfile=\"tiny\" width=\"%1\" height=\"%1\" viewBox=\"0 0 %1 %1\">\n"
                          "  <title>%2</title>\n"
                          "  <defs>\n%3  </defs>\n%4</svg>\n")
        .arg(size, title, defs, body);
}

QString Scene::number(double v)
{
    QString text = QString::number(v, 'f', 2);
    while (text.contains(QLatin1Char('.')) &&
           (text.endsWith(QLatin1Char('0')) || text.endsWith(QLatin1Char('.'))))
        text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QBrush Scene::brush(const Fill& fill)
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

QString Scene::colourText(const QColor& c)
{
    return QColor(c.red(), c.green(), c.blue()).name();
}

QString Scene::stopsText(const QGradientStops& stops)
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

QString Scene::gradientText(const QString& id, const Fill& fill)
{
    if (fill.kind == Fill::Linear)
        return QStringLiteral("    <linearGradient id=\"%1\" gradientUnits=\"userSpaceOnUse\" "
                              "x1=\"%2\" y1=\"%3\" x2=\"%4\" y2=\"%5\">\n%6    </linearGradient>\n")
            .arg(id, number(fill.start.x()), number(fill.start.y()), number(fill.end.x()),
                 number(fill.end.y()), stopsText(fill.stops));
    return QStringLiteral("    <radialGradient id=\"%1\" gradientUnits=\"userSpaceOnUse\" "
                          "cx=\"%2\" cy=\"%3\" r=\"%4\">\n%5    </radialGradient>\n")
        .arg(id, number(fill.start.x()), number(fill.start.y()), number(fill.radius),
             stopsText(fill.stops));
}

QString Scene::pathData(const QPainterPath& path)
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
                         .arg(number(e.x), number(e.y), number(c2.x), number(c2.y), number(to.x),
                              number(to.y));
            i += 2;
        }
    }
    return parts.join(QLatin1Char(' '));
}
