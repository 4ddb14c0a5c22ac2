#pragma once

#include "processing/iprogress_reporter.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

// The progress bar of drawlume-render on a terminal: the filter's name, the picture, "phase k of
// n" and the percentage of the phase, redrawn in place with a carriage return. The filter calls
// the report_ functions on the thread that runs it, which for drawlume-render is the main thread,
// so they draw directly and emit nothing. Owned by the render loop, one per run; not thread-safe.
class TerminalProgress : public IProgressReporter
{
public:
    explicit TerminalProgress(std::FILE* stream = stderr);
    ~TerminalProgress() override;

    // A new picture: phase 1 of 1 at 0 % until the filter tells more.
    void begin(const QString& filterName, const QString& pictureName);
    // Removes the bar, leaving the cursor at the start of an empty line.
    void clear();

    void report_progress(int percent) override;
    void report_update_image() override {}
    void report_label(const QString&) override {}
    void report_total_phases(int count) override;
    void report_next_phase() override;

    // The bar as it is drawn, without the carriage return (for tests of the layout).
    QString line() const;

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
