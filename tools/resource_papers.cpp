#include "resource_generator.h"

namespace {

struct FibreSpec
{
    double minLength = 10.0, maxLength = 40.0;
    double minWidth = 0.4, maxWidth = 1.0; // line width in pixels
    double curl = 0.05;                    // random turn per pixel of length, radians
    double direction = 0.0;                // preferred direction, radians
    double directionSpread = kPi;          // spread around the preferred direction
};

// Adds one fibre (strength fading at both ends) to the tile.
void drawFibre(Field& f, Rng& rng, const FibreSpec& settings, double strength)
{
    const double length = rng.uniform(settings.minLength, settings.maxLength);
    const double width = rng.uniform(settings.minWidth, settings.maxWidth);
    double angle = settings.direction + settings.directionSpread * (rng.uniform() - 0.5) * 2.0;
    double x = rng.uniform(0.0, f.width), y = rng.uniform(0.0, f.height);
    const double step = 0.5;
    const int steps = std::max(2, int(length / step));
    std::vector<std::array<double, 2>> points;
    points.reserve(size_t(steps));
    double turn = 0.0;
    for (int i = 0; i < steps; ++i) {
        points.push_back({x, y});
        turn = 0.9 * turn + settings.curl * step * rng.gaussian();
        angle += turn;
        x += step * std::cos(angle);
        y += step * std::sin(angle);
    }
    double x0 = 1e30, y0 = 1e30, x1 = -1e30, y1 = -1e30;
    for (const auto& p : points) {
        x0 = std::min(x0, p[0]);
        y0 = std::min(y0, p[1]);
        x1 = std::max(x1, p[0]);
        y1 = std::max(y1, p[1]);
    }
    Footprint fp(x0 - width, y0 - width, x1 + width, y1 + width);
    for (int i = 0; i < steps; ++i) {
        const double t = double(i) / (steps - 1);
        const double taper = std::sin(kPi * t);
        fp.disc(points[size_t(i)][0], points[size_t(i)][1], 0.5 * width * (0.4 + 0.6 * taper),
                0.3 + 0.7 * taper);
    }
    fp.addTo(f, strength);
}

// Adds a crumpled layer to a height field: a jittered grid of vertices at random heights, each
// grid cell split into two flat triangles along a random diagonal. Every triangle edge is a fold,
// a ridge or a valley depending on the heights around it. Wraps around the tile.
void addFacets(Field& f, int cellsX, int cellsY, double jitter, double depth, std::uint32_t seed)
{
    Rng rng(seed);
    const double cw = double(f.width) / cellsX, ch = double(f.height) / cellsY;
    struct Vertex
    {
        double x, y, z;
    };
    std::vector<Vertex> grid(static_cast<size_t>(cellsX) * cellsY);
    for (int j = 0; j < cellsY; ++j)
        for (int i = 0; i < cellsX; ++i)
            grid[size_t(j) * cellsX + i] = {(i + jitter * rng.uniform(-1.0, 1.0)) * cw,
                                            (j + jitter * rng.uniform(-1.0, 1.0)) * ch,
                                            depth * rng.gaussian()};
    // Vertex (i, j) of the unwrapped plane: the tile's vertex, moved by whole tiles.
    const auto vertex = [&](int i, int j) {
        const int wi = wrapIndex(i, cellsX), wj = wrapIndex(j, cellsY);
        Vertex v = grid[size_t(wj) * cellsX + wi];
        v.x += double(i - wi) / cellsX * f.width;
        v.y += double(j - wj) / cellsY * f.height;
        return v;
    };
    const auto triangle = [&](const Vertex& a, const Vertex& b, const Vertex& c) {
        const double det = (b.y - c.y) * (a.x - c.x) + (c.x - b.x) * (a.y - c.y);
        if (std::fabs(det) < 1e-9)
            return;
        const int x0 = int(std::floor(std::min({a.x, b.x, c.x})));
        const int x1 = int(std::ceil(std::max({a.x, b.x, c.x})));
        const int y0 = int(std::floor(std::min({a.y, b.y, c.y})));
        const int y1 = int(std::ceil(std::max({a.y, b.y, c.y})));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const double px = x + 0.5, py = y + 0.5;
                const double l1 = ((b.y - c.y) * (px - c.x) + (c.x - b.x) * (py - c.y)) / det;
                const double l2 = ((c.y - a.y) * (px - c.x) + (a.x - c.x) * (py - c.y)) / det;
                const double l3 = 1.0 - l1 - l2;
                if (l1 < 0.0 || l2 < 0.0 || l3 < 0.0)
                    continue;
                f.wrapped(x, y) += float(l1 * a.z + l2 * b.z + l3 * c.z);
            }
    };
    for (int j = 0; j < cellsY; ++j)
        for (int i = 0; i < cellsX; ++i) {
            const Vertex v00 = vertex(i, j), v10 = vertex(i + 1, j);
            const Vertex v01 = vertex(i, j + 1), v11 = vertex(i + 1, j + 1);
            if (rng.uniform() < 0.5) {
                triangle(v00, v10, v11);
                triangle(v00, v11, v01);
            } else {
                triangle(v00, v10, v01);
                triangle(v10, v11, v01);
            }
        }
}

} // namespace

