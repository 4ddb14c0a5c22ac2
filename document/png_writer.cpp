#include "document/png_writer.h"

#include "document/png_deflate.h"

#include <QColorSpace>
#include <QIODevice>
#include <QtEndian>

#include <zlib.h>

#include <cstring>

namespace {

enum ColourType : char { Grey = 0, Rgb = 2, Rgba = 6 };

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

void appendBigEndian(QByteArray& bytes, quint32 value)
{
    uchar word[4];
    qToBigEndian(value, word);
    bytes.append(reinterpret_cast<const char*>(word), 4);
}

// One chunk: length, type, data and the CRC of type and data.
QByteArray chunk(const char* type, const QByteArray& data)
{
    QByteArray bytes;
    bytes.reserve(data.size() + 12);
    appendBigEndian(bytes, quint32(data.size()));
    bytes.append(type, 4);
    bytes.append(data);
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size()));
    appendBigEndian(bytes, quint32(crc));
    return bytes;
}

// bytes as a zlib stream, for the profile and long texts.
QByteArray compressed(const QByteArray& bytes)
{
    uLongf size = compressBound(uLong(bytes.size()));
    QByteArray result(qsizetype(size), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(result.data()), &size,
                  reinterpret_cast<const Bytef*>(bytes.constData()), uLong(bytes.size()),
                  Z_BEST_COMPRESSION) != Z_OK)
        return QByteArray();
    result.resize(qsizetype(size));
    return result;
}

// A chunk keyword: 1 to 79 printable Latin-1 characters, single spaces between words.
QByteArray keyword(const QString& text, const QByteArray& fallback)
{
    QByteArray word;
    for (const QChar c : text.simplified()) {
        const ushort code = c.unicode();
        if ((code >= 32 && code <= 126) || (code >= 161 && code <= 255))
            word.append(char(code));
    }
    word = word.left(79).trimmed();
    return word.isEmpty() ? fallback : word;
}

// What the pixels need: alpha when any is below 255, colour when any pixel is not grey.
struct PixelNeeds
{
    bool alpha = false;
    bool colour = false;
};

PixelNeeds pixelNeeds(const QImage& image, bool greyAllowed)
{
    PixelNeeds needs;
    const bool hasAlpha = image.format() == QImage::Format_ARGB32;
    needs.colour = !greyAllowed;
    for (int y = 0; y < image.height() && !(needs.colour && (needs.alpha || !hasAlpha)); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x];
            needs.alpha |= hasAlpha && qAlpha(pixel) != 255;
            needs.colour |= qRed(pixel) != qBlue(pixel) || qGreen(pixel) != qBlue(pixel);
        }
    }
    return needs;
}

// The picture in a format the row sources read: grey, RGB32 or ARGB32 (not premultiplied).
QImage writableForm(const QImage& image, bool greyAllowed)
{
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        return image;
    case QImage::Format_Grayscale8:
        if (greyAllowed)
            return image;
        return image.convertToFormat(QImage::Format_RGB32);
    default:
        return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                             : QImage::Format_RGB32);
    }
}

PngRowSource rowSource(const QImage& image, ColourType type)
{
    const int width = image.width();
    if (image.format() == QImage::Format_Grayscale8)
        return [&image, width](int y, uchar* row) {
            std::memcpy(row, image.constScanLine(y), size_t(width));
        };
    switch (type) {
    case Grey:
        return [&image, width](int y, uchar* row) {
            const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < width; ++x)
                row[x] = uchar(qBlue(line[x]));
        };
    case Rgb:
        return [&image, width](int y, uchar* row) {
            const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < width; ++x, row += 3) {
                row[0] = uchar(qRed(line[x]));
                row[1] = uchar(qGreen(line[x]));
                row[2] = uchar(qBlue(line[x]));
            }
        };
    case Rgba:
        break;
    }
    return [&image, width](int y, uchar* row) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x, row += 4) {
            row[0] = uchar(qRed(line[x]));
            row[1] = uchar(qGreen(line[x]));
            row[2] = uchar(qBlue(line[x]));
            row[3] = uchar(qAlpha(line[x]));
        }
    };
}

