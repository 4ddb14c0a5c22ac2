#pragma once

#include <QObject>

#include "core/framework/filter_parameters.h"
#include "core/framework/result_cache.h"

class Placeholder;
class SizeGrip;
class Thumbnail;
class Worker;
class QTimer;

// The previews of the control window: renders a filter's settings on the visible part of the
// picture in the thumbnail, from the cache when it holds the same piece and settings, else on a
// worker thread, one at a time. While the window is resized the thumbnail shows the scaled picture;
// the next mouse movement (check_pressed), or a size that has stayed put a moment, asks for a new
// preview through the thumbnail's signal_update_thumbnail. Owned by the control window; GUI thread
// only.
class PreviewScheduler : public QObject
{
    Q_OBJECT
public:
    PreviewScheduler(Thumbnail* thumbnail, Placeholder* placeholder, SizeGrip* size_grip,
                     QObject* parent);

    Worker* worker() const { return m_worker; }
    const ResultCache& cache() const { return m_cache; }

    // Shows the preview of the named filter with these settings on the thumbnail's picture.
    void render(const QString& filter_name, const FilterParameters& settings);
    // Cancels a preview still being rendered and waits for its thread.
    void stop();
    void size_changing();
    void check_pressed();

signals:
    // A worker is gone (finished or stopped): the panel can take input again.
    void worker_gone();

private slots:
    void slot_thread_finished();

private:
    Thumbnail* m_thumbnail;
    Placeholder* m_placeholder;
    SizeGrip* m_size_grip;
    QTimer* m_resize_timer;
    ResultCache m_cache;
    Worker* m_worker = nullptr;
};
