#pragma once

#include <QImage>

#include <cstdint>
#include <vector>

// The brush of the stroke painter, prepared for laying strokes: the bitmap turned and scaled to
// the size of each level, and its ink in the forms the stroke loops read.

// The bitmap scaled to size x size, turned by `degrees` and drawn back reduced into the top-left
// of the unturned brush (the turned copy is larger than the brush; the painter clips the source
// rectangle to it and shrinks the target in proportion).
QImage turnedBrush(const QImage& bitmap, int size, int degrees);

// The ink of a brush of a given size: its pixels with red <= 249, with their weight = red (0 full
// ink .. 249 faint). The stroke is tried on a patch of patchWidth x patchHeight pixels, each
// 2 * (size / 2): ink outside it counts in the average colour only, ink on the patch's border
// counts in the errors but takes no paint.
//
// Two forms: a list of ink pixels per row (strokes touching the picture's border walk it one pixel
// at a time), and runs of columns covering the ink of each row, padded to whole groups of four,
// with per-pixel lane masks and blend weights for the SIMD loops (strokes inside the picture). A
// row of hatching has ink here and there: a gap of four or more columns starts a new run, so the
// loops skip most of the paper between the lines.
struct BrushInk
{
    struct Pixel
    {
        std::int32_t column;
        std::int32_t weight;
    };
    struct Run
    {
        int row, first, length, offset; // columns first .. first + length - 1, data from offset
    };
    int size = 0;
    int patchWidth = 0, patchHeight = 0;
    std::vector<Pixel> pixels;
    std::vector<int> rowStart; // size + 1 entries: row j holds pixels[rowStart[j]..rowStart[j+1])

    std::vector<Run> runs;
    std::vector<std::uint32_t> averageMask; // 0x00FFFFFF on ink pixels, else 0
    std::vector<std::uint32_t> errorMask;   // 0x00FFFFFF on ink pixels of the patch, else 0
    // Per pixel, four 16-bit lanes (blue, green, red, alpha) each: new = (old * keep + colour *
    // paint) >> 8. Painted pixels: keep = weight, paint = 255 - weight; all others keep = 256,
    // paint = 0, which leaves them as they are.
    std::vector<std::uint16_t> keep, paint;
    int inkCount = 0; // every ink pixel (the average's count for a stroke inside the picture)
};

BrushInk brushInk(const QImage& brush);
