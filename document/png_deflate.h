#pragma once

#include <QByteArray>

#include <functional>
#include <vector>

// The compressed picture data of a PNG file: the scan lines, each with the filter that suits it
// best, deflated into one zlib stream.
//
// The rows are cut into bands of a fixed number of rows (from the row length alone, never from
// the thread count) that are filtered and deflated on several threads at once. Each band is its
// own run of deflate blocks ending on a byte boundary, primed with the 32 KiB of filtered data in
// front of it, so the bands join into one valid stream that compresses almost as well as a single
// run; the checksums of the bands are combined into the stream's Adler-32. The same rows therefore
// give the same bytes on any number of threads.

// zlib's compression level for a picture of `pixels` pixels when the caller asks for none. Large
// pictures get a fast level: at 12 megapixels it costs a fraction of zlib's default and, with the
// row filters, still gives files no larger than the toolkit's writer at its default. Small pictures
// get zlib's default, which costs little there and packs the flat areas of painted pictures
// tighter than the fast level does.
int defaultPngCompressionLevel(qint64 pixels);

// Fills row (rowBytes bytes) with the unfiltered bytes of scan line y. Called from several threads
// at once, each row at least once.
using PngRowSource = std::function<void(int y, unsigned char* row)>;

// Filters and deflates `height` rows of `rowBytes` bytes with `bytesPerPixel` bytes per pixel at
// zlib level (0..9). Gives the zlib stream in consecutive pieces (one per band, the first starting
// with the stream's header, the last ending with its checksum), each to become one IDAT chunk.
// Returns an empty list when the compressor cannot start (out of memory).
std::vector<QByteArray> deflatePngRows(int height, int rowBytes, int bytesPerPixel, int level,
                                       const PngRowSource& source);
