#include "document/picture_io.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QMutex>
#include <QSaveFile>
#include <QTransform>
#include <QtEndian>

#include <new>

#include "core/framework/atomic_file.h"
#include "document/avif_writer.h"
#include "document/heif_picture.h"
#include "document/jxl_picture.h"
#include "document/photo_metadata.h"
#include "document/picture_formats.h"
#include "document/png_deflate.h"
#include "document/png_writer.h"
#include "document/tiff_writer.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Decoders refuse to allocate more than this. A 100-megapixel picture needs 400 MB at 8 bits per
// channel and 800 MB as 16-bit RGBA (a PNG from a raw converter), so leave room for both; a raised
// picture limit raises it alike (8 MB per megapixel).
constexpr int kAllocationLimitMegabytes = 1024;
constexpr int kAllocationMegabytesPerMegapixel = 8;

// What a decoder needs at most while it decodes: the 32-bit picture and as much again.
constexpr qint64 kDecodeBytesPerPixel = 8;

// A render's peak memory: at most this many bytes per pixel plus a fixed part for the program.
constexpr qint64 kRenderBytesPerPixel = 16;
constexpr qint64 kRenderFixedBytes = 100 * 1000 * 1000;

std::atomic<int> maximumMegapixels{kDefaultMaximumMegapixels};

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

// True when the program has a writer for the row: its own for PNG, else the toolkit's (TIFF and
// WebP come from an optional plugin package).
bool hasWriter(const PictureFormat& format)
{
    if (!format.written)
        return false;
    if (format.id == QLatin1String("png") || format.id == QLatin1String("tiff") ||
        format.id == QLatin1String("jxl"))
        return true;
    if (format.id == QLatin1String("avif"))
        return canWriteAvif();
    return QImageWriter::supportedImageFormats().contains(format.id.toLatin1());
}

// The written row of a suffix, or null when it is unknown or has no writer.
const PictureFormat* writerFormat(const QString& suffix)
{
    const PictureFormat* format = pictureFormatForSuffix(suffix);
    return format && hasWriter(*format) ? format : nullptr;
}

// JPEG and BMP files carry no alpha: compose a transparent picture on white paper, as it would be
// printed, instead of letting the hidden colour of transparent pixels show (often black).
QImage onWhitePaper(const QImage& image)
{
    // In premultiplied form a pixel over white is colour + (255 - alpha), exactly.
    const QImage source = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage result(source.size(), QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        QRgb* out = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            const int paper = 255 - qAlpha(in[x]);
            out[x] = qRgb(qRed(in[x]) + paper, qGreen(in[x]) + paper, qBlue(in[x]) + paper);
        }
    }
    result.setDotsPerMeterX(image.dotsPerMeterX());
    result.setDotsPerMeterY(image.dotsPerMeterY());
    return result;
}

// Encodes image in the writer format with quality as savePicture takes it.
// True for the formats whose writers embed the photo information themselves (exiv2 0.27 cannot
// write into them).
bool embedsMetadata(const PictureFormat& row)
{
    return row.id == QLatin1String("avif") || row.id == QLatin1String("jxl");
}

