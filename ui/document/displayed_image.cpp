#include "ui/document/displayed_image.h"

#include <QLabel>

double DisplayedImage::display_scale() const
{
    const QRect contents = m_label->contentsRect();
    if (m_image.isNull() || m_image.width() == 0)
        return 1.0;
    if (contents.width() == m_image.width() && contents.height() == m_image.height())
        return 1.0;
    return double(contents.width()) / double(m_image.width());
}

QImage DisplayedImage::scaled_image() const
{
    return m_image.scaled(m_label->contentsRect().size(), Qt::IgnoreAspectRatio,
                          Qt::FastTransformation);
}
