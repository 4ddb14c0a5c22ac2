#pragma once

#include <QString>

// The user manual is one HTML page that ships with the program (docs/manual/index.html in the
// sources). GUI thread.

// The page to show: the installed copy (share/doc/drawlume/manual/ beside the bin/ folder of the
// running program), else the copy a build tree keeps beside the program (manual/index.html),
// else the build tree's and then the source tree's copy this program was built from. Empty when
// none exists.
QString user_manual_path();

// Opens user_manual_path() with the desktop's handler for local files (the web browser).
// Returns false when there is no manual or the desktop could not open it.
bool open_user_manual();

class QWidget;

// Opens the manual as open_user_manual does; when it cannot, says so in a message over parent,
// with the manual's path so that the user can open it another way.
void show_user_manual(QWidget* parent);
