#pragma once

#include <QApplication>

// The application object: the program-wide font and style sheet, the quit rule (the process ends
// when the last document window has gone, which the control window decides, not the toolkit's
// last-window rule) and the random generator's start.
class Application : public QApplication
{
    Q_OBJECT
public:
    Application(int& argc, char** argv);
};

// Start-up after the application object exists: shows the control window and the first document
// window, for path when it is not empty. Returns that window.
class DocumentWindow;
DocumentWindow* start_application(const QString& path);
