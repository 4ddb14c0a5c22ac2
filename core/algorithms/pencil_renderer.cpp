#include "core/algorithms/pencil_renderer.h"

#include "core/framework/iprogress_reporter.h"
#include "core/raster/parallel_rows.h"
#include "core/raster/raster_primitives.h"
#include "core/raster/working_memory.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// Code of an interior pixel between the classification and the stroke pass: a flat pixel holds
// first Y >> 5 (0..7), then its random hatching draw (0..7); an edge pixel holds kEdgePixel.
constexpr std::uint8_t kEdgePixel = 0xFF;

// The 3x3 operator gives gradients in -255..255.
constexpr int kGradientRange = 255;
constexpr int kGradientSpan = 2 * kGradientRange + 1;

// Hatching angles are whole radians: randomBelow(8 - (Y >> 5)) + (Y >> 3) stays below 32; their
// length (n >> 5 with n <= 382) below 12.
constexpr int kHatchAngles = 40;
constexpr int kHatchSteps = 12;

struct Direction
{
    double cosine;
    double sine;
};

// floor() for values well inside the int range; -0.0 gives 0 as floor does.
inline int floorToInt(double v)
{
    const int t = static_cast<int>(v);
    return v < t ? t - 1 : t;
}

inline int luminance(QRgb p)
{
    return (30 * qRed(p) + 59 * qGreen(p) + 11 * qBlue(p)) / 100;
}

// Direction of the contour stroke for every gradient: atan2(gy, gx) plus a quarter turn, or pi
// when gx is 0. Built once per process; the same doubles the per-pixel formula gives.
const std::vector<Direction>& contourDirections()
{
    static const std::vector<Direction> table = [] {
        std::vector<Direction> t(std::size_t(kGradientSpan) * kGradientSpan);
        for (int gx = -kGradientRange; gx <= kGradientRange; ++gx) {
            for (int gy = -kGradientRange; gy <= kGradientRange; ++gy) {
                const double theta = gx != 0 ? std::atan2(double(gy), double(gx)) + M_PI / 2 : M_PI;
                t[std::size_t(gx + kGradientRange) * kGradientSpan + (gy + kGradientRange)] = {
                    std::cos(theta), std::sin(theta)};
            }
        }
        return t;
    }();
    return table;
}

// Offsets floor(cos(theta) * k), floor(sin(theta) * k) of the hatching strokes.
struct HatchOffsets
{
    int p[kHatchAngles][kHatchSteps];
    int q[kHatchAngles][kHatchSteps];
};

const HatchOffsets& hatchOffsets()
{
    static const HatchOffsets table = [] {
        HatchOffsets t{};
        for (int theta = 0; theta < kHatchAngles; ++theta) {
            for (int k = 0; k < kHatchSteps; ++k) {
                t.p[theta][k] = floorToInt(std::cos(double(theta)) * k);
                t.q[theta][k] = floorToInt(std::sin(double(theta)) * k);
            }
        }
        return t;
    }();
    return table;
}

// The 3x3 gradient of the luminance plane at an interior pixel; rows above, at and below it.
inline void gradientAt(const std::uint8_t* above, const std::uint8_t* at, const std::uint8_t* below,
                       int x, int& gx, int& gy)
{
    const int tl = above[x - 1], tc = above[x], tr = above[x + 1];
    const int ml = at[x - 1], mr = at[x + 1];
    const int bl = below[x - 1], bc = below[x], br = below[x + 1];
    gx = (tl + 2 * ml + bl - tr - 2 * mr - br) / 4;
    gy = (tl + 2 * tc + tr - bl - 2 * bc - br) / 4;
}

// A worker's darkness plane: the total darkening of each pixel, saturating at 255. Stroke points
// are drawn only in columns 0..width-2 and rows 0..height-2.
class DarknessPlane
{
public:
    DarknessPlane(std::uint8_t* data, int width, int height)
        : m_data(data), m_width(width), m_lastX(unsigned(width - 2)), m_lastY(unsigned(height - 2))
    {
    }

    inline void darken(int x, int y, int d) const
    {
        if (unsigned(x) > m_lastX || unsigned(y) > m_lastY)
            return;
        std::uint8_t& v = m_data[std::size_t(y) * m_width + x];
        v = std::uint8_t(std::min(255, v + d));
    }

private:
    std::uint8_t* m_data;
    int m_width;
    unsigned m_lastX;
    unsigned m_lastY;
};

} // namespace

