#include "processing/worker.h"

#include "core/raster/random.h"

Worker::Worker(const QSharedPointer<Filter>& filter, QObject* parent)
    : QThread(parent), m_filter(filter)
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
    if (!m_cancelled.load())
        m_filter->run();
}
