#include "ui/widgets/screen_colours.h"

#include <QColorSpace>
#include <QColorTransform>

namespace {

// The transform from space to sRGB; the one made last is kept, since the pictures of one session
// are mostly of one colour space and a transform is costly to make.
const QColorTransform& transformToScreen(const QColorSpace& space)
{
    static QColorSpace lastSpace;
    static QColorTransform lastTransform;
    if (lastSpace != space) {
        lastTransform = space.transformationToColorSpace(QColorSpace::SRgb);
        lastSpace = space;
    }
    return lastTransform;
}

} // namespace

QImage inScreenColours(const QImage& image)
{
    const QColorSpace space = image.colorSpace();
    if (image.isNull() || !space.isValid() || space == QColorSpace(QColorSpace::SRgb))
        return image;
    // The transform goes over 32-bit pixels, the formats the screen draws from anyway.
    const QImage::Format format =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    QImage converted = image.format() == format ? image : image.convertToFormat(format);
    converted.applyColorTransform(transformToScreen(space));
    converted.setColorSpace(QColorSpace::SRgb);
    return converted;
}