bool encodePicture(const QImage& source, const PictureFormat& row, int quality, QByteArray* encoded,
                   QString* error, const PhotoMetadata& metadata, QString* droppedProfile)
{
    // Every writer embeds the colour space the picture is tagged with; it gets the one
    // writtenColourSpace() leaves it (a copy of the pixels, only when a profile is dropped). The
    // writers of formats without ICC embed none.
    const QColorSpace space = writtenColourSpace(source, row, droppedProfile);
    QImage image = source;
    if (row.canCarry(PictureFormat::Icc) && space != source.colorSpace())
        image.setColorSpace(space);
    const QByteArray format = row.id.toLatin1();
    if (embedsMetadata(row)) {
        const int q = quality < 0 ? row.qualityDefault : quality;
        const QByteArray exif = metadata.exifBlock(image.size());
        const QByteArray xmp = metadata.xmpPacket(image.size());
        return format == "avif" ? encodeAvif(image, q, exif, xmp, encoded, error)
                                : encodeJxl(image, q, exif, xmp, encoded, error);
    }
    QBuffer buffer(encoded);
    buffer.open(QIODevice::WriteOnly);
    // PNG goes through the writer of our own (faster, smaller files) unless the picture has more
    // than 8 bits per channel or a palette. A quality becomes a compression level as the
    // toolkit's writer makes it: 0 the strongest, 100 none.
    if (format == "png" && canWritePng(image)) {
        const int level = quality >= 0
                              ? (100 - quality) * 9 / 91
                              : defaultPngCompressionLevel(qint64(image.width()) * image.height());
        QString reason;
        if (writePng(image, buffer, level, &reason))
            return true;
        return fail(error, QStringLiteral("the PNG writer failed (%1)").arg(reason));
    }
    // TIFF goes through the writer of our own (deflated without loss) unless the picture is deeper
    // than 8 bits per channel; the toolkit's writer then compresses it with LZW.
    if (format == "tiff" && canWriteTiff(image)) {
        buffer.close();
        return writeTiff(image, encoded, error);
    }
    QImageWriter writer(&buffer, format);
    if (format == "tiff")
        writer.setCompression(1);
    if (quality >= 0)
        writer.setQuality(quality);
    else if (quality == -1 && row.hasQuality())
        writer.setQuality(row.qualityDefault);

    const bool opaqueFormat = format == "jpeg" || format == "bmp";
    const QImage picture = opaqueFormat && image.hasAlphaChannel() ? onWhitePaper(image) : image;
    if (writer.write(picture))
        return true;
    QString reason =
        QStringLiteral("the %1 writer failed").arg(QString::fromLatin1(format).toUpper());
    if (writer.error() != QImageWriter::UnknownError)
        reason += QStringLiteral(" (%1)").arg(writer.errorString());
    return fail(error, reason);
}

} // namespace

QColorSpace writtenColourSpace(const QImage& image, const PictureFormat& format, QString* dropped)
{
    if (dropped)
        dropped->clear();
    const QColorSpace space = image.colorSpace();
    // A space read from a file keeps the file's profile bytes even when the toolkit cannot use
    // them; iccProfile() hands them back, and the toolkit's writers would embed them.
    const QByteArray profile = space.iccProfile();
    if (profile.isEmpty())
        return QColorSpace();
    // The colour model of the profile's header (bytes 16..19): the artwork's pixels are RGB.
    const QByteArray model = profile.mid(16, 4);
    QString reason;
    if (space.isValid() && model == "RGB ")
        return format.canCarry(PictureFormat::Icc) ? space : QColorSpace();
    if (model == "CMYK" || model == "GRAY")
        reason = QStringLiteral("a %1 profile does not fit an RGB picture")
                     .arg(model == "CMYK" ? QStringLiteral("CMYK") : QStringLiteral("grey"));
    else if (model.size() == 4 && space.isValid())
        reason = QStringLiteral("a profile of colour model \"%1\" does not fit an RGB picture")
                     .arg(QString::fromLatin1(model).trimmed());
    else
        reason = QStringLiteral("it is damaged");
    if (dropped)
        *dropped = QStringLiteral("the colour profile (ICC, %1 bytes) left out of this %2 file: %3")
                       .arg(profile.size())
                       .arg(format.label, reason);
    return QColorSpace();
}

