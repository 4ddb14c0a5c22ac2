#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

// JPEG XL files through libjxl: reading them (the bare codestream and the ISO-BMFF container) and
// writing them, lossless or lossy. GUI-free; callable from any thread, each call on its own
// decoder or encoder. The error texts are reasons without the file name, as picture_io's are.

// Decodes fileBytes into image: 8 bits per channel whatever the file's depth, RGBA8888 (RGBX8888
// when opaque), turned as the file's orientation asks, tagged with the colour profile of the
// decoded pixels (a lossless file's own ICC profile, byte for byte). sizeCheck, when given, is
// asked with the upright size before any pixel is decoded and refuses the picture by returning a
// reason. On failure image is left unchanged.
bool decodeJxl(const QByteArray& fileBytes, QImage& image, QString* error,
               const std::function<QString(const QSize&)>& sizeCheck = {});

// The contents of the first metadata box of type ("Exif", "xml ") of a container file, as stored
// (an "Exif" box begins with the 4-byte offset of its TIFF header); empty when there is none.
QByteArray jxlMetadataBox(const QByteArray& fileBytes, const char* type);

// Encodes image as a JPEG XL container. quality 0..99 is lossy at the distance cjxl gives that
// quality (90 is distance 1), 100 and above lossless. The file carries the picture's ICC profile
// (sRGB when it has none), and exif (a TIFF-structured EXIF block) and xmp (a packet) in boxes
// when they are not empty. effort is libjxl's 1..9 (7 as cjxl).
bool encodeJxl(const QImage& image, int quality, const QByteArray& exif, const QByteArray& xmp,
               QByteArray* file, QString* error, int effort = 7);

// The butteraugli distance cjxl takes for a quality.
float jxlDistanceForQuality(int quality);
