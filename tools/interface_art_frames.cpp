#include "interface_art_generator.h"

namespace {

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

} // namespace

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
