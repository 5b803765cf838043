// Row-parallel execution over one small process-wide pool of worker threads.
//
// The caller of parallelFor always works on its own range too and only waits
// for chunks that a worker has already started, so calls from several threads
// at once, and calls made from inside a chunk, never wait on each other: when
// every worker is busy the caller simply does all the chunks itself.
#pragma once

#include <cstddef>
#include <functional>

namespace orx {

// Calls body(rowBegin, rowEnd) over disjoint ranges that together cover
// [0, rows). Every range starts at a multiple of `grain` and holds a multiple
// of it unless it is the last (so writers of bit streams can keep chunks on
// byte borders). The split depends only on rows, grain and the thread
// count, and kernels must give the same bytes for any split; bodies must not
// throw.
void parallelFor(size_t rows, size_t grain, const std::function<void(size_t, size_t)>& body);

// Threads that work on one parallelFor call, the caller included. Taken from
// the environment variable TARN_LUX_THREADS when it holds a positive number,
// otherwise from the hardware.
size_t threadCount();

// Limits the threads one call may use (0 restores the pool's full size). Lets
// tests run the same kernel on one and on several threads.
void setThreadLimit(size_t threads);

}  // namespace orx
