#include "ui/widgets/bevel_combo_box.h"

#include "ui/widgets/focus_mark.h"

#include <QAbstractItemView>
#include <QBoxLayout>
#include <QFontMetrics>
#include <QScreen>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QWheelEvent>

namespace {

const QColor kLightText(255, 255, 255);
const QColor kDarkText(0, 0, 0);
const QColor kDisabledText(100, 100, 100);

// Baseline origin of the current entry's dark text; its light copy sits one pixel lower and to
// the right.
constexpr int kTextX = 11;
constexpr int kTextY = 14;
// Room kept free for the drop-down arrow at the right edge.
constexpr int kArrowRoom = 22;

} // namespace

BevelComboBox::BevelComboBox(QWidget* parent) : QComboBox(parent) {}

void BevelComboBox::wheelEvent(QWheelEvent* event)
{
    // Consumed without effect: neither the selection nor an enclosing scroll area moves.
    event->accept();
}

void BevelComboBox::showPopup()
{
    // Tall enough for every entry (plus the list's own frame), but never taller than the screen;
    // a longer list scrolls.
    QAbstractItemView* list = view();
    const int rows = model()->rowCount(rootModelIndex());
    int height = 0;
    if (rows > 0) {
        height = rows * list->sizeHintForRow(0) + 2 * list->frameWidth();
        if (const QScreen* shownOn = screen())
            height = qMin(height, shownOn->availableGeometry().height());
    }
    list->setMinimumHeight(height);
    drop_negative_popup_margins();
    QComboBox::showPopup();
}

void BevelComboBox::drop_negative_popup_margins()
{
    // The style sheet pulls the closed list's text up with a negative vertical padding, and the
    // style reports that padding as the popup's top and bottom margin too: the popup would come
    // out 20 pixels shorter than the list in it and cut off the last entries. The popup's layout
    // holds those margins as spacers around the list; they become empty.
    QWidget* popup = view()->parentWidget();
    auto* layout = popup ? qobject_cast<QBoxLayout*>(popup->layout()) : nullptr;
    if (!layout || layout->count() == 0)
        return;
    for (const int index : {0, layout->count() - 1}) {
        QSpacerItem* margin = layout->itemAt(index)->spacerItem();
        if (margin && margin->sizeHint().height() < 0)
            margin->changeSize(0, 0, QSizePolicy::Minimum, QSizePolicy::Fixed);
    }
    layout->invalidate();
}

void BevelComboBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));

    // The frame and the arrow: the style sheet's border image and arrow picture.
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);

    // The current entry (the placeholder when none is), shortened with an ellipsis where it
    // would run under the arrow.
    const QFontMetrics metrics(font());
    const QString text = metrics.elidedText(currentIndex() < 0 ? placeholderText() : currentText(),
                                            Qt::ElideRight, qMax(0, width() - kTextX - kArrowRoom));
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font());
    painter.setPen(kLightText);
    painter.drawText(kTextX + 1, kTextY + 1, text);
    painter.setPen(isEnabled() ? kDarkText : kDisabledText);
    painter.drawText(kTextX, kTextY, text);

    // Reached with the keyboard: a dark line just inside the frame.
    draw_focus_mark(this, painter, rect().adjusted(2, 2, -2, -2));
}
