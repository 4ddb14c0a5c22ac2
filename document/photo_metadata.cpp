#include "document/photo_metadata.h"

#include "document/heif_picture.h"
#include "document/jxl_picture.h"
#include "document/picture_formats.h"

#include <QLoggingCategory>
#include <QRecursiveMutex>
#include <QtEndian>

// exiv2 0.27 hands its images and streams over in std::auto_ptr, deprecated since C++11 and still
// there in C++17; its declarations would warn in every file that uses them, so only here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#include <exiv2/webpimage.hpp>

#include <cstring>
#include <exception>
#include <string>

namespace {

Q_LOGGING_CATEGORY(lcMetadata, "drawlume.metadata", QtWarningMsg)

// The tags of a TIFF photo's first directory that say how its pixels are stored (strips, tiles,
// compression, samples) or that carry what exiv2 and the picture writer handle on their own (XMP,
// IPTC, the colour profile, the resolution: the writer stores the artwork's own). They describe
// the photo's file, not the photo, and must not reach the artwork's file.
constexpr quint16 kStorageTags[] = {
    0x00fe, // NewSubfileType
    0x00ff, // SubfileType
    0x0102, // BitsPerSample
    0x0103, // Compression
    0x0106, // PhotometricInterpretation
    0x0107, // Threshholding
    0x0108, // CellWidth
    0x0109, // CellLength
    0x010a, // FillOrder
    0x0111, // StripOffsets
    0x0115, // SamplesPerPixel
    0x0116, // RowsPerStrip
    0x0117, // StripByteCounts
    0x0118, // MinSampleValue
    0x0119, // MaxSampleValue
    0x011a, // XResolution
    0x011b, // YResolution
    0x011c, // PlanarConfiguration
    0x0122, // GrayResponseUnit
    0x0123, // GrayResponseCurve
    0x0124, // T4Options
    0x0125, // T6Options
    0x0128, // ResolutionUnit
    0x013d, // Predictor
    0x0140, // ColorMap
    0x0142, // TileWidth
    0x0143, // TileLength
    0x0144, // TileOffsets
    0x0145, // TileByteCounts
    0x014a, // SubIFDs
    0x014c, // InkSet
    0x0152, // ExtraSamples
    0x0153, // SampleFormat
    0x0154, // SMinSampleValue
    0x0155, // SMaxSampleValue
    0x015b, // JPEGTables
    0x0200, // JPEGProc
    0x0201, // JPEGInterchangeFormat
    0x0202, // JPEGInterchangeFormatLength
    0x0211, // YCbCrCoefficients
    0x0212, // YCbCrSubSampling
    0x0213, // YCbCrPositioning
    0x0214, // ReferenceBlackWhite
    0x02bc, // XMLPacket
    0x83bb, // IPTCNAA
    0x8649, // ImageResources
    0x8773, // InterColorProfile
};

// exiv2's messages (damaged directories, unknown tags) go to the category, not the terminal.
void logExiv2Message(int level, const char* message)
{
    static const char* const kLevels[] = {"debug", "info", "warning", "error"};
    const char* name = level >= 0 && level < 4 ? kLevels[level] : "message";
    qCDebug(lcMetadata, "exiv2 %s: %s", name, QByteArray(message).trimmed().constData());
}

// The XMP toolkit keeps shared tables; exiv2 serialises access to them through this.
void lockXmp(void* mutex, bool lock)
{
    if (lock)
        static_cast<QRecursiveMutex*>(mutex)->lock();
    else
        static_cast<QRecursiveMutex*>(mutex)->unlock();
}

// Sets exiv2 up once per process (thread-safe static initialisation): the message handler and the
// XMP toolkit. Every function here calls it before it touches exiv2, and so does the program's
// start (below), so that no exiv2 message reaches the terminal through exiv2's own handler,
// whoever calls exiv2 first.
void setUpExiv2()
{
    static QRecursiveMutex xmpMutex;
    static const bool ready = [] {
        Exiv2::LogMsg::setHandler(&logExiv2Message);
        Exiv2::XmpParser::initialize(&lockXmp, &xmpMutex);
        return true;
    }();
    Q_UNUSED(ready);
}

[[maybe_unused]] const bool exiv2SetUpAtStart = (setUpExiv2(), true);

Exiv2::Image::AutoPtr openImage(const QByteArray& bytes)
{
    return Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(bytes.constData()),
                                     long(bytes.size()));
}

