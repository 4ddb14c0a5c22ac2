#include "core/raster/parallel_rows.h"

#include "core/raster/thread_pool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <mutex>
#include <thread>

bool parallelRows(int first, int last, int chunkRows,
                  const std::function<void(int, int, int)>& chunk,
                  const std::function<bool()>& stop, const std::function<void(int)>& rowsDone)
{
    return parallelRows(first, last, pixelLoopThreads(), chunkRows, chunk, stop, rowsDone);
}

bool parallelRows(int first, int last, int threadCount, int chunkRows,
                  const std::function<void(int, int, int)>& chunk,
                  const std::function<bool()>& stop, const std::function<void(int)>& rowsDone)
{
    if (last <= first)
        return !(stop && stop());
    chunkRows = std::max(1, chunkRows);
    const int chunkCount = (last - first + chunkRows - 1) / chunkRows;
    threadCount = std::clamp(threadCount, 1, chunkCount);

    std::atomic<int> nextChunk{0};
    std::atomic<int> finishedRows{0};
    std::atomic<bool> stopped{false};
    // The first exception a chunk throws (std::bad_alloc when its memory cannot be had) stops the
    // other threads and is thrown again on the calling thread once they have all ended.
    std::exception_ptr failure;
    std::mutex failureLock;

    int lastReported = -1; // the calling thread's
    auto rows = [&](int worker, bool reports) {
        for (;;) {
            if (stopped.load(std::memory_order_relaxed))
                return;
            if (stop && stop()) {
                stopped.store(true);
                return;
            }
            const int index = nextChunk.fetch_add(1);
            if (index >= chunkCount)
                return;
            const int begin = first + index * chunkRows;
            const int end = std::min(last, begin + chunkRows);
            chunk(begin, end, worker);
            const int done = finishedRows.fetch_add(end - begin) + (end - begin);
            if (reports && rowsDone && done > lastReported) {
                rowsDone(done);
                lastReported = done;
            }
        }
    };

    // Helpers run on the pool; one that does not start leaves its chunks to the others: the
    // chunks are the same whoever works them.
    runOnPool(threadCount, [&](int worker) {
        try {
            rows(worker, worker == 0);
        } catch (...) {
            const std::lock_guard<std::mutex> lock(failureLock);
            if (!failure)
                failure = std::current_exception();
            stopped.store(true);
        }
        // Every chunk has been taken; the rows the helpers finish still count as they come, so
        // that the progress follows the work whichever thread does it.
        while (worker == 0 && rowsDone && !stopped.load()) {
            const int done = finishedRows.load();
            if (done > lastReported) {
                rowsDone(done);
                lastReported = done;
            }
            if (done >= last - first)
                break;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    if (failure)
        std::rethrow_exception(failure);
    return !stopped.load();
}
