#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <memory>

// Reading HEIC, HEIF and AVIF photos (what phones write) through libheif; the toolkit reads none
// of them. picture_io sends every file whose content isHeifPicture recognises here, whatever its
// name. GUI-free; one HeifPicture per thread.
//
// open() parses the container and finds the primary image, so that the caller can check the size
// before any pixel is decoded; decode() then makes the picture: turned and mirrored as the file
// asks, 8 bits per channel (deeper pictures are reduced), RGB32, or ARGB32 when the file has an
// alpha channel, tagged with the file's colour profile when it has one that maps to a QColorSpace.
//
// The error texts are reasons without the file name, as picture_io's are.

// True when bytes begin with an ISO-BMFF file-type box ("ftyp") whose major or compatible brands
// name a HEIF or AVIF picture or picture sequence (heic, heix, mif1, avif ...).
bool isHeifPicture(const QByteArray& bytes);

// The largest size an image spatial extent box ("ispe") in bytes states, or an invalid size when
// there is none. libheif refuses a size above limits of its own before it tells it; this tells it.
QSize statedHeifSize(const QByteArray& bytes);

class HeifPicture
{
public:
    HeifPicture();
    ~HeifPicture();
    HeifPicture(const HeifPicture&) = delete;
    HeifPicture& operator=(const HeifPicture&) = delete;

    // Parses fileBytes (kept, shared, while this object lives) and finds the primary image. False
    // with *error (when given) set when the file is damaged or of a kind libheif cannot read.
    bool open(const QByteArray& fileBytes, QString* error);

    // The primary image's size as it is shown, after rotation; empty before a successful open().
    QSize size() const;

    // Decodes the primary image into image. On failure image is left unchanged, false is
    // returned and *error (when given) says why.
    bool decode(QImage& image, QString* error);

    // The first metadata block of the primary image of item type ("Exif", or "mime" for XMP) and,
    // when given, content type ("application/rdf+xml"), as stored: an EXIF block begins with the
    // 4-byte offset of its TIFF header. Empty when there is none or before a successful open().
    QByteArray metadata(const char* type, const char* contentType = nullptr) const;

private:
    struct Handles;
    QByteArray m_bytes;
    std::unique_ptr<Handles> m_handles;
};
