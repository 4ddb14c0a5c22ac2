#pragma once

#include <QObject>
#include <QString>

#include <cstdio>

class IProgressReporter;

// The progress bar of drawlume-render on a terminal: the filter's name, the picture, "phase k of
// n" and the percentage of the phase, redrawn in place with a carriage return.
//
// Lives on the main thread, one per run. The filter runs on a worker thread and reports through
// an IProgressReporter whose signals reach the slots here queued (see follow), so the bar is only
// ever drawn by the main thread, while it waits for the worker in its event loop.
class TerminalProgress : public QObject
{
    Q_OBJECT
public:
    explicit TerminalProgress(std::FILE* stream = stderr, QObject* parent = nullptr);
    ~TerminalProgress() override;

    // A new picture: phase 1 of 1 at 0 % until the filter tells more.
    void begin(const QString& filterName, const QString& pictureName);
    // Removes the bar, leaving the cursor at the start of an empty line.
    void clear();

    // Draws what reporter's signals tell, through queued connections: reporter is used on the
    // worker thread, this object on the main thread. The connections end with either object.
    void follow(IProgressReporter* reporter);

    // The bar as it is drawn, without the carriage return (for tests of the layout).
    QString line() const;

public slots:
    void setProgress(int percent);
    void setTotalPhases(int count);
    void nextPhase();

private:
    void draw();

    std::FILE* m_stream;
    QString m_filterName;
    QString m_pictureName;
    int m_phase = 1;
    int m_phases = 1;
    int m_percent = 0;
    QString m_lastDrawn;
    bool m_visible = false;
};
