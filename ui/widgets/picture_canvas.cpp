#include "ui/widgets/picture_canvas.h"

#include "ui/widgets/zoom_steps.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// The grey around the picture, as behind the placeholder.
const QColor kBackground(135, 135, 135);
// How far from the divider a press still takes it.
constexpr int kDividerReach = 5;
// One notch of a mouse wheel.
constexpr int kWheelNotch = 120;
constexpr int kScrollStep = 24;

} // namespace

PictureCanvas::PictureCanvas(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    horizontalScrollBar()->setSingleStep(kScrollStep);
    verticalScrollBar()->setSingleStep(kScrollStep);
}

void PictureCanvas::set_photograph(const QImage& photograph)
{
    m_photograph.set_image(photograph);
    m_artwork.clear();
    if (m_fitted)
        apply_zoom(fit_zoom(), QPointF(viewport()->rect().center()), true);
    else
        lay_out(picture_origin());
    viewport()->update();
}

void PictureCanvas::set_artwork(const QImage& artwork)
{
    m_artwork.set_image(artwork);
    viewport()->update();
}

const QImage& PictureCanvas::shown_image() const
{
    return m_artwork.is_null() ? m_photograph.image() : m_artwork.image();
}

double PictureCanvas::fit_zoom() const
{
    return zoom_steps::fit(picture_size(), maximumViewportSize());
}

void PictureCanvas::set_zoom(double zoom, const QPointF& anchor)
{
    apply_zoom(zoom, anchor, false);
}

void PictureCanvas::set_zoom(double zoom)
{
    set_zoom(zoom, QPointF(viewport()->rect().center()));
}

void PictureCanvas::zoom_in()
{
    set_zoom(zoom_steps::zoom_in(m_zoom));
}

void PictureCanvas::zoom_out()
{
    set_zoom(zoom_steps::zoom_out(m_zoom));
}

void PictureCanvas::actual_size()
{
    set_zoom(1.0);
}

void PictureCanvas::fit_to_window()
{
    apply_zoom(fit_zoom(), QPointF(viewport()->rect().center()), true);
}

void PictureCanvas::apply_zoom(double zoom, const QPointF& anchor, bool fitted)
{
    zoom = std::clamp(zoom, zoom_steps::kMinimum, zoom_steps::kMaximum);
    const double old = m_zoom;
    const QPointF origin = zoom_steps::origin_keeping(anchor, picture_origin(), old, zoom);
    m_zoom = zoom;
    m_fitted = fitted;
    lay_out(origin);
    viewport()->update();
    if (zoom != old)
        emit zoom_changed(zoom, !fitted && zoom > old);
}

QSizeF PictureCanvas::content_size() const
{
    return QSizeF(picture_size()) * m_zoom;
}

QPointF PictureCanvas::picture_origin() const
{
    const QSizeF content = content_size();
    const QSize area = viewport()->size();
    const double x = content.width() < area.width() ? (area.width() - content.width()) / 2.0
                                                    : -double(horizontalScrollBar()->value());
    const double y = content.height() < area.height() ? (area.height() - content.height()) / 2.0
                                                      : -double(verticalScrollBar()->value());
    return QPointF(x, y);
}

void PictureCanvas::lay_out(const QPointF& origin)
{
    // The area the scroll bars leave: one bar can make the other necessary.
    const QSize most = maximumViewportSize();
    const QSizeF content = content_size();
    const int bar_width = verticalScrollBar()->sizeHint().width();
    const int bar_height = horizontalScrollBar()->sizeHint().height();
    bool across = content.width() > most.width();
    bool down = content.height() > most.height();
    if (across && !down)
        down = content.height() > most.height() - bar_height;
    if (down && !across)
        across = content.width() > most.width() - bar_width;
    const QSize area(most.width() - (down ? bar_width : 0),
                     most.height() - (across ? bar_height : 0));

    QScrollBar* horizontal = horizontalScrollBar();
    QScrollBar* vertical = verticalScrollBar();
    horizontal->setRange(0, across ? int(std::ceil(content.width())) - area.width() : 0);
    vertical->setRange(0, down ? int(std::ceil(content.height())) - area.height() : 0);
    horizontal->setPageStep(area.width());
    vertical->setPageStep(area.height());
    horizontal->setValue(qRound(-origin.x()));
    vertical->setValue(qRound(-origin.y()));
}

void PictureCanvas::set_comparing(bool comparing)
{
    if (m_comparing == comparing)
        return;
    m_comparing = comparing;
    viewport()->update();
}

void PictureCanvas::set_split(bool split)
{
    if (m_split == split)
        return;
    m_split = split;
    viewport()->update();
    emit split_changed(split);
}

void PictureCanvas::set_split_position(double position)
{
    m_split_position = std::clamp(position, 0.0, 1.0);
    viewport()->update();
}

