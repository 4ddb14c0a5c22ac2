#include "ui/panel/thumbnail.h"

#include "ui/panel/preview_widget.h"
#include "ui/widgets/screen_colours.h"

#include <QHBoxLayout>
#include <QLabel>

namespace {
const QColor kFrameGrey(84, 84, 84);
constexpr int kMinimumSide = 255;
} // namespace

Thumbnail::Thumbnail(QWidget* parent) : QWidget(parent), m_preview(new PreviewWidget)
{
    auto* outer = new QHBoxLayout(this);
    outer->setSpacing(0);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* inner = new QHBoxLayout;
    inner->setSpacing(0);
    inner->setContentsMargins(0, 0, 0, 0);
    // The frame label takes the preview (and with it its ownership) through the inner layout.
    inner->addWidget(m_preview);
    auto* frame = new QLabel;
    m_frame = frame;
    frame->setLayout(inner);
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setLineWidth(1);
    frame->setMidLineWidth(250);
    frame->setMinimumHeight(250);
    QPalette lines = frame->palette();
    lines.setColor(QPalette::All, QPalette::WindowText, kFrameGrey);
    frame->setPalette(lines);
    outer->addWidget(frame);
    setContentsMargins(0, 0, 0, 0);
    m_preview->setVisible(true);
    setMinimumHeight(kMinimumSide);
    setMinimumWidth(kMinimumSide);

    connect(m_preview, &PreviewWidget::sig_preview_wanted, this,
            &Thumbnail::signal_update_thumbnail);
}

void Thumbnail::set_least_height(int height)
{
    m_preview->setMinimumHeight(height);
    m_frame->setMinimumHeight(height);
    setMinimumHeight(height + kMinimumSide - 250);
}

void Thumbnail::set_source(const QImage& image)
{
    m_preview->set_source(QPixmap::fromImage(image));
    m_preview->show();
}

QImage Thumbnail::source_image() const
{
    return m_preview->visible_source();
}

void Thumbnail::set_result(const QImage& image)
{
    // The result is only looked at: it goes to the screen in screen colours.
    m_preview->set_result(QPixmap::fromImage(inScreenColours(image)));
    m_preview->show();
}

void Thumbnail::clear()
{
    m_preview->clear();
    m_preview->hide();
}

void Thumbnail::set_busy(bool on)
{
    m_preview->set_busy(on);
}

void Thumbnail::show_source()
{
    m_preview->show_source();
}

void Thumbnail::zoom_image(int value)
{
    m_preview->slot_zoom_moved(value);
}

void Thumbnail::zoom_started()
{
    m_zooming = true;
    m_preview->slot_zoom_started();
}

void Thumbnail::zoom_finished()
{
    m_zooming = false;
    m_preview->slot_zoom_ended();
}
