#include "ui/widgets/h_line.h"

#include <QPainter>
#include <QPixmap>

HLine::HLine(QWidget* parent) : QWidget(parent)
{
    setFixedHeight(2);
}

void HLine::paintEvent(QPaintEvent*)
{
    // The 1 x 2 picture repeated at every x of the width (QPixmap caches the loaded file).
    const QPixmap separator(QStringLiteral(":/separator.png"));
    if (separator.isNull())
        return;
    QPainter painter(this);
    painter.drawTiledPixmap(QRect(0, 0, width(), separator.height()), separator);
}
