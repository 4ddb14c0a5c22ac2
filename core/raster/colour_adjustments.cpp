#include "core/raster/raster_primitives.h"

#include "core/raster/pixel_rows.h"

#include <array>

using namespace pixel_rows;

namespace {

// Every channel through one 256-entry table, alpha 255.
void mapChannels(QImage& image, const std::array<uchar, 256>& table)
{
    // One table per channel position, so a pixel is three loads and two ors.
    std::array<QRgb, 256> red, green, blue;
    for (int c = 0; c < 256; ++c) {
        red[c] = kOpaque | (QRgb(table[c]) << 16);
        green[c] = QRgb(table[c]) << 8;
        blue[c] = table[c];
    }
    const Rows rows = writableRows(image);
    const int width = image.width();
    forRowBands(image.height(), qint64(width) * image.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            QRgb* line = rows[y];
            for (int x = 0; x < width; ++x) {
                const QRgb p = line[x];
                line[x] = red[(p >> 16) & 0xFF] | green[(p >> 8) & 0xFF] | blue[p & 0xFF];
            }
        }
    });
}

} // namespace

void adjustBrightness(QImage& image, int percent)
{
    if (image.isNull())
        return;
    ensure32Bit(image);
    std::array<uchar, 256> table;
    for (int c = 0; c < 256; ++c) {
        const qint64 p = percent;
        table[c] =
            uchar(std::clamp<qint64>(p <= 0 ? c + p * c / 100 : c + (255 - c) * p / 100, 0, 255));
    }
    mapChannels(image, table);
}

void adjustSaturation(QImage& image, int percent)
{
    if (image.isNull())
        return;
    ensure32Bit(image);
    // apply[grey << 8 | c] = c + p * (c - grey) / 100, clamped.
    const PairTable apply = makePairTable([percent](int grey, int c) {
        return int(std::clamp<qint64>(c + qint64(percent) * (c - grey) / 100, 0, 255));
    });
    const uchar* table = apply.data();
    const Rows rows = writableRows(image);
    const int width = image.width();
    forRowBands(image.height(), qint64(width) * image.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            QRgb* line = rows[y];
            for (int x = 0; x < width; ++x) {
                const QRgb p = line[x];
                const unsigned r = qRed(p), g = qGreen(p), b = qBlue(p);
                const uchar* t = table + (((r + g + b) / 3) << 8);
                line[x] = kOpaque | (QRgb(t[r]) << 16) | (QRgb(t[g]) << 8) | QRgb(t[b]);
            }
        }
    });
}