namespace {

// The picture turned and mirrored as its file asks (the EXIF orientation of a phone photo), as
// the reader would, keeping its colour space.
QImage upright(const QImage& stored, QImageIOHandler::Transformations turn)
{
    if (turn == QImageIOHandler::TransformationNone)
        return stored;
    QImage picture = stored.mirrored(turn & QImageIOHandler::TransformationMirror,
                                     turn & QImageIOHandler::TransformationFlip);
    if (turn & QImageIOHandler::TransformationRotate90)
        picture = picture.transformed(QTransform().rotate(90));
    picture.setColorSpace(stored.colorSpace());
    return picture;
}

// The turn an EXIF orientation (1..8) asks for, as the toolkit's readers map it.
QImageIOHandler::Transformations exifTransformation(int orientation)
{
    switch (orientation) {
    case 2:
        return QImageIOHandler::TransformationMirror;
    case 3:
        return QImageIOHandler::TransformationRotate180;
    case 4:
        return QImageIOHandler::TransformationFlip;
    case 5:
        return QImageIOHandler::TransformationFlipAndRotate90;
    case 6:
        return QImageIOHandler::TransformationRotate90;
    case 7:
        return QImageIOHandler::TransformationMirrorAndRotate90;
    case 8:
        return QImageIOHandler::TransformationRotate270;
    default:
        return QImageIOHandler::TransformationNone;
    }
}

void raiseAllocationLimit()
{
    // The limit is process-wide: raise it to what the picture limit needs, and never lower a limit
    // someone else raised further.
    static QMutex mutex;
    const QMutexLocker lock(&mutex);
    const int needed = std::max(kAllocationLimitMegabytes,
                                maximumPictureMegapixels() * kAllocationMegabytesPerMegapixel);
    if (QImageReader::allocationLimit() < needed)
        QImageReader::setAllocationLimit(needed);
}

// The memory the system can still give this process, in bytes, or -1 when it does not say: the
// kernel's estimate of available memory, and within a control group with a memory limit what is
// left of that limit.
qint64 availableMemoryBytes()
{
    qint64 available = -1;
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : meminfo.readAll().split('\n')) {
            if (line.startsWith("MemAvailable:")) {
                bool ok = false;
                const qint64 kilobytes = line.mid(13).trimmed().split(' ').value(0).toLongLong(&ok);
                if (ok)
                    available = kilobytes * 1024;
            }
        }
    }
    QFile limitFile(QStringLiteral("/sys/fs/cgroup/memory.max"));
    QFile usageFile(QStringLiteral("/sys/fs/cgroup/memory.current"));
    if (limitFile.open(QIODevice::ReadOnly) && usageFile.open(QIODevice::ReadOnly)) {
        bool limitOk = false;
        bool usageOk = false;
        const qint64 limit = limitFile.readAll().trimmed().toLongLong(&limitOk); // or "max"
        const qint64 usage = usageFile.readAll().trimmed().toLongLong(&usageOk);
        if (limitOk && usageOk) {
            const qint64 left = std::max<qint64>(0, limit - usage);
            available = available < 0 ? left : std::min(available, left);
        }
    }
    return available;
}

qint64 megabytes(qint64 bytes)
{
    return (bytes + 999999) / 1000000;
}

// Why a picture of this size cannot be read, or empty when it can: above the picture limit, or
// more than the free memory could render.
QString sizeProblem(const QSize& size)
{
    const qint64 pixels = qint64(size.width()) * qint64(size.height());
    const int limit = maximumPictureMegapixels();
    if (pixels > qint64(limit) * 1000000) {
        return QStringLiteral("the picture is too large (%1 x %2 pixels; at most %3 megapixels, a "
                              "limit that drawlume-render's --max-megapixels and the setting "
                              "max_megapixels raise)")
            .arg(size.width())
            .arg(size.height())
            .arg(limit);
    }
    const qint64 needed = renderMemoryBytes(pixels);
    const qint64 available = availableMemoryBytes();
    if (available >= 0 && needed > available) {
        return QStringLiteral("there is not enough free memory for the picture (%1 x %2 pixels "
                              "need about %3 MB, %4 MB are free)")
            .arg(size.width())
            .arg(size.height())
            .arg(megabytes(needed))
            .arg(megabytes(available));
    }
    return QString();
}

// Whether a decoder could have the memory for a picture of this size: the decoded picture and as
// much again for its working buffers (a progressive JPEG keeps every coefficient). Asked after a
// decoder failed, to tell a lack of memory from damage.
bool canAllocateForDecoding(const QSize& size)
{
    const qint64 bytes = qint64(size.width()) * size.height() * kDecodeBytesPerPixel;
    if (bytes <= 0 || quint64(bytes) > std::numeric_limits<size_t>::max())
        return false;
    void* block = std::malloc(size_t(bytes));
    std::free(block);
    return block != nullptr;
}

QString notEnoughMemoryToDecode(const QSize& size)
{
    return QStringLiteral("not enough memory to decode the picture (%1 x %2 pixels)")
        .arg(size.width())
        .arg(size.height());
}

// SVG drawings are no photographs: the toolkit's reader would load the files their links name
// and, for text, look up fonts, which aborts a program without a GUI. They are refused unread.
bool isVectorDrawing(QImageReader& reader)
{
    const QByteArray format = reader.format();
    return format == "svg" || format == "svgz";
}

