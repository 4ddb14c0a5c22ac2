#include "interface_art_generator.h"

#include <QTransform>

#include <initializer_list>

namespace {

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

} // namespace

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
