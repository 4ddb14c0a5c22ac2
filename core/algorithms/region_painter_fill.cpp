#include "core/algorithms/region_painter.h"

#include "core/algorithms/region_painter_internal.h"

#include <algorithm>
#include <climits>
#include <cstring>

using namespace region_painting;

namespace {

// A painted channel stays at or below 254, so a painted pixel never equals white.
inline int clampPainted(int channel)
{
    return channel < 0 ? 0 : (channel > 254 ? 254 : channel);
}

// Whether eight consecutive pixel flags each hold kInRegion or kHoleTested.
inline bool allTaken(const std::uint8_t* flags)
{
    std::uint64_t word;
    std::memcpy(&word, flags, sizeof word);
    constexpr std::uint64_t kLowBits = 0x0101010101010101u;
    return ((word | (word >> 1)) & kLowBits) == kLowBits;
}

// How many of five consecutive pixel flags hold kInRegion.
inline int regionFlagsOfFive(const std::uint8_t* flags)
{
    std::uint32_t four;
    std::memcpy(&four, flags, sizeof four);
    four &= 0x01010101u;
    return int((four * 0x01010101u) >> 24) + (flags[4] & kInRegion);
}

} // namespace

void RegionPainter::setTextureOffsets(QRgb average)
{
    m_offsetX = qint64(m_x) + qRed(average);
    m_offsetY = qint64(m_y) + qRed(average);
}

void RegionPainter::paintPixel(int x, int y, QRgb average)
{
    paintSpan(y, x, x, average);
}

// Paints x0..x1 of row y with the average colour over the texture at the region's offsets.
void RegionPainter::paintSpan(int y, int x0, int x1, QRgb average)
{
    const std::int16_t* deltas = m_ground.row(y + m_offsetY);
    const int groundWidth = m_ground.width();
    int column = int((x0 + m_offsetX) % groundWidth);
    const int red = qRed(average), green = qGreen(average), blue = qBlue(average);
    QRgb* out = m_canvas + index(x0, y);
    std::uint8_t* painted = m_painted.data() + index(x0, y);
    std::uint64_t* columnBits = m_columnUnpainted.data() + size_t(x0) * m_columnWords + (y >> 6);
    const std::uint64_t rowBit = std::uint64_t(1) << (y & 63);
    for (int n = 0; n <= x1 - x0; ++n) {
        const int delta = deltas[column];
        if (++column == groundWidth)
            column = 0;
        out[n] = 0xFF000000u | (QRgb(clampPainted(red + delta)) << 16) |
                 (QRgb(clampPainted(green + delta)) << 8) | QRgb(clampPainted(blue + delta));
        painted[n] = 1;
        columnBits[size_t(n) * m_columnWords] &= ~rowBit;
    }
    std::uint64_t* rowBits = m_rowUnpainted.data() + size_t(y) * m_rowWords;
    for (int x = x0; x <= x1; ++x)
        rowBits[x >> 6] &= ~(std::uint64_t(1) << (x & 63));
}

// After a fill: every region flag is reset. The region's pixels outside the cleared rectangle
// stay markers in the mask; the fill can only have reached them through old marks of the seed
// colour, which are listed as leftovers already.
void RegionPainter::resetRegionFlags()
{
    for (const Span& span : m_region) {
        std::uint8_t* flags = m_flags.data() + index(span.x0, span.y);
        for (int n = 0; n <= span.x1 - span.x0; ++n)
            flags[n] &= ~kInRegion;
    }
}

// The plain method on the marks written into the mask: average and bounding box of the markers
// in the square (column by column; the box starts at (W, H)-(1, 1), and a pixel that lowers a
// minimum is not tested against the maximum), paint the markers in the box, close holes, clear.
void RegionPainter::fillFromMask(const Box& square, const Box& cleared)
{
    m_mask[index(m_x, m_y)] = m_seed;
    floodFill(false);

    const auto isMarker = [&](size_t i) { return sameRgb(m_mask[i], kRegionMarker); };
    qint64 sumRed = 0, sumGreen = 0, sumBlue = 0, count = 1;
    Box box{m_width, m_height, 1, 1};
    for (int column = square.left; column <= square.right; ++column) {
        for (int row = square.top; row <= square.bottom; ++row) {
            const size_t i = index(column, row);
            if (!isMarker(i))
                continue;
            const QRgb photo = m_work[i];
            sumRed += qRed(photo);
            sumGreen += qGreen(photo);
            sumBlue += qBlue(photo);
            ++count;
            if (column < box.left)
                box.left = column;
            else if (column > box.right)
                box.right = column;
            if (row < box.top)
                box.top = row;
            else if (row > box.bottom)
                box.bottom = row;
        }
    }
    // The maxima start at 1, which lies outside a picture one pixel wide or high.
    box.right = std::min(box.right, m_width - 1);
    box.bottom = std::min(box.bottom, m_height - 1);
    const QRgb average = qRgb(int(sumRed / count), int(sumGreen / count), int(sumBlue / count));
    setTextureOffsets(average);

    for (int row = box.top; row <= box.bottom; ++row) {
        for (int column = box.left; column <= box.right; ++column) {
            if (isMarker(index(column, row))) {
                paintPixel(column, row, average);
                ++m_paintedCount;
            }
        }
    }
    closeHolesFromMask(box, average);

    for (int row = cleared.top; row <= cleared.bottom; ++row) {
        QRgb* line = m_mask.data() + index(0, row);
        std::fill(line + cleared.left, line + cleared.right + 1, kWhite);
    }
    resetRegionFlags();
}

