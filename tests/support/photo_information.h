#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QMap>
#include <QSize>
#include <QString>
#include <QtEndian>

#include <string>

// exiv2 0.27 declares its owning pointers as std::auto_ptr (deprecated in C++17).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

// Photo information for tests, made at test time with exiv2: what a phone writes into a photo
// taken sideways (EXIF with orientation 6, a thumbnail, the camera, the date and the place; XMP;
// IPTC), put into a picture file of any format exiv2 writes; the same EXIF damaged in the ways a
// broken camera or editor damages it; and the information of a file as a table of key and text.

namespace phone {
inline const std::string make = "Lumeta";
inline const std::string model = "L-7 Pocket";
inline const std::string software = "Camera";
inline const std::string taken = "2023:06:14 07:31:05";
inline const std::string latitude = "52/1 22/1 1234/100";
inline const std::string longitude = "4/1 53/1 4321/100";
inline const std::string title = "Harbour at dawn";
inline const std::string caption = "Fishing boats in the morning mist";
inline const std::string byline = "R. Ostrander";
} // namespace phone

// The EXIF of a phone photo of size (as stored, before it is turned upright).
inline Exiv2::ExifData phoneExif(const QSize& size)
{
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = phone::make;
    exif["Exif.Image.Model"] = phone::model;
    exif["Exif.Image.Software"] = phone::software;
    exif["Exif.Image.Orientation"] = uint16_t(6);
    exif["Exif.Image.ImageWidth"] = uint32_t(size.width());
    exif["Exif.Image.ImageLength"] = uint32_t(size.height());
    exif["Exif.Photo.DateTimeOriginal"] = phone::taken;
    exif["Exif.Photo.PixelXDimension"] = uint32_t(size.width());
    exif["Exif.Photo.PixelYDimension"] = uint32_t(size.height());
    exif["Exif.GPSInfo.GPSVersionID"] = std::string("2 3 0 0");
    exif["Exif.GPSInfo.GPSLatitudeRef"] = std::string("N");
    exif["Exif.GPSInfo.GPSLatitude"] = phone::latitude;
    exif["Exif.GPSInfo.GPSLongitudeRef"] = std::string("E");
    exif["Exif.GPSInfo.GPSLongitude"] = phone::longitude;

    // The thumbnail: a small JPEG of the photo, as cameras store for quick previews.
    QImage preview(16, 12, QImage::Format_RGB32);
    preview.fill(qRgb(90, 120, 160));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    preview.save(&buffer, "jpeg", 80);
    Exiv2::ExifThumb(exif).setJpegThumbnail(reinterpret_cast<const Exiv2::byte*>(jpeg.constData()),
                                            long(jpeg.size()));
    return exif;
}

inline Exiv2::XmpData phoneXmp(const QSize& size)
{
    Exiv2::XmpData xmp;
    xmp["Xmp.dc.title"] = "lang=\"x-default\" " + phone::title;
    xmp["Xmp.tiff.Orientation"] = std::string("6");
    xmp["Xmp.exif.PixelXDimension"] = std::to_string(size.width());
    xmp["Xmp.exif.PixelYDimension"] = std::to_string(size.height());
    return xmp;
}

inline Exiv2::IptcData phoneIptc()
{
    Exiv2::IptcData iptc;
    iptc["Iptc.Application2.Caption"] = phone::caption;
    iptc["Iptc.Application2.Byline"] = phone::byline;
    return iptc;
}

// pictureFile with exif, xmp and iptc (where the format takes IPTC) written into it by exiv2, in
// place of what it had. Empty when exiv2 cannot write it.
inline QByteArray withInformation(const QByteArray& pictureFile, const Exiv2::ExifData& exif,
                                  const Exiv2::XmpData& xmp = Exiv2::XmpData(),
                                  const Exiv2::IptcData& iptc = Exiv2::IptcData())
{
    try {
        Exiv2::Image::AutoPtr image =
            Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(pictureFile.constData()),
                                      long(pictureFile.size()));
        image->readMetadata(); // keeps the colour profile
        image->setExifData(exif);
        image->setXmpData(xmp);
        if (image->supportsMetadata(Exiv2::mdIptc))
            image->setIptcData(iptc);
        image->writeMetadata();
        Exiv2::BasicIo& io = image->io();
        const long length = long(io.size());
        io.open();
        io.seek(0, Exiv2::BasicIo::beg);
        const Exiv2::DataBuf bytes = io.read(length);
        io.close();
        return QByteArray(reinterpret_cast<const char*>(bytes.pData_), bytes.size_);
    } catch (const std::exception&) {
        return QByteArray();
    }
}