QImage watercolorPaper()
{
    // Cold-pressed grain: irregular rounded hills (domes over warped Voronoi cells) with softer
    // rolling noise between them and a fine felt grain on top.
    const int w = 600, h = 600;
    const VoronoiSites cells(w, h, 40, 40, 0.95, 4001);
    const Field warpX = fractalNoise(w, h, 30.0, 2, 0.5, 4002);
    const Field warpY = fractalNoise(w, h, 30.0, 2, 0.5, 4003);
    const Field rolling = fractalNoise(w, h, 20.0, 3, 0.5, 4004);
    const Field fine = fractalNoise(w, h, 3.0, 2, 0.5, 4005);
    const double cellSize = double(w) / 40.0;
    Field height(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double d = cells.nearestDistance(x + 0.5 + 4.0 * warpX.at(x, y),
                                                   y + 0.5 + 4.0 * warpY.at(x, y));
            const double r = clampTo(d / (0.75 * cellSize), 0.0, 1.0);
            const double dome = 1.0 - r * r;
            height.at(x, y) = float(1.0 * dome + 0.35 * rolling.at(x, y) + 0.06 * fine.at(x, y));
        }
    blurWrapped(height, 1);
    const Field lit = shade(height, 5.0);
    const Field cloud = fractalNoise(w, h, 150.0, 3, 0.5, 4006);
    Field b(w, h);
    for (size_t k = 0; k < b.data.size(); ++k)
        b.data[k] = float(0.975 + 0.30 * lit.data[k] + 0.02 * height.data[k] +
                          0.008 * cloud.data[k] + 0.006 * fine.data[k]);
    return tintedImage(b, {247, 245, 239});
}

QImage pastelPaper()
{
    // Honeycomb tooth of pastel paper: three plane waves 60 degrees apart with whole numbers of
    // periods across the tile, their phase wandering over the sheet.
    const int w = 1000, h = 1000;
    const Field warpX = fractalNoise(w, h, 120.0, 3, 0.5, 5001);
    const Field warpY = fractalNoise(w, h, 120.0, 3, 0.5, 5002);
    const Field depth = fractalNoise(w, h, 60.0, 3, 0.5, 5003);
    const Field fine = fractalNoise(w, h, 3.0, 2, 0.5, 5004);
    const int n = 90; // honeycomb cells across the tile
    const std::array<std::array<double, 2>, 3> waves = {
        {{double(n), 0.0}, {n / 2.0, std::round(n * 0.866)}, {-n / 2.0, std::round(n * 0.866)}}};
    Field height(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double px = x + 2.5 * warpX.at(x, y), py = y + 2.5 * warpY.at(x, y);
            double s = 0.0;
            for (const auto& k : waves)
                s += std::cos(2.0 * kPi * (k[0] * px / w + k[1] * py / h));
            // s in [-1.5, 3]; pits where s is high.
            const double pit = smoothstep(-1.0, 2.8, s);
            height.at(x, y) = float(-pit * (1.0 + 0.3 * depth.at(x, y)) + 0.08 * fine.at(x, y));
        }
    const Field lit = shade(height, 2.0);
    Field b(w, h);
    const Field cloud = fractalNoise(w, h, 250.0, 3, 0.5, 5005);
    for (size_t k = 0; k < b.data.size(); ++k)
        b.data[k] =
            float(0.985 + 0.28 * lit.data[k] + 0.03 * height.data[k] + 0.008 * cloud.data[k]);
    return tintedImage(b, {244, 242, 236});
}