// Inside the box (two pixels in from its sides), a white mask pixel with more than 7 pixels of
// green 127 in its 5 x 5 window is painted too; the counts come from a summed-area table.
void RegionPainter::closeHolesFromMask(const Box& box, QRgb average)
{
    if (box.right - box.left < 4 || box.bottom - box.top < 4)
        return;
    const int boxWidth = box.right - box.left + 1;
    const int boxHeight = box.bottom - box.top + 1;
    const size_t stride = size_t(boxWidth) + 1;
    m_windowSums.assign(stride * (size_t(boxHeight) + 1), 0);
    for (int row = 0; row < boxHeight; ++row) {
        const QRgb* line = m_mask.data() + index(box.left, box.top + row);
        const std::int32_t* above = m_windowSums.data() + size_t(row) * stride;
        std::int32_t* sums = m_windowSums.data() + size_t(row + 1) * stride;
        std::int32_t rowSum = 0;
        for (int column = 0; column < boxWidth; ++column) {
            rowSum += qGreen(line[column]) == kMarkerGreen ? 1 : 0;
            sums[column + 1] = above[column + 1] + rowSum;
        }
    }
    for (int row = box.top + 2; row <= box.bottom - 2; ++row) {
        const std::int32_t* above = m_windowSums.data() + size_t(row - box.top - 2) * stride;
        const std::int32_t* below = m_windowSums.data() + size_t(row - box.top + 3) * stride;
        for (int column = box.left + 2; column <= box.right - 2; ++column) {
            const int boxColumn = column - box.left;
            const int greens = below[boxColumn + 3] - below[boxColumn - 2] - above[boxColumn + 3] +
                               above[boxColumn - 2];
            if (m_mask[index(column, row)] == kWhite && greens > 7)
                paintPixel(column, row, average);
        }
    }
}

// The same region from the runs the fill found. The markers in the square are the region's
// pixels there plus old markers the rings did not mark over (a ring mark replaces an old mark
// with the seed colour).
void RegionPainter::fillFromRegion(const Box& square, const Box& cleared)
{
    floodFill(true);

    // Average, and per column the top and bottom marker in the square: what the plain method's
    // column-by-column scan sees.
    qint64 sumRed = 0, sumGreen = 0, sumBlue = 0, count = 1;
    int firstColumn = m_width, lastColumn = -1;
    const auto add = [&](int x, int y, const QRgb* work) {
        const QRgb photo = *work;
        sumRed += qRed(photo);
        sumGreen += qGreen(photo);
        sumBlue += qBlue(photo);
        ++count;
        const size_t column = size_t(x);
        m_columnTop[column] = std::min(m_columnTop[column], y);
        m_columnBottom[column] = std::max(m_columnBottom[column], y);
        ++m_columnCount[column];
    };
    for (const Span& span : m_region) {
        const int x0 = std::max(span.x0, square.left), x1 = std::min(span.x1, square.right);
        if (span.y < square.top || span.y > square.bottom || x0 > x1)
            continue;
        const QRgb* work = m_work + index(x0, span.y);
        for (int x = x0; x <= x1; ++x)
            add(x, span.y, work++);
        firstColumn = std::min(firstColumn, x0);
        lastColumn = std::max(lastColumn, x1);
    }
    size_t oldMarkers = 0; // old markers in the square, moved to the front of m_oldMarks
    for (Point& mark : m_oldMarks) {
        const size_t i = index(mark.x, mark.y);
        if (square.contains(mark.x, mark.y) && sameRgb(m_mask[i], kRegionMarker) &&
            !(m_flags[i] & kInRegion) && !ringMarked(mark.x, mark.y)) {
            add(mark.x, mark.y, m_work + i);
            firstColumn = std::min(firstColumn, mark.x);
            lastColumn = std::max(lastColumn, mark.x);
            std::swap(mark, m_oldMarks[oldMarkers++]);
        }
    }

    // The bounding box as that scan finds it: the first marker (top of the first column) lowers
    // both minima and raises no maximum; further down a column nothing lowers the minimum row, so
    // only the top marker of each column may, and then it raises no maximum either.
    Box box{firstColumn, m_height, 1, 1};
    if (lastColumn > firstColumn || m_columnCount[size_t(firstColumn)] >= 2)
        box.right = std::max(lastColumn, 1);
    for (int column = firstColumn; column <= lastColumn; ++column) {
        const size_t at = size_t(column);
        if (m_columnCount[at] == 0)
            continue;
        if (m_columnTop[at] < box.top)
            box.top = m_columnTop[at];
        else
            box.bottom = std::max(box.bottom, m_columnTop[at]);
        if (m_columnCount[at] >= 2)
            box.bottom = std::max(box.bottom, m_columnBottom[at]);
        m_columnTop[at] = INT_MAX;
        m_columnBottom[at] = -1;
        m_columnCount[at] = 0;
    }
    box.right = std::min(box.right, m_width - 1);
    box.bottom = std::min(box.bottom, m_height - 1);
    const QRgb average = qRgb(int(sumRed / count), int(sumGreen / count), int(sumBlue / count));
    setTextureOffsets(average);

    // Paint the markers in the box.
    for (const Span& span : m_region) {
        const int x0 = std::max(span.x0, box.left), x1 = std::min(span.x1, box.right);
        if (span.y >= box.top && span.y <= box.bottom && x0 <= x1) {
            paintSpan(span.y, x0, x1, average);
            m_paintedCount += x1 - x0 + 1;
        }
    }
    for (size_t k = 0; k < oldMarkers; ++k) {
        const Point& mark = m_oldMarks[k];
        if (box.contains(mark.x, mark.y)) {
            paintPixel(mark.x, mark.y, average);
            ++m_paintedCount;
        }
    }

    closeHolesFromRegion(box, average);

    // Clear the cleared rectangle: the region there and the old marks.
    for (const Span& span : m_region) {
        const int x0 = std::max(span.x0, cleared.left), x1 = std::min(span.x1, cleared.right);
        if (span.y >= cleared.top && span.y <= cleared.bottom && x0 <= x1)
            std::fill(m_mask.begin() + ptrdiff_t(index(x0, span.y)),
                      m_mask.begin() + ptrdiff_t(index(x1, span.y)) + 1, kWhite);
    }
    for (const Point& mark : m_oldMarks)
        m_mask[index(mark.x, mark.y)] = kWhite;
    resetRegionFlags();
}

