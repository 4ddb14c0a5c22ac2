#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Writing AVIF files through libheif and its aom AV1 encoder. GUI-free; callable from any thread.
//
// quality 0..99 is lossy (YUV 4:2:0, libheif's quality scale, which maps linearly onto the AV1
// quantizer 63..0), 100 lossless (RGB coded 4:4:4 with the identity matrix). The file carries the
// picture's ICC profile, or an sRGB nclx description when it has none, and exif (a TIFF-structured
// EXIF block) and xmp (a packet) when they are not empty. The pixels are written upright, with no
// rotation box. The error texts are reasons without the file name, as picture_io's are.
bool encodeAvif(const QImage& image, int quality, const QByteArray& exif, const QByteArray& xmp,
                QByteArray* file, QString* error);

// True when libheif has an AV1 encoder (Debian's carries aom).
bool canWriteAvif();

// The AV1 quantizer (0..63) libheif's aom encoder uses for a quality, for comparing with avifenc.
int avifQuantizerForQuality(int quality);
