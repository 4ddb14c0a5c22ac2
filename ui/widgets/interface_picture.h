#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QWidget>

// An interface picture (":/<file name>") of size logical pixels for widget's screen: QIcon takes
// the name@2x.png beside it where the screen's device pixel ratio is above 1, so the picture stays
// sharp on high-density screens. A plain QPixmap would read the single picture only.
inline QPixmap interfacePicture(const QString& path, const QSize& size, const QWidget* widget)
{
    const qreal ratio = widget ? widget->devicePixelRatioF() : 1.0;
    return QIcon(path).pixmap(size, ratio);
}
