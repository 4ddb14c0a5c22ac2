#pragma once

#include "core/raster/execution.h"

#include <functional>

// Splitting a pixel loop over rows onto several threads.
//
// The rows first..last-1 are cut into chunks that the calling thread (worker 0) and the helper
// threads take in turn. The chunk function receives (rowBegin, rowEnd, worker) and must write
// only rows of its chunk, or memory private to its worker, so the result does not depend on how
// chunks were shared out. Random draws never happen inside a chunk function: code that needs them
// draws on the calling thread before or after.

// Runs chunk over [first, last) on pixelLoopThreads() threads (execution.h). `stop` is asked
// between chunks (any thread); once it returns true no further chunk starts and the function
// returns false after every thread has finished. `rowsDone` (may be empty) is called on the
// calling thread only, with the number of rows finished so far, rising. Returns true when every
// row was processed. An exception from a chunk (std::bad_alloc) stops the other threads like
// `stop` and is thrown again on the calling thread after they have finished.
bool parallelRows(int first, int last, int chunkRows,
                  const std::function<void(int rowBegin, int rowEnd, int worker)>& chunk,
                  const std::function<bool()>& stop = {},
                  const std::function<void(int rowsDone)>& rowsDone = {});

// The same on threadCount threads, for a loop that keeps memory per worker and sized it for that
// count beforehand (taken from pixelLoopThreads()): workers are numbered below threadCount.
bool parallelRows(int first, int last, int threadCount, int chunkRows,
                  const std::function<void(int rowBegin, int rowEnd, int worker)>& chunk,
                  const std::function<bool()>& stop = {},
                  const std::function<void(int rowsDone)>& rowsDone = {});