// The EXIF of a HEIF item or a JPEG XL box: the offset of the TIFF header after these 4 bytes, then
// the header. A block too short for its offset gives nothing.
void decodeExifBlock(const QByteArray& block, Exiv2::ExifData& exif)
{
    if (block.size() <= 4)
        return;
    const quint32 offset = qFromBigEndian<quint32>(block.constData());
    if (offset >= quint32(block.size() - 4))
        return;
    const qsizetype start = 4 + qsizetype(offset);
    Exiv2::ExifParser::decode(exif, reinterpret_cast<const Exiv2::byte*>(block.constData()) + start,
                              uint32_t(block.size() - start));
}

// Reads the EXIF and XMP of a HEIC, HEIF or AVIF file (which have no IPTC) through libheif, which
// reads every such file the pictures are read from; exiv2 0.27 finds the information of only
// some of them. Throws what exiv2 throws on damaged information.
void readHeifInformation(const QByteArray& file, Exiv2::ExifData& exif, Exiv2::XmpData& xmp)
{
    HeifPicture picture;
    if (!picture.open(file, nullptr))
        return;
    decodeExifBlock(picture.metadata("Exif"), exif);
    const QByteArray packet = picture.metadata("mime", "application/rdf+xml");
    if (!packet.isEmpty())
        Exiv2::XmpParser::decode(xmp, packet.toStdString());
}

// Reads the EXIF and XMP of a JPEG XL container from its boxes (exiv2 0.27 knows no JPEG XL).
void readJxlInformation(const QByteArray& file, Exiv2::ExifData& exif, Exiv2::XmpData& xmp)
{
    decodeExifBlock(jxlMetadataBox(file, "Exif"), exif);
    const QByteArray packet = jxlMetadataBox(file, "xml ");
    if (!packet.isEmpty())
        Exiv2::XmpParser::decode(xmp, packet.toStdString());
}

// A WebP file with its XMP packet also in a chunk named "XMP" and a zero byte, after the others.
// ImageMagick 6 looks the packet up under that name and, not finding it, takes the EXIF chunk for
// the packet and warns that the XMP is corrupt; every other reader skips a chunk it does not know,
// as the container asks, and reads the "XMP " chunk.
QByteArray withImageMagickXmpChunk(const QByteArray& webp)
{
    if (webp.size() < 12 || !webp.startsWith("RIFF") || webp.mid(8, 4) != "WEBP")
        return webp;
    QByteArray packet;
    for (qsizetype pos = 12; pos + 8 <= webp.size();) {
        const quint32 size = qFromLittleEndian<quint32>(webp.constData() + pos + 4);
        if (size > quint32(webp.size() - pos - 8))
            return webp;
        if (webp.mid(pos, 4) == QByteArray("XMP\0", 4))
            return webp; // there already
        if (webp.mid(pos, 4) == "XMP ")
            packet = webp.mid(pos + 8, qsizetype(size));
        pos += 8 + qsizetype(size) + qsizetype(size & 1);
    }
    if (packet.isEmpty())
        return webp;
    QByteArray result = webp;
    char header[8] = {'X', 'M', 'P', '\0'};
    qToLittleEndian(quint32(packet.size()), header + 4);
    result.append(header, 8);
    result.append(packet);
    if (packet.size() & 1)
        result.append('\0');
    qToLittleEndian(quint32(result.size() - 8), result.data() + 4);
    return result;
}

bool isStorageTag(quint16 tag)
{
    for (const quint16 storage : kStorageTags) {
        if (tag == storage)
            return true;
    }
    return false;
}

// True for what the artwork's EXIF leaves out: the thumbnail (IFD1), a TIFF's further pictures
// and the tags of how a TIFF photo's pixels are stored; in a TIFF (pixels in the first directory)
// its width and height are of those too.
bool belongsToThePhotoFile(const Exiv2::Exifdatum& datum, bool tiff)
{
    const std::string group = datum.groupName();
    if (group == "Image")
        return isStorageTag(datum.tag()) ||
               (tiff && (datum.tag() == 0x0100 || datum.tag() == 0x0101));
    return group == "Thumbnail" || group.compare(0, 8, "SubImage") == 0 ||
           group.compare(0, 8, "SubThumb") == 0 ||
           (group.compare(0, 5, "Image") == 0 && group.size() > 5);
}

// Sets key to value when the XMP has it; XMP that does not mention a value stays silent on it.
void replaceXmp(Exiv2::XmpData& xmp, const char* key, long value)
{
    const auto pos = xmp.findKey(Exiv2::XmpKey(key));
    if (pos != xmp.end())
        pos->setValue(std::to_string(value));
}

