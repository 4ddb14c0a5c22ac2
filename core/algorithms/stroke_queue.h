#pragma once

#include "core/algorithms/stroke_brush.h"
#include "core/algorithms/stroke_run.h"
#include "core/raster/thread_pool.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

// Lays the strokes of a StrokeRun on several threads with the canvas each stroke would see if
// they were laid one after another, so that any number of threads paints the same picture.
//
// The painting thread stays the sequencer: it chooses the centres, draws the random numbers and
// turns the brushes in the single-threaded order, and hands each stroke, numbered, to the queue
// (issue). Workers (and the sequencer when it has to wait) take the strokes in number order and
// lay each one once every earlier stroke touching the same tiles of the picture has been laid. A
// grid of 32 x 32 pixel tiles holds the last stroke issued on each tile. Before the centre search
// tests a pixel, the sequencer waits until the last stroke on its tile has been laid (settle), so
// that every read sees the canvas after exactly the strokes before it.
class StrokeQueue
{
public:
    // The run's strokes on `threads` threads, the calling one included (threads >= 2). The run
    // must stay and its far bitmap becomes shared.
    StrokeQueue(StrokeRun& run, int threads);
    ~StrokeQueue();
    StrokeQueue(const StrokeQueue&) = delete;
    StrokeQueue& operator=(const StrokeQueue&) = delete;

    // Runs paint(queue) on the calling thread, the sequencer, with the workers on the thread pool;
    // returns what it returns once every issued stroke has been laid and the workers have stopped.
    // An exception from paint, or std::bad_alloc from a worker, is thrown after that.
    template <typename Paint> bool run(const Paint& paint);

    // Waits until the pixel (x, y) of the canvas has every issued stroke that touches it.
    void settle(int x, int y)
    {
        const std::int64_t last = m_tiles[tileOf(x, y)];
        if (last > m_settled)
            waitFor(last);
    }

    // Queues a stroke of ink centred at (x, y); ink must stay until the stroke is laid (retire).
    void issue(const BrushInk* ink, int x, int y);

    // Keeps ink until every stroke issued so far has been laid, then lets it go.
    void retire(std::shared_ptr<const BrushInk> ink);

    // Lays every issued stroke.
    void drain();

private:
    static constexpr int kTileShift = 5;
    static constexpr std::int64_t kSlots = 256; // strokes issued but not yet laid, at most
    // Strokes are handed on and taken in batches: a stroke is well under a microsecond of work,
    // so every exchange between threads is shared by several.
    static constexpr std::int64_t kBatch = 8;
    static constexpr int kMostDependencies = 6;

    struct Entry
    {
        const BrushInk* ink;
        int x, y;
        // The unfinished strokes it waits for; -1 when there were more: it then waits for all
        // strokes from `settled` + 1 on.
        int dependencyCount;
        std::int64_t settled;
        std::int64_t dependencies[kMostDependencies];
    };

    std::size_t tileOf(int x, int y) const
    {
        return std::size_t(y >> kTileShift) * m_tileColumns + std::size_t(x >> kTileShift);
    }
    bool isLaid(std::int64_t stroke) const
    {
        return m_laid[std::size_t(stroke % kSlots)].load(std::memory_order_acquire) >= stroke;
    }
    // The sequencer waits for stroke number `stroke` (>= 1), laying strokes meanwhile.
    void waitFor(std::int64_t stroke);
    // Makes the strokes issued so far visible to the workers.
    void publish();
    // Takes the next batch of issued strokes and lays them; false when there was none to take.
    bool layNext(int worker);
    void lay(std::int64_t stroke, int worker);
    void work(int worker);
    void failed();

    StrokeRun& m_run;
    const int m_threads;
    const int m_tileColumns;
    std::vector<std::int64_t> m_tiles; // the sequencer's: the last stroke issued on each tile
    std::int64_t m_settled = 0;        // the sequencer's: every stroke up to this one is laid
    std::int64_t m_issued = 0;         // the sequencer's: strokes issued
    std::int64_t m_shown = 0;          // the sequencer's copy of m_published
    std::vector<Entry> m_entries;
    std::unique_ptr<std::atomic<std::int64_t>[]> m_laid;
    std::vector<StrokeRun::Scratch> m_scratch;
    std::vector<std::pair<std::int64_t, std::shared_ptr<const BrushInk>>> m_retired;
    alignas(64) std::atomic<std::int64_t> m_published{0}; // strokes handed on
    alignas(64) std::atomic<std::int64_t> m_taken{0};     // strokes taken by a thread to lay
    alignas(64) std::atomic<bool> m_finished{false};      // nothing more will be issued
    std::atomic<bool> m_failed{false};                    // a thread failed: everyone stops
};

template <typename Paint> bool StrokeQueue::run(const Paint& paint)
{
    bool result = false;
    runOnPool(m_threads, [&](int worker) {
        if (worker != 0) {
            work(worker);
            return;
        }
        try {
            result = paint(*this);
            drain();
        } catch (...) {
            failed();
            throw;
        }
        m_finished.store(true, std::memory_order_release);
    });
    return result;
}
