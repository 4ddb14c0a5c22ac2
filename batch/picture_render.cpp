#include "batch/picture_render.h"

#include "core/filters/filter_list.h"
#include "core/framework/filter.h"
#include "core/framework/iprogress_reporter.h"
#include "core/raster/photo_mask.h"
#include "document/picture_io.h"
#include "processing/progress_reporter.h"
#include "processing/worker.h"

#include <QEventLoop>
#include <QMutexLocker>

#include <new>
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

bool blendPhotoFromFile(QImage& artwork, const QByteArray& pictureFile, const QImage& mask,
                        QString* error)
{
    if (mask.isNull() || artwork.isNull())
        return true;
    QImage photo;
    QString reason;
    try {
        if (!decodePicture(pictureFile, photo, &reason)) {
            if (error)
                *error = QStringLiteral("the photograph cannot be read again for the mask: %1")
                             .arg(reason);
            return false;
        }
        const QImage fitted = photoMaskFor(mask, artwork.size());
        if (!applyPhotoMask(artwork, photo, fitted)) {
            if (error)
                *error = QStringLiteral("the photograph of %1 x %2 pixels does not match the "
                                        "artwork of %3 x %4")
                             .arg(photo.width())
                             .arg(photo.height())
                             .arg(artwork.width())
                             .arg(artwork.height());
            return false;
        }
    } catch (const std::bad_alloc&) {
        if (error)
            *error = QStringLiteral("not enough memory for a %1 x %2 picture with its mask")
                         .arg(artwork.width())
                         .arg(artwork.height());
        return false;
    }
    return true;
}
