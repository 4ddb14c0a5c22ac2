#include "document/png_deflate.h"

#include "core/raster/parallel_rows.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace {

// Raw bytes per band: large enough that priming and flushing cost little, small enough that a
// 12-megapixel picture gives dozens of bands to share between threads.
constexpr qint64 kBandBytes = 512 * 1024;
// The deflate window, and the filtered bytes a band is primed with.
constexpr int kWindowBytes = 32 * 1024;

enum Filter : unsigned char { None = 0, Sub = 1, Up = 2, Average = 3, Paeth = 4 };

// The sum of the filtered bytes taken as signed values: the smaller, the better the row usually
// compresses. Summed in blocks that cannot overflow 32 bits, so the loop vectorises.
quint64 absoluteSum(const unsigned char* bytes, int count)
{
    quint64 sum = 0;
    for (int start = 0; start < count; start += 1 << 20) {
        const int blockEnd = std::min(count, start + (1 << 20));
        quint32 block = 0;
        for (int i = start; i < blockEnd; ++i)
            block += quint32(std::abs(int(static_cast<signed char>(bytes[i]))));
        sum += block;
    }
    return sum;
}

// Applies one filter to row (prior is the row above, all zeros for the first row). Every filter
// reads the unfiltered bytes only, so each loop runs over the bytes independently.
void applyFilter(Filter filter, const unsigned char* row, const unsigned char* prior, int count,
                 int bpp, unsigned char* out)
{
    switch (filter) {
    case None:
        std::memcpy(out, row, size_t(count));
        break;
    case Sub:
        for (int i = 0; i < bpp; ++i)
            out[i] = row[i];
        for (int i = bpp; i < count; ++i)
            out[i] = (unsigned char)(row[i] - row[i - bpp]);
        break;
    case Up:
        for (int i = 0; i < count; ++i)
            out[i] = (unsigned char)(row[i] - prior[i]);
        break;
    case Average:
        for (int i = 0; i < bpp; ++i)
            out[i] = (unsigned char)(row[i] - (prior[i] >> 1));
        for (int i = bpp; i < count; ++i)
            out[i] = (unsigned char)(row[i] - ((row[i - bpp] + prior[i]) >> 1));
        break;
    case Paeth:
        for (int i = 0; i < bpp; ++i)
            out[i] = (unsigned char)(row[i] - prior[i]);
        for (int i = bpp; i < count; ++i) {
            // The neighbour nearest to left + up - upLeft; ties go to left, then up.
            const int left = row[i - bpp], up = prior[i], upLeft = prior[i - bpp];
            const int toLeft = std::abs(up - upLeft);
            const int toUp = std::abs(left - upLeft);
            const int toUpLeft = std::abs(left + up - 2 * upLeft);
            const int predicted = toLeft <= toUp && toLeft <= toUpLeft ? left
                                  : toUp <= toUpLeft                   ? up
                                                                       : upLeft;
            out[i] = (unsigned char)(row[i] - predicted);
        }
        break;
    }
}

// Writes the filter byte and the filtered row with the smallest absolute sum to out
// (count + 1 bytes); scratch holds count bytes. Ties go to the lower filter number.
void filterRow(const unsigned char* row, const unsigned char* prior, int count, int bpp,
               unsigned char* scratch, unsigned char* out)
{
    quint64 best = ~quint64(0);
    for (Filter filter : {None, Sub, Up, Average, Paeth}) {
        unsigned char* target = best == ~quint64(0) ? out + 1 : scratch;
        applyFilter(filter, row, prior, count, bpp, target);
        const quint64 sum = absoluteSum(target, count);
        if (sum < best) {
            best = sum;
            out[0] = filter;
            if (target != out + 1)
                std::memcpy(out + 1, scratch, size_t(count));
        }
    }
}

// The first byte pair of a zlib stream with a 32 KiB window, telling the level roughly.
QByteArray zlibHeader(int level)
{
    const int levelHint = level <= 1 ? 0 : level <= 5 ? 1 : level == 6 ? 2 : 3;
    const int first = 0x78;
    int second = levelHint << 6;
    second += 31 - (first * 256 + second) % 31;
    const char header[2] = {char(first), char(second)};
    return QByteArray(header, 2);
}

struct Band
{
    QByteArray deflated;
    uLong adler = 1;
    qint64 length = 0;
    bool ok = false;
};