// The artwork's EXIF: the writer's own tags (a TIFF's storage, its colour profile) with the
// photo's added where the writer has none, then what differs for the artwork.
Exiv2::ExifData artworkExif(const Exiv2::ExifData& written, const Exiv2::ExifData& photo,
                            const QSize& size)
{
    Exiv2::ExifData exif = written;
    for (const Exiv2::Exifdatum& datum : photo) {
        if (written.findKey(Exiv2::ExifKey(datum.key())) == written.end())
            exif.add(datum);
    }
    exif["Exif.Image.Orientation"] = uint16_t(1);
    // A text assigned to a tag is read into the tag's present type, which a damaged directory may
    // have of another kind: the software comes as a new tag.
    const auto software = exif.findKey(Exiv2::ExifKey("Exif.Image.Software"));
    if (software != exif.end())
        exif.erase(software);
    exif["Exif.Image.Software"] = std::string("Drawlume " DRAWLUME_VERSION);
    exif["Exif.Photo.PixelXDimension"] = uint32_t(size.width());
    exif["Exif.Photo.PixelYDimension"] = uint32_t(size.height());
    if (exif.findKey(Exiv2::ExifKey("Exif.Image.ImageWidth")) != exif.end())
        exif["Exif.Image.ImageWidth"] = uint32_t(size.width());
    if (exif.findKey(Exiv2::ExifKey("Exif.Image.ImageLength")) != exif.end())
        exif["Exif.Image.ImageLength"] = uint32_t(size.height());
    return exif;
}

Exiv2::XmpData artworkXmp(const Exiv2::XmpData& photo, const QSize& size)
{
    Exiv2::XmpData xmp = photo;
    replaceXmp(xmp, "Xmp.tiff.Orientation", 1);
    replaceXmp(xmp, "Xmp.tiff.ImageWidth", size.width());
    replaceXmp(xmp, "Xmp.tiff.ImageLength", size.height());
    replaceXmp(xmp, "Xmp.exif.PixelXDimension", size.width());
    replaceXmp(xmp, "Xmp.exif.PixelYDimension", size.height());
    return xmp;
}

} // namespace

struct PhotoMetadata::Data
{
    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;
    Exiv2::IptcData iptc;
};

PhotoMetadata::PhotoMetadata() = default;

PhotoMetadata PhotoMetadata::read(const QByteArray& pictureFile)
{
    PhotoMetadata metadata;
    if (pictureFile.isEmpty())
        return metadata;
    setUpExiv2();
    auto data = std::make_shared<Data>();
    try {
        const PictureFormat* format = recognisePictureFormat(pictureFile.left(64));
        if (isHeifPicture(pictureFile)) {
            readHeifInformation(pictureFile, data->exif, data->xmp);
        } else if (format && format->id == QLatin1String("jxl")) {
            readJxlInformation(pictureFile, data->exif, data->xmp);
        } else {
            const Exiv2::Image::AutoPtr image = openImage(pictureFile);
            if (!image.get())
                return metadata;
            image->readMetadata();
            data->exif = image->exifData();
            data->xmp = image->xmpData();
            data->iptc = image->iptcData();
        }
    } catch (const std::exception& e) {
        // Exiv2::AnyError is a std::exception, and so are the allocation failures of a damaged
        // directory that claims a huge size.
        qCDebug(lcMetadata, "the photo information cannot be read: %s", e.what());
        return metadata;
    } catch (...) {
        qCDebug(lcMetadata, "the photo information cannot be read");
        return metadata;
    }

    const bool tiff =
        data->exif.findKey(Exiv2::ExifKey("Exif.Image.StripOffsets")) != data->exif.end() ||
        data->exif.findKey(Exiv2::ExifKey("Exif.Image.TileOffsets")) != data->exif.end();
    bool informative = false; // more than the orientation, which the artwork does not keep
    for (auto pos = data->exif.begin(); pos != data->exif.end();) {
        if (belongsToThePhotoFile(*pos, tiff)) {
            pos = data->exif.erase(pos);
        } else {
            informative = informative || pos->key() != "Exif.Image.Orientation";
            ++pos;
        }
    }
    if (!informative)
        data->exif.clear();
    if (data->exif.empty() && data->xmp.empty() && data->iptc.empty())
        return metadata;
    metadata.m_data = data;
    return metadata;
}

