#include "ui/panel/preview_scheduler.h"

#include "ui/logging.h"

#include "core/framework/filter.h"
#include "processing/preview_render.h"
#include "processing/worker.h"
#include "ui/panel/size_grip.h"
#include "ui/panel/thumbnail.h"
#include "ui/widgets/placeholder.h"

#include <QTimer>

namespace {
// After the window was resized, the preview is rendered for the new size once the size has
// stayed put this long (a maximise, or a drag that has stopped).
constexpr int kResizeSettleMilliseconds = 200;
} // namespace

PreviewScheduler::PreviewScheduler(Thumbnail* thumbnail, Placeholder* placeholder,
                                   SizeGrip* size_grip, QObject* parent)
    : QObject(parent), m_thumbnail(thumbnail), m_placeholder(placeholder), m_size_grip(size_grip),
      m_resize_timer(new QTimer(this))
{
    m_resize_timer->setSingleShot(true);
    m_resize_timer->setInterval(kResizeSettleMilliseconds);
    connect(m_resize_timer, &QTimer::timeout, this, &PreviewScheduler::check_pressed);
}

void PreviewScheduler::stop()
{
    if (!m_worker)
        return;
    m_worker->slot_cancelled();
    m_worker->wait();
    m_worker->disconnect(this);
    delete m_worker;
    m_worker = nullptr;
    emit worker_gone();
}

void PreviewScheduler::render(const QString& filter_name, const FilterParameters& settings)
{
    const QImage source = m_thumbnail->source_image();
    if (source.isNull())
        return;
    const FilterParametersPtr parameters = preview_parameters(settings);
    const CacheKey key = makeKey(source, *parameters);
    m_placeholder->hide();
    m_thumbnail->show();
    if (m_cache.contains(key)) {
        m_thumbnail->set_result(m_cache.lookup(key));
        return;
    }
    m_thumbnail->set_busy(true);
    // The busy sign is painted now; pending events wait, since they could change the document
    // or the settings this preview is being made for.
    m_thumbnail->repaint();
    const FilterPtr filter = make_preview_filter(filter_name, source, parameters);
    if (!filter) {
        // A filter this build cannot render: the picture stays as it is.
        m_thumbnail->set_busy(false);
        m_thumbnail->set_result(source);
        return;
    }
    m_worker = new Worker(filter, this);
    m_worker->set_cache_key(key);
    connect(m_worker, &QThread::finished, this, &PreviewScheduler::slot_thread_finished,
            Qt::QueuedConnection);
    if (!m_worker->start_render(QThread::InheritPriority)) {
        // No thread for the preview: the photograph shows, and nothing is kept.
        m_worker->disconnect(this);
        delete m_worker;
        m_worker = nullptr;
        m_thumbnail->set_busy(false);
        m_thumbnail->set_result(source);
        emit worker_gone();
    }
}

void PreviewScheduler::slot_thread_finished()
{
    qCDebug(lcPanel) << "PreviewScheduler"
                     << "slot_thread_finished";
    if (!m_worker || sender() != m_worker)
        return;
    // A preview that ran out of memory shows the photograph, and is not kept.
    const bool made = !m_worker->was_cancelled() && !m_worker->out_of_memory();
    const QImage result =
        m_worker->out_of_memory() ? m_thumbnail->source_image() : m_worker->result_image();
    if (made)
        m_cache.insert(m_worker->cache_key(), result);
    m_placeholder->hide();
    m_thumbnail->show();
    m_thumbnail->set_busy(false);
    m_thumbnail->set_result(result);
    m_worker->disconnect(this);
    m_worker->wait();
    delete m_worker;
    m_worker = nullptr;
    emit worker_gone();
}

void PreviewScheduler::size_changing()
{
    m_thumbnail->show_source();
    if (!m_size_grip->update_pending())
        m_size_grip->set_update_pending(true);
    // A size reached without the pointer moving afterwards (a maximise) renders too.
    m_resize_timer->start();
}

void PreviewScheduler::check_pressed()
{
    if (!m_size_grip->update_pending())
        return;
    m_size_grip->set_update_pending(false);
    qCDebug(lcPanel) << "check_pressed: i'm updating thumbnail";
    if (m_thumbnail->isVisible())
        emit m_thumbnail->signal_update_thumbnail();
}
