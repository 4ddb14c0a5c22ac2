#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

// The photo mask: an 8-bit grey picture at the photograph's size that says, pixel by pixel, how
// much of the photograph comes back over the artwork. 0 keeps the artwork, 255 gives the
// photograph, values between mix the two. Every path that shows or writes an artwork (the
// document view, the full-size result, Export, Copy, the preview, drawlume-render) blends with
// the same integer formula, so a masked render has the same bytes wherever it is made.
//
// Free functions on any thread; the blend may split a large picture over the raster bands of the
// execution setting (same bytes with any number of threads).

// The blend of one channel: (artwork * (255 - m) + photo * m + 127) / 255, rounded to nearest.
inline int maskedChannel(int artwork, int photo, int m)
{
    return (artwork * (255 - m) + photo * m + 127) / 255;
}

// Blends photo into artwork where mask is above 0, within area (the whole picture when area is
// empty), on all four channels of each pixel, so alpha follows the same rule: where the artwork
// carries the photograph's alpha (as every filter's result does) it is kept. artwork, photo and
// mask must have the same size; artwork is made 32-bit (ARGB32 when photo has alpha), photo is
// read as 32-bit and mask as Grayscale8. Returns false, leaving artwork unchanged, when the sizes
// differ.
bool applyPhotoMask(QImage& artwork, const QImage& photo, const QImage& mask,
                    const QRect& area = QRect());

// A mask for a picture of size: grey (any picture, converted to Grayscale8; white brings the photo
// back), scaled smoothly to size when its own differs. A null picture gives a null mask.
QImage photoMaskFor(const QImage& grey, const QSize& size);

// An empty mask (every pixel 0) of size.
QImage blankPhotoMask(const QSize& size);

// True when mask is null or every pixel is 0, so that it changes nothing.
bool isBlankPhotoMask(const QImage& mask);
