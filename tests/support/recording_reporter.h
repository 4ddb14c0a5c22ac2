#pragma once

#include "core/framework/iprogress_reporter.h"

#include <QStringList>

#include <functional>

// A reporter that writes down every call, in order, as text ("phases 2", "next", "progress 40",
// "label ...", "image"), and can act on a call (for example cancel the filter at a given point).
class RecordingReporter : public IProgressReporter
{
public:
    void report_progress(int percent) override
    {
        record(QStringLiteral("progress %1").arg(percent));
    }
    void report_update_image() override { record(QStringLiteral("image")); }
    void report_label(const QString& text) override { record(QStringLiteral("label ") + text); }
    void report_total_phases(int count) override { record(QStringLiteral("phases %1").arg(count)); }
    void report_next_phase() override { record(QStringLiteral("next")); }

    // The calls that start with prefix.
    QStringList calls(const QString& prefix) const
    {
        QStringList matching;
        for (const QString& call : log) {
            if (call.startsWith(prefix))
                matching.append(call);
        }
        return matching;
    }

    QStringList log;
    std::function<void(const QString&)> onCall;

private:
    void record(const QString& call)
    {
        log.append(call);
        if (onCall)
            onCall(call);
    }
};
