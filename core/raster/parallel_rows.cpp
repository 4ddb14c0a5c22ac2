#include "core/raster/parallel_rows.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

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

    auto work = [&](int worker, bool reports) {
        int lastReported = -1;
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

    std::vector<std::thread> helpers;
    helpers.reserve(threadCount - 1);
    for (int worker = 1; worker < threadCount; ++worker)
        helpers.emplace_back(work, worker, false);
    work(0, true);
    for (std::thread& helper : helpers)
        helper.join();
    return !stopped.load();
}
