#include "core/raster/execution.h"

#include <algorithm>
#include <atomic>
#include <thread>

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
    const unsigned cores = std::thread::hardware_concurrency();
    return int(std::clamp(cores, 1u, 8u));
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
