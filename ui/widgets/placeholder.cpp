#include "ui/widgets/placeholder.h"

#include <QResizeEvent>
#include <QSvgRenderer>
#include <QSvgWidget>

namespace {

const QColor kPreviewGrey(135, 135, 135);
const QColor kFrameLine(84, 84, 84);
// Free space kept around the drawing on every side.
constexpr int kMargin = 10;

void setRoleColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour)
{
    QPalette palette = widget->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, role, colour);
    widget->setPalette(palette);
}

} // namespace

Placeholder::Placeholder(bool framed, QWidget* parent)
    : QLabel(parent), m_picture(new QSvgWidget(QStringLiteral(":/placeholder.svg"), this))
{
    setRoleColour(this, QPalette::Window, kPreviewGrey);
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAlignment(Qt::AlignCenter);
    // The words of the drawing, for screen readers.
    setAccessibleName(tr("Open or drop a picture"));
    setAccessibleDescription(tr("No picture is open: open a picture or drop one here"));
    if (framed) {
        setMinimumSize(250, 250);
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
        setMidLineWidth(0);
        setRoleColour(this, QPalette::WindowText, kFrameLine);
    }
}

void Placeholder::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    const QSize natural = m_picture->renderer()->defaultSize();
    const int availableWidth = qMax(0, width() - 2 * kMargin);
    const int availableHeight = qMax(0, height() - 2 * kMargin);
    if (natural.isEmpty()) {
        m_picture->setGeometry(kMargin, kMargin, availableWidth, availableHeight);
        return;
    }
    // Fit to the width first; if that is too tall, fit to the height instead.
    qreal w = availableWidth;
    qreal h = w * natural.height() / natural.width();
    if (h > availableHeight) {
        w = w * availableHeight / h;
        h = availableHeight;
    }
    const int left = int(0.5 * (width() - w));
    const int top = int(0.5 * (height() - h));
    m_picture->setGeometry(left, top, int(w), int(h));
}
