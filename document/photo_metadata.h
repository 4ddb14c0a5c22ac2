#pragma once

#include <QByteArray>
#include <QSize>

#include <memory>

// The photo information a camera or phone stores beside the pixels: EXIF (camera, exposure, date,
// place), XMP and IPTC (captions, keywords, rights). The artwork made from a photo carries it on,
// read from the photo's file and written into the artwork's file once the pixels are encoded, so
// that the artwork is found by the date and place it was taken and keeps its author. Read and
// written with exiv2; GUI-free and callable from any thread.
//
// What the artwork's file gets differs from the photo's where the photo's no longer holds:
//   - the orientation is 1 (EXIF and XMP): the artwork's pixels stand upright already;
//   - there is no thumbnail (EXIF IFD1), which would show the photo rather than the artwork;
//   - the pixel dimensions (EXIF and XMP) are the artwork's;
//   - the software (Exif.Image.Software) is "Drawlume <version>";
//   - the tags that describe how a TIFF photo's pixels were stored are left out, and so is the
//     resolution, which the writer stores for the artwork.
// The colour profile is no part of it: the picture writer embeds that, and it stays as written.
// HEIC, HEIF and AVIF photos are read through libheif (heif_picture.h), JPEG XL photos through
// libjxl (jxl_picture.h), as their pixels are; AVIF and JPEG XL artworks get exifBlock() and
// xmpPacket() from their encoders, since exiv2 0.27 writes neither. A WebP file's XMP packet is
// written twice: in its "XMP " chunk and, for ImageMagick 6, in a chunk that other readers skip.
//
// Metadata never stops a picture from being saved: a photo whose information cannot be read has
// none, and a file that cannot take it (BMP) or that exiv2 fails to write stays as encoded.
// exiv2's own warnings go to the logging category drawlume.metadata, off unless asked for.
class PhotoMetadata
{
public:
    // No information: writeInto leaves every file as it is.
    PhotoMetadata();

    // The information in a picture file held in memory (JPEG, PNG, TIFF, WebP, HEIC, AVIF ...).
    // Empty when the file has none or it cannot be read (a damaged EXIF block).
    static PhotoMetadata read(const QByteArray& pictureFile);

    // The EXIF orientation (1..8) of a picture file as exiv2 reads it (a PNG's eXIf chunk or raw
    // profile, a WebP's EXIF chunk ...); 1 when it has none or it cannot be read.
    static int orientation(const QByteArray& pictureFile);

    // What of this information the picture file `written` (an artwork written with it, of size
    // pixels) lacks, for a warning: "EXIF (70114 bytes), IPTC", or empty when it has everything.
    QString missingFrom(const QByteArray& written, const QSize& size) const;

    // True when there is neither EXIF nor XMP nor IPTC to write.
    bool isEmpty() const;

    // The encoded picture file with this information written into it, adjusted for a picture of
    // size pixels as listed above. The pixels, and everything else of the file except its
    // EXIF, XMP and IPTC, stay as encoded. Returns encoded itself when there is nothing to write,
    // when its format cannot carry the information or when writing fails.
    QByteArray writeInto(const QByteArray& encoded, const QSize& size) const;

    // The information as the artwork's file gets it (adjusted for size as writeInto does), for
    // writers that embed it themselves (AVIF, JPEG XL): the EXIF as a TIFF-structured block
    // (little-endian, beginning "II*"), the XMP as a packet. Empty when there is none.
    QByteArray exifBlock(const QSize& size) const;
    QByteArray xmpPacket(const QSize& size) const;

private:
    struct Data;
    std::shared_ptr<const Data> m_data;
};