bool PencilRenderer::sketch(QImage& image, const Settings& st, IProgressReporter* reporter)
{
    if (image.isNull())
        return true;
    const int width = image.width();
    const int height = image.height();
    // The pixel passes run on the threads of the execution setting; the result is the same for
    // every count. One count for all passes, since the stroke pass keeps a plane per worker.
    const int threads = pixelLoopThreads();
    const QImage source = image;
    const auto stop = [this] { return m_cancelled.load(std::memory_order_relaxed); };
    const int progressStep = std::max(2, height / 100);
    if (reporter)
        reporter->report_progress(0);

    // 1. Luminance of every pixel.
    std::vector<std::uint8_t> luma(std::size_t(width) * height);
    if (!parallelRows(
            0, height, threads, 64,
            [&](int begin, int end, int) {
                for (int y = begin; y < end; ++y) {
                    const QRgb* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
                    std::uint8_t* out = luma.data() + std::size_t(y) * width;
                    for (int x = 0; x < width; ++x)
                        out[x] = std::uint8_t(luminance(in[x]));
                }
            },
            stop))
        return false;

    // 2. Flat or edge, for every interior pixel.
    std::vector<std::uint8_t> code(std::size_t(width) * height, kEdgePixel);
    if (!parallelRows(
            1, height - 1, threads, 64,
            [&](int begin, int end, int) {
                for (int y = begin; y < end; ++y) {
                    const std::uint8_t* at = luma.data() + std::size_t(y) * width;
                    std::uint8_t* out = code.data() + std::size_t(y) * width;
                    for (int x = 1; x < width - 1; ++x) {
                        int gx, gy;
                        gradientAt(at - width, at, at + width, x, gx, gy);
                        const int a = std::abs(gx), b = std::abs(gy);
                        const bool flat = (a + b) / 2 < st.edgeThreshold || std::abs(a - b) <= 1;
                        out[x] = flat ? std::uint8_t(at[x] >> 5) : kEdgePixel;
                    }
                }
            },
            stop))
        return false;

    // 3. The random hatching draws, one for each flat pixel in row-major order. A row's first
    // draw comes after those of the flat pixels above it: counted and summed first, they let
    // each row jump to its place in the sequence and draw on any thread.
    std::vector<std::uint64_t> drawsBefore(std::size_t(std::max(height, 1)), 0);
    if (!parallelRows(
            1, height - 1, threads, 64,
            [&](int begin, int end, int) {
                for (int y = begin; y < end; ++y) {
                    const std::uint8_t* row = code.data() + std::size_t(y) * width;
                    std::uint64_t flat = 0;
                    for (int x = 1; x < width - 1; ++x)
                        flat += row[x] != kEdgePixel;
                    drawsBefore[std::size_t(y)] = flat;
                }
            },
            stop))
        return false;
    std::uint64_t total = 0;
    for (std::uint64_t& count : drawsBefore) {
        const std::uint64_t here = count;
        count = total;
        total += here;
    }
    const std::uint32_t state = randomState();
    if (!parallelRows(
            1, height - 1, threads, 64,
            [&](int begin, int end, int) {
                for (int y = begin; y < end; ++y) {
                    std::uint32_t at = jumpRandom(state, drawsBefore[std::size_t(y)]);
                    std::uint8_t* row = code.data() + std::size_t(y) * width;
                    for (int x = 1; x < width - 1; ++x) {
                        if (row[x] != kEdgePixel)
                            row[x] = std::uint8_t(randomBelowFrom(at, 8 - row[x]));
                    }
                }
            },
            stop))
        return false;
    setRandomState(jumpRandom(state, total));

    // 4. The strokes, each worker into its own darkness plane: a byte a pixel each, so at most
    // four of them keep a large picture within its memory.
    const std::vector<Direction>& directions = contourDirections();
    const HatchOffsets& hatch = hatchOffsets();
    const int hatchBase = (382 - st.shadingBase);
    const int contourShift = -((150 - st.darkness) / 4);
    const int planeCount = std::min(threads, 4);
    std::vector<std::vector<std::uint8_t>> planes(static_cast<std::size_t>(planeCount));
    int lastReported = 0;
    const bool finished = parallelRows(
        1, height - 1, planeCount, 16,
        [&](int begin, int end, int worker) {
            std::vector<std::uint8_t>& plane = planes[std::size_t(worker)];
            if (plane.empty())
                plane.assign(std::size_t(width) * height, 0);
            const DarknessPlane dark(plane.data(), width, height);
            for (int y = begin; y < end; ++y) {
                const std::uint8_t* at = luma.data() + std::size_t(y) * width;
                const std::uint8_t* codes = code.data() + std::size_t(y) * width;
                for (int x = 1; x < width - 1; ++x) {
                    if (codes[x] != kEdgePixel) {
                        // Hatching in a flat area.
                        const int yc = at[x];
                        const int n = std::max(0, hatchBase - 2 * yc);
                        const int theta = codes[x] + (yc >> 3);
                        const int length = n >> 5;
                        int d = n / 10;
                        for (int k = 0; d > 0 && k <= length; ++k, --d) {
                            const int p = hatch.p[theta][k], q = hatch.q[theta][k];
                            dark.darken(x - p, y - q, d);
                            dark.darken(x + p, y + q, d);
                        }
                        continue;
                    }
                    // Contour stroke across the gradient.
                    int gx, gy;
                    gradientAt(at - width, at, at + width, x, gx, gy);
                    const int sum = std::abs(gx) + std::abs(gy);
                    const int maxLength = (sum >> 3) * st.strokeLength / 50;
                    const int s0 = (sum >> 2) * st.strokeLength / 50 + contourShift;
                    if (s0 <= 0)
                        continue;
                    const Direction& dir =
                        directions[std::size_t(gx + kGradientRange) * kGradientSpan +
                                   (gy + kGradientRange)];
                    for (int k = 0;; ++k) {
                        const int p = floorToInt(dir.cosine * k), q = floorToInt(dir.sine * k);
                        dark.darken(x - p, y - q, s0 - k);
                        dark.darken(x + p, y + q, s0 - k);
                        if (!(k + 1 <= maxLength && s0 - (k + 1) > 0))
                            break;
                    }
                }
            }
        },
        stop,
        [&](int rowsDone) {
            const int y = rowsDone + 1;
            if (reporter && y / progressStep > lastReported / progressStep) {
                lastReported = y;
                reporter->report_progress(100 * y / height);
            }
        });
    if (!finished)
        return false;

    // 5. The canvas: white less the darkness, blended with the photograph's colours in the
    //    coloured mode (then saturated by 70 %), carrying the input's alpha.
    const bool keepAlpha = source.format() == QImage::Format_ARGB32 ||
                           source.format() == QImage::Format_ARGB32_Premultiplied;
    const int colourMix = 255 - st.colourWeight;
    QImage canvas(width, height, source.format());
    requirePixels(canvas);
    std::vector<const std::uint8_t*> used;
    for (const auto& plane : planes) {
        if (!plane.empty())
            used.push_back(plane.data());
    }
    parallelRows(0, height, threads, 64, [&](int begin, int end, int) {
        for (int y = begin; y < end; ++y) {
            const QRgb* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
            QRgb* out = reinterpret_cast<QRgb*>(canvas.scanLine(y));
            const std::size_t offset = std::size_t(y) * width;
            const bool interiorRow = y >= 1 && y <= height - 2;
            for (int x = 0; x < width; ++x) {
                int total = 0;
                for (const std::uint8_t* plane : used)
                    total += plane[offset + x];
                const int c = 255 - std::min(255, total);
                const QRgb alpha = keepAlpha ? (in[x] & 0xFF000000u) : 0xFF000000u;
                if (!st.coloured || !interiorRow || x < 1 || x > width - 2) {
                    out[x] = alpha | QRgb(c << 16 | c << 8 | c);
                    continue;
                }
                const int cc = c * c / 256;
                int rgb[3] = {qRed(in[x]), qGreen(in[x]), qBlue(in[x])};
                for (int& s : rgb) {
                    const int screen = 255 - (255 - c) * (255 - s) / 256;
                    s = clampChannel((colourMix * screen + st.colourWeight * cc) / 256);
                }
                const int grey = (rgb[0] + rgb[1] + rgb[2]) / 3;
                for (int& v : rgb)
                    v = clampChannel(v + 70 * (v - grey) / 100);
                out[x] = alpha | QRgb(rgb[0] << 16 | rgb[1] << 8 | rgb[2]);
            }
        }
    });
    if (stop())
        return false;

    if (reporter)
        reporter->report_progress(100);
    image = canvas;
    return true;
}

