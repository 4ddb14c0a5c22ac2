#pragma once

// What the two source files of the region painter share: the mask's colours, the pixel flags and
// the colour tests of a seed's rings. The rings, the region's growth and its flood fill are in
// region_painter.cpp; averaging, painting and closing the holes of a region in
// region_painter_fill.cpp.

#include "core/algorithms/region_painter.h"

#include <algorithm>
#include <cstdlib>

namespace region_painting {

constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kRegionMarker = 0xFFFF7F00u; // opaque red 255, green 127, blue 0
constexpr QRgb kRgbMask = 0x00FFFFFFu;
constexpr int kMarkerGreen = 127;
constexpr std::uint8_t kInRegion = 1; // counted by regionFlagsOfFive
constexpr std::uint8_t kHoleTested = 2;
constexpr std::uint8_t kListed = 4;

inline int colourDistance(QRgb first, QRgb second)
{
    return std::abs(qRed(first) - qRed(second)) + std::abs(qGreen(first) - qGreen(second)) +
           std::abs(qBlue(first) - qBlue(second));
}

inline bool sameRgb(QRgb first, QRgb second)
{
    return ((first ^ second) & kRgbMask) == 0;
}

} // namespace region_painting

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
    return !m_painted[i] && region_painting::colourDistance(m_work[i], m_seed) < tolerance(ring);
}
