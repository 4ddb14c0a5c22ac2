#include "ui/panel/image_zoom_slider.h"

#include "ui/panel/preview_widget.h"
#include "ui/panel/slider.h"
#include "ui/panel/thumbnail.h"
#include "ui/widgets/bevel_label.h"

#include <QHBoxLayout>

namespace {

constexpr int kLabelPointSize = 10;

void setPointSize(QWidget* widget, int points)
{
    QFont font = widget->font();
    font.setPointSize(points);
    widget->setFont(font);
}

} // namespace

ImageZoomSlider::ImageZoomSlider(Thumbnail* thumbnail, QWidget* parent)
    : QWidget(parent), m_thumbnail(thumbnail), m_slider(new Slider(Qt::Horizontal, this)),
      m_value_label(new BevelLabel(QStringLiteral("100%"), this))
{
    m_slider->setRange(PreviewWidget::kMinimumZoomPercent, PreviewWidget::kMaximumZoomPercent);
    m_slider->setValue(PreviewWidget::kMaximumZoomPercent);

    auto* caption = new BevelLabel(tr("Zoom:"), this);
    caption->setBuddy(m_slider);
    m_slider->setAccessibleName(tr("Zoom"));
    m_slider->setAccessibleDescription(tr("Zoom of the preview, %1 to %2 %")
                                           .arg(PreviewWidget::kMinimumZoomPercent)
                                           .arg(PreviewWidget::kMaximumZoomPercent));
    setPointSize(caption, kLabelPointSize);
    setPointSize(m_value_label, kLabelPointSize);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 0, 12, 0);
    row->addSpacing(10);
    row->addWidget(caption);
    row->addWidget(m_slider);
    row->addWidget(m_value_label);
    row->addSpacing(10);

    connect(m_slider, &Slider::sig_value_change, this, &ImageZoomSlider::slot_zoom_changed);
    if (m_thumbnail) {
        connect(m_slider, &QSlider::sliderPressed, m_thumbnail.data(), &Thumbnail::zoom_started);
        connect(m_slider, &QSlider::sliderReleased, m_thumbnail.data(), &Thumbnail::zoom_finished);
    }
}

void ImageZoomSlider::slot_zoom_changed(int value)
{
    // A drag zooms live and the release ends the zoom; any other change is a zoom of its own.
    const bool single_step = !m_slider->isSliderDown();
    m_value_label->setText(QStringLiteral("%1%").arg(value));
    if (!m_thumbnail)
        return;
    if (single_step)
        m_thumbnail->zoom_started();
    m_thumbnail->zoom_image(value);
    if (single_step)
        m_thumbnail->zoom_finished();
}
