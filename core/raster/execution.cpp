#include "core/raster/execution.h"

#include <algorithm>
#include <atomic>
#include <thread>

#if defined(__linux__)
#include <sched.h>
#endif

namespace {

std::atomic<int> g_threads{Execution().threads};
std::atomic<qint64> g_minimumParallelPixels{Execution().minimumParallelPixels};
std::atomic<bool> g_simd{Execution().simd};

} // namespace

void setExecution(const Execution& setting)
{
    g_threads.store(setting.threads, std::memory_order_relaxed);
    g_minimumParallelPixels.store(setting.minimumParallelPixels, std::memory_order_relaxed);
    g_simd.store(setting.simd, std::memory_order_relaxed);
}

Execution execution()
{
    Execution setting;
    setting.threads = g_threads.load(std::memory_order_relaxed);
    setting.minimumParallelPixels = g_minimumParallelPixels.load(std::memory_order_relaxed);
    setting.simd = g_simd.load(std::memory_order_relaxed);
    return setting;
}

ScopedExecution::ScopedExecution(const Execution& setting) : m_previous(execution())
{
    setExecution(setting);
}

ScopedExecution::~ScopedExecution()
{
    setExecution(m_previous);
}

int workerThreadCount()
{
#if defined(__linux__)
    // The cores this process may run on: under taskset or a container's limit that is fewer than
    // the machine has.
    cpu_set_t cores;
    CPU_ZERO(&cores);
    if (sched_getaffinity(0, sizeof(cores), &cores) == 0 && CPU_COUNT(&cores) > 0)
        return CPU_COUNT(&cores);
#endif
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

int pixelLoopThreads()
{
    const int threads = g_threads.load(std::memory_order_relaxed);
    return threads > 0 ? threads : workerThreadCount();
}

int pixelLoopThreads(qint64 pixels)
{
    if (pixels < g_minimumParallelPixels.load(std::memory_order_relaxed))
        return 1;
    return pixelLoopThreads();
}
