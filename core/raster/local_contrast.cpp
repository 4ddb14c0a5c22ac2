#include "core/raster/raster_primitives.h"

#include "core/raster/pixel_rows.h"

#include <array>
#include <cstring>

using namespace pixel_rows;

namespace {

constexpr int kContrastMargin = 9; // padding of the working copy; also the rows/columns kept
constexpr int kContrastRadius = 4; // the window is 9x9 around the pixel
constexpr int kContrastRing = kContrastRadius + 1;

// R, G and B of a pixel in three 16-bit lanes of one word (B lowest): a 9x9 window sums to at
// most 81 * 255 = 20655 per lane, so window sums add and subtract lane-wise without carries as
// long as additions come before subtractions.
inline quint64 lanes(QRgb p)
{
    return (quint64(p & 0xFF0000) << 16) | (quint64(p & 0xFF00) << 8) | quint64(p & 0xFF);
}

constexpr quint64 kWhiteLanes = (quint64(255) << 32) | (quint64(255) << 16) | quint64(255);

// Original pixel rows a band needs that other bands overwrite (4 rows above it, 4 below it),
// copied before the bands start, plus the band's own scratch.
struct ContrastBand
{
    int first = 0;
    int end = 0;
    std::vector<QRgb> above;      // rows first-4 .. first-1 (rows above the image stay unused)
    std::vector<QRgb> below;      // rows end .. end+3
    std::vector<QRgb> saved;      // ring of the band's last 5 rows as they were before writing
    std::vector<quint64> columns; // per column: the 9 rows of the window summed in lanes
};

constexpr int kContrastNeighbourSum = 80 * 255; // the window sum without its centre

struct ContrastTables
{
    // L_c = (3 * ((g_c + 2 m_c) / 3) + g_c) >> 2 with m_c = s / 80, for every neighbour sum s.
    std::vector<uchar> local[3];
    std::array<uchar, 256 * 256> apply; // [G << 8 | c]: c + (c - G) * p / 100, clamped
};

void contrastBand(ContrastBand& band, const Rows& rows, int width, const ContrastTables& tables)
{
    const int first = band.first;
    const int end = band.end;
    // The row as it was before this primitive wrote anything; null for the white rows above.
    const auto original = [&](int r, int current) -> const QRgb* {
        if (r < 0)
            return nullptr;
        if (r < first)
            return band.above.data() + qsizetype(r - (first - kContrastRadius)) * width;
        if (r >= end)
            return band.below.data() + qsizetype(r - end) * width;
        if (r < current)
            return band.saved.data() + qsizetype(r % kContrastRing) * width;
        return rows[r];
    };

    // Column sums of the 9 window rows; the first 4 entries are the white columns left of the
    // image, so columns[x + 4] belongs to image column x.
    const quint64 whiteColumn = kWhiteLanes * (2 * kContrastRadius + 1);
    std::fill(band.columns.begin(), band.columns.begin() + kContrastRadius, whiteColumn);
    std::fill(band.columns.begin() + kContrastRadius, band.columns.end(), 0);
    quint64* columns = band.columns.data() + kContrastRadius;
    for (int r = first - kContrastRadius; r <= first + kContrastRadius; ++r) {
        const QRgb* line = original(r, first);
        for (int x = 0; x < width; ++x)
            columns[x] += line ? lanes(line[x]) : kWhiteLanes;
    }

    const uchar* localR = tables.local[0].data();
    const uchar* localG = tables.local[1].data();
    const uchar* localB = tables.local[2].data();
    const int lastX = width - kContrastMargin - 1;
    for (int y = first; y < end; ++y) {
        QRgb* saved = band.saved.data() + qsizetype(y % kContrastRing) * width;
        std::memcpy(saved, rows[y], sizeof(QRgb) * size_t(width));
        QRgb* out = rows[y];

        quint64 sum = 0; // columns x-4 .. x+4, starting with x = 0
        for (int x = -kContrastRadius; x <= kContrastRadius; ++x)
            sum += columns[x];
        for (int x = 0; x <= lastX; ++x) {
            const QRgb p = saved[x];
            const unsigned r = qRed(p), g = qGreen(p), b = qBlue(p);
            const unsigned grey =
                (unsigned(localR[unsigned(sum >> 32) - r]) +
                 localG[unsigned((sum >> 16) & 0xFFFF) - g] + localB[unsigned(sum & 0xFFFF) - b]) /
                3;
            const uchar* apply = tables.apply.data() + (grey << 8);
            out[x] = kOpaque | (QRgb(apply[r]) << 16) | (QRgb(apply[g]) << 8) | apply[b];
            sum += columns[x + kContrastRadius + 1];
            sum -= columns[x - kContrastRadius];
        }

        if (y + 1 < end) {
            const QRgb* entering = original(y + kContrastRadius + 1, y + 1);
            const QRgb* leaving = original(y - kContrastRadius, y + 1);
            if (leaving) {
                for (int x = 0; x < width; ++x)
                    columns[x] = columns[x] + lanes(entering[x]) - lanes(leaving[x]);
            } else {
                for (int x = 0; x < width; ++x)
                    columns[x] = columns[x] + lanes(entering[x]) - kWhiteLanes;
            }
        }
    }
}

} // namespace