QImage PencilRenderer::gradientStrokeDrawing(const QImage& source, int threshold, int darkness,
                                             int length)
{
    if (source.isNull())
        return QImage();
    QImage out(source.size(), QImage::Format_Grayscale8);
    requirePixels(out);
    const int width = out.width();
    const int height = out.height();
    uchar* const bits = out.bits();
    const qsizetype stride = out.bytesPerLine();
    for (int y = 0; y < height; ++y)
        std::memset(bits + y * stride, 255, size_t(width));
    if (width < 3 || height < 3)
        return out;

    // The luminance plane of the source, 0..255.
    QImage input = source;
    ensure32Bit(input);
    std::vector<std::int16_t> lum(std::size_t(width) * std::size_t(height));
    const int threads = pixelLoopThreads(qint64(width) * height);
    parallelRows(0, height, threads, 64, [&](int first, int end, int) {
        for (int y = first; y < end; ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(input.constScanLine(y));
            std::int16_t* row = lum.data() + std::size_t(y) * std::size_t(width);
            for (int x = 0; x < width; ++x)
                row[x] = std::int16_t(luminance(line[x]));
        }
    });

    // (150 - darkness) / -4 truncated: 7 for darkness 180.
    const int offset = (150 - darkness) / (-4);
    // A stroke reaches at most `reach` rows from its pixel (its steps, with the gradient's
    // components at most 255 each). The rows are cut into a band a thread; a band takes the
    // strokes of the pixels up to `reach` rows beyond it and darkens only its own rows. Darkening
    // clamps at 0, so the order of the strokes on a pixel does not matter.
    const int reach = std::max(0, length * (510 >> 3) / 50) + 1;
    // Bands of at least four reaches keep the rows worked twice few.
    const int bands = std::clamp(height / (4 * reach), 1, threads);
    const int bandRows = (height + bands - 1) / bands;
    parallelRows(0, height, bands, bandRows, [&](int bandFirst, int bandEnd, int) {
        const auto darken = [bits, stride, bandFirst, bandEnd](int x, int y, int d) {
            if (y < bandFirst || y >= bandEnd)
                return;
            uchar* p = bits + y * stride + x;
            *p = uchar(std::max(*p - d, 0));
        };
        const int lastRow = int(std::min<qint64>(height - 2, qint64(bandEnd) - 1 + reach));
        for (int y = std::max(1, bandFirst - reach); y <= lastRow; ++y) {
            const std::int16_t* above = lum.data() + std::size_t(y - 1) * std::size_t(width);
            const std::int16_t* here = above + width;
            const std::int16_t* below = here + width;
            for (int x = 1; x <= width - 2; ++x) {
                // Sobel gradient, each component -1020..1020 before the division by 4.
                int gx = (above[x - 1] + 2 * here[x - 1] + below[x - 1]) -
                         (above[x + 1] + 2 * here[x + 1] + below[x + 1]);
                int gy = (above[x - 1] + 2 * above[x] + above[x + 1]) -
                         (below[x - 1] + 2 * below[x] + below[x + 1]);
                gx /= 4;
                gy /= 4;
                const int ax = std::abs(gx), ay = std::abs(gy);
                if (((ax + ay) >> 1) < threshold || std::abs(ax - ay) <= 1)
                    continue;
                const int steps = length * ((ax + ay) >> 3) / 50;
                const int start = length * ((ax + ay) >> 2) / 50 + offset;
                if (start <= 0)
                    continue;
                const double theta = std::atan2(double(gy), double(gx));
                const double c = std::cos(theta), s = std::sin(theta);
                int amount = start;
                for (int k = 0;; ++k) {
                    const int dx = floorToInt(k * c), dy = floorToInt(k * s);
                    // Both ends of the segment; at k = 0 the centre is darkened twice.
                    if (x - dx >= 0 && x - dx < width - 1 && y - dy >= 0 && y - dy < height - 1)
                        darken(x - dx, y - dy, amount);
                    if (x + dx >= 0 && x + dx < width - 1 && y + dy >= 0 && y + dy < height - 1)
                        darken(x + dx, y + dy, amount);
                    if (k + 1 > steps)
                        break;
                    amount = start - (k + 1);
                    if (amount <= 0)
                        break;
                }
            }
        }
    });
    return out;
}
