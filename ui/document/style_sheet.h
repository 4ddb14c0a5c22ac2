#pragma once

#include <QString>

// The application style sheet installed at start-up: the border images of BevelButton and
// BevelComboBox (normal and pressed), the drop-down arrow, the flat grey slider groove with its
// picture handle, and the preview grey of scroll areas. Selectors use the styled widgets' class
// names; pictures are the interface resources at ":/<file name>".
QString applicationStyleSheet();
