#include "ui/document/launcher.h"

#include "ui/logging.h"

#include "core/filters/filter_list.h"
#include "core/framework/filter.h"
#include "core/framework/iprogress_reporter.h"
#include "processing/progress_reporter.h"
#include "processing/worker.h"
#include "ui/document/document_view.h"
#include "ui/processing/progress_window.h"

#include <utility>

// The launcher's runs in the background, without the progress window: the full-size result of the
// last rendering, and live display renders that follow the settings.

FilterParametersPtr Launcher::full_size_parameters() const
{
    FilterParametersPtr parameters(new FilterParameters(*m_current_parameters));
    parameters->remove(scalingKey());
    return parameters;
}

bool Launcher::start_full_size(const QImage& picture)
{
    if (m_worker || m_background || !m_has_result || !m_current_parameters ||
        !m_full_size.isNull() || m_display_scale >= 1.0)
        return false;
    return start_background(false, m_current_filter_name, full_size_parameters(), picture);
}

bool Launcher::start_live_rendering(const QString& filter_name,
                                    const FilterParametersPtr& parameters, const QImage& picture)
{
    if (m_worker || !parameters)
        return false;
    // The newer settings win: an unfinished render of older ones (or of the full size) stops.
    drop_full_size();
    return start_background(true, filter_name, parameters, picture);
}

bool Launcher::start_background(bool display, const QString& filter_name,
                                const FilterParametersPtr& parameters, const QImage& picture)
{
    FilterPtr filter = make_filter(filter_name, parameters, picture);
    if (!filter)
        return false;
    m_background_display = display;
    m_background_filter_name = filter_name;
    m_background_parameters = parameters;
    m_background_size = picture.size();

    m_background_reporter = create_progress_reporter();
    m_background_phase = 0;
    m_background_phases = 0;
    m_background_percent = 0;
    const auto report = [this] {
        emit background_progress(
            overallProgress(m_background_percent, m_background_phase, m_background_phases),
            m_background_display);
    };
    connect(
        m_background_reporter, &IProgressReporter::sig_set_total_phases, this,
        [this](int count) { m_background_phases = count; }, Qt::QueuedConnection);
    connect(
        m_background_reporter, &IProgressReporter::sig_next_phase, this,
        [this] { ++m_background_phase; }, Qt::QueuedConnection);
    connect(
        m_background_reporter, &IProgressReporter::progress, this,
        [this, report](int percent) {
            m_background_percent = percent;
            report();
        },
        Qt::QueuedConnection);
    filter->setProgressReporter(m_background_reporter);

    m_background = new Worker(filter, this);
    connect(m_background, &QThread::finished, this, &Launcher::slot_background_finished);
    qCDebug(lcRender) << "Launcher: background render started," << filter_name
                      << (display ? "display" : "full size");
    if (!m_background->start_render(QThread::LowPriority)) {
        // No thread for it: the background render is dropped like a cancelled one.
        end_background();
        return false;
    }
    emit background_started(display);
    report();
    return true;
}

void Launcher::slot_background_finished()
{
    if (!m_background)
        return;
    // A background render that ran out of memory is dropped like a cancelled one: the display
    // stays, and an export renders (and reports) on its own.
    const bool cancelled = m_background->was_cancelled() || m_background->out_of_memory();
    if (m_background->out_of_memory())
        qCDebug(lcRender) << "Launcher:" << m_background->out_of_memory_message();
    const QImage result = m_background->result_image();
    const bool display = m_background_display;
    end_background();
    const QString waiting_path = m_waiting_save_path;
    m_waiting_save_path.clear();
    const QImage waiting_picture = std::exchange(m_waiting_save_picture, QImage());
    if (cancelled)
        return;
    if (!display) {
        m_full_size = result;
        emit full_size_ready(result);
        return;
    }
    // A completed live render is the document's rendering from now on, as if "Process" had made it.
    m_current_filter_name = m_background_filter_name;
    m_current_parameters = m_background_parameters;
    m_rendering_size = m_background_size;
    install_display_result(result);
    // The export that waited for this render runs before anything else may start.
    if (!waiting_path.isEmpty())
        start_saving(waiting_picture, waiting_path, m_quality, m_metadata, FilterParametersPtr(),
                     m_photo_file);
    emit display_rendered();
}

void Launcher::cancel_full_size()
{
    // An export waiting for the display render goes with it.
    m_waiting_save_path.clear();
    m_waiting_save_picture = QImage();
    end_background();
}

void Launcher::end_background()
{
    if (m_background) {
        m_background->disconnect(this);
        // Deleting a running worker cancels it and waits for its thread.
        delete m_background;
        m_background = nullptr;
        emit background_progress(-1, m_background_display);
    }
    if (m_background_reporter) {
        m_background_reporter->disconnect(this);
        delete m_background_reporter;
        m_background_reporter = nullptr;
    }
}

void Launcher::drop_full_size()
{
    end_background();
    m_full_size = QImage();
}
