#include "core/raster/raster_primitives.h"

#include "core/raster/pixel_rows.h"
#include "core/raster/working_memory.h"

#include <cmath>
#include <limits>

using namespace pixel_rows;

namespace {

constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr double kPi = 3.14159265358979323846;

// qRound(product / 65536.0) for a product 0..2^32 - 2^16: the halves round up.
inline quint32 roundShift16(quint32 product)
{
    return (product + 0x8000u) >> 16;
}

} // namespace

void resizeBilinear(const QImage& sourceImage, QImage& target)
{
    if (sourceImage.size() == target.size()) {
        target = sourceImage;
        return;
    }
    if (sourceImage.isNull() || target.isNull())
        return;
    ensure32Bit(target);
    const QImage source = as32Bit(sourceImage);
    const int w = source.width(), h = source.height();
    const int w2 = target.width(), h2 = target.height();
    // 16.16 fixed point steps.
    const qint64 xstep = (qint64(w - 1) * 65536) / w2;
    const qint64 ystep = (qint64(h - 1) * 65536) / h2;

    // Per target column: the left source column and the fraction fx.
    std::vector<int> columnX(static_cast<size_t>(w2));
    std::vector<quint32> columnFx(static_cast<size_t>(w2));
    for (int j = 0; j < w2; ++j) {
        const qint64 sx = j * xstep;
        columnX[size_t(j)] = int(sx >> 16);
        columnFx[size_t(j)] = quint32(sx & 0xFFFF);
    }
    const ConstRows in = readableRows(source);
    const Rows out = writableRows(target);
    forRowBands(h2, qint64(w2) * h2, [&](int first, int end) {
        for (int i = first; i < end; ++i) {
            const qint64 sy = i * ystep;
            const int y0 = int(sy >> 16);
            const quint32 fy = quint32(sy & 0xFFFF);
            const int y1 = y0 < h - 1 ? y0 + 1 : y0;
            const QRgb* top = in[y0];
            const QRgb* bottom = in[y1];
            const quint32 upper = 65536 - fy; // share of row y0
            const quint32 lower = fy + 1;     // share of row y1 (the weights add up to 65537)
            QRgb* line = out[i];
            for (int j = 0; j < w2; ++j) {
                const int x0 = columnX[size_t(j)];
                const quint32 fx = columnFx[size_t(j)];
                // With a single source column fx is 0 and the right neighbour has no weight.
                const int x1 = x0 + 1 < w ? x0 + 1 : x0;
                const quint32 upperRight = roundShift16(upper * fx);
                const quint32 lowerRight = roundShift16(lower * fx);
                const quint64 wTL = upper - upperRight;
                const quint64 wR = upperRight + lowerRight;
                const quint64 wB = lower - lowerRight;
                const QRgb tl = top[x0], r = top[x1], b = bottom[x0];
                // Red and blue in two 32-bit lanes (each weighted sum is below 2^24), green apart.
                const auto rb = [](QRgb p) {
                    return (quint64(p & 0xFF0000) << 16) | quint64(p & 0xFF);
                };
                const quint64 sumRb = wTL * rb(tl) + wR * rb(r) + wB * rb(b);
                const quint64 sumG =
                    wTL * ((tl >> 8) & 0xFF) + wR * ((r >> 8) & 0xFF) + wB * ((b >> 8) & 0xFF);
                line[j] = kOpaque | (QRgb((sumRb >> 48) & 0xFF) << 16) |
                          (QRgb((sumG >> 16) & 0xFF) << 8) | QRgb((sumRb >> 16) & 0xFF);
            }
        }
    });
}

