#pragma once

#include <functional>

// The process's one set of helper threads, kept for its lifetime and shared by every split loop
// (parallelRows, the raster primitives' bands, the stroke painter's workers), so that a loop
// costs no thread start. It grows to the largest count a loop has asked for.
//
// runOnPool(threadCount, work) calls work(0) on the calling thread and work(1) ..
// work(threadCount - 1) on helper threads as they come free. A helper that has not started by the
// time work(0) returns never starts, so work(0) must be able to finish the whole job alone: the
// split loops hand out their pieces from a shared counter that every worker takes from. Returns
// once work(0) and every helper that started have returned. The first exception any of them
// throws (std::bad_alloc) is thrown again here after that.
//
// A helper's random generator is set back to its start state before each piece of work, as on
// a fresh thread; helpers never draw (only the filter's own thread does).
void runOnPool(int threadCount, const std::function<void(int worker)>& work);

// The helper threads the pool holds now (for tests and benchmarks).
int poolThreadCount();
