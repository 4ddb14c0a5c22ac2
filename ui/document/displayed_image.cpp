#include "ui/document/displayed_image.h"

#include "ui/widgets/picture_canvas.h"

double DisplayedImage::display_scale() const
{
    if (m_image.isNull() || m_image.width() == 0)
        return 1.0;
    return m_canvas->fit_zoom();
}
