#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

// How a running filter and its algorithms tell the interface thread what they are doing: the
// number of phases, each next phase, a percentage within the phase, a stage label and an
// intermediate picture worth showing. Filters and algorithms call only the report_ operations (on
// the worker thread); receivers connect to the signals, queued (update_image blocking-queued).
//
// A run that announces n phases goes through exactly n: each reports its percentages from 0 to
// 100, and each after the first starts with report_next_phase.
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

// The progress of a whole run, 0 to 100, for percentage p reached in phase number `phase` (from 0)
// of `total` phases: each phase covers an equal share, the remainder kept, so the end of the last
// phase is exactly 100. Without an announced phase count the percentage is taken as it is; a
// phase number past the last stays in the last share.
inline int overallProgress(int p, int phase, int total)
{
    p = qBound(0, p, 100);
    if (total <= 0)
        return p;
    phase = qBound(0, phase, total - 1);
    return (phase * 100 + p) / total;
}
