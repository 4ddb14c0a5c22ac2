#include "core/algorithms/stroke_queue.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// A thread with nothing to do spins briefly (a stroke takes well under a microsecond), then gives
// its core away on each turn, so that more threads than cores still move on, and after a long
// wait sleeps a little, so that a machine busy with other work loses no time to it.
inline void idle(int& spins)
{
    ++spins;
    if (spins < 128) {
#if defined(__SSE2__)
        _mm_pause();
#endif
    } else if (spins < 1024) {
        std::this_thread::yield();
    } else {
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
}

} // namespace

StrokeQueue::StrokeQueue(StrokeRun& run, int threads)
    : m_run(run), m_threads(std::max(threads, 1)),
      m_tileColumns(((run.width() - 1) >> kTileShift) + 1),
      m_tiles(std::size_t(m_tileColumns) * std::size_t(((run.height() - 1) >> kTileShift) + 1), 0),
      m_entries(std::size_t(kSlots)), m_laid(new std::atomic<std::int64_t>[std::size_t(kSlots)]),
      m_scratch(std::size_t(m_threads))
{
    for (std::int64_t slot = 0; slot < kSlots; ++slot)
        m_laid[std::size_t(slot)].store(0, std::memory_order_relaxed);
    m_run.shareBetweenThreads();
}

StrokeQueue::~StrokeQueue() = default;

void StrokeQueue::issue(const BrushInk* ink, int x, int y)
{
    const std::int64_t stroke = m_issued + 1;
    // The slot of the stroke kSlots before must be free.
    if (stroke > kSlots && m_settled < stroke - kSlots)
        waitFor(stroke - kSlots);

    Entry& entry = m_entries[std::size_t(stroke % kSlots)];
    entry.ink = ink;
    entry.x = x;
    entry.y = y;
    entry.settled = m_settled;
    int count = 0;
    int left, top, right, bottom;
    StrokeRun::footprint(ink->size, x, y, left, top, right, bottom);
    const int firstColumn = std::max(left, 0) >> kTileShift;
    const int lastColumn = (std::min(right, m_run.width()) - 1) >> kTileShift;
    const int firstRow = std::max(top, 0) >> kTileShift;
    const int lastRow = (std::min(bottom, m_run.height()) - 1) >> kTileShift;
    for (int row = firstRow; row <= lastRow; ++row) {
        std::int64_t* tiles = m_tiles.data() + std::size_t(row) * m_tileColumns;
        for (int column = firstColumn; column <= lastColumn; ++column) {
            const std::int64_t last = tiles[column];
            tiles[column] = stroke;
            if (last <= m_settled || count < 0)
                continue;
            if (std::find(entry.dependencies, entry.dependencies + count, last) !=
                entry.dependencies + count)
                continue;
            if (count == kMostDependencies)
                count = -1;
            else
                entry.dependencies[count++] = last;
        }
    }
    entry.dependencyCount = count;
    m_issued = stroke;
    if (m_issued - m_shown >= kBatch)
        publish();
}

void StrokeQueue::publish()
{
    m_shown = m_issued;
    m_published.store(m_shown, std::memory_order_release);
    while (m_settled < m_shown && isLaid(m_settled + 1))
        ++m_settled;
}

void StrokeQueue::retire(std::shared_ptr<const BrushInk> ink)
{
    m_retired.emplace_back(m_issued, std::move(ink));
    m_retired.erase(
        std::remove_if(m_retired.begin(), m_retired.end(),
                       [this](const auto& retired) { return retired.first <= m_settled; }),
        m_retired.end());
}

void StrokeQueue::drain()
{
    while (m_settled < m_issued)
        waitFor(m_settled + 1);
    m_retired.clear();
}

void StrokeQueue::waitFor(std::int64_t stroke)
{
    if (m_shown < m_issued)
        publish();
    int spins = 0;
    while (!isLaid(stroke)) {
        if (m_failed.load(std::memory_order_relaxed))
            throw std::bad_alloc();
        if (layNext(0))
            spins = 0;
        else
            idle(spins);
    }
    while (m_settled < m_issued && isLaid(m_settled + 1))
        ++m_settled;
}

bool StrokeQueue::layNext(int worker)
{
    std::int64_t taken = m_taken.load(std::memory_order_relaxed);
    std::int64_t last = 0;
    do {
        const std::int64_t published = m_published.load(std::memory_order_acquire);
        if (taken >= published)
            return false;
        last = std::min(taken + kBatch, published);
    } while (!m_taken.compare_exchange_weak(taken, last, std::memory_order_relaxed));
    for (std::int64_t stroke = taken + 1; stroke <= last; ++stroke)
        lay(stroke, worker);
    return true;
}

void StrokeQueue::lay(std::int64_t stroke, int worker)
{
    const Entry entry = m_entries[std::size_t(stroke % kSlots)];
    // The next stroke's pixels are fetched while this one is laid (strokes land at random, so
    // each would otherwise wait on memory). Its entry and ink stay until this stroke is laid.
    if (stroke < m_published.load(std::memory_order_acquire)) {
        const Entry& next = m_entries[std::size_t((stroke + 1) % kSlots)];
        m_run.prefetchAt(*next.ink, next.x, next.y);
    }

    // Every earlier stroke on its tiles laid first.
    const auto wait = [this](std::int64_t earlier) {
        int spins = 0;
        while (!isLaid(earlier)) {
            if (m_failed.load(std::memory_order_relaxed))
                throw std::bad_alloc();
            idle(spins);
        }
    };
    if (entry.dependencyCount < 0) {
        for (std::int64_t earlier = entry.settled + 1; earlier < stroke; ++earlier)
            wait(earlier);
    } else {
        for (int i = 0; i < entry.dependencyCount; ++i)
            wait(entry.dependencies[i]);
    }
    m_run.stroke(*entry.ink, entry.x, entry.y, m_scratch[std::size_t(worker)]);
    m_laid[std::size_t(stroke % kSlots)].store(stroke, std::memory_order_release);
}

void StrokeQueue::work(int worker)
{
    try {
        int spins = 0;
        while (!m_failed.load(std::memory_order_relaxed)) {
            if (layNext(worker)) {
                spins = 0;
                continue;
            }
            if (m_finished.load(std::memory_order_acquire) &&
                m_taken.load(std::memory_order_relaxed) >=
                    m_published.load(std::memory_order_acquire))
                return;
            idle(spins);
        }
    } catch (...) {
        failed();
        throw;
    }
}

void StrokeQueue::failed()
{
    m_failed.store(true);
    m_finished.store(true);
}
