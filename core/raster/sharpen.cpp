#include "core/raster/raster_primitives.h"

#include "core/raster/pixel_rows.h"

using namespace pixel_rows;

namespace {

// 3x3 sharpen of one row; `line[x - 1]` and the row above already hold sharpened pixels.

// v = 5m - (N >> 3) with N the sum of the 8 neighbours; the new value is 0 for v < 1, v >> 2
// below 1024, else 255, which is clamp(v, 0, 1023) >> 2.
inline int sharpenChannel(int centre, int neighbours)
{
    const int v = 5 * centre - (neighbours >> 3);
    return (v < 0 ? 0 : (v > 1023 ? 1023 : v)) >> 2;
}

void sharpenRow(const QRgb* above, QRgb* line, const QRgb* below, int width)
{
    // The vertical pairs (above + below) of the columns left of, at and right of the pixel are
    // carried along, red and blue in the two 16-bit halves of one word (at most 7 * 255 each),
    // green apart; the sharpened left pixel is kept as three channels.
    const auto rb = [](QRgb p) { return p & 0xFF00FFu; };
    const auto g = [](QRgb p) { return (p >> 8) & 0xFFu; };
    QRgb pairRbLeft = rb(above[0]) + rb(below[0]), pairGLeft = g(above[0]) + g(below[0]);
    QRgb pairRbMid = rb(above[1]) + rb(below[1]), pairGMid = g(above[1]) + g(below[1]);
    int leftR = qRed(line[0]), leftG = qGreen(line[0]), leftB = qBlue(line[0]);
    for (int x = 1; x + 1 < width; ++x) {
        const QRgb pairRbRight = rb(above[x + 1]) + rb(below[x + 1]);
        const QRgb pairGRight = g(above[x + 1]) + g(below[x + 1]);
        const QRgb othersRb = pairRbLeft + pairRbMid + pairRbRight + rb(line[x + 1]);
        const QRgb othersG = pairGLeft + pairGMid + pairGRight + g(line[x + 1]);
        const QRgb m = line[x];
        leftR = sharpenChannel(qRed(m), int(othersRb >> 16) + leftR);
        leftG = sharpenChannel(qGreen(m), int(othersG) + leftG);
        leftB = sharpenChannel(qBlue(m), int(othersRb & 0xFFFF) + leftB);
        line[x] = kOpaque | (QRgb(leftR) << 16) | (QRgb(leftG) << 8) | QRgb(leftB);
        pairRbLeft = pairRbMid;
        pairGLeft = pairGMid;
        pairRbMid = pairRbRight;
        pairGMid = pairGRight;
    }
}

#if DRAWLUME_RASTER_SSE2
// The same with the four channels of a pixel in the 16-bit lanes of an SSE2 register.
void sharpenRowSse2(const QRgb* above, QRgb* line, const QRgb* below, int width)
{
    const __m128i zero = _mm_setzero_si128();
    const auto load = [zero](const QRgb* p) {
        return _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(*p)), zero);
    };
    __m128i pairLeft = _mm_add_epi16(load(above), load(below));
    __m128i pairMid = _mm_add_epi16(load(above + 1), load(below + 1));
    __m128i left = load(line);
    for (int x = 1; x + 1 < width; ++x) {
        const __m128i pairRight = _mm_add_epi16(load(above + x + 1), load(below + x + 1));
        // Up to 8 * 255 per lane; 5m up to 1275; v within -255..1275.
        const __m128i others = _mm_add_epi16(_mm_add_epi16(pairLeft, pairMid),
                                             _mm_add_epi16(pairRight, load(line + x + 1)));
        const __m128i m = load(line + x);
        const __m128i m5 = _mm_add_epi16(_mm_slli_epi16(m, 2), m);
        const __m128i v = _mm_sub_epi16(m5, _mm_srli_epi16(_mm_add_epi16(others, left), 3));
        // v >> 2 (arithmetic) saturated to 0..255 is clamp(v, 0, 1023) >> 2.
        const __m128i out = _mm_packus_epi16(_mm_srai_epi16(v, 2), zero);
        line[x] = QRgb(_mm_cvtsi128_si32(out)) | kOpaque;
        left = _mm_unpacklo_epi8(out, zero);
        pairLeft = pairMid;
        pairMid = pairRight;
    }
}
#endif

} // namespace

void sharpen3x3(QImage& image)
{
    if (image.width() < 3 || image.height() < 3)
        return;
    ensure32Bit(image);
    const Rows rows = writableRows(image);
    const int width = image.width();
    const bool simd = execution().simd;
    // Row-major and in place: the row above and the pixel to the left are already sharpened when
    // a pixel is computed, so the rows cannot be split over threads.
    for (int y = 1; y + 1 < image.height(); ++y) {
#if DRAWLUME_RASTER_SSE2
        if (simd) {
            sharpenRowSse2(rows[y - 1], rows[y], rows[y + 1], width);
            continue;
        }
#endif
        sharpenRow(rows[y - 1], rows[y], rows[y + 1], width);
    }
}
