#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include "core/raster/execution.h"
#include "core/raster/random.h"

// Pixel-level operations on 32-bit rasters shared by every algorithm and filter.
//
// Pixels are 0xAARRGGBB words (Format_RGB32, Format_ARGB32 or Format_ARGB32_Premultiplied) read
// through scan lines. Channel arithmetic is integer arithmetic on 0..255 with truncating division;
// unless stated otherwise every written pixel is opaque and filters give the input alpha back at
// their end with restoreAlpha. The functions are stateless and report nothing; they return when
// the work is done (a large picture may be split over helper threads the call waits for, with the
// same bytes as on one thread). An image without pixels passes through every in-place primitive
// unchanged. How they run (threads, SIMD) follows the process-wide setting of execution.h.
//
// The sources go by theme: colour_adjustments.cpp, sharpen.cpp, local_contrast.cpp, blends.cpp,
// resampling.cpp and flood_fill.cpp, with formats, alpha and the digest in raster_primitives.cpp;
// pixel_rows.h holds what they share (scan-line access and the split of rows over threads).

// Leaves ARGB32 and ARGB32_Premultiplied images alone, converts anything else to RGB32.
void ensure32Bit(QImage& image);

// percent -100..100: darkens toward black (<= 0) or lightens toward white (> 0).
void adjustBrightness(QImage& image, int percent);

// Moves each channel away from (positive) or toward (negative) the pixel's grey (R+G+B)/3.
void adjustSaturation(QImage& image, int percent);

// In-place 3x3 sharpen of the interior (rows and columns 1..size-2), row-major: the pixels above
// and to the left are already sharpened when a pixel is computed.
void sharpen3x3(QImage& image);

// Contrast against a blend of the global and the 9x9 local mean; the last 9 rows and columns stay.
void localContrast(QImage& image, int percent);

// A copy of processed carrying alphaSource's alpha when alphaSource has an alpha channel,
// otherwise processed unchanged. An RGB32 processed image gives an ARGB32 copy (RGB32 cannot
// carry alpha).
QImage restoreAlpha(const QImage& alphaSource, const QImage& processed);

// Blend modes: each walks the first image's size (limited to the second image's where that is
// smaller), writes the second image and then gives it the first image's alpha.
void softLightBlend(const QImage& blend, QImage& base);
void multiplyBlend(const QImage& blend, QImage& base, double opacity);
void luminosityBlend(const QImage& source, QImage& target, double opacity);

// Bilinear resize in 16.16 fixed point into target, which arrives allocated at the wanted size.
void resizeBilinear(const QImage& source, QImage& target);

// Fast (nearest) scaling to another image's size, or by a factor with truncated sizes.
QImage scaleToSize(const QImage& image, const QImage& sizeOf);
QImage scaleByFactor(const QImage& image, double factor);

// Quarter turn of a square image into a new opaque RGB32 target: direction > 0 clockwise,
// otherwise counter-clockwise. (A rectangular source gets a target of the turned size.)
void rotate90(int direction, const QImage& source, QImage& target);

// Rotation by degrees with nearest-pixel sampling onto a larger canvas (white outside).
QImage rotateByAngle(const QImage& image, int degrees);

// 4-connected fill on raw pixels from (x, y), comparing R, G, B only; the whole 32-bit newColour
// is written. Does nothing when the colours match or the start lies outside.
void floodFill(uchar* bits, qsizetype bytesPerLine, int width, int height, int x, int y,
               QRgb newColour, QRgb targetColour);

// Raw 16-byte MD5 of the image's pixel bytes.
QByteArray imageDigest(const QImage& image);

// Clamps an int to a channel value 0..255.
inline int clampChannel(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}