QImage scaleToSize(const QImage& image, const QImage& sizeOf)
{
    if (image.isNull() || sizeOf.size().isEmpty())
        return QImage();
    QImage scaled = image.scaled(sizeOf.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    requirePixels(scaled);
    return scaled;
}

QImage scaleByFactor(const QImage& image, double factor)
{
    if (image.isNull())
        return image;
    const double w = factor * image.width();
    const double h = factor * image.height();
    // A factor that gives no pixels (or no number) gives a null image.
    if (!(w >= 1.0 && h >= 1.0) || w > std::numeric_limits<int>::max() ||
        h > std::numeric_limits<int>::max())
        return QImage();
    QImage scaled =
        image.scaled(QSize(int(w), int(h)), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    requirePixels(scaled);
    return scaled;
}

void rotate90(int direction, const QImage& sourceImage, QImage& target)
{
    const QImage source = as32Bit(sourceImage);
    const int w = source.width(), h = source.height();
    // Callers pass square pictures; the target is allocated turned (h x w) so that a rectangular
    // one is turned correctly instead of written out of bounds.
    if (source.isNull()) {
        target = QImage();
        return;
    }
    target = QImage(h, w, QImage::Format_RGB32);
    requirePixels(target);
    const ConstRows in = readableRows(source);
    const Rows out = writableRows(target);
    // Tiles keep both the rows read and the rows written in cache.
    constexpr int kTile = 64;
    for (int ty = 0; ty < w; ty += kTile) {
        const int tyEnd = std::min(w, ty + kTile);
        for (int tx = 0; tx < h; tx += kTile) {
            const int txEnd = std::min(h, tx + kTile);
            for (int row = ty; row < tyEnd; ++row) {
                QRgb* line = out[row];
                for (int col = tx; col < txEnd; ++col) {
                    // Clockwise: source (x, y) -> (h-1-y, x); otherwise (x, y) -> (y, w-1-x).
                    const QRgb p = direction > 0 ? in[h - 1 - col][row] : in[col][w - 1 - row];
                    line[col] = kOpaque | p;
                }
            }
        }
    }
}

QImage rotateByAngle(const QImage& imageIn, int degrees)
{
    if (imageIn.isNull())
        return imageIn;
    const QImage image = as32Bit(imageIn);
    const int w = image.width(), h = image.height();
    const double theta = -double(degrees) / 180.0 * kPi;
    const double s = std::sin(theta);
    const double c = std::cos(theta);
    const int W = std::abs(qRound(w * c)) + std::abs(qRound(h * s));
    const int H = std::abs(qRound(h * c)) + std::abs(qRound(w * s));
    if (W - 2 <= 0 || H - 2 <= 0)
        return QImage();
    QImage result(W - 2, H - 2, image.format());
    requirePixels(result);
    const int halfW = w >> 1, halfH = h >> 1;
    const int offsetX = halfW + (W - w) / 2;
    const int offsetY = halfH + (H - h) / 2;
    const ConstRows in = readableRows(image);
    const Rows out = writableRows(result);
    const int resultWidth = result.width();
    // Offsets from the centre in half pixels: u for the column, v for the row. The products
    // c * u and s * u are the same doubles for every row, so they are computed once.
    std::vector<double> cu(static_cast<size_t>(resultWidth)), su(cu.size());
    for (int x = 0; x < resultWidth; ++x) {
        const int u = 2 * (x - offsetX) + 1;
        cu[size_t(x)] = c * u;
        su[size_t(x)] = s * u;
    }
    forRowBands(result.height(), qint64(resultWidth) * result.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            QRgb* line = out[y];
            const int v = 2 * (y - offsetY) + 1;
            const double cv = c * v, sv = s * v;
            for (int x = 0; x < resultWidth; ++x) {
                const int n = qRound(cu[size_t(x)] - sv);
                const int p = qRound(cv + su[size_t(x)]);
                const int sx = halfW + (n - 1) / 2;
                const int sy = halfH + (p - 1) / 2;
                // One unsigned comparison per axis tests both bounds.
                line[x] = (unsigned(sx) < unsigned(w) && unsigned(sy) < unsigned(h)) ? in[sy][sx]
                                                                                     : kWhite;
            }
        }
    });
    return result;
}
