#include "ui/panel/preview_widget.h"

#include "core/raster/raster_primitives.h"
#include "ui/widgets/screen_colours.h"

#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>

namespace {

const QColor kPreviewGrey(135, 135, 135);
constexpr int kSpinnerIntervalMs = 100;
constexpr int kSpinnerStep = 30; // degrees per tick and between spokes
constexpr int kSpokes = 12;

// Rounding half away from zero.
int roundAway(double value)
{
    return int(std::lround(value));
}

// size scaled to (round(zoom * width), round(zoom * height)) with its aspect ratio kept, at least
// 1 x 1 for a non-empty size; what QPixmap::scaled with Qt::KeepAspectRatio produces.
QSize zoomedSize(const QSize& size, double zoom)
{
    if (size.isEmpty())
        return QSize();
    QSize zoomed = size;
    zoomed.scale(QSize(std::max(1, roundAway(zoom * size.width())),
                       std::max(1, roundAway(zoom * size.height()))),
                 Qt::KeepAspectRatio);
    return zoomed.expandedTo(QSize(1, 1));
}

} // namespace

PreviewWidget::PreviewWidget(QWidget* parent)
    : QLabel(parent), m_busy_icon(QStringLiteral(":/BackProgress.png"))
{
    setMouseTracking(true);
    setMinimumSize(250, 250);
    QPalette grey = palette();
    grey.setColor(QPalette::All, QPalette::WindowText, kPreviewGrey);
    grey.setColor(QPalette::All, QPalette::Window, kPreviewGrey);
    setPalette(grey);
    setAutoFillBackground(true);
    connect(&m_timer, &QTimer::timeout, this, &PreviewWidget::slot_timer);
}

bool PreviewWidget::remembered_pan(const QByteArray& key, QPointF* pan) const
{
    const auto it = m_pan_memory.constFind(key);
    if (it == m_pan_memory.constEnd())
        return false;
    if (pan)
        *pan = it.value();
    return true;
}

double PreviewWidget::view_zoom(double zoom) const
{
    return zoom / devicePixelRatioF();
}

double PreviewWidget::max_pan_x(double zoom) const
{
    return std::max(0, m_source.width() - roundAway(width() / view_zoom(zoom)));
}

double PreviewWidget::max_pan_y(double zoom) const
{
    return std::max(0, m_source.height() - roundAway(height() / view_zoom(zoom)));
}

void PreviewWidget::clamp_pan()
{
    m_pan_x = std::clamp(m_pan_x, 0.0, max_pan_x(m_zoom));
    m_pan_y = std::clamp(m_pan_y, 0.0, max_pan_y(m_zoom));
}

void PreviewWidget::centre(const QSize& size)
{
    m_offset_x = size.width() <= width() ? (width() - size.width()) / 2 : 0;
    m_offset_y = size.height() <= height() ? (height() - size.height()) / 2 : 0;
}

void PreviewWidget::remember_pan()
{
    if (!m_source_key.isEmpty())
        m_pan_memory.insert(m_source_key, QPointF(m_pan_x, m_pan_y));
}

void PreviewWidget::set_source(const QPixmap& pixmap)
{
    // clear() files the pan of the picture shown until now.
    clear();
    const QImage picture = pixmap.toImage();
    const QByteArray key = pixmap.isNull() ? QByteArray() : imageDigest(picture);
    m_source = pixmap;
    m_source_key = key;
    m_source_space = picture.colorSpace();
    const QImage shown = inScreenColours(picture);
    m_source_shown = shown.colorSpace() == m_source_space ? pixmap : QPixmap::fromImage(shown);
    QPointF stored;
    if (key.isEmpty()) {
        m_pan_x = m_pan_y = 0.0;
    } else if (remembered_pan(key, &stored)) {
        m_pan_x = stored.x();
        m_pan_y = stored.y();
        clamp_pan();
    } else {
        m_pan_x = m_pan_y = 0.0;
        m_pan_memory.insert(key, QPointF());
    }
    centre(zoomedSize(m_source.size(), view_zoom(m_zoom)));
    m_showing_result = true;
    update();
}

QRect PreviewWidget::visible_source_rect() const
{
    if (m_source.isNull() || width() <= 0 || height() <= 0)
        return QRect();
    const double zoom = view_zoom(m_zoom);
    const int visibleWidth = roundAway(width() / zoom);
    const int visibleHeight = roundAway(height() / zoom);
    const double margin = kMargin / zoom;
    const QRect wanted(int(m_pan_x), int(m_pan_y), int(margin + visibleWidth),
                       int(margin + visibleHeight));
    return wanted & m_source.rect();
}

QImage PreviewWidget::visible_source() const
{
    const QRect rect = visible_source_rect();
    if (rect.isEmpty())
        return QImage();
    const QPixmap piece = m_source.copy(rect);
    // Pixmaps do not keep the colour space through copy and scaled; the filter's result gets it
    // from its input.
    QImage input =
        piece.scaled(zoomedSize(piece.size(), m_zoom), Qt::KeepAspectRatio, Qt::FastTransformation)
            .toImage();
    if (input.colorSpace() != m_source_space)
        input.setColorSpace(m_source_space);
    return input;
}

void PreviewWidget::set_result(const QPixmap& pixmap)
{
    // Made from visible_source, in device pixels: painted at the screen's own resolution.
    m_result = pixmap;
    m_result.setDevicePixelRatio(devicePixelRatioF());
    m_showing_result = true;
    update();
}

