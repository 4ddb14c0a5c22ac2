#include "core/raster/photo_mask.h"

#include "core/raster/pixel_rows.h"
#include "core/raster/working_memory.h"

#include <algorithm>
#include <cstring>

using namespace pixel_rows;

bool applyPhotoMask(QImage& artwork, const QImage& photo, const QImage& mask, const QRect& area)
{
    if (artwork.isNull() || artwork.size() != photo.size() || artwork.size() != mask.size())
        return false;
    const QRect whole(QPoint(0, 0), artwork.size());
    const QRect rect = area.isEmpty() ? whole : area.intersected(whole);
    if (rect.isEmpty())
        return true;

    // The photograph's alpha comes back with it, so an opaque artwork over a translucent photo
    // must be able to carry it.
    // Both are blended as straight (not premultiplied) colours.
    if (artwork.format() == QImage::Format_ARGB32_Premultiplied ||
        (hasAlphaChannel(photo) && artwork.format() != QImage::Format_ARGB32))
        artwork = artwork.convertToFormat(QImage::Format_ARGB32);
    ensure32Bit(artwork);
    requirePixels(artwork);
    const QImage source = photo.format() == QImage::Format_ARGB32_Premultiplied
                              ? photo.convertToFormat(QImage::Format_ARGB32)
                              : as32Bit(photo);
    requirePixels(source);
    QImage grey = mask.format() == QImage::Format_Grayscale8
                      ? mask
                      : mask.convertToFormat(QImage::Format_Grayscale8);
    requirePixels(grey);

    const Rows out = writableRows(artwork);
    const ConstRows in = readableRows(source);
    const int left = rect.left();
    const int width = rect.width();
    forRowBands(rect.height(), qint64(width) * rect.height(), [&](int first, int end) {
        for (int row = first; row < end; ++row) {
            const int y = rect.top() + row;
            const uchar* m = grey.constScanLine(y) + left;
            const QRgb* p = in[y] + left;
            QRgb* a = out[y] + left;
            for (int x = 0; x < width; ++x) {
                const int weight = m[x];
                if (weight == 0)
                    continue;
                if (weight == 255) {
                    a[x] = p[x];
                    continue;
                }
                a[x] = qRgba(maskedChannel(qRed(a[x]), qRed(p[x]), weight),
                             maskedChannel(qGreen(a[x]), qGreen(p[x]), weight),
                             maskedChannel(qBlue(a[x]), qBlue(p[x]), weight),
                             maskedChannel(qAlpha(a[x]), qAlpha(p[x]), weight));
            }
        }
    });
    return true;
}

QImage photoMaskFor(const QImage& grey, const QSize& size)
{
    if (grey.isNull() || size.isEmpty())
        return QImage();
    QImage mask = grey.format() == QImage::Format_Grayscale8
                      ? grey
                      : grey.convertToFormat(QImage::Format_Grayscale8);
    if (mask.size() != size)
        mask = mask.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    requirePixels(mask);
    return mask;
}

QImage blankPhotoMask(const QSize& size)
{
    QImage mask(size, QImage::Format_Grayscale8);
    requirePixels(mask);
    mask.fill(0);
    return mask;
}

bool isBlankPhotoMask(const QImage& mask)
{
    if (mask.isNull())
        return true;
    const QImage grey = mask.format() == QImage::Format_Grayscale8
                            ? mask
                            : mask.convertToFormat(QImage::Format_Grayscale8);
    const int width = grey.width();
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* row = grey.constScanLine(y);
        if (std::any_of(row, row + width, [](uchar value) { return value != 0; }))
            return false;
    }
    return true;
}