int PhotoMetadata::orientation(const QByteArray& pictureFile)
{
    if (pictureFile.isEmpty())
        return 1;
    setUpExiv2();
    try {
        const Exiv2::Image::AutoPtr image = openImage(pictureFile);
        if (!image.get())
            return 1;
        image->readMetadata();
        const Exiv2::ExifData& exif = image->exifData();
        const auto pos = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (pos == exif.end() || pos->count() < 1)
            return 1;
        const long value = pos->toLong();
        return value >= 1 && value <= 8 ? int(value) : 1;
    } catch (...) {
        return 1;
    }
}

QString PhotoMetadata::missingFrom(const QByteArray& written, const QSize& size) const
{
    if (!m_data)
        return QString();
    const PhotoMetadata kept = read(written);
    const Data* has = kept.m_data.get();
    QStringList missing;
    if (!m_data->exif.empty() && (!has || has->exif.empty()))
        missing << QStringLiteral("EXIF (%1 bytes)").arg(exifBlock(size).size());
    if (!m_data->xmp.empty() && (!has || has->xmp.empty()))
        missing << QStringLiteral("XMP (%1 bytes)").arg(xmpPacket(size).size());
    if (!m_data->iptc.empty() && (!has || has->iptc.empty()))
        missing << QStringLiteral("IPTC");
    return missing.join(QStringLiteral(", "));
}

bool PhotoMetadata::isEmpty() const
{
    return !m_data;
}

QByteArray PhotoMetadata::writeInto(const QByteArray& encoded, const QSize& size) const
{
    if (!m_data || encoded.isEmpty())
        return encoded;
    setUpExiv2();
    try {
        const Exiv2::Image::AutoPtr image = openImage(encoded);
        if (!image.get())
            return encoded;
        // exiv2 0.27 writes EXIF and XMP into WebP files but says it supports none.
        const bool webp = image->imageType() == Exiv2::ImageType::webp;
        const bool exif = (webp || image->supportsMetadata(Exiv2::mdExif)) && !m_data->exif.empty();
        const bool xmp = (webp || image->supportsMetadata(Exiv2::mdXmp)) && !m_data->xmp.empty();
        const bool iptc = image->supportsMetadata(Exiv2::mdIptc) && !m_data->iptc.empty();
        if (!exif && !xmp && !iptc)
            return encoded; // BMP, or nothing this format can carry

        // What the writer put there stays: its colour profile, which exiv2 writes back as it
        // read it, and a TIFF's tags of how its pixels are stored.
        image->readMetadata();
        if (exif)
            image->setExifData(artworkExif(image->exifData(), m_data->exif, size));
        if (xmp)
            image->setXmpData(artworkXmp(m_data->xmp, size));
        if (iptc)
            image->setIptcData(m_data->iptc);
        image->writeMetadata();

        Exiv2::BasicIo& io = image->io();
        const long written = long(io.size());
        if (io.open() != 0 || io.seek(0, Exiv2::BasicIo::beg) != 0)
            return encoded;
        const Exiv2::DataBuf buffer = io.read(written);
        io.close();
        if (buffer.size_ != written || written <= 0)
            return encoded;
        const QByteArray result(reinterpret_cast<const char*>(buffer.pData_), qsizetype(written));
        return webp ? withImageMagickXmpChunk(result) : result;
    } catch (const std::exception& e) {
        qCDebug(lcMetadata, "the photo information cannot be written: %s", e.what());
    } catch (...) {
        qCDebug(lcMetadata, "the photo information cannot be written");
    }
    return encoded;
}

QByteArray PhotoMetadata::exifBlock(const QSize& size) const
{
    if (!m_data || m_data->exif.empty())
        return QByteArray();
    setUpExiv2();
    try {
        Exiv2::Blob blob;
        Exiv2::ExifParser::encode(blob, Exiv2::littleEndian,
                                  artworkExif(Exiv2::ExifData(), m_data->exif, size));
        return QByteArray(reinterpret_cast<const char*>(blob.data()), qsizetype(blob.size()));
    } catch (const std::exception& e) {
        qCDebug(lcMetadata, "the EXIF cannot be written: %s", e.what());
    }
    return QByteArray();
}

QByteArray PhotoMetadata::xmpPacket(const QSize& size) const
{
    if (!m_data || m_data->xmp.empty())
        return QByteArray();
    setUpExiv2();
    try {
        std::string packet;
        if (Exiv2::XmpParser::encode(packet, artworkXmp(m_data->xmp, size)) == 0)
            return QByteArray::fromStdString(packet);
    } catch (const std::exception& e) {
        qCDebug(lcMetadata, "the XMP cannot be written: %s", e.what());
    }
    return QByteArray();
}

#pragma GCC diagnostic pop