int PictureCanvas::divider_x() const
{
    return qRound(m_split_position * viewport()->width());
}

void PictureCanvas::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    painter.fillRect(dirty, kBackground);
    if (m_photograph.is_null())
        return;
    const QRectF target(picture_origin(), content_size());
    // Blocks only where a picture pixel covers more than one pixel of the device.
    const bool sharp = m_zoom * devicePixelRatioF() > 1.0 + 1e-9;
    const PicturePyramid& artwork = m_artwork.is_null() ? m_photograph : m_artwork;
    if (m_comparing) {
        m_photograph.draw(painter, target, dirty, sharp);
    } else if (m_split) {
        const int x = divider_x();
        const QRect left = dirty.intersected(QRect(0, 0, x, viewport()->height()));
        const QRect right =
            dirty.intersected(QRect(x, 0, viewport()->width() - x, viewport()->height()));
        m_photograph.draw(painter, target, left, sharp);
        artwork.draw(painter, target, right, sharp);
        // The divider: a light line with a dark edge on each side and a grip in the middle.
        const int middle = viewport()->height() / 2;
        painter.fillRect(QRect(x - 2, 0, 5, viewport()->height()), QColor(60, 60, 60));
        painter.fillRect(QRect(x - 1, 0, 3, viewport()->height()), QColor(235, 235, 235));
        painter.setPen(QColor(60, 60, 60));
        painter.setBrush(QColor(235, 235, 235));
        painter.drawRoundedRect(QRect(x - 5, middle - 16, 11, 32), 3, 3);
    } else {
        artwork.draw(painter, target, dirty, sharp);
    }
}

void PictureCanvas::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (m_fitted)
        apply_zoom(fit_zoom(), QPointF(viewport()->rect().center()), true);
    else
        lay_out(picture_origin());
}

void PictureCanvas::scrollContentsBy(int, int)
{
    viewport()->update();
}

void PictureCanvas::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    // Ctrl+wheel zooms one stop per notch about the cursor; a fine wheel adds up to a notch.
    m_wheel_pending += event->angleDelta().y();
    while (std::abs(m_wheel_pending) >= kWheelNotch) {
        const bool in = m_wheel_pending > 0;
        const double next = in ? zoom_steps::zoom_in(m_zoom) : zoom_steps::zoom_out(m_zoom);
        m_wheel_pending -= in ? kWheelNotch : -kWheelNotch;
        set_zoom(next, event->position());
    }
    event->accept();
}

bool PictureCanvas::near_divider(const QPoint& at) const
{
    return m_split && std::abs(at.x() - divider_x()) <= kDividerReach;
}

bool PictureCanvas::can_pan() const
{
    return horizontalScrollBar()->maximum() > 0 || verticalScrollBar()->maximum() > 0;
}

void PictureCanvas::update_cursor(const QPoint& at)
{
    if (m_drag == Drag::Pan)
        viewport()->setCursor(Qt::ClosedHandCursor);
    else if (m_drag == Drag::Divider || near_divider(at))
        viewport()->setCursor(Qt::SplitHCursor);
    else if (can_pan())
        viewport()->setCursor(Qt::OpenHandCursor);
    else
        viewport()->unsetCursor();
}

void PictureCanvas::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    if (near_divider(at)) {
        // The divider keeps the spot where it was taken, as a dragged thing does.
        m_drag = Drag::Divider;
        m_divider_grab = at.x() - divider_x();
    } else if (can_pan())
        m_drag = Drag::Pan;
    m_drag_start = at;
    m_scroll_start = QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    update_cursor(at);
    event->accept();
}

void PictureCanvas::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (m_drag == Drag::Pan) {
        const QPoint moved = at - m_drag_start;
        horizontalScrollBar()->setValue(m_scroll_start.x() - moved.x());
        verticalScrollBar()->setValue(m_scroll_start.y() - moved.y());
    } else if (m_drag == Drag::Divider && viewport()->width() > 0) {
        set_split_position(double(at.x() - m_divider_grab) / viewport()->width());
    }
    update_cursor(at);
    event->accept();
}

void PictureCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_drag = Drag::None;
    update_cursor(event->position().toPoint());
    event->accept();
}

void PictureCanvas::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Backslash) {
        if (!event->isAutoRepeat())
            set_comparing(true);
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void PictureCanvas::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Backslash) {
        if (!event->isAutoRepeat())
            set_comparing(false);
        event->accept();
        return;
    }
    QAbstractScrollArea::keyReleaseEvent(event);
}

void PictureCanvas::focusOutEvent(QFocusEvent* event)
{
    // A key released in another window never reaches this one.
    set_comparing(false);
    QAbstractScrollArea::focusOutEvent(event);
}
