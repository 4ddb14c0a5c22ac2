#include "ui/panel/panel_scroll_area.h"

#include <QApplication>
#include <QEvent>
#include <QScrollBar>

namespace {

// The panel area never gets shorter than this: about three rows of a panel.
constexpr int kMinimumRowsHeight = 96;

} // namespace

PanelScrollArea::PanelScrollArea(QWidget* panels, QWidget* parent) : QScrollArea(parent)
{
    setObjectName(QStringLiteral("panelScrollArea"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidgetResizable(true);
    setWidget(panels);
    viewport()->setAutoFillBackground(false);
    panels->setAutoFillBackground(false);
    setFocusPolicy(Qt::NoFocus);
    viewport()->installEventFilter(this);
    // The focus moving through a panel with Tab scrolls the control that gets it into view.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && widget() && widget()->isAncestorOf(now))
            ensureWidgetVisible(now, 0, 4);
    });
}

QSize PanelScrollArea::sizeHint() const
{
    // The whole panel, without the bounds a scroll area puts on its hint.
    if (!widget())
        return QScrollArea::sizeHint();
    const QMargins frame = contentsMargins();
    const QSize panel = widget()->sizeHint().expandedTo(widget()->minimumSizeHint());
    return panel + QSize(frame.left() + frame.right(), frame.top() + frame.bottom());
}

QSize PanelScrollArea::minimumSizeHint() const
{
    if (!widget())
        return QScrollArea::minimumSizeHint();
    const QSize panel = widget()->minimumSizeHint().expandedTo(widget()->minimumSize());
    // The whole panel when there is room for it; else as high as the room (a few rows at least),
    // and wider by the scroll bar that then shows.
    const int height = std::min(panel.height(), std::max(kMinimumRowsHeight, m_room));
    const int bar = height < panel.height() ? verticalScrollBar()->sizeHint().width() : 0;
    return QSize(panel.width() + bar, height);
}

void PanelScrollArea::set_room(int height)
{
    if (height == m_room)
        return;
    m_room = height;
    updateGeometry();
}

bool PanelScrollArea::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == viewport() && event->type() == QEvent::LayoutRequest)
        updateGeometry();
    return QScrollArea::eventFilter(watched, event);
}
