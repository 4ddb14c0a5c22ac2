#pragma once

#include <QThread>

#include <atomic>

#include "core/framework/filter.h"
#include "core/framework/result_cache.h"

// A thread that runs one filter once. Its creator gives the filter its picture, parameters and
// (optionally) reporter, starts the thread, and on finished() takes result_image() unless
// was_cancelled(). The Worker object lives on the GUI thread: slot_cancelled runs there while run()
// executes on the new thread. Every run starts the thread's random generator afresh, so the same
// picture and settings give the same artwork whatever ran before.
class Worker : public QThread
{
    Q_OBJECT
public:
    Worker(const QSharedPointer<Filter>& filter, QObject* parent);
    // Cancels and waits for a thread that is still running.
    ~Worker() override;

    bool was_cancelled() const { return m_cancelled.load(); }
    // The filter's picture after the run; meaningful once finished and not cancelled.
    QImage result_image() const { return m_filter->image(); }
    // The result-cache key of this render, kept for the creator (the worker never reads it).
    const CacheKey& cache_key() const { return m_cacheKey; }
    void set_cache_key(const CacheKey& key) { m_cacheKey = key; }

public slots:
    // Asks the filter to stop at its next check; does not wait.
    void slot_cancelled();

protected:
    void run() override;

private:
    std::atomic<bool> m_cancelled{false};
    QSharedPointer<Filter> m_filter;
    CacheKey m_cacheKey;
};