void localContrast(QImage& image, int percent)
{
    const int width = image.width();
    const int height = image.height();
    if (width <= kContrastMargin || height <= kContrastMargin)
        return;
    ensure32Bit(image);
    const Rows rows = writableRows(image);
    const qint64 pixels = qint64(width) * height;

    // 1. Global channel means over every pixel (sums per band, added in band order).
    const int sumBands = bandCount(height, pixels);
    std::vector<std::array<qint64, 3>> bandSums(size_t(sumBands), {0, 0, 0});
    runBands(height, sumBands, [&](int band, int first, int end) {
        std::array<qint64, 3> total = {0, 0, 0};
        for (int y = first; y < end; ++y) {
            const QRgb* line = rows[y];
            quint32 r = 0, g = 0, b = 0; // a row of up to 2^24 pixels cannot overflow these
            for (int x = 0; x < width; ++x) {
                r += qRed(line[x]);
                g += qGreen(line[x]);
                b += qBlue(line[x]);
            }
            total[0] += r;
            total[1] += g;
            total[2] += b;
        }
        bandSums[size_t(band)] = total;
    });
    std::array<qint64, 3> sums = {0, 0, 0};
    for (const auto& s : bandSums)
        for (int c = 0; c < 3; ++c)
            sums[c] += s[c];

    // 4. and 5. as tables: L_c = (3 * ((g_c + 2 m_c) / 3) + g_c) >> 2 for every local mean, and
    // the final channel for every reference grey G and value c.
    ContrastTables tables;
    for (int c = 0; c < 3; ++c) {
        const int mean = int(sums[c] / pixels);
        tables.local[c].resize(kContrastNeighbourSum + 1);
        for (int sum = 0; sum <= kContrastNeighbourSum; ++sum)
            tables.local[c][size_t(sum)] = uchar((3 * ((mean + 2 * (sum / 80)) / 3) + mean) >> 2);
    }
    for (int grey = 0; grey < 256; ++grey)
        for (int c = 0; c < 256; ++c)
            tables.apply[(grey << 8) | c] =
                uchar(std::clamp<qint64>(c + qint64(c - grey) * percent / 100, 0, 255));

    // 2. and 3. The padded working copy is never built: its white top rows and left columns are
    // added as constants, and the original rows still needed after being overwritten are kept
    // in small per-band buffers. Rows 0..height-10 are written.
    const int writtenRows = height - kContrastMargin;
    const int bands = bandCount(writtenRows, pixels);
    std::vector<ContrastBand> work(static_cast<size_t>(bands));
    for (int i = 0; i < bands; ++i) {
        ContrastBand& band = work[size_t(i)];
        band.first = bandStart(writtenRows, bands, i);
        band.end = bandStart(writtenRows, bands, i + 1);
        band.above.resize(size_t(kContrastRadius) * size_t(width));
        band.below.resize(size_t(kContrastRadius) * size_t(width));
        band.saved.resize(size_t(kContrastRing) * size_t(width));
        band.columns.resize(size_t(width) + kContrastRadius);
        for (int k = 0; k < kContrastRadius; ++k) {
            const int up = band.first - kContrastRadius + k;
            if (up >= 0)
                std::memcpy(band.above.data() + qsizetype(k) * width, rows[up],
                            sizeof(QRgb) * size_t(width));
            std::memcpy(band.below.data() + qsizetype(k) * width, rows[band.end + k],
                        sizeof(QRgb) * size_t(width));
        }
    }
    runBands(writtenRows, bands,
             [&](int band, int, int) { contrastBand(work[size_t(band)], rows, width, tables); });
}
