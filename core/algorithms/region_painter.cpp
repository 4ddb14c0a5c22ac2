#include "core/algorithms/region_painter.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kRegionMarker = 0xFFFF7F00u; // opaque red 255, green 127, blue 0
constexpr QRgb kRgbMask = 0x00FFFFFFu;
constexpr int kMarkerGreen = 127;
constexpr std::uint8_t kInRegion = 1; // counted by regionFlagsOfFive
constexpr std::uint8_t kHoleTested = 2;
constexpr std::uint8_t kListed = 4;

// A painted channel stays at or below 254, so a painted pixel never equals white.
inline int clampPainted(int channel)
{
    return channel < 0 ? 0 : (channel > 254 ? 254 : channel);
}

inline int colourDistance(QRgb first, QRgb second)
{
    return std::abs(qRed(first) - qRed(second)) + std::abs(qGreen(first) - qGreen(second)) +
           std::abs(qBlue(first) - qBlue(second));
}

// Whether eight consecutive pixel flags each hold kInRegion or kHoleTested.
inline bool allTaken(const std::uint8_t* flags)
{
    std::uint64_t word;
    std::memcpy(&word, flags, sizeof word);
    constexpr std::uint64_t kLowBits = 0x0101010101010101u;
    return ((word | (word >> 1)) & kLowBits) == kLowBits;
}

// Calls visit(position) for every set bit of `bits` at positions from..last, in order, until
// visit returns false.
template <typename Visit>
inline void forEachSetBit(const std::uint64_t* bits, int from, int last, Visit visit)
{
    int word = from >> 6;
    const int lastWord = last >> 6;
    std::uint64_t remaining = bits[word] & (~std::uint64_t(0) << (from & 63));
    for (;;) {
        if (word == lastWord)
            remaining &= ~std::uint64_t(0) >> (63 - (last & 63));
        while (remaining) {
            const int position = (word << 6) + __builtin_ctzll(remaining);
            remaining &= remaining - 1;
            if (!visit(position))
                return;
        }
        if (word == lastWord)
            return;
        remaining = bits[++word];
    }
}

// How many of five consecutive pixel flags hold kInRegion.
inline int regionFlagsOfFive(const std::uint8_t* flags)
{
    std::uint32_t four;
    std::memcpy(&four, flags, sizeof four);
    four &= 0x01010101u;
    return int((four * 0x01010101u) >> 24) + (flags[4] & kInRegion);
}

inline bool sameRgb(QRgb first, QRgb second)
{
    return ((first ^ second) & kRgbMask) == 0;
}

} // namespace

RegionPainter::RegionPainter(const QImage& work, QImage& canvas, const TextureGround& ground)
    : m_work(reinterpret_cast<const QRgb*>(work.constBits())),
      m_canvas(reinterpret_cast<QRgb*>(canvas.bits())), m_width(work.width()),
      m_height(work.height()), m_ground(ground), m_mask(size_t(m_width) * size_t(m_height), kWhite),
      m_painted(size_t(m_width) * size_t(m_height), 0),
      m_flags(size_t(m_width) * size_t(m_height), 0), m_columnTop(size_t(m_width), INT_MAX),
      m_columnBottom(size_t(m_width), -1), m_columnCount(size_t(m_width), 0),
      m_rowWords((size_t(m_width) + 63) / 64), m_columnWords((size_t(m_height) + 63) / 64),
      m_rowUnpainted(m_rowWords * size_t(m_height), ~std::uint64_t(0)),
      m_columnUnpainted(m_columnWords * size_t(m_width), ~std::uint64_t(0))
{
    // 32-bit rows are exactly width pixels long, so index() addresses every image alike.
    Q_ASSERT(work.bytesPerLine() == qsizetype(m_width) * 4);
    Q_ASSERT(canvas.bytesPerLine() == qsizetype(m_width) * 4);
}

