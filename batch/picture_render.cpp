#include "batch/picture_render.h"

#include "core/filters/filter_list.h"
#include "core/framework/filter.h"
#include "core/framework/iprogress_reporter.h"
#include "processing/progress_reporter.h"
#include "processing/worker.h"

#include <QEventLoop>
#include <QMutexLocker>

#include <utility>

PictureRender::PictureRender(const QString& filterName, QImage picture,
                             const FilterParametersPtr& parameters, QObject* parent)
    : QObject(parent), m_reporter(create_progress_reporter())
{
    const FilterPtr filter = createFilter(filterName);
    if (!filter)
        return;
    filter->setImage(picture);
    picture = QImage();
    filter->setParameters(parameters);
    filter->setProgressReporter(m_reporter.data());
    m_worker.reset(new Worker(filter, nullptr));
    // finished() is emitted on the worker thread after the last report, so the queued reports
    // all arrive before it.
    connect(m_worker.data(), &QThread::finished, this, &PictureRender::finished,
            Qt::QueuedConnection);
    // On the worker thread, once the filter has returned: from here on a cancel is too late to
    // stop it and must not cost the finished artwork.
    connect(
        m_worker.data(), &QThread::finished, this,
        [this] {
            const QMutexLocker lock(&m_cancelMutex);
            m_ended = true;
        },
        Qt::DirectConnection);
}

PictureRender::~PictureRender() = default;

void PictureRender::start()
{
    // A render whose thread cannot be made ends at once, as out of memory.
    if (m_worker && !m_worker->start_render())
        QMetaObject::invokeMethod(
            this, [this] { emit finished(); }, Qt::QueuedConnection);
}

void PictureRender::cancel()
{
    // A render that has ended keeps its artwork: otherwise a cancel that comes between the end of
    // the render and the taking of its artwork would drop a finished picture.
    const QMutexLocker lock(&m_cancelMutex);
    if (m_worker && !m_ended)
        m_worker->slot_cancelled();
}

QImage PictureRender::takeArtwork(QString* error)
{
    if (error)
        *error = QStringLiteral("the filter gave no picture");
    if (!m_worker)
        return QImage();
    m_worker->wait();
    QImage artwork;
    if (m_worker->out_of_memory()) {
        if (error)
            *error = m_worker->out_of_memory_message();
    } else if (!m_worker->was_cancelled()) {
        artwork = m_worker->result_image();
    }
    // The worker holds the filter, and the filter the artwork's other reference.
    m_worker.reset();
    return artwork;
}

QImage renderArtwork(const QString& filterName, QImage picture,
                     const FilterParametersPtr& parameters,
                     const std::function<void(IProgressReporter*)>& beforeStart, QString* error)
{
    PictureRender render(filterName, std::move(picture), parameters);
    if (!render.isValid()) {
        if (error)
            *error = QStringLiteral("the filter gave no picture");
        return QImage();
    }
    if (beforeStart)
        beforeStart(render.reporter());
    QEventLoop loop;
    QObject::connect(&render, &PictureRender::finished, &loop, &QEventLoop::quit);
    render.start();
    loop.exec();
    return render.takeArtwork(error);
}
