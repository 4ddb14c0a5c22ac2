#pragma once

#include <functional>

// Splitting a pixel loop over rows onto several threads.
//
// The rows first..last-1 are cut into chunks that the calling thread (worker 0) and
// threadCount - 1 helper threads take in turn. The chunk function receives (rowBegin, rowEnd,
// worker) and must write only rows of its chunk, or memory private to its worker, so the result
// does not depend on how chunks were shared out. Random draws never happen inside a chunk
// function: code that needs them draws on the calling thread before or after.

// The number of threads pixel loops use: the machine's cores, at least 1 and at most 8.
int workerThreadCount();

// Runs chunk over [first, last). `stop` is asked between chunks (any thread); once it returns
// true no further chunk starts and the function returns false after every thread has finished.
// `rowsDone` (may be empty) is called on the calling thread only, with the number of rows
// finished so far, rising. Returns true when every row was processed.
bool parallelRows(int first, int last, int threadCount, int chunkRows,
                  const std::function<void(int rowBegin, int rowEnd, int worker)>& chunk,
                  const std::function<bool()>& stop = {},
                  const std::function<void(int rowsDone)>& rowsDone = {});