bool RegionPainter::canSeed(int x, int y) const
{
    const size_t i = index(x, y);
    if (m_painted[i])
        return false;
    const QRgb photo = m_work[i];
    return qRed(photo) < 250 || qGreen(photo) < 250 || qBlue(photo) < 250;
}

inline int RegionPainter::tolerance(int ring) const
{
    const qint64 loosened =
        std::max<qint64>(m_simplification >> 3, qint64(m_simplification) - ring) + m_bonus;
    // Distances are 0..765: a tolerance of 766 already accepts every colour.
    return int(std::clamp<qint64>(loosened, 0, 766));
}

inline bool RegionPainter::ringMarked(int x, int y) const
{
    const int ring = std::max(std::abs(x - m_x), std::abs(y - m_y));
    if (ring < 1 || ring > m_lastRing)
        return false;
    const size_t i = index(x, y);
    return !m_painted[i] && colourDistance(m_work[i], m_seed) < tolerance(ring);
}

// The longest run of consecutive matches along a row (from column `from`, `count` pixels) or a
// column (from row `from`). Painted pixels neither extend nor break a run, so only the unpainted
// ones are visited. Mark: write the seed colour into the mask at every match (and list it in
// `written` if given); otherwise stop once a run reaches `enough`.
template <bool Mark>
int RegionPainter::scanSide(bool alongRow, int line, int from, int count, int ring, int enough,
                            std::vector<size_t>* written)
{
    const int ringTolerance = tolerance(ring);
    int run = 0;
    int longest = 0;
    const std::uint64_t* bits = alongRow ? m_rowUnpainted.data() + size_t(line) * m_rowWords
                                         : m_columnUnpainted.data() + size_t(line) * m_columnWords;
    forEachSetBit(bits, from, from + count - 1, [&](int position) {
        const size_t i = alongRow ? index(position, line) : index(line, position);
        if (colourDistance(m_work[i], m_seed) >= ringTolerance) {
            run = 0;
            return true;
        }
        longest = std::max(longest, ++run);
        if (Mark) {
            m_mask[i] = m_seed;
            if (written)
                written->push_back(i);
            return true;
        }
        return longest < enough;
    });
    return longest;
}

// The sum of the longest runs of the four sides of the square ring; sides outside the picture
// are skipped and the others clipped to it. Without Mark the sum stops counting at `enough`.
template <bool Mark> int RegionPainter::scanRing(int ring, int enough, std::vector<size_t>* written)
{
    const int left = std::max(m_x - ring, 0);
    const int right = std::min(m_x + ring, m_width - 1);
    const int top = std::max(m_y - ring, 0);
    const int bottom = std::min(m_y + ring, m_height - 1);
    int sum = 0;
    const auto side = [&](bool alongRow, int line, int from, int count) {
        if (Mark || sum < enough)
            sum += scanSide<Mark>(alongRow, line, from, count, ring, enough - sum, written);
    };
    if (m_y - ring >= 0)
        side(true, m_y - ring, left, right - left + 1);
    if (m_y + ring < m_height)
        side(true, m_y + ring, left, right - left + 1);
    if (m_x - ring >= 0)
        side(false, m_x - ring, top, bottom - top + 1);
    if (m_x + ring < m_width)
        side(false, m_x + ring, top, bottom - top + 1);
    return sum;
}

void RegionPainter::writeMarks(std::vector<size_t>* written)
{
    for (int ring = 1; ring <= m_lastRing; ++ring)
        scanRing<true>(ring, INT_MAX, written);
}

