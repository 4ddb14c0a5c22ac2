#pragma once

#include <QImage>
#include <QString>

class QIODevice;

// A PNG writer of its own for 8-bit pictures, several times faster than the toolkit's on large
// pictures and with smaller files (see png_deflate.h for the compression).
//
// The colour type follows the pixels: a picture with any alpha below 255 is written as RGBA
// (non-premultiplied), any other as RGB, and one whose pixels are all grey and that has no colour
// space as 8-bit grey. Like the toolkit's writer it keeps the colour space as an iCCP chunk (named
// after the colour space's description), the resolution as pHYs, the picture's offset as oFFs and
// its texts as tEXt, zTXt or iTXt chunks. Every setting of execution.h gives the same bytes.

// True when writePng keeps every bit of image: pictures of at most 8 bits per channel that are not
// indexed. Others (16-bit and floating-point channels, palettes) are left to the toolkit's writer.
bool canWritePng(const QImage& image);

// Writes image as a PNG file to device at zlib level (0..9). On failure returns false and *error
// (when given) says why; device may then hold part of the file.
bool writePng(const QImage& image, QIODevice& device, int level, QString* error = nullptr);