// Filters rows [begin, end) together with the rows before them that fill the priming window, and
// deflates them into band as a run of blocks that is the last one when `last`.
void deflateBand(int begin, int end, int rowBytes, int bpp, int level, bool last,
                 const PngRowSource& source, Band& band)
{
    const qint64 lineBytes = qint64(rowBytes) + 1;
    const int primingRows =
        begin == 0 ? 0 : int(std::min<qint64>(begin, (kWindowBytes + lineBytes - 1) / lineBytes));
    const int first = begin - primingRows;
    std::vector<unsigned char> filtered(static_cast<size_t>(lineBytes * (end - first)));
    std::vector<unsigned char> prior(static_cast<size_t>(rowBytes), 0),
        row(static_cast<size_t>(rowBytes));
    std::vector<unsigned char> scratch(static_cast<size_t>(rowBytes));
    if (first > 0)
        source(first - 1, prior.data());
    for (int y = first; y < end; ++y) {
        source(y, row.data());
        filterRow(row.data(), prior.data(), rowBytes, bpp, scratch.data(),
                  filtered.data() + lineBytes * (y - first));
        std::swap(row, prior);
    }

    z_stream stream{};
    // Filtered rows are small numbers around zero: Z_FILTERED favours Huffman codes over short
    // matches, which suits them and is what the usual PNG libraries do (levels below 4 match
    // greedily and ignore the strategy).
    if (deflateInit2(&stream, level, Z_DEFLATED, -15, 8, Z_FILTERED) != Z_OK)
        return;
    const qint64 primingBytes = lineBytes * primingRows;
    if (primingBytes > 0) {
        const qint64 dictionary = std::min<qint64>(primingBytes, kWindowBytes);
        deflateSetDictionary(&stream, filtered.data() + primingBytes - dictionary,
                             uInt(dictionary));
    }
    const qint64 length = qint64(filtered.size()) - primingBytes;
    band.deflated.resize(qsizetype(deflateBound(&stream, uLong(length)) + 16));
    stream.next_in = filtered.data() + primingBytes;
    stream.avail_in = uInt(length);
    stream.next_out = reinterpret_cast<Bytef*>(band.deflated.data());
    stream.avail_out = uInt(band.deflated.size());
    const int result = deflate(&stream, last ? Z_FINISH : Z_SYNC_FLUSH);
    band.ok = (last ? result == Z_STREAM_END : result == Z_OK) && stream.avail_in == 0;
    band.deflated.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    band.adler = adler32(1, filtered.data() + primingBytes, uInt(length));
    band.length = length;
}

} // namespace

int defaultPngCompressionLevel(qint64 pixels)
{
    constexpr qint64 kLargePicturePixels = 2000000;
    return pixels > kLargePicturePixels ? 3 : 6;
}

std::vector<QByteArray> deflatePngRows(int height, int rowBytes, int bytesPerPixel, int level,
                                       const PngRowSource& source)
{
    const qint64 lineBytes = qint64(rowBytes) + 1;
    const int bandRows = int(std::clamp<qint64>(kBandBytes / lineBytes, 1, height));
    const int bandCount = (height + bandRows - 1) / bandRows;
    std::vector<Band> bands(static_cast<size_t>(bandCount));
    const int threads =
        std::min(pixelLoopThreads(qint64(rowBytes) * height / bytesPerPixel), bandCount);
    parallelRows(0, bandCount, threads, 1, [&](int bandBegin, int bandEnd, int) {
        for (int b = bandBegin; b < bandEnd; ++b) {
            const int begin = b * bandRows;
            const int end = std::min(height, begin + bandRows);
            deflateBand(begin, end, rowBytes, bytesPerPixel, level, b == bandCount - 1, source,
                        bands[size_t(b)]);
        }
    });

    std::vector<QByteArray> pieces;
    uLong adler = adler32(0, nullptr, 0);
    for (Band& band : bands) {
        if (!band.ok)
            return {};
        adler = adler32_combine(adler, band.adler, z_off_t(band.length));
        pieces.push_back(std::move(band.deflated));
    }
    pieces.front().prepend(zlibHeader(level));
    const char checksum[4] = {char(adler >> 24), char(adler >> 16), char(adler >> 8), char(adler)};
    pieces.back().append(checksum, 4);
    return pieces;
}
