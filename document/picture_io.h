#pragma once

#include <QColorSpace>
#include <QImage>
#include <QString>
#include <QStringList>

#include "document/photo_metadata.h"

// Reading and writing picture files, shared by the document windows and the command-line
// renderer. GUI-free (QtCore and QtGui only); callable from any thread.
//
// Reading goes by content (the suffix does not matter), stands phone photos upright from their
// EXIF orientation and admits pictures up to a limit (100 megapixels unless raised, see
// setMaximumPictureMegapixels); larger ones, and ones the free memory cannot hold, are refused
// before any pixel is decoded. HEIC, HEIF and AVIF files are read through libheif (heif_picture.h),
// turned upright by their own orientation boxes, JPEG XL files through libjxl (jxl_picture.h); the
// toolkit reads the other formats. Writing takes the format from the file suffix, by the rows of
// pictureFormats() (picture_formats.h), and is atomic: the picture goes to a temporary file beside
// the target that replaces it only once everything was written, so a failed save leaves an existing
// file as it was.
//
// The error texts are reasons without the file name ("file does not exist"); callers put the
// name in front.

// The largest picture loadPicture accepts unless the limit is raised, in megapixels, and the range
// the limit may be set to.
constexpr int kDefaultMaximumMegapixels = 100;
constexpr int kLowestMaximumMegapixels = 1;
constexpr int kHighestMaximumMegapixels = 1000;

// The limit of the process (thread-safe); set it before reading pictures. Values outside the range
// are clamped into it. drawlume-render sets it from --max-megapixels, the application from the
// setting max_megapixels.
void setMaximumPictureMegapixels(int megapixels);
int maximumPictureMegapixels();

// The memory a render of a picture of this many pixels needs at most, the decoded picture, the
// filter's working planes and the written result included.
qint64 renderMemoryBytes(qint64 pixels);

// Reads the picture at path into image. On failure image is left unchanged, false is returned
// and *error (when given) says why.
bool loadPicture(const QString& path, QImage& image, QString* error = nullptr);

// Reads the picture at path as loadPicture does and hands back the file's bytes in *fileBytes
// (when given), read once and decoded from memory, so that a caller can store exactly what was
// decoded. *warning (when given) is cleared, or set when the picture loads but is incomplete (see
// decodePicture). A file that is no picture or too large is refused from its header, before the
// whole file is read.
bool loadPictureFile(const QString& path, QImage& image, QByteArray* fileBytes, QString* error,
                     QString* warning = nullptr);

// Decodes a picture file held in memory, with the checks and reasons of loadPicture. A JPEG or PNG
// that ends before its end marker (a download or copy cut short) still loads with what the decoder
// made of it, a JPEG's missing part grey; *warning (when given) then says "the picture is
// incomplete: the file ends before the picture does", and is cleared otherwise.
bool decodePicture(const QByteArray& fileBytes, QImage& image, QString* error,
                   QString* warning = nullptr);

// A quality that leaves the writer's own default in force (for JPEG, the toolkit's 75).
constexpr int kWriterDefaultQuality = -2;

// Writes image to path in the format of the path's suffix (case-insensitive). quality 0..100 is
// the quality of a format that has one (JPEG, WebP, AVIF, JPEG XL; 100 is lossless in the last
// three; PNG turns it into a compression level); -1 means the row's default (JPEG 80, WebP 75,
// AVIF 60, JPEG XL 90); kWriterDefaultQuality the toolkit writer's own (JPEG 75). PNG and TIFF go
// through writers of our own (png_writer.h, tiff_writer.h; TIFF deflated without loss), AVIF
// through libheif (avif_writer.h), JPEG XL through libjxl, the others through the toolkit.
// Formats without an alpha channel (JPEG, BMP) get a transparent picture composed on white paper.
// The pixels are encoded first; metadata (the photo information of the picture's source,
// photo_metadata.h) then goes into the encoded file where its format can carry it (AVIF and JPEG
// XL get it from their encoders), and never stops the save.
//
// *warning (when given) is cleared, or names what did not get into the file after a successful
// save: a colour profile writtenColourSpace() leaves out, the photo information the format cannot
// carry (IPTC in WebP, anything in BMP) or that did not fit ("the photo information left out of
// this JPEG file: XMP (70114 bytes)"), joined by "; ".
bool savePicture(const QImage& image, const QString& path, int quality = -1,
                 QString* error = nullptr, const PhotoMetadata& metadata = PhotoMetadata(),
                 QString* warning = nullptr);

// The colour space a file of format written from image is tagged with, the one rule of every
// writer: the picture's own when it is a valid RGB profile and the format carries ICC (kept byte
// for byte), else none. A profile no file can use, one of another colour model than the picture's
// RGB (CMYK, grey) or a damaged one the toolkit could not read, is left out of every format;
// *dropped (when given) then says so and why ("the colour profile (ICC, 557 bytes) left out of
// this PNG file: a CMYK profile does not fit an RGB picture"), and is cleared otherwise.
struct PictureFormat;
QColorSpace writtenColourSpace(const QImage& image, const PictureFormat& format,
                               QString* dropped = nullptr);

// True when savePicture can write files with this suffix ("png", ".JPG" ...).
bool isWritablePictureSuffix(const QString& suffix);

// The lower-case suffixes savePicture can write, in a stable order.
QStringList writablePictureSuffixes();

// The resolution of an artwork whose photo's file states none (or that has no file, a pasted
// picture): 100 dots per inch, in dots per metre.
constexpr int kDefaultDotsPerMeter = 3937;

// Gives artwork the resolution every path writes artworks with (Export, the batch window,
// drawlume-render, the renders of documents): the one photoFile states, the file the artwork's
// photo was read from (a JPEG's JFIF density, a PNG's pHYs chunk, a TIFF's or BMP's resolution
// fields), else kDefaultDotsPerMeter. The decoded photo's own is not used: where its file states
// none the toolkit puts the screen's there, which would give other bytes in the application than
// in drawlume-render.
void setArtworkResolution(QImage& artwork, const QByteArray& photoFile);
