#include "core/raster/raster_primitives.h"

#include "core/raster/pixel_rows.h"
#include "core/raster/working_memory.h"

#include <QCryptographicHash>

#include <cstring>

using namespace pixel_rows;

void ensure32Bit(QImage& image)
{
    if (image.isNull() || hasAlphaChannel(image))
        return;
    image = image.convertToFormat(QImage::Format_RGB32);
    requirePixels(image);
}

QImage restoreAlpha(const QImage& alphaSource, const QImage& processed)
{
    if (!hasAlphaChannel(alphaSource) || processed.isNull())
        return processed;
    const QImage in = as32Bit(processed);
    // Pixels of an RGB32 image are opaque by definition, so carrying alpha needs ARGB32.
    const QImage::Format format =
        in.format() == QImage::Format_RGB32 ? QImage::Format_ARGB32 : in.format();
    QImage result(in.size(), format);
    requirePixels(result);
    const int width = in.width();
    const int height = in.height();
    // Both images normally have the same size; pixels outside the alpha source keep their own.
    const int alphaWidth = std::min(width, alphaSource.width());
    const int alphaHeight = std::min(height, alphaSource.height());
    const ConstRows source = readableRows(in);
    const ConstRows alpha = readableRows(alphaSource);
    const Rows out = writableRows(result);
    forRowBands(height, qint64(width) * height, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const QRgb* s = source[y];
            QRgb* o = out[y];
            if (y < alphaHeight) {
                const QRgb* a = alpha[y];
                for (int x = 0; x < alphaWidth; ++x)
                    o[x] = (s[x] & 0x00FFFFFFu) | (a[x] & 0xFF000000u);
                std::memcpy(o + alphaWidth, s + alphaWidth,
                            sizeof(QRgb) * size_t(width - alphaWidth));
            } else {
                std::memcpy(o, s, sizeof(QRgb) * size_t(width));
            }
        }
    });
    return result;
}

QByteArray imageDigest(const QImage& image)
{
    return QCryptographicHash::hash(QByteArrayView(image.constBits(), image.sizeInBytes()),
                                    QCryptographicHash::Md5);
}
