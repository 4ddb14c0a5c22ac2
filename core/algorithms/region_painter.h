#pragma once

#include "core/algorithms/texture_ground.h"

#include <QImage>

#include <cstdint>
#include <vector>

// The seed regions of the region paint engine: grows the region of one seed at a time, keeps the
// part connected to the seed, paints it with its average colour over the texture and closes its
// small holes. Owned by one RegionPaintEngine::paint call; runs on its thread.
//
// The regions are exactly those of the plain method, which marks every matching pixel of every
// ring in a mask, flood-fills the marks and scans the grown square for the filled ones; it is
// only cheaper:
// - A ring is scanned only until its runs of matches are long enough for growth to go on, and
//   only its unpainted pixels are visited (bit sets of the unpainted pixels by row and column).
// - A pixel's mark follows from its ring, so the flood fill tests the mark condition as it goes
//   (run by run) instead of reading marks, and the average, the bounding box, the painting and
//   the closed holes come from the runs it found.
// - The marks left in the mask between seeds (those of dropped seeds, which later seeds of the
//   same colour can fill through) are listed and taken into account where they lie in the
//   square, so nothing is cleared or searched square by square.
// A seed of green 127 is the exception: its marks count like region markers when holes are
// closed, so for it the marks are written and the region made from the mask as the plain method
// does.
class RegionPainter
{
public:
    // work and canvas: 32-bit, the same size; canvas starts opaque white and receives the regions.
    RegionPainter(const QImage& work, QImage& canvas, const TextureGround& ground);

    // A seed may start where the canvas is unpainted and the picture is not near white.
    bool canSeed(int x, int y) const;

    // Grows, fills and paints the region of the seed at (x, y) with the tolerance of the seed's
    // turn: max(simplification >> 3, simplification - radius) + bonus.
    void paintRegion(int x, int y, int simplification, qint64 bonus);

    // Pixels painted as region pixels so far (closed holes not counted).
    qint64 paintedCount() const { return m_paintedCount; }
    // 1 where the canvas is painted, row by row.
    const std::vector<std::uint8_t>& paintedMap() const { return m_painted; }

private:
    struct Point
    {
        int x;
        int y;
    };
    // Pixels x0..x1 of row y.
    struct Span
    {
        int y;
        int x0;
        int x1;
    };
    // A rectangle of pixels, sides included.
    struct Box
    {
        int left;
        int top;
        int right;
        int bottom;
        bool contains(int x, int y) const
        {
            return x >= left && x <= right && y >= top && y <= bottom;
        }
    };

    size_t index(int x, int y) const { return size_t(y) * size_t(m_width) + size_t(x); }
    int tolerance(int ring) const;
    // Whether the plain method marked (x, y) while growing the current seed.
    bool ringMarked(int x, int y) const;
    template <bool Mark>
    int scanSide(bool alongRow, int line, int from, int count, int ring, int enough,
                 std::vector<size_t>* written);
    template <bool Mark> int scanRing(int ring, int enough, std::vector<size_t>* written);
    void writeMarks(std::vector<size_t>* written);
    void collectLeftovers(const Box& cleared);
    void floodFill(bool testRings);
    void fillFromMask(const Box& square, const Box& cleared);
    void closeHolesFromMask(const Box& box, QRgb average);
    void fillFromRegion(const Box& square, const Box& cleared);
    void closeHolesFromRegion(const Box& box, QRgb average);
    void setTextureOffsets(QRgb average);
    void paintPixel(int x, int y, QRgb average);
    void paintSpan(int y, int x0, int x1, QRgb average);
    void resetRegionFlags();

    const QRgb* m_work;
    QRgb* m_canvas;
    int m_width;
    int m_height;
    const TextureGround& m_ground;
    std::vector<QRgb> m_mask;            // white, seed colours (marks) and region markers
    std::vector<std::uint8_t> m_painted; // 1 where the canvas is painted (no longer white)
    std::vector<std::uint8_t> m_flags;   // per pixel: in the current region, hole tested, listed
    std::vector<size_t> m_leftovers;     // every place where the mask holds a mark between seeds,
                                         // once each (at most one entry a pixel)
    std::vector<Point> m_oldMarks;       // the leftovers inside the current square
    std::vector<Span> m_region;          // the current region, as runs of pixels
    std::vector<Point> m_stack;
    std::vector<Point> m_tested;
    std::vector<Point> m_holes;
    std::vector<int> m_columnTop, m_columnBottom, m_columnCount;
    // The unpainted pixels as bits, row by row and column by column, for scanning ring sides.
    size_t m_rowWords;
    size_t m_columnWords;
    std::vector<std::uint64_t> m_rowUnpainted;
    std::vector<std::uint64_t> m_columnUnpainted;
    std::vector<std::int32_t> m_windowSums;
    qint64 m_paintedCount = 0;

    // The current seed.
    int m_x = 0;
    int m_y = 0;
    QRgb m_seed = 0;
    int m_simplification = 0;
    qint64 m_bonus = 0;
    int m_lastRing = 0;                  // the last ring scanned
    qint64 m_offsetX = 0, m_offsetY = 0; // texture offsets of the region's colour
};
