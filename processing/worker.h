#pragma once

#include <QColorSpace>
#include <QImage>
#include <QThread>

#include <atomic>

#include "core/framework/filter.h"
#include "core/framework/result_cache.h"

// A thread that runs one filter once. Its creator gives the filter its picture, parameters and
// (optionally) reporter, starts the thread, and on finished() takes result_image() unless
// was_cancelled(). The Worker object lives on the GUI thread: slot_cancelled runs there while run()
// executes on the new thread. Every run starts the thread's random generator afresh, so the same
// picture and settings give the same artwork whatever ran before.
//
// The filters work on the picture's pixels as they are and make new pictures, which carry no colour
// space. The worker hands the colour space of the picture the filter was given (a photo's embedded
// ICC profile) on to the result, so that every output of the render keeps it; the pixels are not
// touched. An untagged picture gives an untagged result.
//
// A render whose memory cannot be had (std::bad_alloc anywhere in the filter) ends there: the
// worker drops what the filter made and says so through out_of_memory(), so that its creator
// reports "not enough memory" instead of a half-painted picture.

// image with the colour space space, pixels unchanged. Takes image by value so that a picture held
// nowhere else is tagged without copying its pixels.
QImage withColourSpace(QImage image, const QColorSpace& space);

class Worker : public QThread
{
    Q_OBJECT
public:
    // The filter's picture must be set: its colour space is the one the result gets.
    Worker(const QSharedPointer<Filter>& filter, QObject* parent);
    // Cancels and waits for a thread that is still running.
    ~Worker() override;

    // Starts the thread. False when no thread can be made (the system's threads or memory are
    // used up): the render then counts as out of memory, and finished() never comes, so the
    // creator ends it at once.
    bool start_render(Priority priority = InheritPriority);

    bool was_cancelled() const { return m_cancelled.load(); }
    // True when the filter ran out of memory; the result is null then. Meaningful once finished.
    bool out_of_memory() const { return m_outOfMemory.load(); }
    // "not enough memory for a W x H picture with FILTER", for the picture the filter was given.
    QString out_of_memory_message() const;
    // The filter's picture after the run, with the colour space of the picture it was given;
    // meaningful once finished and not cancelled.
    QImage result_image() const { return m_filter->image(); }
    // The colour space of the filter's picture (invalid for an untagged one).
    const QColorSpace& colour_space() const { return m_colourSpace; }
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
    std::atomic<bool> m_outOfMemory{false};
    QSize m_pictureSize;
    QSharedPointer<Filter> m_filter;
    QColorSpace m_colourSpace;
    CacheKey m_cacheKey;
};
