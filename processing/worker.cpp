#include "processing/worker.h"

#include "core/raster/random.h"

#include <new>
#include <utility>

QImage withColourSpace(QImage image, const QColorSpace& space)
{
    if (!image.isNull() && image.colorSpace() != space)
        image.setColorSpace(space);
    return image;
}

Worker::Worker(const QSharedPointer<Filter>& filter, QObject* parent)
    : QThread(parent), m_pictureSize(filter->image().size()), m_filter(filter),
      m_colourSpace(filter->image().colorSpace())
{
}

bool Worker::start_render(Priority priority)
{
    start(priority);
    // A thread that could not be created is neither running nor finished; one that ran already
    // is finished.
    if (isRunning() || isFinished())
        return true;
    m_outOfMemory.store(true);
    return false;
}

QString Worker::out_of_memory_message() const
{
    return QStringLiteral("not enough memory for a %1 x %2 picture with %3")
        .arg(m_pictureSize.width())
        .arg(m_pictureSize.height())
        .arg(m_filter->name());
}

Worker::~Worker()
{
    if (isRunning()) {
        m_filter->cancel();
        wait();
    }
}

void Worker::slot_cancelled()
{
    m_filter->cancel();
    m_cancelled.store(true);
}

void Worker::run()
{
    // The flag starts false at construction and a worker runs once, so it is not cleared here: a
    // cancel that arrives between start() and this point must not be lost. Such a run skips the
    // filter altogether; its creator discards the result anyway.
    seedRandom();
    if (m_cancelled.load())
        return;
    try {
        m_filter->run();
    } catch (const std::bad_alloc&) {
        // What the filter made so far is let go at once: the memory is what is missing.
        m_filter->image() = QImage();
        m_outOfMemory.store(true);
        return;
    }
    // The result is held by the filter alone here, so tagging it copies no pixels.
    QImage& result = m_filter->image();
    result = withColourSpace(std::move(result), m_colourSpace);
}
