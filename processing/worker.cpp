#include "processing/worker.h"

#include "core/raster/random.h"

#include <utility>

QImage withColourSpace(QImage image, const QColorSpace& space)
{
    if (!image.isNull() && image.colorSpace() != space)
        image.setColorSpace(space);
    return image;
}

Worker::Worker(const QSharedPointer<Filter>& filter, QObject* parent)
    : QThread(parent), m_filter(filter), m_colourSpace(filter->image().colorSpace())
{
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
    m_filter->run();
    // The result is held by the filter alone here, so tagging it copies no pixels.
    QImage& result = m_filter->image();
    result = withColourSpace(std::move(result), m_colourSpace);
}