void RegionPainter::paintRegion(int x, int y, int simplification, qint64 bonus)
{
    m_x = x;
    m_y = y;
    m_seed = m_work[index(x, y)];
    m_simplification = simplification;
    m_bonus = bonus;
    const int maximumRadius = std::max({x, y, m_width - x, m_height - y});
    if (maximumRadius <= 0)
        return;

    // A seed of green 127 leaves marks that count like region markers when holes are closed.
    const bool markRings = qGreen(m_seed) == kMarkerGreen;

    // Grow ring by ring until a ring holds too few matches: a sum of longest runs below 4 up to
    // radius 19, below 11 from radius 20 on.
    int radius = 1;
    for (; radius <= maximumRadius; ++radius) {
        const int enough = radius < 20 ? 4 : 11;
        const int sum = markRings ? scanRing<true>(radius, INT_MAX, nullptr)
                                  : scanRing<false>(radius, enough, nullptr);
        if (sum < enough)
            break;
    }
    m_lastRing = std::min(radius, maximumRadius);

    // A region that never reached radius 4 is dropped; its marks stay in the mask.
    if (radius <= 3) {
        writeMarks(&m_leftovers);
        return;
    }

    // The grown square, and the part of the mask cleared afterwards (one column wider on the
    // left).
    const Box square{std::max(x - radius, 0), std::max(y - radius, 0),
                     std::min(x + radius, m_width - 1), std::min(y + radius, m_height - 1)};
    const Box cleared{std::max(x - radius - 1, 0), square.top, square.right, square.bottom};
    collectLeftovers(cleared);
    if (markRings)
        fillFromMask(square, cleared);
    else
        fillFromRegion(square, cleared);
}

// Keeps the list of leftover marks to the places still marked, once each, and lists those inside
// the cleared rectangle in m_oldMarks.
void RegionPainter::collectLeftovers(const Box& cleared)
{
    m_oldMarks.clear();
    size_t kept = 0;
    for (const size_t i : m_leftovers) {
        if (m_mask[i] == kWhite || (m_flags[i] & kListed))
            continue;
        m_flags[i] |= kListed;
        m_leftovers[kept++] = i;
        const Point mark{int(i % size_t(m_width)), int(i / size_t(m_width))};
        if (cleared.contains(mark.x, mark.y))
            m_oldMarks.push_back(mark);
    }
    m_leftovers.resize(kept);
    for (const size_t i : m_leftovers)
        m_flags[i] &= ~kListed;
}

// The 4-connected region of the seed, found run by run: the seed and the pixels whose mask holds
// the seed colour, and with testRings the pixels the rings marked, become region markers. A seed
// of the marker's colour fills nothing, as the mask would not change.
void RegionPainter::floodFill(bool testRings)
{
    m_region.clear();
    if (sameRgb(m_seed, kRegionMarker))
        return;
    const auto joins = [&](int x, int y) {
        const size_t i = index(x, y);
        return !(m_flags[i] & kInRegion) &&
               (sameRgb(m_mask[i], m_seed) || (testRings && ringMarked(x, y)));
    };
    m_stack.clear();
    m_stack.push_back({m_x, m_y});
    bool seed = true;
    while (!m_stack.empty()) {
        const Point start = m_stack.back();
        m_stack.pop_back();
        // Pushed pixels join; one may have been taken by a run since.
        if (!seed && (m_flags[index(start.x, start.y)] & kInRegion))
            continue;
        seed = false;
        int x0 = start.x, x1 = start.x;
        while (x0 > 0 && joins(x0 - 1, start.y))
            --x0;
        while (x1 + 1 < m_width && joins(x1 + 1, start.y))
            ++x1;
        const size_t first = index(x0, start.y);
        for (size_t i = first; i <= first + size_t(x1 - x0); ++i) {
            m_flags[i] |= kInRegion;
            m_mask[i] = kRegionMarker;
        }
        m_region.push_back({start.y, x0, x1});
        // One pixel to start from for every run of joining pixels above and below.
        for (const int y : {start.y - 1, start.y + 1}) {
            if (y < 0 || y >= m_height)
                continue;
            bool inRun = false;
            for (int x = x0; x <= x1; ++x) {
                const bool join = joins(x, y);
                if (join && !inRun)
                    m_stack.push_back({x, y});
                inRun = join;
            }
        }
    }
}

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