QByteArray headerChunk(const QImage& image, ColourType type)
{
    QByteArray data;
    appendBigEndian(data, quint32(image.width()));
    appendBigEndian(data, quint32(image.height()));
    // 8 bits per sample, deflate, adaptive filtering, no interlacing.
    const char fields[5] = {char(8), type, char(0), char(0), char(0)};
    data.append(fields, 5);
    return chunk("IHDR", data);
}

// The chunks between the header and the pixels, as the toolkit's writer puts them.
QByteArray metadataChunks(const QImage& image)
{
    QByteArray bytes;
    const QColorSpace space = image.colorSpace();
    if (space.isValid() && !space.iccProfile().isEmpty()) {
        const QByteArray profile = compressed(space.iccProfile());
        if (!profile.isEmpty())
            bytes += chunk("iCCP", keyword(space.description(), QByteArrayLiteral("ICC Profile")) +
                                       QByteArray(2, '\0') + profile);
    }
    if (image.dotsPerMeterX() > 0 && image.dotsPerMeterY() > 0) {
        QByteArray data;
        appendBigEndian(data, quint32(image.dotsPerMeterX()));
        appendBigEndian(data, quint32(image.dotsPerMeterY()));
        data.append(char(1)); // per metre
        bytes += chunk("pHYs", data);
    }
    if (!image.offset().isNull()) {
        QByteArray data;
        appendBigEndian(data, quint32(qint32(image.offset().x())));
        appendBigEndian(data, quint32(qint32(image.offset().y())));
        data.append(char(0)); // in pixels
        bytes += chunk("oFFs", data);
    }
    // Short Latin-1 texts as tEXt, long ones compressed as zTXt, others as UTF-8 in iTXt.
    for (const QString& key : image.textKeys()) {
        const QByteArray word = keyword(key, QByteArray());
        if (word.isEmpty())
            continue;
        const QString value = image.text(key);
        bool latin1 = !value.contains(QChar(0));
        for (const QChar c : value)
            latin1 &= c.unicode() <= 255;
        if (latin1 && value.size() <= 40)
            bytes += chunk("tEXt", word + '\0' + value.toLatin1());
        else if (latin1)
            bytes += chunk("zTXt", word + '\0' + '\0' + compressed(value.toLatin1()));
        else // keyword, no compression, method, no language, no translated keyword
            bytes += chunk("iTXt", word + QByteArray(5, '\0') + value.toUtf8());
    }
    return bytes;
}

} // namespace

bool canWritePng(const QImage& image)
{
    if (image.isNull() || image.depth() > 32)
        return false;
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale16:
        return false;
    default:
        return true;
    }
}

bool writePng(const QImage& image, QIODevice& device, int level, QString* error)
{
    if (!canWritePng(image))
        return fail(error, QStringLiteral("the PNG writer takes no pictures of this kind"));
    // A grey file cannot carry an RGB colour profile.
    const bool greyAllowed = !image.colorSpace().isValid();
    const QImage picture = writableForm(image, greyAllowed);
    if (picture.isNull())
        return fail(error, QStringLiteral("not enough memory to convert the picture"));

    ColourType type = Grey;
    if (picture.format() != QImage::Format_Grayscale8) {
        const PixelNeeds needs = pixelNeeds(picture, greyAllowed);
        type = needs.alpha ? Rgba : needs.colour ? Rgb : Grey;
    }
    const int bytesPerPixel = type == Rgba ? 4 : type == Rgb ? 3 : 1;
    const std::vector<QByteArray> pieces =
        deflatePngRows(picture.height(), picture.width() * bytesPerPixel, bytesPerPixel,
                       qBound(0, level, 9), rowSource(picture, type));
    if (pieces.empty())
        return fail(error, QStringLiteral("not enough memory to compress the picture"));

    static const char signature[] = "\x89PNG\r\n\x1a\n";
    QByteArray head(signature, 8);
    head += headerChunk(picture, type);
    head += metadataChunks(image);
    const auto put = [&device](const QByteArray& bytes) {
        return device.write(bytes) == bytes.size();
    };
    bool written = put(head);
    for (size_t i = 0; written && i < pieces.size(); ++i)
        written = put(chunk("IDAT", pieces[i]));
    written = written && put(chunk("IEND", QByteArray()));
    if (!written)
        return fail(error, device.errorString());
    return true;
}