void PreviewWidget::clear()
{
    remember_pan();
    m_source = QPixmap();
    m_source_shown = QPixmap();
    m_source_space = QColorSpace();
    m_source_key.clear();
    m_result = QPixmap();
    m_showing_result = true;
    m_busy = false;
    m_timer.stop();
    update();
}

void PreviewWidget::set_busy(bool on)
{
    m_busy = on;
    m_showing_result = !on;
    if (on)
        m_timer.start(kSpinnerIntervalMs);
    else
        m_timer.stop();
    update();
}

void PreviewWidget::show_source()
{
    m_showing_result = false;
}

void PreviewWidget::slot_zoom_started()
{
    m_showing_result = false;
    update();
}

void PreviewWidget::slot_zoom_ended()
{
    m_result = QPixmap();
    emit sig_preview_wanted();
    update();
}

void PreviewWidget::slot_zoom_moved(int value)
{
    m_showing_result = false;
    value = std::clamp(value, kMinimumZoomPercent, kMaximumZoomPercent);
    const float zoom = float(1.0 - 0.01 * (100 - value));
    // Half of the change of the visible extent goes to each side, so the centre stays put.
    const double now = view_zoom(m_zoom);
    const double next = view_zoom(zoom);
    m_pan_x = std::min(m_pan_x + (width() / next - width() / now) * -0.5, max_pan_x(zoom));
    m_pan_y = std::min(m_pan_y + (height() / next - height() / now) * -0.5, max_pan_y(zoom));
    m_zoom = zoom;
    clamp_pan();
    update();
}

void PreviewWidget::slot_timer()
{
    m_spinner_angle += kSpinnerStep;
    if (m_spinner_angle >= 360)
        m_spinner_angle = 0;
    update();
}

void PreviewWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // Without a result yet (a picture just set) the picture itself is the best there is.
    if (m_showing_result && !m_result.isNull()) {
        painter.drawPixmap(m_offset_x, m_offset_y, m_result);
    } else if (!m_source.isNull()) {
        clamp_pan();
        // From the pan position to the picture's far edges, scaled by the zoom and centred. Only
        // the part inside the widget is actually scaled: the painter clips to it.
        const QRect region =
            QRect(int(m_pan_x), int(m_pan_y), m_source.width(), m_source.height()) &
            m_source.rect();
        const QSize zoomed = zoomedSize(region.size(), view_zoom(m_zoom));
        centre(zoomed);
        painter.drawPixmap(QRect(QPoint(m_offset_x, m_offset_y), zoomed), m_source_shown, region);
    }
    if (m_busy)
        paint_spinner(painter);
}

void PreviewWidget::paint_spinner(QPainter& painter)
{
    const int w = width();
    const int h = height();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawPixmap(QPoint((w + 1) / 2 - 16 - 3, (h + 1) / 2 - 16 - 3),
                       m_busy_icon.pixmap(QSize(36, 36), devicePixelRatioF()));
    painter.setPen(Qt::NoPen);
    // Twelve spokes fading counter-clockwise from the one at the spinner angle; the last two have
    // no alpha left.
    for (int i = 0; i < kSpokes; ++i) {
        QColor spoke(255, 255, 255);
        spoke.setAlphaF(float(std::max(0.0, 0.8 - i / double(kSpokes))));
        painter.save();
        painter.setBrush(spoke);
        painter.translate((w - 1) / 2, (h - 1) / 2);
        painter.rotate(-kSpinnerStep * i + m_spinner_angle);
        painter.drawRoundedRect(QRectF(-1, -15, 3, 10), 1, 1);
        painter.restore();
    }
}

void PreviewWidget::mousePressEvent(QMouseEvent* event)
{
    m_pressed = true;
    m_press_x = event->globalPosition().x();
    m_press_y = event->globalPosition().y();
    m_showing_result = false;
    update();
    setCursor(Qt::ClosedHandCursor);
}

void PreviewWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressed) {
        setCursor(Qt::OpenHandCursor);
        return;
    }
    const QPointF at = event->globalPosition();
    // Dragging right shows what lies to the left: the pan moves against the cursor.
    const double zoom = view_zoom(m_zoom);
    m_pan_x = std::min(m_pan_x - (at.x() - m_press_x) / zoom, max_pan_x(m_zoom));
    m_pan_y = std::min(m_pan_y - (at.y() - m_press_y) / zoom, max_pan_y(m_zoom));
    clamp_pan();
    m_press_x = at.x();
    m_press_y = at.y();
    update();
    setCursor(Qt::ClosedHandCursor);
}

void PreviewWidget::mouseReleaseEvent(QMouseEvent*)
{
    m_pressed = false;
    slot_zoom_ended();
    setCursor(Qt::ArrowCursor);
}

void PreviewWidget::enterEvent(QEnterEvent*)
{
    setCursor(Qt::OpenHandCursor);
}

void PreviewWidget::leaveEvent(QEvent*)
{
    setCursor(Qt::ArrowCursor);
}

void PreviewWidget::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    const QSize old = event->oldSize();
    if (old.width() <= 0 || old.height() <= 0 || m_source.isNull())
        return;
    // While the picture overflows the view the pan shifts with the size change, so the picture
    // stays anchored at the resized (bottom-right) corner.
    const double zoom = view_zoom(m_zoom);
    if (old.width() < int(zoom * m_source.width()) &&
        old.height() < int(zoom * m_source.height())) {
        m_pan_x += (old.width() - width()) / zoom;
        m_pan_y += (old.height() - height()) / zoom;
        clamp_pan();
        update();
    }
}
