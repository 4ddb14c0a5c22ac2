#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include "core/raster/random.h"

// Pixel-level operations on 32-bit rasters shared by every algorithm and filter.
//
// Pixels are 0xAARRGGBB words (Format_RGB32, Format_ARGB32 or Format_ARGB32_Premultiplied) read
// through scan lines. Channel arithmetic is integer arithmetic on 0..255 with truncating division;
// unless stated otherwise every written pixel is opaque and filters give the input alpha back at
// their end with restoreAlpha. The functions are stateless, run on the calling thread and report
// nothing; an image without pixels passes through every in-place primitive unchanged.

// Leaves ARGB32 and ARGB32_Premultiplied images alone, converts anything else to RGB32.
void ensure32Bit(QImage& image);

// percent -100..100: darkens toward black (<= 0) or lightens toward white (> 0).
void adjustBrightness(QImage& image, int percent);

// Moves each channel away from (positive) or toward (negative) the pixel's grey (R+G+B)/3.
void adjustSaturation(QImage& image, int percent);

// In-place 3x3 sharpen of the interior (rows and columns 1..size-2), row-major.
void sharpen3x3(QImage& image);

// Contrast against a blend of the global and the 9x9 local mean; the last 9 rows and columns stay.
void localContrast(QImage& image, int percent);

// A copy of processed carrying alphaSource's alpha when alphaSource has an alpha channel,
// otherwise processed unchanged.
QImage restoreAlpha(const QImage& alphaSource, const QImage& processed);

// Blend modes: each walks the first image's size, writes the second image and then gives it the
// first image's alpha.
void softLightBlend(const QImage& blend, QImage& base);
void multiplyBlend(const QImage& blend, QImage& base, double opacity);
void luminosityBlend(const QImage& source, QImage& target, double opacity);

// Bilinear resize in 16.16 fixed point into target, which arrives allocated at the wanted size.
void resizeBilinear(const QImage& source, QImage& target);

// Fast (nearest) scaling to another image's size, or by a factor with truncated sizes.
QImage scaleToSize(const QImage& image, const QImage& sizeOf);
QImage scaleByFactor(const QImage& image, double factor);

// Quarter turn of a square image: direction > 0 clockwise, otherwise counter-clockwise.
void rotate90(int direction, const QImage& source, QImage& target);

// Rotation by degrees with nearest-pixel sampling onto a larger canvas (white outside).
QImage rotateByAngle(const QImage& image, int degrees);

// 4-connected fill on raw pixels, comparing R, G, B only.
void floodFill(uchar* bits, qsizetype bytesPerLine, int width, int height, int x, int y,
               QRgb newColour, QRgb targetColour);

// Raw 16-byte MD5 of the image's pixel bytes.
QByteArray imageDigest(const QImage& image);

// True when the file name's lower-cased suffix is png, tif, tiff, jpg, jpeg or bmp.
bool isSupportedImageFile(const QString& path);

// Row splitting of the one-pass primitives. A picture of at least minimumPixels pixels is cut into
// bands of rows worked on by `threads` threads at once (0: two when the machine has two cores or
// more; 1: everything on the calling thread). Every setting gives the same bytes; tests switch it
// to compare the split and the single-threaded path, the benchmark to time both.
struct RasterThreading
{
    int threads = 0;
    qint64 minimumPixels = qint64(1) << 18;
};
void setRasterThreading(const RasterThreading& threading);
RasterThreading rasterThreading();

// Clamps an int to a channel value 0..255.
inline int clampChannel(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}
