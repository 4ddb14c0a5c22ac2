#include "processing/progress_reporter.h"

#include "core/framework/iprogress_reporter.h"

namespace {

class ProgressReporter : public IProgressReporter
{
public:
    void report_progress(int percent) override { emit progress(percent); }
    void report_update_image() override { emit update_image(); }
    void report_label(const QString& text) override { emit label(text); }
    void report_total_phases(int count) override { emit sig_set_total_phases(count); }
    void report_next_phase() override { emit sig_next_phase(); }
};

} // namespace

IProgressReporter* create_progress_reporter()
{
    return new ProgressReporter;
}