QString vectorDrawingReason()
{
    return QStringLiteral("not a supported photo format (an SVG drawing)");
}

QString notAPictureReason()
{
    return QStringLiteral("not a picture, or of a kind that cannot be read");
}

// True when a JPEG's markers run off the end of the data before the end-of-image marker. The walk
// jumps over every segment by its length (so the markers of an EXIF thumbnail are never seen) and
// steps through each scan's compressed data, in which a 0xFF byte is followed by a stuffed zero or
// a restart marker. Whatever follows the end-of-image marker does not matter.
bool jpegEndsEarly(const uchar* data, qsizetype size)
{
    qsizetype pos = 2; // after the start-of-image marker
    for (;;) {
        // The next marker: 0xFF, any number of 0xFF fill bytes, the marker's code.
        const void* next = std::memchr(data + pos, 0xFF, size_t(size - pos));
        if (!next)
            return true;
        pos = static_cast<const uchar*>(next) - data + 1;
        while (pos < size && data[pos] == 0xFF)
            ++pos;
        if (pos >= size)
            return true;
        const uchar marker = data[pos++];
        if (marker == 0xD9) // end of image
            return false;
        // Stuffed zeros, TEM, restart markers and a start of image stand alone.
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8))
            continue;
        if (size - pos < 2)
            return true;
        const qsizetype length = (qsizetype(data[pos]) << 8) | data[pos + 1];
        if (length < 2) // damaged rather than cut short; the decoder has had its say
            return false;
        if (length > size - pos)
            return true;
        pos += length;
    }
}

// True when a PNG's chunks run off the end of the data before the IEND chunk.
bool pngEndsEarly(const uchar* data, qsizetype size)
{
    qsizetype pos = 8; // after the signature
    for (;;) {
        // Each chunk: length (4), type (4), data, CRC (4).
        if (size - pos < 12)
            return true;
        const quint32 length = qFromBigEndian<quint32>(data + pos);
        if (length > 0x7FFFFFFFu) // damaged rather than cut short
            return false;
        if (std::memcmp(data + pos + 4, "IEND", 4) == 0)
            return false;
        if (qint64(length) > size - pos - 12)
            return true;
        pos += 12 + qsizetype(length);
    }
}

// True when bytes hold a JPEG or PNG file that ends before the picture does.
bool endsEarly(const QByteArray& bytes)
{
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype size = bytes.size();
    static const char pngSignature[] = "\x89PNG\r\n\x1a\n";
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return jpegEndsEarly(data, size);
    if (size >= 8 && std::memcmp(data, pngSignature, 8) == 0)
        return pngEndsEarly(data, size);
    return false;
}

// Decodes a HEIC, HEIF or AVIF file, refusing a picture above the limit before decoding it.
bool decodeHeif(const QByteArray& fileBytes, QImage& image, QString* error)
{
    HeifPicture picture;
    if (!picture.open(fileBytes, error)) {
        // libheif refuses a size beyond its own limits as damage; a size above ours is told.
        const QSize stated = statedHeifSize(fileBytes);
        const QString problem = stated.isValid() ? sizeProblem(stated) : QString();
        if (!problem.isEmpty())
            return fail(error, problem);
        return false;
    }
    const QString problem = sizeProblem(picture.size());
    if (!problem.isEmpty())
        return fail(error, problem);
    if (picture.decode(image, error))
        return true;
    if (!canAllocateForDecoding(picture.size()))
        return fail(error, notEnoughMemoryToDecode(picture.size()));
    return false;
}

} // namespace

void setMaximumPictureMegapixels(int megapixels)
{
    maximumMegapixels = std::clamp(megapixels, kLowestMaximumMegapixels, kHighestMaximumMegapixels);
}

int maximumPictureMegapixels()
{
    return maximumMegapixels;
}

qint64 renderMemoryBytes(qint64 pixels)
{
    return pixels * kRenderBytesPerPixel + kRenderFixedBytes;
}

bool loadPicture(const QString& path, QImage& image, QString* error)
{
    return loadPictureFile(path, image, nullptr, error);
}

