#include "core/algorithms/region_painter.h"

#include "core/algorithms/region_painter_internal.h"

#include <algorithm>
#include <climits>

using namespace region_painting;

namespace {

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
            // Listed once however often it is marked: dropped seeds on a picture one pixel wide
            // or high mark the same few pixels millions of times.
            if (written && !(m_flags[i] & kListed)) {
                m_flags[i] |= kListed;
                written->push_back(i);
            }
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

// Keeps the list of leftover marks to the places still marked and lists those inside the cleared
// rectangle in m_oldMarks. A place is in the list at most once, flagged kListed while it is.
void RegionPainter::collectLeftovers(const Box& cleared)
{
    m_oldMarks.clear();
    size_t kept = 0;
    for (const size_t i : m_leftovers) {
        if (m_mask[i] == kWhite) {
            m_flags[i] &= ~kListed;
            continue;
        }
        m_leftovers[kept++] = i;
        const Point mark{int(i % size_t(m_width)), int(i / size_t(m_width))};
        if (cleared.contains(mark.x, mark.y))
            m_oldMarks.push_back(mark);
    }
    m_leftovers.resize(kept);
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