QImage oldPaper()
{
    const int w = 400, h = 400;
    Rng rng(6001);
    // Ageing: broad yellow-brown mottling, a fine grain, fibres, foxing spots and water stains.
    const Field mottle = fractalNoise(w, h, 130.0, 5, 0.55, 6002);
    const Field grain = fractalNoise(w, h, 3.0, 2, 0.5, 6003);
    Field fibres(w, h);
    FibreSpec fs;
    fs.minLength = 8;
    fs.maxLength = 30;
    fs.minWidth = 0.4;
    fs.maxWidth = 0.9;
    fs.curl = 0.02;
    for (int i = 0; i < 500; ++i)
        drawFibre(fibres, rng, fs, rng.uniform() < 0.7 ? 1.0 : -0.8);
    // Foxing: small rust-brown spots with soft halos.
    Field foxing(w, h);
    for (int i = 0; i < 45; ++i) {
        const double cx = rng.uniform(0, w), cy = rng.uniform(0, h);
        const double r = rng.uniform(0.5, 2.2);
        Footprint fp(cx - 4 * r, cy - 4 * r, cx + 4 * r, cy + 4 * r);
        fp.softDisc(cx, cy, r, 1.0);
        fp.addTo(foxing, rng.uniform(0.2, 0.8));
    }
    // Water stains: where a broad noise rises above a level the sheet is darker, and a brown
    // tide line follows the level, so the stains have organic outlines.
    const Field stainA = fractalNoise(w, h, 110.0, 5, 0.55, 6004);
    const Field stainB = fractalNoise(w, h, 70.0, 5, 0.55, 6005);
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const double m = mottle.at(x, y);
            const double age = 0.5 + 0.5 * std::tanh(0.8 * m); // 0 fresh .. 1 yellowed
            const double spots = std::min(1.2, double(foxing.at(x, y)));
            const auto stainAt = [](double n, double level) {
                const double inside = smoothstep(level - 0.05, level + 0.25, n);
                const double tide = std::exp(-std::pow((n - level) / 0.045, 2.0));
                return 0.35 * inside + 0.45 * tide;
            };
            const double stain =
                stainAt(stainA.at(x, y), 1.0) + 0.7 * stainAt(stainB.at(x, y), 1.3);
            const double light = 1.0 + 0.012 * grain.at(x, y) - 0.04 * fibres.at(x, y);
            // Colour from pale buff to yellowed tan, then brown from stains and foxing.
            double r = 222 - 16 * age, g = 199 - 26 * age, b = 146 - 34 * age;
            r -= 28 * stain + 55 * spots;
            g -= 38 * stain + 75 * spots;
            b -= 36 * stain + 70 * spots;
            line[x] = toRgb(r * light, g * light, b * light);
        }
    }
    return img;
}

