#pragma once

// What the parts of the resource generator share: the small numeric helpers, the random numbers,
// scalar fields on the torus and the noise, marks and output that the textures and brushes are
// made of. The textures of each kind are built in resource_canvases.cpp, resource_papers.cpp and
// resource_grounds.cpp, the brushes in resource_brushes.cpp; generate_resources.cpp writes them.

#include <QDir>
#include <QImage>
#include <QString>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

constexpr double kPi = 3.14159265358979323846;

inline int wrapIndex(int i, int n)
{
    const int r = i % n;
    return r < 0 ? r + n : r;
}

inline double clampTo(double v, double lo, double hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

inline double smoothstep(double e0, double e1, double x)
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

// ---------------------------------------------------------------------------------------------
// Scalar fields (resource_noise.cpp)

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

// Zero mean, unit standard deviation.
void normalize(Field& f);

// Box blur with wrap-around, run three times for a near-Gaussian result.
void blurWrapped(Field& f, int radius);

// ---------------------------------------------------------------------------------------------
// Periodic noise (resource_noise.cpp)

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
Field fractalNoise(int w, int h, const NoiseSpec& settings, std::uint32_t seed);
Field fractalNoise(int w, int h, double cellSize, int octaves, double persistence,
                   std::uint32_t seed);

// Smooth 1-D value noise repeating every `period` lattice steps, in [-1, 1].
double valueNoise1(double t, int period, std::uint32_t seed);

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
// Relief lighting (resource_noise.cpp)

// Lambert shading of a height field lit from the upper left, minus the shading of a flat surface:
// 0 on flat ground, positive on slopes facing the light.
Field shade(const Field& height, double steepness);

// ---------------------------------------------------------------------------------------------
// Marks drawn on the torus

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

// ---------------------------------------------------------------------------------------------
// Output (resource_output.cpp)

struct Colour
{
    double r, g, b;
};

QRgb toRgb(double r, double g, double b);

// Paper colour times a brightness factor (1 = plain paper).
QImage tintedImage(const Field& brightness, const Colour& paper);
QImage greyImage(const Field& level);

// Sets the field to the given mean and standard deviation (an affine map, before clamping).
void matchStatistics(Field& f, double mean, double deviation);

// Writes a JPEG of quality 90; false (with a message) when the file cannot be written.
bool saveJpeg(const QImage& img, const QString& path);
// The picture as it comes back from a JPEG of quality 90.
QImage decodedJpeg(const QImage& img);

// Qt writes every BMP with 24 bits per pixel, so the 32-bit brush is written here: a
// BITMAPINFOHEADER file, uncompressed, bottom-up rows of blue, green, red and an unused byte.
bool saveBmp32(const QImage& source, const QString& path);

// Prints the picture's size and the mean and spread of its grey levels.
void report(const QString& name, const QImage& img);

// ---------------------------------------------------------------------------------------------
// The textures

// Woven canvases (resource_canvases.cpp).
QImage coarseCanvas();
QImage fineCanvas();
QImage linenCanvas();

// Papers (resource_papers.cpp).
QImage watercolorPaper();
QImage pastelPaper();
QImage oldPaper();
QImage kraftPaper();
QImage crumpledPaper();
QImage ricePaper();

// Grounds added as deltas around their mean (resource_grounds.cpp).
QImage watercolorGround();
QImage impastoGround();

// ---------------------------------------------------------------------------------------------
// Brushes (resource_brushes.cpp)

// Writes the comma stroke (stroke11.bmp), the ellipse brush (brushstroke.bmp) and the crayon
// hatching (pencilimage.jpg) into `out`, reporting each; false when one cannot be written.
bool writeBrushes(const QDir& out);
