#include "interface_art_generator.h"

namespace {

// Distance to a chevron (two strokes meeting at the tip).
double chevronDistance(double x, double y, double cx, double cy, double halfSpan, double rise,
                       double halfWidth)
{
    const double tipY = cy + rise;
    return std::min(strokeDistance(x, y, cx - halfSpan, cy, cx, tipY, halfWidth),
                    strokeDistance(x, y, cx + halfSpan, cy, cx, tipY, halfWidth));
}

// Fills whole pixels (in picture units): the small icons are drawn on the pixel grid for crisp
// edges.
void fillPixels(Canvas& canvas, int left, int top, int width, int height, const QColor& colour)
{
    const int s = canvas.scale();
    for (int y = top * s; y < (top + height) * s; ++y)
        for (int x = left * s; x < (left + width) * s; ++x)
            canvas.blend(x, y, colour, 1.0);
}

} // namespace

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
