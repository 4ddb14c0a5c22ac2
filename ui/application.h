#pragma once

#include <QApplication>
#include <QStringList>

// The application object: the program-wide font and style sheet, the quit rule (the process ends
// when the last document window has gone, which the control window decides, not the toolkit's
// last-window rule) and the random generator's start.
class Application : public QApplication
{
    Q_OBJECT
public:
    Application(int& argc, char** argv);
};

// Start-up after the application object exists: shows the first document window and the control
// window beside it, then opens every file of paths, each in a window of its own. Returns the
// first window.
class DocumentWindow;
DocumentWindow* start_application(const QStringList& paths);
