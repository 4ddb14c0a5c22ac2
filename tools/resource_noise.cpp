#include "resource_generator.h"

namespace {

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

} // namespace

void normalize(Field& f)
{
    const double m = meanOf(f);
    const double s = std::max(stdOf(f), 1e-9);
    for (float& v : f.data)
        v = float((v - m) / s);
}

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