QImage kraftPaper()
{
    const int w = 448, h = 392;
    Rng rng(7001);
    const Field mottle = fractalNoise(w, h, 90.0, 4, 0.55, 7002);
    const Field flocs = fractalNoise(w, h, 10.0, 3, 0.5, 7003);
    const Field grain = fractalNoise(w, h, 2.0, 2, 0.5, 7004);
    // Kraft fibres lie mostly along the machine direction (here horizontal).
    Field dark(w, h), light(w, h);
    FibreSpec fs;
    fs.minLength = 6;
    fs.maxLength = 30;
    fs.minWidth = 0.5;
    fs.maxWidth = 1.3;
    fs.curl = 0.02;
    fs.direction = 0.0;
    fs.directionSpread = 0.8;
    for (int i = 0; i < 2600; ++i)
        drawFibre(dark, rng, fs, rng.uniform(0.3, 1.0));
    for (int i = 0; i < 1200; ++i)
        drawFibre(light, rng, fs, rng.uniform(0.3, 1.0));
    // A few longer, darker fibres and specks of bark.
    FibreSpec longFs = fs;
    longFs.minLength = 30;
    longFs.maxLength = 80;
    longFs.maxWidth = 1.0;
    for (int i = 0; i < 60; ++i)
        drawFibre(dark, rng, longFs, 1.2);
    Field specks(w, h);
    for (int i = 0; i < 70; ++i) {
        const double cx = rng.uniform(0, w), cy = rng.uniform(0, h);
        const double r = rng.uniform(0.4, 1.2);
        Footprint fp(cx - 3, cy - 3, cx + 3, cy + 3);
        fp.disc(cx, cy, r, 1.0);
        fp.addTo(specks, rng.uniform(0.5, 1.0));
    }
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const double k = 1.0 + 0.015 * mottle.at(x, y) + 0.025 * flocs.at(x, y) +
                             0.025 * grain.at(x, y) - 0.13 * std::min(1.5f, dark.at(x, y)) +
                             0.09 * std::min(1.5f, light.at(x, y)) -
                             0.35 * std::min(1.0f, specks.at(x, y));
            line[x] = toRgb(210 * k, 170 * k, 121 * k);
        }
    }
    return img;
}

QImage crumpledPaper()
{
    // A crumpled and flattened sheet: large facets folded along long creases, smaller facets and
    // wrinkles within them, lit from the upper left.
    const int w = 1000, h = 1000;
    Field height = fractalNoise(w, h, 200.0, 3, 0.5, 8005);
    for (float& v : height.data)
        v *= 8.0f; // the sheet never lies quite flat
    addFacets(height, 6, 6, 0.35, 40.0, 8001);
    addFacets(height, 15, 15, 0.35, 12.0, 8002);
    addFacets(height, 38, 38, 0.35, 3.5, 8003);
    blurWrapped(height, 1);
    const Field lit = shade(height, 1.0);
    const Field grain = fractalNoise(w, h, 3.0, 2, 0.5, 8004);
    Field b(w, h);
    for (size_t k = 0; k < b.data.size(); ++k)
        b.data[k] = float(0.975 + 0.36 * lit.data[k] + 0.008 * grain.data[k]);
    return tintedImage(b, {245, 243, 238});
}

QImage ricePaper()
{
    const int w = 427, h = 397;
    Rng rng(9001);
    // Uneven formation: the sheet is thinner and thicker in clouds.
    const Field cloud = fractalNoise(w, h, 60.0, 4, 0.55, 9002);
    const Field grain = fractalNoise(w, h, 2.5, 2, 0.5, 9003);
    Field fibres(w, h), bright(w, h);
    FibreSpec fs;
    fs.minLength = 60;
    fs.maxLength = 220;
    fs.minWidth = 0.4;
    fs.maxWidth = 1.1;
    fs.curl = 0.008;
    for (int i = 0; i < 380; ++i)
        drawFibre(fibres, rng, fs, rng.uniform(0.4, 1.0));
    for (int i = 0; i < 160; ++i)
        drawFibre(bright, rng, fs, rng.uniform(0.5, 1.0));
    // A few thick fibre bundles.
    FibreSpec bundle = fs;
    bundle.minWidth = 1.4;
    bundle.maxWidth = 2.6;
    bundle.curl = 0.005;
    for (int i = 0; i < 14; ++i)
        drawFibre(fibres, rng, bundle, rng.uniform(0.5, 0.9));
    Field b(w, h);
    for (size_t k = 0; k < b.data.size(); ++k)
        b.data[k] =
            float(0.975 + 0.018 * cloud.data[k] + 0.01 * grain.data[k] -
                  0.08 * std::min(1.6f, fibres.data[k]) + 0.03 * std::min(1.2f, bright.data[k]));
    return tintedImage(b, {246, 244, 236});
}
