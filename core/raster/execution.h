#pragma once

#include <QtGlobal>

// How pixel loops run: one process-wide setting read by the raster primitives, by the row loops
// of the painters (parallelRows) and by the loops that have a SIMD version. Every setting gives
// the same bytes: tests switch it to compare the fast paths with the plain scalar
// single-threaded ones, benchmarks to time both.
struct Execution
{
    // Threads a split loop uses, the calling thread included: 0 chooses workerThreadCount(), 1
    // keeps everything on the calling thread. More threads than cores are allowed (they take
    // turns).
    int threads = 0;
    // A raster primitive, or a painter loop that asks by pixel count, leaves a picture of fewer
    // pixels than this on the calling thread.
    qint64 minimumParallelPixels = qint64(1) << 18;
    // Loops that have a SIMD version use it where the processor offers it.
    bool simd = true;
};

void setExecution(const Execution& setting);
Execution execution();

// Sets an execution for its lifetime and gives the previous one back at its end: for a test or a
// benchmark that times or compares one mode.
class ScopedExecution
{
public:
    explicit ScopedExecution(const Execution& setting);
    ~ScopedExecution();
    ScopedExecution(const ScopedExecution&) = delete;
    ScopedExecution& operator=(const ScopedExecution&) = delete;

private:
    Execution m_previous;
};

// The cores the process may run on (its affinity), at least 1.
int workerThreadCount();

// Threads for a painter's row loop: the setting's count, or workerThreadCount() when it is 0.
int pixelLoopThreads();
// The same for a loop over `pixels` pixels, with 1 below the setting's minimumParallelPixels.
int pixelLoopThreads(qint64 pixels);
