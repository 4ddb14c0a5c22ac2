#include "resource_generator.h"

#include <cstdio>
#include <functional>

namespace {

// Fraction of pixels whose value is at most `limit`.
double fractionAtMost(const QImage& img, int limit)
{
    long count = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qRed(img.pixel(x, y)) <= limit)
                ++count;
    return double(count) / (double(img.width()) * img.height());
}

// Bisection on a monotone parameter so that `measure(parameter)` meets `target`.
double solveFor(double lo, double hi, double target, const std::function<double(double)>& measure)
{
    for (int i = 0; i < 30; ++i) {
        const double mid = 0.5 * (lo + hi);
        if (measure(mid) < target)
            lo = mid;
        else
            hi = mid;
    }
    return 0.5 * (lo + hi);
}

// A curved comma of bristle marks: a round loaded head that tapers along an arc into a dry,
// broken tail. `scale` sets the head's width.
QImage commaStroke(double scale)
{
    const int size = 250;
    Rng rng(12001);
    Field ink(size, size);
    const int bristles = 36;
    std::vector<double> bristleInk(static_cast<size_t>(bristles)),
        bristleDry(static_cast<size_t>(bristles));
    for (int i = 0; i < bristles; ++i) {
        bristleInk[size_t(i)] = rng.uniform(0.55, 1.0);
        bristleDry[size_t(i)] = rng.uniform(0.55, 1.0); // where along the tail it runs dry
    }
    // Centre line: an arc about (135, 205) from the head on the left over the top to the tail on
    // the right.
    const double cx = 135.0, cy = 205.0, radius = 105.0;
    const double a0 = -2.55, a1 = -0.55;
    const double arcLength = radius * (a1 - a0);
    const double headRadius = 35.0 * scale;
    const int steps = 1200;
    for (int s = 0; s <= steps; ++s) {
        const double t = double(s) / steps;
        const double a = a0 + (a1 - a0) * t;
        const double px = cx + radius * std::cos(a), py = cy + radius * std::sin(a);
        const double nx = std::cos(a), ny = std::sin(a); // across the stroke
        const double along = t * arcLength;
        double half;
        if (along < headRadius) {
            const double d = headRadius - along;
            half = std::sqrt(std::max(0.0, headRadius * headRadius - d * d));
        } else {
            const double tail = (along - headRadius) / std::max(1.0, arcLength - headRadius);
            half = headRadius * std::pow(std::max(0.0, 1.0 - tail), 1.3);
        }
        if (half < 0.3)
            continue;
        const double r = std::max(0.5, 1.2 * half / bristles);
        for (int b = 0; b < bristles; ++b) {
            const std::uint32_t bristleSeed = 12100u + std::uint32_t(b) * 7u;
            // Each bristle wanders a little across the stroke and carries uneven paint.
            const double across =
                clampTo((b + 0.5) / bristles * 2.0 - 1.0 +
                            0.25 / bristles * valueNoise1(t * 9.0, 9, bristleSeed),
                        -1.0, 1.0);
            const double streak = valueNoise1(t * 30.0, 30, bristleSeed + 1);
            // Toward the tail the bristles run dry, the outer ones first, leaving broken marks.
            const double dryFrom = bristleDry[size_t(b)] * (1.0 - 0.35 * across * across);
            if (t > dryFrom + 0.08 * streak)
                continue;
            const double x = px + across * half * nx, y = py + across * half * ny;
            const double load =
                bristleInk[size_t(b)] * (0.8 + 0.2 * (1.0 - t)) * (0.85 + 0.15 * streak);
            const int xa = int(std::floor(x - r - 1)), xb = int(std::ceil(x + r + 1));
            const int ya = int(std::floor(y - r - 1)), yb = int(std::ceil(y + r + 1));
            for (int yy = std::max(0, ya); yy <= std::min(size - 1, yb); ++yy)
                for (int xx = std::max(0, xa); xx <= std::min(size - 1, xb); ++xx) {
                    const double d = std::hypot(xx + 0.5 - x, yy + 0.5 - y);
                    const double cover = clampTo(r + 0.5 - d, 0.0, 1.0) * load;
                    float& dst = ink.at(xx, yy);
                    dst = std::max(dst, float(cover));
                }
        }
    }
    QImage img(size, size, QImage::Format_RGB888);
    for (int y = 0; y < size; ++y) {
        uchar* line = img.scanLine(y);
        for (int x = 0; x < size; ++x) {
            int v = int(std::lround(255.0 - 205.0 * ink.at(x, y)));
            // The paper stays pure white: a barely touched pixel is paper, a marked one 249 or
            // darker.
            v = v >= 253 ? 255 : std::min(v, 249);
            line[3 * x] = line[3 * x + 1] = line[3 * x + 2] = uchar(v);
        }
    }
    return img;
}

// A long thin ellipse tilted a little off horizontal, black along its middle and fading to white
// at its border.
QImage brushEllipse()
{
    const int size = 250;
    const double cx = 124.5, cy = 124.5, a = 112.0, b = 12.0, tilt = -8.0 * kPi / 180.0;
    const double ct = std::cos(tilt), st = std::sin(tilt);
    QImage img(size, size, QImage::Format_RGB32);
    for (int y = 0; y < size; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < size; ++x) {
            // Supersample 4 x 4 for a smooth rim.
            double sum = 0.0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    const double dx = x + (sx + 0.5) / 4 - cx, dy = y + (sy + 0.5) / 4 - cy;
                    const double u = (dx * ct + dy * st) / a, v = (-dx * st + dy * ct) / b;
                    const double r = std::sqrt(u * u + v * v);
                    sum += r >= 1.0 ? 255.0 : 255.0 * smoothstep(0.0, 1.0, r);
                }
            const int g = int(std::lround(sum / 16.0));
            line[x] = qRgb(g, g, g);
        }
    }
    return img;
}