inline QByteArray withExif(const QByteArray& pictureFile, const Exiv2::ExifData& exif)
{
    return withInformation(pictureFile, exif);
}

// pictureFile with the phone's information (of a photo of size).
inline QByteArray withPhoneInformation(const QByteArray& pictureFile, const QSize& size)
{
    return withInformation(pictureFile, phoneExif(size), phoneXmp(size), phoneIptc());
}

// The phone's EXIF as a HEIF file stores it: the TIFF structure alone.
inline QByteArray phoneExifBlock(const QSize& size)
{
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, phoneExif(size));
    return QByteArray(reinterpret_cast<const char*>(blob.data()), qsizetype(blob.size()));
}

inline QByteArray phoneXmpPacket(const QSize& size)
{
    std::string packet;
    Exiv2::XmpParser::encode(packet, phoneXmp(size));
    return QByteArray::fromStdString(packet);
}

// The ways the EXIF block of a JPEG is damaged, for damagedExif.
inline QStringList exifDamages()
{
    return {"directory far past the end", "huge entry count", "scrambled entries", "no byte order",
            "entries cut off"};
}

// jpeg (with an EXIF block) with that block damaged as named in exifDamages(); the JPEG itself
// stays whole, so the picture reads as before.
inline QByteArray damagedExif(QByteArray jpeg, const QString& damage)
{
    const qsizetype exif = jpeg.indexOf(QByteArray("Exif\0\0", 6));
    if (exif < 0)
        return QByteArray();
    const qsizetype segmentLength = qFromBigEndian<quint16>(jpeg.constData() + exif - 2);
    const qsizetype tiff = exif + 6;
    const qsizetype end = exif - 2 + segmentLength; // first byte after the segment
    auto* data = reinterpret_cast<uchar*>(jpeg.data());
    const bool little = data[tiff] == 'I';
    const auto read32 = [&](qsizetype at) {
        return little ? qFromLittleEndian<quint32>(data + at) : qFromBigEndian<quint32>(data + at);
    };
    const qsizetype ifd0 = tiff + qsizetype(read32(tiff + 4));
    if (damage == "directory far past the end") {
        little ? qToLittleEndian<quint32>(0x7ffffff0u, data + tiff + 4)
               : qToBigEndian<quint32>(0x7ffffff0u, data + tiff + 4);
    } else if (damage == "huge entry count") {
        data[ifd0] = 0xff;
        data[ifd0 + 1] = 0xff;
    } else if (damage == "scrambled entries") {
        for (qsizetype at = ifd0 + 2; at < end; at += 7)
            data[at] = uchar(at * 37);
    } else if (damage == "no byte order") {
        data[tiff] = 'X';
        data[tiff + 1] = 'Y';
    } else if (damage == "entries cut off") {
        // The rest of the segment, from the middle of the first directory on, is zeros.
        for (qsizetype at = ifd0 + 2 + 12 * 3 + 5; at < end; ++at)
            data[at] = 0;
    }
    return jpeg;
}

// Every EXIF, XMP and IPTC key of the picture file with its value as text; for a file exiv2
// cannot read, the one key "unreadable".
inline QMap<QString, QString> photoInformation(const QByteArray& pictureFile)
{
    QMap<QString, QString> information;
    try {
        Exiv2::Image::AutoPtr image =
            Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(pictureFile.constData()),
                                      long(pictureFile.size()));
        image->readMetadata();
        for (const Exiv2::Exifdatum& datum : image->exifData())
            information.insert(QString::fromStdString(datum.key()),
                               QString::fromStdString(datum.toString()));
        for (const Exiv2::Xmpdatum& datum : image->xmpData())
            information.insert(QString::fromStdString(datum.key()),
                               QString::fromStdString(datum.toString()));
        for (const Exiv2::Iptcdatum& datum : image->iptcData())
            information.insert(QString::fromStdString(datum.key()),
                               QString::fromStdString(datum.toString()));
    } catch (const std::exception&) {
        information.insert(QStringLiteral("unreadable"), QString());
    }
    return information;
}

// True when a key of information starts with prefix ("Exif.", "Exif.Thumbnail.", "Xmp.", "Iptc.").
inline bool hasKeysOf(const QMap<QString, QString>& information, const QString& prefix)
{
    for (auto it = information.cbegin(); it != information.cend(); ++it) {
        if (it.key().startsWith(prefix))
            return true;
    }
    return false;
}

#pragma GCC diagnostic pop