// Holes, from the region: a pixel two in from the box's sides can only have more than 7 pixels of
// green 127 in its 5 x 5 window (which lies in the box) near a region pixel or near an old mark
// of green 127 that the rings did not mark over. A white mask pixel is one that is neither in the
// region, nor an old mark, nor marked by the rings.
void RegionPainter::closeHolesFromRegion(const Box& box, QRgb average)
{
    if (box.right - box.left < 4 || box.bottom - box.top < 4)
        return;
    const Box inner{box.left + 2, box.top + 2, box.right - 2, box.bottom - 2};
    const auto oldGreen = [&](int x, int y) {
        const size_t i = index(x, y);
        return !(m_flags[i] & kInRegion) && qGreen(m_mask[i]) == kMarkerGreen && !ringMarked(x, y);
    };
    bool oldGreens = false;
    for (const Point& mark : m_oldMarks)
        oldGreens = oldGreens || (box.contains(mark.x, mark.y) && oldGreen(mark.x, mark.y));

    // Pixels of green 127 in the 5 x 5 window around (x, y).
    const auto greens = [&](int x, int y) {
        int count = 0;
        for (int row = y - 2; row <= y + 2; ++row) {
            const std::uint8_t* flags = m_flags.data() + index(x - 2, row);
            if (oldGreens) {
                for (int k = 0; k < 5; ++k)
                    count += (flags[k] & kInRegion) || oldGreen(x - 2 + k, row) ? 1 : 0;
            } else {
                count += regionFlagsOfFive(flags);
            }
        }
        return count;
    };
    m_tested.clear();
    m_holes.clear();
    // Tests every pixel of the inner box within two pixels of x0..x1 of row y.
    const auto testAround = [&](int y, int x0, int x1) {
        const int left = std::max(x0 - 2, inner.left), right = std::min(x1 + 2, inner.right);
        for (int row = std::max(y - 2, inner.top); row <= std::min(y + 2, inner.bottom); ++row) {
            const std::uint8_t* flags = m_flags.data() + index(0, row);
            for (int x = left; x <= right; ++x) {
                // Eight pixels at a time through the inside of the region.
                if (x + 8 <= right + 1 && allTaken(flags + x)) {
                    x += 7;
                    continue;
                }
                const size_t i = index(x, row);
                if (m_flags[i] & (kInRegion | kHoleTested))
                    continue;
                m_flags[i] |= kHoleTested;
                m_tested.push_back({x, row});
                if (m_mask[i] == kWhite && greens(x, row) > 7 && !ringMarked(x, row))
                    m_holes.push_back({x, row});
            }
        }
    };
    for (const Span& span : m_region) {
        const int x0 = std::max(span.x0, box.left), x1 = std::min(span.x1, box.right);
        if (span.y >= box.top && span.y <= box.bottom && x0 <= x1)
            testAround(span.y, x0, x1);
    }
    if (oldGreens) {
        for (const Point& mark : m_oldMarks) {
            if (box.contains(mark.x, mark.y) && oldGreen(mark.x, mark.y))
                testAround(mark.y, mark.x, mark.x);
        }
    }
    for (const Point& tested : m_tested)
        m_flags[index(tested.x, tested.y)] &= ~kHoleTested;
    for (const Point& hole : m_holes)
        paintPixel(hole.x, hole.y, average);
}
