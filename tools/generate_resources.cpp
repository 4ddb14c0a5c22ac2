// Generates the algorithm resources in resources/: the nine paper and canvas textures the picture
// is printed on, the watercolor and impasto grounds, and the brush and crayon bitmaps.
//
// Every picture is procedural and drawn from fixed seeds with the generator's own random numbers,
// so running the tool again (same compiler, same Qt) rewrites the same bytes. Textures are built on
// the torus of their own width and height: noise lattices have a whole number of cells across each
// side, woven threads a whole (even) number of threads, and fibres, spots and stains wrap around
// the borders, so every texture tiles without a seam whatever its size.
//
// Usage: drawlume-generate-resources <output folder>

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

int wrapIndex(int i, int n)
{
    const int r = i % n;
    return r < 0 ? r + n : r;
}

double clampTo(double v, double lo, double hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

double smoothstep(double e0, double e1, double x)
{
    const double t = clampTo((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// ---------------------------------------------------------------------------------------------
// Random numbers

// SplitMix64: small, fast, and the same sequence on every platform.
class Rng
{
public:
    explicit Rng(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double uniform() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    double uniform(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    int below(int n) { return int(uniform() * n); }
    // Standard normal (Box-Muller).
    double gaussian()
    {
        const double u1 = std::max(uniform(), 1e-12);
        const double u2 = uniform();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * kPi * u2);
    }

private:
    std::uint64_t m_state;
};

std::uint32_t mix32(std::uint32_t h)
{
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

std::uint32_t hash2(int x, int y, std::uint32_t seed)
{
    return mix32(std::uint32_t(x) + mix32(std::uint32_t(y) + mix32(seed)));
}

// ---------------------------------------------------------------------------------------------
// Scalar fields

struct Field
{
    int width = 0;
    int height = 0;
    std::vector<float> data;

    Field() = default;
    Field(int w, int h, float value = 0.0f) : width(w), height(h), data(size_t(w) * h, value) {}

    float& at(int x, int y) { return data[size_t(y) * width + x]; }
    float at(int x, int y) const { return data[size_t(y) * width + x]; }
    float wrapped(int x, int y) const { return at(wrapIndex(x, width), wrapIndex(y, height)); }
    float& wrapped(int x, int y) { return at(wrapIndex(x, width), wrapIndex(y, height)); }
};

double meanOf(const Field& f)
{
    double sum = 0.0;
    for (float v : f.data)
        sum += v;
    return sum / double(f.data.size());
}

double stdOf(const Field& f)
{
    const double m = meanOf(f);
    double sum = 0.0;
    for (float v : f.data)
        sum += (v - m) * (v - m);
    return std::sqrt(sum / double(f.data.size()));
}

// Zero mean, unit standard deviation.
void normalize(Field& f)
{
    const double m = meanOf(f);
    const double s = std::max(stdOf(f), 1e-9);
    for (float& v : f.data)
        v = float((v - m) / s);
}

// Box blur with wrap-around, run three times for a near-Gaussian result.
void blurWrapped(Field& f, int radius)
{
    if (radius <= 0)
        return;
    const int w = f.width, h = f.height;
    std::vector<float> line;
    const float norm = 1.0f / float(2 * radius + 1);
    for (int pass = 0; pass < 3; ++pass) {
        line.resize(size_t(w));
        for (int y = 0; y < h; ++y) {
            double acc = 0.0;
            for (int k = -radius; k <= radius; ++k)
                acc += f.wrapped(k, y);
            for (int x = 0; x < w; ++x) {
                line[size_t(x)] = float(acc * norm);
                acc += f.wrapped(x + radius + 1, y) - f.wrapped(x - radius, y);
            }
            std::copy(line.begin(), line.end(), f.data.begin() + ptrdiff_t(y) * w);
        }
        line.resize(size_t(h));
        for (int x = 0; x < w; ++x) {
            double acc = 0.0;
            for (int k = -radius; k <= radius; ++k)
                acc += f.wrapped(x, k);
            for (int y = 0; y < h; ++y) {
                line[size_t(y)] = float(acc * norm);
                acc += f.wrapped(x, y + radius + 1) - f.wrapped(x, y - radius);
            }
            for (int y = 0; y < h; ++y)
                f.at(x, y) = line[size_t(y)];
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Periodic noise

// Gradient (Perlin-style) noise on a lattice that repeats every periodU x periodV cells; result
// roughly in [-1, 1].
class GradientNoise
{
public:
    GradientNoise()
    {
        for (int i = 0; i < 256; ++i) {
            const double a = 2.0 * kPi * (i + 0.5) / 256.0;
            m_gradients[size_t(i)] = {float(std::cos(a)), float(std::sin(a))};
        }
    }

    double operator()(double u, double v, int periodU, int periodV, std::uint32_t seed) const
    {
        const double fu = std::floor(u), fv = std::floor(v);
        const int iu = int(fu), iv = int(fv);
        const double du = u - fu, dv = v - fv;
        const auto dotCorner = [&](int cu, int cv) {
            const std::uint32_t h =
                hash2(wrapIndex(iu + cu, periodU), wrapIndex(iv + cv, periodV), seed);
            const auto& g = m_gradients[h & 255u];
            return g[0] * (du - cu) + g[1] * (dv - cv);
        };
        const double su = fade(du), sv = fade(dv);
        const double a = dotCorner(0, 0) + su * (dotCorner(1, 0) - dotCorner(0, 0));
        const double b = dotCorner(0, 1) + su * (dotCorner(1, 1) - dotCorner(0, 1));
        return 1.41 * (a + sv * (b - a));
    }

private:
    static double fade(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }
    std::array<std::array<float, 2>, 256> m_gradients;
};

const GradientNoise& gradientNoise()
{
    static const GradientNoise noise;
    return noise;
}

struct NoiseSpec
{
    double cellWidth = 32.0;  // size of the coarsest lattice cell in pixels, across ...
    double cellHeight = 32.0; // ... and down
    int octaves = 4;
    double persistence = 0.5; // amplitude ratio between octaves
    bool ridged = false;      // sum 1 - |noise| instead of noise (creases and crests)
    bool billowy = false;     // sum |noise| (rounded bumps)
};

// Fractal sum of periodic gradient noise over a w x h tile, normalised to zero mean and unit std.
Field fractalNoise(int w, int h, const NoiseSpec& settings, std::uint32_t seed)
{
    Field f(w, h);
    const int cellsU = std::max(1, int(std::lround(w / settings.cellWidth)));
    const int cellsV = std::max(1, int(std::lround(h / settings.cellHeight)));
    const GradientNoise& noise = gradientNoise();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double sum = 0.0, amp = 1.0;
            for (int o = 0; o < settings.octaves; ++o) {
                const int pu = cellsU << o, pv = cellsV << o;
                double n = noise((x + 0.5) * pu / w, (y + 0.5) * pv / h, pu, pv,
                                 seed + std::uint32_t(o) * 7919u);
                if (settings.ridged)
                    n = 1.0 - std::fabs(n);
                else if (settings.billowy)
                    n = std::fabs(n);
                sum += amp * n;
                amp *= settings.persistence;
            }
            f.at(x, y) = float(sum);
        }
    }
    normalize(f);
    return f;
}

Field fractalNoise(int w, int h, double cellSize, int octaves, double persistence,
                   std::uint32_t seed)
{
    NoiseSpec settings;
    settings.cellWidth = settings.cellHeight = cellSize;
    settings.octaves = octaves;
    settings.persistence = persistence;
    return fractalNoise(w, h, settings, seed);
}

// Smooth 1-D value noise repeating every `period` lattice steps, in [-1, 1].
double valueNoise1(double t, int period, std::uint32_t seed)
{
    const double ft = std::floor(t);
    const int i = int(ft);
    const double d = t - ft;
    const auto value = [&](int k) {
        return double(hash2(wrapIndex(k, period), 0, seed)) / 2147483648.0 - 1.0;
    };
    const double s = d * d * d * (d * (d * 6.0 - 15.0) + 10.0);
    return value(i) + s * (value(i + 1) - value(i));
}

// Periodic jittered-grid Voronoi sites: one site per cell of a gx x gy grid over the tile.
class VoronoiSites
{
public:
    VoronoiSites(int w, int h, int gx, int gy, double jitter, std::uint32_t seed)
        : m_w(w), m_h(h), m_gx(gx), m_gy(gy), m_cw(double(w) / gx), m_ch(double(h) / gy)
    {
        Rng rng(seed);
        m_sites.resize(size_t(gx) * gy);
        for (int j = 0; j < gy; ++j)
            for (int i = 0; i < gx; ++i) {
                const double ox = 0.5 + jitter * (rng.uniform() - 0.5);
                const double oy = 0.5 + jitter * (rng.uniform() - 0.5);
                m_sites[size_t(j) * gx + i] = {(i + ox) * m_cw, (j + oy) * m_ch};
            }
    }

    // Distance from (x, y) to the nearest site on the torus; any coordinates.
    double nearestDistance(double x, double y) const
    {
        const int ci = int(std::floor(x / m_cw)), cj = int(std::floor(y / m_ch));
        double nearest = 1e30;
        for (int dj = -2; dj <= 2; ++dj)
            for (int di = -2; di <= 2; ++di) {
                const int i = ci + di, j = cj + dj;
                const int wi = wrapIndex(i, m_gx), wj = wrapIndex(j, m_gy);
                const auto& s = m_sites[size_t(wj) * m_gx + wi];
                // Position of the site's copy next to this point.
                const double px = s[0] + double(i - wi) / m_gx * m_w;
                const double py = s[1] + double(j - wj) / m_gy * m_h;
                nearest = std::min(nearest, std::hypot(x - px, y - py));
            }
        return nearest;
    }

private:
    int m_w, m_h, m_gx, m_gy;
    double m_cw, m_ch;
    std::vector<std::array<double, 2>> m_sites;
};

// ---------------------------------------------------------------------------------------------
// Marks drawn on the torus: fibres, spots and brush paths

// A path's footprint collected in unwrapped coordinates, then added into a tile with wrap-around.
// Within one mark overlapping samples take the maximum, so a mark has an even tone; separate
// marks add up.
class Footprint
{
public:
    Footprint(double x0, double y0, double x1, double y1)
        : m_x0(int(std::floor(x0)) - 2), m_y0(int(std::floor(y0)) - 2),
          m_w(int(std::ceil(x1)) - m_x0 + 3), m_h(int(std::ceil(y1)) - m_y0 + 3),
          m_value(size_t(m_w) * m_h, 0.0f)
    {
    }

    // Anti-aliased disc of the given radius, value scaled by `strength`.
    void disc(double cx, double cy, double radius, double strength)
    {
        const int xa = int(std::floor(cx - radius - 1)), xb = int(std::ceil(cx + radius + 1));
        const int ya = int(std::floor(cy - radius - 1)), yb = int(std::ceil(cy + radius + 1));
        for (int y = ya; y <= yb; ++y)
            for (int x = xa; x <= xb; ++x) {
                const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
                const double cover = clampTo(radius + 0.5 - d, 0.0, 1.0) *
                                     std::min(1.0, radius + 0.5); // thin marks are fainter
                put(x, y, cover * strength);
            }
    }

    // Soft disc: value falls off as a Gaussian with the given sigma.
    void softDisc(double cx, double cy, double sigma, double strength)
    {
        const double r = 3.0 * sigma;
        const int xa = int(std::floor(cx - r)), xb = int(std::ceil(cx + r));
        const int ya = int(std::floor(cy - r)), yb = int(std::ceil(cy + r));
        for (int y = ya; y <= yb; ++y)
            for (int x = xa; x <= xb; ++x) {
                const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
                put(x, y, strength * std::exp(-(dx * dx + dy * dy) / (2.0 * sigma * sigma)));
            }
    }

    void addTo(Field& f, double scale) const
    {
        for (int y = 0; y < m_h; ++y)
            for (int x = 0; x < m_w; ++x) {
                const float v = m_value[size_t(y) * m_w + x];
                if (v != 0.0f)
                    f.wrapped(m_x0 + x, m_y0 + y) += float(v * scale);
            }
    }

private:
    void put(int x, int y, double v)
    {
        const int lx = x - m_x0, ly = y - m_y0;
        if (lx < 0 || ly < 0 || lx >= m_w || ly >= m_h)
            return;
        float& dst = m_value[size_t(ly) * m_w + lx];
        dst = std::max(dst, float(v));
    }

    int m_x0, m_y0, m_w, m_h;
    std::vector<float> m_value;
};

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

// ---------------------------------------------------------------------------------------------
// Relief lighting

// Lambert shading of a height field lit from the upper left, minus the shading of a flat surface:
// 0 on flat ground, positive on slopes facing the light.
Field shade(const Field& height, double steepness)
{
    const double lx = -0.55, ly = -0.55, lz = 0.63;
    const double ln = std::sqrt(lx * lx + ly * ly + lz * lz);
    Field out(height.width, height.height);
    for (int y = 0; y < height.height; ++y)
        for (int x = 0; x < height.width; ++x) {
            const double gx = 0.5 * (height.wrapped(x + 1, y) - height.wrapped(x - 1, y));
            const double gy = 0.5 * (height.wrapped(x, y + 1) - height.wrapped(x, y - 1));
            const double nx = -gx * steepness, ny = -gy * steepness, nz = 1.0;
            const double nn = std::sqrt(nx * nx + ny * ny + nz * nz);
            out.at(x, y) = float((nx * lx + ny * ly + nz * lz) / (nn * ln) - lz / ln);
        }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Output

struct Colour
{
    double r, g, b;
};

QRgb toRgb(double r, double g, double b)
{
    const auto c = [](double v) { return int(std::lround(clampTo(v, 0.0, 255.0))); };
    return qRgb(c(r), c(g), c(b));
}

// Paper colour times a brightness factor (1 = plain paper).
QImage tintedImage(const Field& brightness, const Colour& paper)
{
    QImage img(brightness.width, brightness.height, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const double k = brightness.at(x, y);
            line[x] = toRgb(paper.r * k, paper.g * k, paper.b * k);
        }
    }
    return img;
}

QImage greyImage(const Field& level)
{
    QImage img(level.width, level.height, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const double v = level.at(x, y);
            line[x] = toRgb(v, v, v);
        }
    }
    return img;
}

// Sets the field to the given mean and standard deviation (an affine map, before clamping).
void matchStatistics(Field& f, double mean, double deviation)
{
    normalize(f);
    for (float& v : f.data)
        v = float(mean + deviation * v);
}

bool saveJpeg(const QImage& img, const QString& path)
{
    if (!img.save(path, "JPG", 90)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QImage decodedJpeg(const QImage& img)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "JPG", 90);
    return QImage::fromData(bytes, "JPG");
}

// Qt writes every BMP with 24 bits per pixel, so the 32-bit brush is written here: a
// BITMAPINFOHEADER file, uncompressed, bottom-up rows of blue, green, red and an unused byte.
bool saveBmp32(const QImage& source, const QString& path)
{
    const QImage img = source.convertToFormat(QImage::Format_RGB32);
    const int w = img.width(), h = img.height();
    const quint32 imageBytes = quint32(w) * quint32(h) * 4u;
    QByteArray out;
    const auto put16 = [&](quint32 v) {
        out.append(char(v & 0xFF));
        out.append(char((v >> 8) & 0xFF));
    };
    const auto put32 = [&](quint32 v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    out.append("BM");
    put32(14 + 40 + imageBytes); // file size
    put32(0);                    // reserved
    put32(14 + 40);              // offset of the pixels
    put32(40);                   // header size
    put32(quint32(w));
    put32(quint32(h)); // positive: bottom-up
    put16(1);          // planes
    put16(32);         // bits per pixel
    put32(0);          // BI_RGB
    put32(imageBytes);
    put32(2835); // 72 dpi
    put32(2835);
    put32(0);
    put32(0);
    for (int y = h - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            out.append(char(qBlue(line[x])));
            out.append(char(qGreen(line[x])));
            out.append(char(qRed(line[x])));
            out.append(char(0));
        }
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

void report(const QString& name, const QImage& img)
{
    double sum = 0.0, sum2 = 0.0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const double g = qGray(img.pixel(x, y));
            sum += g;
            sum2 += g * g;
        }
    const double n = double(img.width()) * img.height();
    const double mean = sum / n;
    std::printf("%-28s %4dx%-4d mean %6.1f std %5.1f\n", qPrintable(name), img.width(),
                img.height(), mean, std::sqrt(std::max(0.0, sum2 / n - mean * mean)));
}

// ---------------------------------------------------------------------------------------------
// Woven canvas

struct WeaveSpec
{
    int threadsX = 64;      // vertical (warp) threads across the width; even, so the weave repeats
    int threadsY = 64;      // horizontal (weft) threads down the height; even
    double coverage = 0.82; // part of the pitch a thread fills; the rest is the gap
    double threadSpread = 0.08; // thickness spread between threads
    double slubs = 0.10;        // thickness change along a thread
    double slubLength = 3.0;    // length of a slub, in pitches
    double toneSpread = 0.04;   // brightness spread between threads
    double twist = 0.10;        // depth of the diagonal twist ridges on a thread
    double wobble = 0.04;       // sideways wander of a thread, in pitches
    double crimp = 0.55;        // rise and fall of a thread over and under its crossings
    double gapTone = 0.55;      // brightness seen through the gaps
    std::uint32_t seed = 1;
};

struct WeaveMaps
{
    Field height;
    Field albedo;
};

// Plain weave: warp thread i passes over weft thread j when i + j is even. Sampled 3 x 3 per
// pixel. Thread i is centred on x = i * pitch, so the tile border runs through thread centres.
WeaveMaps weave(int w, int h, const WeaveSpec& settings)
{
    Q_ASSERT(settings.threadsX % 2 == 0 && settings.threadsY % 2 == 0);
    const int ss = 3;
    WeaveMaps maps{Field(w, h), Field(w, h)};
    const double pitchX = double(w) / settings.threadsX, pitchY = double(h) / settings.threadsY;
    // Per-thread constants.
    std::vector<double> warpThick(static_cast<size_t>(settings.threadsX)),
        warpTone(static_cast<size_t>(settings.threadsX));
    std::vector<double> weftThick(static_cast<size_t>(settings.threadsY)),
        weftTone(static_cast<size_t>(settings.threadsY));
    Rng rng(settings.seed);
    for (int i = 0; i < settings.threadsX; ++i) {
        warpThick[size_t(i)] = 1.0 + settings.threadSpread * clampTo(rng.gaussian(), -2.0, 2.0);
        warpTone[size_t(i)] = 1.0 + settings.toneSpread * clampTo(rng.gaussian(), -2.0, 2.0);
    }
    for (int j = 0; j < settings.threadsY; ++j) {
        weftThick[size_t(j)] = 1.0 + settings.threadSpread * clampTo(rng.gaussian(), -2.0, 2.0);
        weftTone[size_t(j)] = 1.0 + settings.toneSpread * clampTo(rng.gaussian(), -2.0, 2.0);
    }
    const int slubPeriodY = std::max(1, int(std::lround(settings.threadsY / settings.slubLength)));
    const int slubPeriodX = std::max(1, int(std::lround(settings.threadsX / settings.slubLength)));
    Field fuzz = fractalNoise(w, h, 2.0, 2, 0.5, settings.seed + 11);
    Field cloud = fractalNoise(w, h, std::max(w, h) / 6.0, 4, 0.5, settings.seed + 12);

    struct Thread
    {
        bool present = false;
        double height = -1.0;
        double tone = 0.0;
    };
    // One thread at along-position `a` (in pitches along the thread) and across-position `c` (in
    // pitches across the threads). k is its unwrapped index (its centre lies at c = k), wk the
    // index wrapped into the tile, which picks its constants. `along` is the number of crossing
    // threads over the tile; crossSign decides which parity of crossing it passes over.
    const auto thread = [&](int k, int wk, double a, double c, double thick, double tone,
                            int slubPeriod, int along, double crossSign, std::uint32_t seed) {
        Thread t;
        const double alongTile = a / along; // 0..1 over the tile
        const double slub = valueNoise1(alongTile * slubPeriod, slubPeriod, seed + wk * 31u);
        const double wob = valueNoise1(alongTile * slubPeriod * 2, slubPeriod * 2, seed + wk * 57u);
        const double half = 0.5 * settings.coverage * thick * (1.0 + settings.slubs * slub);
        const double centre = k + settings.wobble * wob;
        const double d = (c - centre) / half;
        if (std::fabs(d) >= 1.0)
            return t;
        t.present = true;
        const double profile = std::sqrt(1.0 - d * d);
        // Crossings lie at integer a; the thread is highest where cos(...) = 1.
        const double crimp = crossSign * std::cos(kPi * (a - k));
        const double twist = std::sin(2.0 * kPi * (1.5 * (c - centre) + 2.0 * a + 0.13 * wk));
        t.height = settings.crimp * crimp * (0.6 + 0.4 * profile) + 0.8 * profile +
                   settings.twist * twist * profile;
        t.tone = tone * (0.93 + 0.07 * profile);
        return t;
    };

    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double hs = 0.0, as = 0.0;
            for (int sy = 0; sy < ss; ++sy)
                for (int sx = 0; sx < ss; ++sx) {
                    const double px = x + (sx + 0.5) / ss, py = y + (sy + 0.5) / ss;
                    const double u = px / pitchX, v = py / pitchY; // in pitches
                    const int i = int(std::floor(u + 0.5)), j = int(std::floor(v + 0.5));
                    const int wi = wrapIndex(i, settings.threadsX), wj = wrapIndex(j, settings.threadsY);
                    // Warp: runs down, crossing weft j at v = j, on top when i + j is even.
                    const Thread warp =
                        thread(i, wi, v, u, warpThick[size_t(wi)], warpTone[size_t(wi)],
                               slubPeriodY, settings.threadsY, 1.0, settings.seed + 101);
                    // Weft: runs across, on top when i + j is odd.
                    const Thread weft =
                        thread(j, wj, u, v, weftThick[size_t(wj)], weftTone[size_t(wj)],
                               slubPeriodX, settings.threadsX, -1.0, settings.seed + 202);
                    Thread top;
                    if (warp.present && (!weft.present || warp.height >= weft.height))
                        top = warp;
                    else if (weft.present)
                        top = weft;
                    if (top.present) {
                        hs += top.height;
                        as += top.tone;
                    } else {
                        hs += -1.2;
                        as += settings.gapTone;
                    }
                }
            const double fz = fuzz.at(x, y), cl = cloud.at(x, y);
            maps.height.at(x, y) = float(hs / (ss * ss) + 0.06 * fz);
            maps.albedo.at(x, y) = float(as / (ss * ss) * (1.0 + 0.025 * fz + 0.015 * cl));
        }
    return maps;
}

// Lit canvas: brightness from the weave's albedo, its self-shadowing (low parts darker) and the
// light falling on its slopes.
Field canvasBrightness(const WeaveMaps& maps, double relief, double light, double occlusion)
{
    Field lit = shade(maps.height, relief);
    Field out(maps.height.width, maps.height.height);
    for (size_t k = 0; k < out.data.size(); ++k) {
        const double hgt = clampTo((maps.height.data[k] + 1.2) / 2.6, 0.0, 1.0);
        out.data[k] =
            float(maps.albedo.data[k] * (1.0 - occlusion * (1.0 - hgt)) + light * lit.data[k]);
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// The textures

QImage coarseCanvas()
{
    const int w = 512, h = 512;
    WeaveSpec settings;
    settings.threadsX = 64;
    settings.threadsY = 64;
    settings.coverage = 0.86;
    settings.threadSpread = 0.10;
    settings.slubs = 0.18;
    settings.toneSpread = 0.05;
    settings.twist = 0.05;
    settings.wobble = 0.05;
    settings.crimp = 0.7;
    settings.gapTone = 0.70;
    settings.seed = 1001;
    const WeaveMaps maps = weave(w, h, settings);
    const Field b = canvasBrightness(maps, 2.0, 0.55, 0.18);
    return tintedImage(b, {246, 242, 232});
}

QImage fineCanvas()
{
    const int w = 600, h = 600;
    WeaveSpec settings;
    settings.threadsX = 150;
    settings.threadsY = 150;
    settings.coverage = 0.88;
    settings.threadSpread = 0.07;
    settings.slubs = 0.12;
    settings.toneSpread = 0.03;
    settings.twist = 0.06;
    settings.wobble = 0.03;
    settings.gapTone = 0.70;
    settings.seed = 2002;
    const WeaveMaps maps = weave(w, h, settings);
    const Field b = canvasBrightness(maps, 1.1, 0.45, 0.16);
    return tintedImage(b, {246, 243, 235});
}

QImage linenCanvas()
{
    const int w = 800, h = 600;
    WeaveSpec settings;
    settings.threadsX = 160;
    settings.threadsY = 120;
    settings.coverage = 0.84;
    settings.threadSpread = 0.20;
    settings.slubs = 0.30;
    settings.slubLength = 2.0;
    settings.toneSpread = 0.06;
    settings.twist = 0.05;
    settings.wobble = 0.08;
    settings.gapTone = 0.62;
    settings.seed = 3003;
    const WeaveMaps maps = weave(w, h, settings);
    const Field b = canvasBrightness(maps, 1.2, 0.45, 0.18);
    return tintedImage(b, {240, 234, 220});
}

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

// ---------------------------------------------------------------------------------------------
// Grounds added as deltas around their mean

QImage watercolorGround()
{
    const int w = 1024, h = 768;
    const Field fine = fractalNoise(w, h, 3.0, 3, 0.55, 10001);
    NoiseSpec bumpSpec;
    bumpSpec.cellWidth = bumpSpec.cellHeight = 16.0;
    bumpSpec.octaves = 3;
    bumpSpec.persistence = 0.5;
    bumpSpec.billowy = true;
    const Field bumps = fractalNoise(w, h, bumpSpec, 10002);
    const Field lit = shade(bumps, 3.0);
    const Field blotch = fractalNoise(w, h, 170.0, 4, 0.55, 10003);
    const Field pool = fractalNoise(w, h, 60.0, 3, 0.5, 10004);
    Field level(w, h);
    for (size_t k = 0; k < level.data.size(); ++k) {
        // Pigment settles in soft-edged blotches: squash the broad noise so blotches have edges.
        const double soft = std::tanh(0.8 * blotch.data[k] + 0.3 * pool.data[k]);
        level.data[k] = float(0.9 * fine.data[k] + 2.2 * lit.data[k] + 0.9 * soft);
    }
    matchStatistics(level, 194.0, 12.0);
    return greyImage(level);
}

QImage impastoGround()
{
    // Thick paint laid in curved strokes that follow a swirling flow; each stroke leaves bristle
    // ridges along its path and a raised rim, and covers the paint beneath it. The relief is lit
    // from the upper left.
    const int w = 1024, h = 768;
    Rng rng(11001);
    const Field flowA = fractalNoise(w, h, 400.0, 2, 0.4, 11002);
    const Field flowB = fractalNoise(w, h, 120.0, 2, 0.5, 11003);
    Field height = fractalNoise(w, h, 8.0, 3, 0.5, 11004);
    for (float& v : height.data)
        v *= 0.15f;
    const auto flowAngle = [&](double x, double y) {
        const int ix = wrapIndex(int(std::floor(x)), w), iy = wrapIndex(int(std::floor(y)), h);
        return 0.6 * kPi * flowA.at(ix, iy) + 0.15 * kPi * flowB.at(ix, iy);
    };
    const int strokes = 2200;
    for (int s = 0; s < strokes; ++s) {
        const double length = rng.uniform(40.0, 120.0);
        const double width = rng.uniform(16.0, 34.0);
        double x = rng.uniform(0, w), y = rng.uniform(0, h);
        // Half of the strokes run against the flow.
        const double flip = (rng.uniform() < 0.5) ? 1.0 : -1.0;
        double angle = flowAngle(x, y) + (flip < 0 ? kPi : 0.0);
        // Path along the flow, turning smoothly.
        std::vector<std::array<double, 3>> path; // x, y, direction
        const double step = 0.7;
        for (double t = 0.0; t < length; t += step) {
            path.push_back({x, y, angle});
            double target = flowAngle(x, y);
            if (flip < 0)
                target += kPi;
            double diff = std::remainder(target - angle, 2.0 * kPi);
            angle += 0.08 * diff;
            x += step * std::cos(angle);
            y += step * std::sin(angle);
        }
        // Bristle profile across the stroke.
        const int bristles = 48;
        std::vector<double> profile(static_cast<size_t>(bristles));
        double walk = 0.0;
        for (auto& p : profile) {
            walk = 0.6 * walk + rng.gaussian();
            p = walk;
        }
        double x0 = 1e30, y0 = 1e30, x1 = -1e30, y1 = -1e30;
        for (const auto& p : path) {
            x0 = std::min(x0, p[0]);
            y0 = std::min(y0, p[1]);
            x1 = std::max(x1, p[0]);
            y1 = std::max(y1, p[1]);
        }
        const int bx0 = int(std::floor(x0 - width)) - 1, by0 = int(std::floor(y0 - width)) - 1;
        const int bw = int(std::ceil(x1 + width)) - bx0 + 2;
        const int bh = int(std::ceil(y1 + width)) - by0 + 2;
        std::vector<float> sumH(size_t(bw) * bh, 0.0f), sumW(size_t(bw) * bh, 0.0f);
        const double thickness = rng.uniform(0.6, 1.2);
        const int n = int(path.size());
        for (int i = 0; i < n; ++i) {
            const double t = double(i) / std::max(1, n - 1);
            // Paint runs thin toward the end of the stroke; the start is blunt and round.
            const double load = 1.0 - 0.6 * t;
            const double startRound = std::sqrt(clampTo(t * length / (0.5 * width), 0.0, 1.0));
            const double endTaper = std::sqrt(clampTo((1.0 - t) * length / width, 0.0, 1.0));
            const double half = 0.5 * width * std::min(startRound, 0.4 + 0.6 * endTaper);
            const double nx = -std::sin(path[size_t(i)][2]), ny = std::cos(path[size_t(i)][2]);
            for (double c = -half; c <= half; c += 0.5) {
                const double a = c / std::max(half, 1.0); // -1..1 across
                const double bp = (a * 0.5 + 0.5) * (bristles - 1);
                const int bi = std::min(bristles - 2, int(bp));
                const double bf = bp - bi;
                const double bristle =
                    profile[size_t(bi)] * (1 - bf) + profile[size_t(bi + 1)] * bf;
                const double rim = 0.5 * std::pow(std::fabs(a), 6.0);
                const double hgt = thickness * (load * (0.9 + 0.25 * bristle) + rim);
                const double px = path[size_t(i)][0] + c * nx - bx0;
                const double py = path[size_t(i)][1] + c * ny - by0;
                const int ix = int(std::floor(px - 0.5)), iy = int(std::floor(py - 0.5));
                const double fx = px - 0.5 - ix, fy = py - 0.5 - iy;
                const double wts[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
                const int offs[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
                for (int q = 0; q < 4; ++q) {
                    const int qx = ix + offs[q][0], qy = iy + offs[q][1];
                    if (qx < 0 || qy < 0 || qx >= bw || qy >= bh)
                        continue;
                    sumH[size_t(qy) * bw + qx] += float(wts[q] * hgt);
                    sumW[size_t(qy) * bw + qx] += float(wts[q]);
                }
            }
        }
        for (int yy = 0; yy < bh; ++yy)
            for (int xx = 0; xx < bw; ++xx) {
                const float sw = sumW[size_t(yy) * bw + xx];
                if (sw <= 0.0f)
                    continue;
                const double cover = std::min(1.0, double(sw) / 0.8);
                const double paint = sumH[size_t(yy) * bw + xx] / sw;
                float& dst = height.wrapped(bx0 + xx, by0 + yy);
                // New paint sits on what is there, partly squashing it flat.
                dst = float(dst + cover * (0.35 * dst + paint - dst));
            }
    }
    const Field lit = shade(height, 6.0);
    const Field tone = fractalNoise(w, h, 100.0, 3, 0.5, 11005);
    Field level(w, h);
    for (size_t k = 0; k < level.data.size(); ++k)
        level.data[k] = float(lit.data[k] + 0.04 * tone.data[k]);
    matchStatistics(level, 204.0, 13.0);
    return greyImage(level);
}

// ---------------------------------------------------------------------------------------------
// Brushes

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

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    bool ok = true;
    const auto texture = [&](const QString& name, const QImage& img) {
        report(name, img);
        ok = saveJpeg(img, out.filePath(name)) && ok;
    };
    texture("Coarse-grained-canvas.jpg", coarseCanvas());
    texture("Watercolor-paper.jpg", watercolorPaper());
    texture("Pastel-paper.jpg", pastelPaper());
    texture("Old-paper.jpg", oldPaper());
    texture("Linen-canvas.jpg", linenCanvas());
    texture("Kraft-paper.jpg", kraftPaper());
    texture("Crumpled-paper.jpg", crumpledPaper());
    texture("Rice-paper.jpg", ricePaper());
    texture("Fine-grained-canvas.jpg", fineCanvas());
    texture("watercolor-texture.jpg", watercolorGround());
    texture("impastotexture.jpg", impastoGround());

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
    return ok ? 0 : 1;
}
