#include "core/raster/raster_primitives.h"

#include "core/raster/pixel_rows.h"

#include <utility>

using namespace pixel_rows;

void floodFill(uchar* bits, qsizetype bytesPerLine, int width, int height, int x, int y,
               QRgb newColour, QRgb targetColour)
{
    constexpr QRgb kRgb = 0x00FFFFFFu;
    const QRgb target = targetColour & kRgb;
    if (target == (newColour & kRgb) || x < 0 || y < 0 || x >= width || y >= height)
        return;
    const Rows rows{bits, bytesPerLine};
    // Last in, first out; the vector grows in blocks as needed. A neighbour outside the image or
    // not of the target colour is not pushed at all: it would be popped and skipped, since a
    // pixel that does not match never comes to match, so the filled region is the same.
    std::vector<std::pair<int, int>> stack;
    stack.reserve(4096);
    stack.emplace_back(x, y);
    const auto matches = [&](int px, int py) { return (rows[py][px] & kRgb) == target; };
    while (!stack.empty()) {
        const auto [px, py] = stack.back();
        stack.pop_back();
        QRgb& pixel = rows[py][px];
        if ((pixel & kRgb) != target)
            continue; // filled since it was pushed
        pixel = newColour;
        if (px + 1 < width && matches(px + 1, py))
            stack.emplace_back(px + 1, py);
        if (px > 0 && matches(px - 1, py))
            stack.emplace_back(px - 1, py);
        if (py + 1 < height && matches(px, py + 1))
            stack.emplace_back(px, py + 1);
        if (py > 0 && matches(px, py - 1))
            stack.emplace_back(px, py - 1);
    }
}