bool loadPictureFile(const QString& path, QImage& image, QByteArray* fileBytes, QString* error,
                     QString* warning)
{
    if (warning)
        warning->clear();
    if (path.isEmpty())
        return fail(error, QStringLiteral("no file name given"));
    const QFileInfo info(path);
    if (!info.exists())
        return fail(error, QStringLiteral("file does not exist"));
    if (info.isDir())
        return fail(error, QStringLiteral("it is a directory, not a picture"));
    // A pipe or a device would be read until it ends, which may be never.
    if (!info.isFile())
        return fail(error, QStringLiteral("not a regular file"));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(error, file.errorString());
    if (file.size() == 0)
        return fail(error, QStringLiteral("the file is empty, not a picture"));

    // The header first: a large file that is no picture, or a picture above the limit, is
    // refused without reading all of it. HEIF files go to libheif, which reads them whole.
    raiseAllocationLimit();
    const QByteArray head = file.peek(4096);
    const PictureFormat* recognised = recognisePictureFormat(head);
    const bool ownReader = recognised && recognised->id == QLatin1String("jxl");
    if (!isHeifPicture(head) && !ownReader) {
        QImageReader header(&file);
        header.setDecideFormatFromContent(true);
        if (isVectorDrawing(header))
            return fail(error, vectorDrawingReason());
        if (!header.canRead())
            return fail(error, notAPictureReason());
        const QSize size = header.size();
        const QString problem = size.isValid() ? sizeProblem(size) : QString();
        if (!problem.isEmpty())
            return fail(error, problem);
    }
    if (!file.seek(0))
        return fail(error, file.errorString());
    QByteArray bytes;
    try {
        bytes = file.readAll();
    } catch (const std::bad_alloc&) {
        return fail(
            error,
            QStringLiteral("not enough memory to read the file (%1 bytes)").arg(file.size()));
    }
    if (file.error() != QFileDevice::NoError)
        return fail(error, file.errorString());

    if (!decodePicture(bytes, image, error, warning))
        return false;
    if (fileBytes)
        *fileBytes = bytes;
    return true;
}

bool decodePicture(const QByteArray& fileBytes, QImage& image, QString* error, QString* warning)
{
    if (warning)
        warning->clear();
    if (fileBytes.isEmpty())
        return fail(error, QStringLiteral("the file is empty, not a picture"));
    if (isHeifPicture(fileBytes))
        return decodeHeif(fileBytes, image, error);
    const PictureFormat* recognised = recognisePictureFormat(fileBytes.left(64));
    if (recognised && recognised->id == QLatin1String("jxl"))
        return decodeJxl(fileBytes, image, error, &sizeProblem);

    raiseAllocationLimit();
    QBuffer buffer;
    buffer.setData(fileBytes); // shares the bytes, no copy
    if (!buffer.open(QIODevice::ReadOnly))
        return fail(error, buffer.errorString());
    QImageReader reader(&buffer);
    // The picture is stood upright here (upright()), not by the reader, which drops the colour
    // profile of a turned picture.
    reader.setAutoTransform(false);
    if (isVectorDrawing(reader))
        return fail(error, vectorDrawingReason());

    // The header tells the size; refuse a huge picture before a single pixel is decoded.
    const QSize size = reader.size();
    const QString problem = size.isValid() ? sizeProblem(size) : QString();
    if (!problem.isEmpty())
        return fail(error, problem);

    QImage decoded;
    if (!reader.read(&decoded)) {
        if (reader.error() == QImageReader::UnsupportedFormatError)
            return fail(error, notAPictureReason());
        // The decoders tell a picture they cannot allocate as damaged.
        if (size.isValid() && !canAllocateForDecoding(size))
            return fail(error, notEnoughMemoryToDecode(size));
        // The decoders often say no more than "Unknown error"; leave that out.
        QString reason = QStringLiteral("the picture is damaged");
        if (reader.error() != QImageReader::UnknownError)
            reason += QStringLiteral(" (%1)").arg(reader.errorString());
        return fail(error, reason);
    }
    // The toolkit turns JPEG and TIFF photos by their EXIF orientation; PNG and WebP files carry
    // one too (a PNG's eXIf chunk or raw profile, a WebP's EXIF chunk), read here.
    QImageIOHandler::Transformations turn = reader.transformation();
    if (turn == QImageIOHandler::TransformationNone && recognised &&
        (recognised->id == QLatin1String("png") || recognised->id == QLatin1String("webp")))
        turn = exifTransformation(PhotoMetadata::orientation(fileBytes));
    decoded = upright(decoded, turn);
    // Some formats do not tell their size up front; check what came out as well.
    const QString decodedProblem = sizeProblem(decoded.size());
    if (!decodedProblem.isEmpty())
        return fail(error, decodedProblem);
    // The JPEG decoder fills a picture cut short with grey and reads it without an error.
    if (warning && endsEarly(fileBytes))
        *warning =
            QStringLiteral("the picture is incomplete: the file ends before the picture does");
    image = decoded;
    return true;
}

