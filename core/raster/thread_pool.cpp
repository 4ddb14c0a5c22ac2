#include "core/raster/thread_pool.h"

#include "core/raster/random.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// One call of runOnPool: the tickets it queued, the helpers running it, its first failure.
struct Job
{
    const std::function<void(int)>* work = nullptr;
    int nextWorker = 1; // guarded by the pool's lock, as are the two below
    int running = 0;
    bool closed = false;
    std::condition_variable finished;
    std::exception_ptr failure;
};

class Pool
{
public:
    void run(int threadCount, const std::function<void(int)>& work)
    {
        Job job;
        job.work = &work;
        if (threadCount > 1) {
            std::unique_lock<std::mutex> lock(m_lock);
            grow(threadCount - 1);
            for (int ticket = 1; ticket < threadCount; ++ticket)
                m_tickets.push_back(&job);
            lock.unlock();
            if (threadCount > 2)
                m_wake.notify_all();
            else
                m_wake.notify_one();
        }
        try {
            work(0);
        } catch (...) {
            std::lock_guard<std::mutex> lock(m_lock);
            if (!job.failure)
                job.failure = std::current_exception();
        }
        if (threadCount > 1) {
            std::unique_lock<std::mutex> lock(m_lock);
            m_tickets.erase(std::remove(m_tickets.begin(), m_tickets.end(), &job), m_tickets.end());
            job.closed = true;
            job.finished.wait(lock, [&job] { return job.running == 0; });
        }
        if (job.failure)
            std::rethrow_exception(job.failure);
    }

    int threadCount()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return int(m_threads.size());
    }

private:
    // Called with the lock held. A thread that cannot be started leaves its tickets to the
    // others, or to the caller.
    void grow(int wanted)
    {
        while (int(m_threads.size()) < wanted) {
            try {
                m_threads.emplace_back([this] { serve(); });
            } catch (const std::system_error&) {
                return;
            }
        }
    }

    void serve()
    {
        std::unique_lock<std::mutex> lock(m_lock);
        for (;;) {
            m_wake.wait(lock, [this] { return !m_tickets.empty(); });
            Job* job = m_tickets.front();
            m_tickets.pop_front();
            const int worker = job->nextWorker++;
            ++job->running;
            lock.unlock();
            seedRandom();
            try {
                (*job->work)(worker);
            } catch (...) {
                lock.lock();
                if (!job->failure)
                    job->failure = std::current_exception();
                lock.unlock();
            }
            lock.lock();
            if (--job->running == 0 && job->closed)
                job->finished.notify_all();
        }
    }

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<Job*> m_tickets;
    std::vector<std::thread> m_threads;
};

// Never destroyed: its threads wait for tickets until the process ends.
Pool& pool()
{
    static Pool* const instance = new Pool;
    return *instance;
}

} // namespace

void runOnPool(int threadCount, const std::function<void(int)>& work)
{
    pool().run(threadCount, work);
}

int poolThreadCount()
{
    return pool().threadCount();
}