// Diagonal crayon hatching: patches of parallel lines whose wax catches the tops of the paper
// grain, so the lines are grainy and broken at their edges. The patches are laid out once;
// `render(extent)` draws them with their lines stretched by `extent`, longer lines covering more
// of the paper.
class CrayonHatching
{
public:
    CrayonHatching()
        : m_tooth(fractalNoise(kSize, kSize, 2.0, 2, 0.6, 13001)),
          m_bigTooth(fractalNoise(kSize, kSize, 8.0, 2, 0.5, 13002))
    {
        Rng rng(13003);
        const double angle = -kPi / 4.0; // lines rise from lower left to upper right
        const double dx = std::cos(angle), dy = std::sin(angle);
        for (int s = 0; s < 40; ++s) {
            const double cx = rng.uniform(0, kSize), cy = rng.uniform(0, kSize);
            const int lines = 4 + rng.below(6);
            const double spacing = rng.uniform(5.0, 7.0);
            const double len = rng.uniform(50.0, 130.0);
            const double weight = rng.uniform(0.8, 1.0);
            for (int l = 0; l < lines; ++l) {
                const double off = (l - 0.5 * (lines - 1)) * spacing + rng.uniform(-1.0, 1.0);
                Line line;
                line.x = cx - dy * off + dx * rng.uniform(-8.0, 8.0);
                line.y = cy + dx * off + dy * rng.uniform(-8.0, 8.0);
                line.dx = dx;
                line.dy = dy;
                line.length = len * rng.uniform(0.7, 1.05);
                line.bend = rng.uniform(-0.0015, 0.0015);
                line.width = rng.uniform(2.4, 3.6);
                line.weight = weight * rng.uniform(0.85, 1.0);
                m_lines.push_back(line);
            }
        }
    }

    QImage render(double extent) const
    {
        Field wax(kSize, kSize);
        for (const Line& line : m_lines) {
            const double len = line.length * extent;
            const double reach = 0.5 * len + 4.0;
            Footprint fp(line.x - reach, line.y - reach, line.x + reach, line.y + reach);
            for (double t = -0.5 * len; t <= 0.5 * len; t += 0.5) {
                const double bow = line.bend * t * t;
                const double px = line.x + line.dx * t - line.dy * bow;
                const double py = line.y + line.dy * t + line.dx * bow;
                // The crayon lands and lifts off lightly.
                const double ends = smoothstep(0.0, 10.0, 0.5 * len - std::fabs(t));
                fp.disc(px, py, 0.5 * line.width, line.weight * (0.4 + 0.6 * ends));
            }
            fp.addTo(wax, 1.0);
        }
        QImage img(kSize, kSize, QImage::Format_Grayscale8);
        for (int y = 0; y < kSize; ++y) {
            uchar* out = img.scanLine(y);
            for (int x = 0; x < kSize; ++x) {
                const double laid = std::min(1.2, double(wax.at(x, y)));
                const double grain = 0.6 * m_tooth.at(x, y) + 0.4 * m_bigTooth.at(x, y);
                // Light wax only sticks to the grain's peaks; heavy wax fills the valleys too.
                const double cover =
                    laid <= 0.0 ? 0.0 : smoothstep(0.35, 0.75, laid + 0.22 * grain);
                out[x] = uchar(std::lround(255.0 - 225.0 * cover));
            }
        }
        return img;
    }

private:
    struct Line
    {
        double x, y, dx, dy, length, bend, width, weight;
    };
    static constexpr int kSize = 500;
    Field m_tooth;
    Field m_bigTooth;
    std::vector<Line> m_lines;
};

double fractionBelowAfterJpeg(const QImage& img, int limit)
{
    const QImage back = decodedJpeg(img).convertToFormat(QImage::Format_Grayscale8);
    long count = 0;
    for (int y = 0; y < back.height(); ++y) {
        const uchar* line = back.constScanLine(y);
        for (int x = 0; x < back.width(); ++x)
            if (line[x] < limit)
                ++count;
    }
    return double(count) / (double(back.width()) * back.height());
}

} // namespace

bool writeBrushes(const QDir& out)
{
    bool ok = true;
    // Comma stroke: about 13 % of the square marked.
    const double commaScale =
        solveFor(0.3, 2.5, 0.13, [](double s) { return fractionAtMost(commaStroke(s), 249); });
    const QImage comma = commaStroke(commaScale);
    std::printf("%-28s marked %.2f %%\n", "stroke11.bmp", 100.0 * fractionAtMost(comma, 249));
    if (!comma.save(out.filePath("stroke11.bmp"), "BMP")) {
        std::fprintf(stderr, "cannot write stroke11.bmp\n");
        ok = false;
    }

    const QImage ellipse = brushEllipse();
    report("brushstroke.bmp", ellipse);
    ok = saveBmp32(ellipse, out.filePath("brushstroke.bmp")) && ok;

    // Crayon hatching: about 16 % of the pixels below 250 once decoded from the JPEG.
    const CrayonHatching crayon;
    const double extent = solveFor(
        0.2, 3.0, 0.16, [&](double e) { return fractionBelowAfterJpeg(crayon.render(e), 250); });
    const QImage hatching = crayon.render(extent);
    std::printf("%-28s below 250 %.2f %%\n", "pencilimage.jpg",
                100.0 * fractionBelowAfterJpeg(hatching, 250));
    ok = saveJpeg(hatching, out.filePath("pencilimage.jpg")) && ok;
    return ok;
}
