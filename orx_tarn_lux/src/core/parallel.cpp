#include "core/parallel.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "core/environment.h"

namespace orx {
namespace {

// Upper bound for TARN_LUX_THREADS: more threads than this only adds
// scheduling cost on the machines the library targets.
constexpr size_t kMaxThreads = 256;
// More chunks than threads lets a thread that finishes early take over work
// from one that was descheduled, without making chunks too small to amortise.
constexpr size_t kChunksPerThread = 4;
// How long an idle worker keeps looking for work before it sleeps. Waking a
// sleeping thread takes tens of microseconds, a real share of an operation
// on a frame that takes a few hundred; calls that follow each other within
// this time find their helpers awake. The cost is this much busy waiting
// after the last call of a burst.
constexpr auto kSpinTime = std::chrono::microseconds(200);
constexpr unsigned kSpinsPerClockRead = 64;

inline void relaxCpu() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

size_t configuredThreadCount() {
    const std::optional<size_t> threads = environmentNumber("TARN_LUX_THREADS", SIZE_MAX);
    if (threads && *threads > 0) return std::min(*threads, kMaxThreads);
    return std::max(1u, std::thread::hardware_concurrency());
}

// Spins until done() holds or kSpinTime has passed.
template <typename Done>
void spinUntil(Done done) {
    const auto until = std::chrono::steady_clock::now() + kSpinTime;
    for (;;) {
        for (unsigned i = 0; i < kSpinsPerClockRead; ++i) {
            if (done()) return;
            relaxCpu();
        }
        if (std::chrono::steady_clock::now() >= until) return;
    }
}

struct Job {
    const std::function<void(size_t, size_t)>* body;
    size_t rows;
    size_t chunkRows;
    size_t chunkCount;
    std::atomic<size_t> nextChunk{0};
    std::atomic<size_t> finishedChunks{0};
    std::mutex mutex;
    std::condition_variable allFinished;

    // Runs chunks until none is left unclaimed; returns once this thread has
    // no more work, not when the job is complete.
    void work() {
        for (;;) {
            const size_t chunk = nextChunk.fetch_add(1, std::memory_order_relaxed);
            if (chunk >= chunkCount) return;
            const size_t begin = chunk * chunkRows;
            (*body)(begin, std::min(rows, begin + chunkRows));
            if (finishedChunks.fetch_add(1, std::memory_order_acq_rel) + 1 == chunkCount) {
                std::lock_guard<std::mutex> lock(mutex);
                allFinished.notify_all();
            }
        }
    }

    void waitUntilFinished() {
        // The chunks still running usually end within microseconds; sleeping
        // on the condition would add a wake-up to every call.
        spinUntil([this] { return finishedChunks.load(std::memory_order_acquire) == chunkCount; });
        std::unique_lock<std::mutex> lock(mutex);
        allFinished.wait(lock, [this] {
            return finishedChunks.load(std::memory_order_acquire) == chunkCount;
        });
    }
};

class ThreadPool {
public:
    explicit ThreadPool(size_t threads) : threads_(threads) {
        // The calling thread is one of the threads of every job.
        for (size_t i = 1; i < threads; ++i) workers_.emplace_back([this] { workerLoop(); });
    }

    ~ThreadPool() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wakeUp_.notify_all();
        for (auto& worker : workers_) worker.join();
    }

    size_t threads() const { return threads_; }

    // Offers the job to up to `helpers` idle workers. A worker that takes an
    // entry after the job ran out of chunks just drops it.
    void offer(const std::shared_ptr<Job>& job, size_t helpers) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (size_t i = 0; i < helpers; ++i) queue_.push_back(job);
            queued_.store(queue_.size(), std::memory_order_release);
        }
        if (helpers == 1)
            wakeUp_.notify_one();
        else
            wakeUp_.notify_all();
    }

private:
    void workerLoop() {
        for (;;) {
            spinUntil([this] { return queued_.load(std::memory_order_acquire) != 0; });
            std::shared_ptr<Job> job;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wakeUp_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
                if (stopping_) return;
                job = std::move(queue_.front());
                queue_.pop_front();
                queued_.store(queue_.size(), std::memory_order_release);
            }
            job->work();
        }
    }

    size_t threads_;
    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable wakeUp_;
    std::deque<std::shared_ptr<Job>> queue_;
    std::atomic<size_t> queued_{0};  // queue_.size(), readable without the lock
    bool stopping_ = false;
};

ThreadPool& pool() {
    static ThreadPool instance(configuredThreadCount());
    return instance;
}

std::atomic<size_t> threadLimit{0};

}  // namespace

size_t threadCount() {
    const size_t limit = threadLimit.load(std::memory_order_relaxed);
    const size_t all = pool().threads();
    return limit == 0 ? all : std::min(limit, all);
}

void setThreadLimit(size_t threads) { threadLimit.store(threads, std::memory_order_relaxed); }

void parallelFor(size_t rows, size_t grain, const std::function<void(size_t, size_t)>& body) {
    if (rows == 0) return;
    grain = std::max<size_t>(grain, 1);
    const size_t threads = threadCount();
    if (threads == 1 || rows <= grain) {
        body(0, rows);
        return;
    }
    const size_t wanted = threads * kChunksPerThread;
    const size_t wantedRows = (rows + wanted - 1) / wanted;
    const size_t chunkRows = std::max<size_t>(1, (wantedRows + grain - 1) / grain) * grain;
    const size_t chunkCount = (rows + chunkRows - 1) / chunkRows;
    if (chunkCount == 1) {
        body(0, rows);
        return;
    }
    auto job = std::make_shared<Job>();
    job->body = &body;
    job->rows = rows;
    job->chunkRows = chunkRows;
    job->chunkCount = chunkCount;
    pool().offer(job, std::min(threads - 1, chunkCount - 1));
    job->work();
    job->waitUntilFinished();
}

}  // namespace orx