bool savePicture(const QImage& image, const QString& path, int quality, QString* error,
                 const PhotoMetadata& metadata, QString* warning)
{
    if (warning)
        warning->clear();
    if (image.isNull())
        return fail(error, QStringLiteral("there is no picture to save"));
    if ((quality < -1 && quality != kWriterDefaultQuality) || quality > 100)
        return fail(error, QStringLiteral("the quality %1 is outside 0..100").arg(quality));

    const QFileInfo info(path);
    const QString suffix = info.suffix();
    const PictureFormat* format = writerFormat(suffix);
    if (!format) {
        const QString known = writablePictureSuffixes().join(QStringLiteral(", "));
        if (suffix.isEmpty())
            return fail(error,
                        QStringLiteral("the file name has no suffix to choose the format by (%1)")
                            .arg(known));
        return fail(error,
                    QStringLiteral("unsupported format \"%1\" (writable: %2)").arg(suffix, known));
    }
    if (info.isDir())
        return fail(error, QStringLiteral("it is a directory"));

    // The pixels are encoded in memory first and the photo information goes into those bytes,
    // which are then written in one go to a temporary file beside the target; it replaces the
    // target only when every byte is on the disk. (The writers cannot be trusted to notice a
    // failed write: some go on, and seeking clears the device's error.)
    QByteArray encoded;
    QString droppedProfile;
    if (!encodePicture(image, *format, quality, &encoded, error, metadata, &droppedProfile))
        return false;
    const QByteArray bytes =
        embedsMetadata(*format) ? encoded : metadata.writeInto(encoded, image.size());
    encoded = QByteArray(); // one copy at a time
    QString reason;
    if (!writeFileAtomically(path, bytes, &reason))
        return fail(error, reason);
    if (!warning)
        return true;
    QStringList leftOut;
    if (!droppedProfile.isEmpty())
        leftOut << droppedProfile;
    if (!metadata.isEmpty()) {
        const QString missing = metadata.missingFrom(bytes, image.size());
        if (!missing.isEmpty())
            leftOut << QStringLiteral("the photo information left out of this %1 file: %2")
                           .arg(format->label, missing);
    }
    *warning = leftOut.join(QStringLiteral("; "));
    return true;
}

bool isWritablePictureSuffix(const QString& suffix)
{
    return writerFormat(suffix) != nullptr;
}

QStringList writablePictureSuffixes()
{
    QStringList suffixes;
    for (const PictureFormat& format : pictureFormats()) {
        if (hasWriter(format))
            suffixes += format.suffixes;
    }
    return suffixes;
}

namespace {

// The number of size bytes at pos, big- or little-endian; 0 when the file ends before them.
quint32 fileNumber(const QByteArray& bytes, qsizetype pos, int size, bool bigEndian)
{
    if (pos < 0 || pos + size > bytes.size())
        return 0;
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData()) + pos;
    quint32 value = 0;
    for (int i = 0; i < size; ++i)
        value |= quint32(data[bigEndian ? i : size - 1 - i]) << (8 * (size - 1 - i));
    return value;
}

// A PNG's pHYs chunk when its unit is the metre; the chunks are walked up to the pixels.
QSize pngResolution(const QByteArray& bytes)
{
    for (qsizetype pos = 8; pos + 12 <= bytes.size();) {
        const qsizetype length = fileNumber(bytes, pos, 4, true);
        const QByteArray type = bytes.mid(pos + 4, 4);
        if (type == "IDAT" || type == "IEND")
            break;
        if (type == "pHYs" && length == 9 && fileNumber(bytes, pos + 16, 1, true) == 1)
            return QSize(int(fileNumber(bytes, pos + 8, 4, true)),
                         int(fileNumber(bytes, pos + 12, 4, true)));
        pos += 12 + length;
    }
    return QSize();
}

