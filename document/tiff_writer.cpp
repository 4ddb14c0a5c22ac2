#include "document/tiff_writer.h"

#include <QColorSpace>
#include <QtEndian>

#include "core/raster/parallel_rows.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <vector>

namespace {

// Raw bytes of picture data per strip: large enough for deflate to find its matches, small enough
// for a reader to decode a part of the picture alone and for the strips to spread over threads.
constexpr int kStripBytes = 256 * 1024;
// zlib's level: the fast levels lose little on painted pictures and cost a fraction of level 6.
constexpr int kDeflateLevel = 3;

enum TagType : quint16 { Short = 3, Long = 4, Rational = 5, Undefined = 7 };

struct Entry
{
    quint16 tag;
    quint16 type;
    quint32 count;
    QByteArray value; // little-endian, count values of the type
};

QByteArray shorts(std::initializer_list<quint16> values)
{
    QByteArray bytes;
    for (const quint16 v : values) {
        char b[2];
        qToLittleEndian(v, b);
        bytes.append(b, 2);
    }
    return bytes;
}

QByteArray longs(const std::vector<quint32>& values)
{
    QByteArray bytes(qsizetype(values.size()) * 4, Qt::Uninitialized);
    for (size_t i = 0; i < values.size(); ++i)
        qToLittleEndian(values[i], bytes.data() + 4 * i);
    return bytes;
}

// Compresses one strip: the rows [begin, end) of picture as samples, each row differenced from its
// left neighbour sample by sample (predictor 2), deflated as one zlib stream.
bool deflateStrip(const QImage& picture, int samples, int begin, int end, QByteArray* out)
{
    const int rowBytes = picture.width() * samples;
    std::vector<unsigned char> raw(size_t(rowBytes) * size_t(end - begin));
    for (int y = begin; y < end; ++y) {
        const uchar* in = picture.constScanLine(y);
        unsigned char* row = raw.data() + size_t(y - begin) * size_t(rowBytes);
        row[0] = in[0];
        for (int i = 1; i < samples && i < rowBytes; ++i)
            row[i] = in[i];
        for (int i = samples; i < rowBytes; ++i)
            row[i] = static_cast<unsigned char>(in[i] - in[i - samples]);
    }
    uLongf size = compressBound(uLong(raw.size()));
    out->resize(qsizetype(size));
    if (compress2(reinterpret_cast<Bytef*>(out->data()), &size, raw.data(), uLong(raw.size()),
                  kDeflateLevel) != Z_OK)
        return false;
    out->resize(qsizetype(size));
    return true;
}

} // namespace

bool canWriteTiff(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_BGR30:
    case QImage::Format_A2BGR30_Premultiplied:
    case QImage::Format_RGB30:
    case QImage::Format_A2RGB30_Premultiplied:
        return false; // 10 bits per channel
    default:
        return !image.isNull() && image.depth() <= 32;
    }
}

bool writeTiff(const QImage& image, QByteArray* file, QString* error)
{
    // RGB, or RGBA with unassociated alpha, in memory order R, G, B (, A).
    const bool alpha = image.hasAlphaChannel();
    const QImage picture =
        image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    const int samples = alpha ? 4 : 3;
    const int width = picture.width();
    const int height = picture.height();
    const int rowBytes = width * samples;
    const int stripRows = std::clamp(kStripBytes / std::max(1, rowBytes), 1, height);
    const int strips = (height + stripRows - 1) / stripRows;

    std::vector<QByteArray> compressed(static_cast<size_t>(strips));
    std::atomic<bool> failed{false};
    parallelRows(0, strips, 1, [&](int first, int last, int) {
        for (int s = first; s < last; ++s) {
            const int begin = s * stripRows;
            if (!deflateStrip(picture, samples, begin, std::min(height, begin + stripRows),
                              &compressed[size_t(s)]))
                failed = true;
        }
    });
    if (failed) {
        if (error)
            *error = QStringLiteral("the TIFF writer failed (the compressor could not run)");
        return false;
    }

    // Layout: header (8), the strips, then the directory and the values that do not fit its
    // entries. Offsets are 32-bit: a baseline TIFF stays below 4 GB.
    QByteArray out("II*\0\0\0\0\0", 8);
    std::vector<quint32> offsets;
    std::vector<quint32> counts;
    for (const QByteArray& strip : compressed) {
        offsets.push_back(quint32(out.size()));
        counts.push_back(quint32(strip.size()));
        out.append(strip);
        if (out.size() & 1)
            out.append('\0');
    }
    compressed.clear();

    // The resolution as the toolkit's writer stores it: per centimetre when the dots per metre
    // are whole hundreds, else whole dots per inch (a picture's 3937 dots per metre are 100 dpi).
    const bool perCentimetre = image.dotsPerMeterX() % 100 == 0 && image.dotsPerMeterY() % 100 == 0;
    const auto resolution = [perCentimetre](int dotsPerMeter) {
        const int value = perCentimetre ? dotsPerMeter / 100 : qRound(dotsPerMeter * 0.0254);
        return longs({quint32(std::max(1, value)), 1});
    };
    std::vector<Entry> entries = {
        {256, Long, 1, longs({quint32(width)})},
        {257, Long, 1, longs({quint32(height)})},
        {258, Short, quint32(samples), alpha ? shorts({8, 8, 8, 8}) : shorts({8, 8, 8})},
        {259, Short, 1, shorts({8})}, // deflate
        {262, Short, 1, shorts({2})}, // RGB
        {273, Long, quint32(strips), longs(offsets)},
        {274, Short, 1, shorts({1})}, // orientation: top left
        {277, Short, 1, shorts({quint16(samples)})},
        {278, Long, 1, longs({quint32(stripRows)})},
        {279, Long, quint32(strips), longs(counts)},
        {282, Rational, 1, resolution(image.dotsPerMeterX())},
        {283, Rational, 1, resolution(image.dotsPerMeterY())},
        {284, Short, 1, shorts({1})},                              // chunky
        {296, Short, 1, shorts({quint16(perCentimetre ? 3 : 2)})}, // centimetre or inch
        {317, Short, 1, shorts({2})},                              // horizontal differencing
    };
    if (alpha)
        entries.push_back({338, Short, 1, shorts({2})}); // unassociated alpha
    if (image.colorSpace().isValid()) {
        const QByteArray icc = image.colorSpace().iccProfile();
        if (!icc.isEmpty())
            entries.push_back({34675, Undefined, quint32(icc.size()), icc});
    }

    // The directory, then the values longer than 4 bytes.
    const quint32 directory = quint32(out.size());
    qToLittleEndian(directory, out.data() + 4);
    const quint32 directoryBytes = 2 + 12 * quint32(entries.size()) + 4;
    quint32 extra = directory + directoryBytes;
    QByteArray values;
    QByteArray ifd = shorts({quint16(entries.size())});
    for (const Entry& e : entries) {
        char head[8];
        qToLittleEndian(e.tag, head);
        qToLittleEndian(e.type, head + 2);
        qToLittleEndian(e.count, head + 4);
        ifd.append(head, 8);
        if (e.value.size() <= 4) {
            ifd.append(e.value.leftJustified(4, '\0'));
        } else {
            ifd.append(longs({extra + quint32(values.size())}));
            values.append(e.value);
            if (values.size() & 1)
                values.append('\0');
        }
    }
    ifd.append(longs({0})); // no further directory
    out.append(ifd);
    out.append(values);
    *file = out;
    return true;
}
