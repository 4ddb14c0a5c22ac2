#include "ui/widgets/bevel_button.h"

#include "ui/widgets/focus_mark.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

const QColor kDarkText(41, 41, 41);
// Disabled text, and the text of a button held down.
const QColor kMutedText(120, 120, 120);
// The light copy under the text.
const QColor kLightText(230, 230, 230);

// Baseline of the caption in a button of the style sheet's height (24 pixels); one pixel lower
// while the button is held down, so the caption sinks with the frame.
constexpr int kBaseline = 18;
constexpr int kStyledHeight = 24;

} // namespace

BevelButton::BevelButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

void BevelButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);

    // 1. The bevel: the style sheet's border image for the normal or pressed state.
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    // 2. Where the caption goes: centred horizontally on the measured text, on a fixed baseline.
    // A button made taller than the style sheet's height keeps its caption vertically centred.
    const bool down = option.state & QStyle::State_Sunken;
    const bool enabled = option.state & QStyle::State_Enabled;
    const QFontMetrics metrics(font());
    const QRect textRect = metrics.boundingRect(option.text);
    const QRect& rect = option.rect;
    const int x = ((rect.right() - rect.left()) - (textRect.right() - textRect.left())) / 2;
    const int y = (down ? kBaseline + 1 : kBaseline) + qMax(0, rect.height() - kStyledHeight) / 2;

    // 3 and 4. The light copy, then the dark text one pixel above and to the left of it.
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font());
    painter.setPen(kLightText);
    painter.drawText(rect.left() + x, rect.top() + y, option.text);
    painter.setPen(down || !enabled ? kMutedText : kDarkText);
    painter.drawText(rect.left() + x - 1, rect.top() + y - 1, option.text);

    // 5. Reached with the keyboard: a dark line just inside the bevel.
    draw_focus_mark(this, painter, rect.adjusted(3, 3, -3, -3));
}