// A TIFF's X and Y resolution of its first picture, per inch unless its unit says centimetre.
QSize tiffResolution(const QByteArray& bytes)
{
    const bool big = bytes.startsWith("MM");
    const qsizetype ifd = fileNumber(bytes, 4, 4, big);
    const int entries = int(fileNumber(bytes, ifd, 2, big));
    double resolution[2] = {0, 0};
    int unit = 2; // inch
    for (int i = 0; i < entries; ++i) {
        const qsizetype entry = ifd + 2 + 12 * i;
        const quint32 tag = fileNumber(bytes, entry, 2, big);
        if (tag == 282 || tag == 283) {
            const qsizetype value = fileNumber(bytes, entry + 8, 4, big);
            const quint32 denominator = fileNumber(bytes, value + 4, 4, big);
            if (denominator != 0)
                resolution[tag - 282] = double(fileNumber(bytes, value, 4, big)) / denominator;
        } else if (tag == 296) {
            unit = int(fileNumber(bytes, entry + 8, 2, big));
        }
    }
    if (resolution[0] <= 0 || resolution[1] <= 0 || (unit != 2 && unit != 3))
        return QSize();
    const double perMetre = unit == 3 ? 100 : 100 / 2.54;
    return QSize(qRound(resolution[0] * perMetre), qRound(resolution[1] * perMetre));
}

// A JPEG's JFIF density in dots per inch (unit 1) or per centimetre (unit 2), as the reader takes
// it, else the resolution of its EXIF block (a camera's photo often has only that); the segments
// are walked up to the first scan.
QSize jpegResolution(const QByteArray& bytes)
{
    QSize exif;
    qsizetype pos = 2;
    while (pos + 4 <= bytes.size() && uchar(bytes.at(pos)) == 0xFF) {
        const uchar marker = uchar(bytes.at(pos + 1));
        const qsizetype length = fileNumber(bytes, pos + 2, 2, true);
        if (marker == 0xDA || length < 2)
            break;
        if (marker == 0xE0 && length >= 14 && bytes.mid(pos + 4, 5) == QByteArray("JFIF", 5)) {
            const int unit = int(fileNumber(bytes, pos + 11, 1, true));
            const int x = int(fileNumber(bytes, pos + 12, 2, true));
            const int y = int(fileNumber(bytes, pos + 14, 2, true));
            if (unit == 1)
                return QSize(int(100. * x / 2.54), int(100. * y / 2.54));
            if (unit == 2)
                return QSize(100 * x, 100 * y);
        }
        if (marker == 0xE1 && !exif.isValid() && bytes.mid(pos + 4, 6) == QByteArray("Exif\0\0", 6))
            exif = tiffResolution(bytes.mid(pos + 10, length - 8));
        pos += 2 + length;
    }
    return exif;
}

// The resolution a picture file states, in dots per metre; invalid when it states none.
QSize statedResolution(const QByteArray& bytes)
{
    QSize stated;
    if (bytes.startsWith("\xFF\xD8"))
        stated = jpegResolution(bytes);
    else if (bytes.startsWith("\x89PNG\r\n\x1A\n"))
        stated = pngResolution(bytes);
    else if (bytes.startsWith("II*") || bytes.startsWith(QByteArrayView("MM\0*", 4)))
        stated = tiffResolution(bytes);
    else if (bytes.startsWith("BM") && fileNumber(bytes, 14, 4, false) >= 40)
        stated = QSize(int(fileNumber(bytes, 38, 4, false)), int(fileNumber(bytes, 42, 4, false)));
    return stated.width() > 0 && stated.height() > 0 ? stated : QSize();
}

} // namespace

void setArtworkResolution(QImage& artwork, const QByteArray& photoFile)
{
    const QSize stated = statedResolution(photoFile);
    artwork.setDotsPerMeterX(stated.isValid() ? stated.width() : kDefaultDotsPerMeter);
    artwork.setDotsPerMeterY(stated.isValid() ? stated.height() : kDefaultDotsPerMeter);
}
