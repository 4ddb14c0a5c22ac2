#include "document/picture_formats.h"

#include <QObject>
#include <QtEndian>

#include "document/heif_picture.h"

#include <algorithm>
#include <cstring>

namespace {

bool startsWith(const QByteArray& head, const char* signature, int size)
{
    return head.size() >= size && std::memcmp(head.constData(), signature, size_t(size)) == 0;
}

bool isJpeg(const QByteArray& head)
{
    return startsWith(head, "\xFF\xD8\xFF", 3);
}

bool isPng(const QByteArray& head)
{
    return startsWith(head, "\x89PNG\r\n\x1a\n", 8);
}

bool isTiff(const QByteArray& head)
{
    return startsWith(head, "II*\0", 4) || startsWith(head, "MM\0*", 4);
}

bool isBmp(const QByteArray& head)
{
    return startsWith(head, "BM", 2) && head.size() >= 26;
}

bool isWebp(const QByteArray& head)
{
    return head.size() >= 16 && startsWith(head, "RIFF", 4) &&
           std::memcmp(head.constData() + 8, "WEBPVP8", 7) == 0;
}

// An ISO-BMFF file-type box that names an AVIF brand (avif, avis) as major or compatible brand.
bool hasAvifBrand(const QByteArray& head)
{
    if (head.size() < 16 || std::memcmp(head.constData() + 4, "ftyp", 4) != 0)
        return false;
    const qint64 end = std::min<qint64>(qFromBigEndian<quint32>(head.constData()), head.size());
    for (qint64 pos = 8; pos + 4 <= end; pos += 4) {
        if (pos == 12) // the minor version
            continue;
        if (std::memcmp(head.constData() + pos, "avif", 4) == 0 ||
            std::memcmp(head.constData() + pos, "avis", 4) == 0)
            return true;
    }
    return false;
}

bool isAvif(const QByteArray& head)
{
    return isHeifPicture(head) && hasAvifBrand(head);
}

bool isHeif(const QByteArray& head)
{
    return isHeifPicture(head) && !hasAvifBrand(head);
}

// A bare JPEG XL codestream (FF 0A) or the container's signature box.
bool isJxl(const QByteArray& head)
{
    return startsWith(head, "\xFF\x0A", 2) ||
           startsWith(head, "\0\0\0\x0CJXL \x0D\x0A\x87\x0A", 12);
}

constexpr int kAll =
    PictureFormat::Icc | PictureFormat::Exif | PictureFormat::Xmp | PictureFormat::Iptc;
constexpr int kNoIptc = PictureFormat::Icc | PictureFormat::Exif | PictureFormat::Xmp;

QVector<PictureFormat> makeTable()
{
    using L = PictureFormat::Lossless;
    // id, label, suffixes, recognise, read, written, quality min, max, default, lossless, carries
    return {
        {"jpeg", "JPEG", {"jpg", "jpeg"}, &isJpeg, true, true, 0, 100, 80, L::Never, kAll},
        {"png", "PNG", {"png"}, &isPng, true, true, 0, 0, -1, L::Always, kAll},
        {"tiff", "TIFF", {"tif", "tiff"}, &isTiff, true, true, 0, 0, -1, L::Always, kAll},
        {"bmp", "BMP", {"bmp"}, &isBmp, true, true, 0, 0, -1, L::Always, 0},
        {"webp", "WebP", {"webp"}, &isWebp, true, true, 0, 100, 75, L::AtHighestQuality, kNoIptc},
        {"avif", "AVIF", {"avif"}, &isAvif, true, true, 0, 100, 60, L::AtHighestQuality, kNoIptc},
        {"jxl", "JPEG XL", {"jxl"}, &isJxl, true, true, 0, 100, 90, L::AtHighestQuality, kNoIptc},
        {"heif", "HEIF", {"heic", "heif"}, &isHeif, true, false, 0, 0, -1, L::Never, kNoIptc},
    };
}

QString joinedForProse(const QStringList& words)
{
    if (words.size() < 2)
        return words.join(QString());
    return words.mid(0, words.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") +
           words.constLast();
}

} // namespace

bool PictureFormat::isLosslessAt(int quality) const
{
    switch (lossless) {
    case Lossless::Always:
        return true;
    case Lossless::AtHighestQuality:
        return (quality < 0 ? qualityDefault : quality) >= qualityMax;
    case Lossless::Never:
        break;
    }
    return false;
}

QString PictureFormat::dialogFilter() const
{
    QStringList patterns;
    for (const QString& suffix : suffixes)
        patterns.append(QStringLiteral("*.") + suffix);
    return QStringLiteral("%1 (%2)").arg(label, patterns.join(QLatin1Char(' ')));
}

const QVector<PictureFormat>& pictureFormats()
{
    static const QVector<PictureFormat> table = makeTable();
    return table;
}

const PictureFormat* findPictureFormat(const QString& id)
{
    for (const PictureFormat& format : pictureFormats()) {
        if (format.id == id)
            return &format;
    }
    return nullptr;
}

const PictureFormat* pictureFormatForSuffix(const QString& suffix)
{
    QString s = suffix.toLower();
    if (s.startsWith(QLatin1Char('.')))
        s.remove(0, 1);
    for (const PictureFormat& format : pictureFormats()) {
        if (format.suffixes.contains(s))
            return &format;
    }
    return nullptr;
}

const PictureFormat* recognisePictureFormat(const QByteArray& head)
{
    for (const PictureFormat& format : pictureFormats()) {
        if (format.recognise(head))
            return &format;
    }
    return nullptr;
}

QStringList readablePictureSuffixesOfTable()
{
    QStringList suffixes;
    for (const PictureFormat& format : pictureFormats()) {
        if (format.read)
            suffixes += format.suffixes;
    }
    return suffixes;
}

QStringList writtenPictureSuffixesOfTable()
{
    QStringList suffixes;
    for (const PictureFormat& format : pictureFormats()) {
        if (format.written)
            suffixes += format.suffixes;
    }
    return suffixes;
}

QString pictureFormatLabels(bool (*test)(const PictureFormat&))
{
    QStringList labels;
    for (const PictureFormat& format : pictureFormats()) {
        if (test(format))
            labels.append(format.label);
    }
    return joinedForProse(labels);
}

bool isReadFormat(const PictureFormat& format)
{
    return format.read;
}

bool isWrittenFormat(const PictureFormat& format)
{
    return format.written;
}

bool hasQualitySetting(const PictureFormat& format)
{
    return format.written && format.hasQuality();
}

bool isLosslessAtHighestQuality(const PictureFormat& format)
{
    return format.written && format.lossless == PictureFormat::Lossless::AtHighestQuality;
}

QStringList pictureFormatListing()
{
    QStringList lines;
    for (const PictureFormat& f : pictureFormats()) {
        QStringList fields;
        fields << f.writtenSuffix().leftJustified(5) << f.label.leftJustified(8);
        fields << QStringLiteral("%1 %2").arg(
            f.read ? QStringLiteral("read ") : QStringLiteral("     "),
            f.written ? QStringLiteral("write") : QStringLiteral("     "));
        fields << QStringLiteral("suffixes: %1;").arg(f.suffixes.join(QLatin1Char(' ')));
        if (f.hasQuality())
            fields << QStringLiteral("quality: %1..%2, default %3;")
                          .arg(f.qualityMin)
                          .arg(f.qualityMax)
                          .arg(f.qualityDefault);
        switch (f.lossless) {
        case PictureFormat::Lossless::Always:
            fields << QStringLiteral("lossless;");
            break;
        case PictureFormat::Lossless::AtHighestQuality:
            fields << QStringLiteral("lossy, lossless at quality %1;").arg(f.qualityMax);
            break;
        case PictureFormat::Lossless::Never:
            fields << QStringLiteral("lossy;");
            break;
        }
        QStringList carried;
        if (f.canCarry(PictureFormat::Icc))
            carried << QStringLiteral("ICC");
        if (f.canCarry(PictureFormat::Exif))
            carried << QStringLiteral("EXIF");
        if (f.canCarry(PictureFormat::Xmp))
            carried << QStringLiteral("XMP");
        if (f.canCarry(PictureFormat::Iptc))
            carried << QStringLiteral("IPTC");
        fields << QStringLiteral("carries: %1")
                      .arg(carried.isEmpty() ? QStringLiteral("none")
                                             : carried.join(QLatin1Char(' ')));
        lines.append(fields.join(QLatin1Char(' ')));
    }
    return lines;
}
