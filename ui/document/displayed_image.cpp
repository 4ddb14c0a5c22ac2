#include "ui/document/displayed_image.h"

#include "ui/widgets/picture_canvas.h"

double DisplayedImage::display_scale() const
{
    if (m_image.isNull() || m_image.width() == 0)
        return 1.0;
    return m_canvas->fit_zoom();
}

QImage DisplayedImage::scaled_image() const
{
    const double scale = display_scale();
    if (scale == 1.0)
        return m_image;
    return m_image.scaled(qRound(m_image.width() * scale), qRound(m_image.height() * scale),
                          Qt::IgnoreAspectRatio, Qt::FastTransformation);
}
