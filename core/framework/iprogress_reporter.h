#pragma once

#include <QObject>
#include <QString>

// How a running filter and its algorithms tell the interface thread what they are doing: the
// number of phases, each next phase, a percentage within the phase, a stage label and an
// intermediate picture worth showing. Filters and algorithms call only the report_ operations (on
// the worker thread); receivers connect to the signals, queued (update_image blocking-queued).
class IProgressReporter : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void report_progress(int percent) = 0;
    virtual void report_update_image() = 0;
    virtual void report_label(const QString& text) = 0;
    virtual void report_total_phases(int count) = 0;
    virtual void report_next_phase() = 0;

signals:
    void progress(int percent);
    void update_image();
    void label(const QString& text);
    void sig_set_total_phases(int count);
    void sig_next_phase();
};
