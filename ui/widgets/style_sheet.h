#pragma once

#include <QString>

// The application style sheet installed at start-up: the border images of BevelButton and
// BevelComboBox (normal and pressed), the drop-down arrow, the flat grey slider groove with its
// picture handle, and the preview grey of scroll areas. Selectors use the styled widgets' class
// names; pictures are the interface resources at ":/<file name>".
//
// On a screen whose device pixel ratio is above 1 Qt shows the frames' name@2x.png pictures,
// whose slices are twice as many pixels: the border images are then cut at 20 pixels instead of
// 10, for the same 10-pixel borders on the screen.
QString applicationStyleSheet(qreal devicePixelRatio = 1.0);
