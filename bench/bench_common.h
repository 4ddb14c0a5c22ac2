#pragma once

#include <QImage>
#include <QString>

#include <benchmark/benchmark.h>

#include "core/framework/filter_parameters.h"

// The benchmark picture: ../shared/photos/bench-12mp.jpg, or the one given with --picture=PATH,
// converted to RGB32 once.
const QImage& benchPicture();

// The benchmark picture scaled to about the given number of megapixels (kept per size).
QImage benchPictureAt(double megapixels);

// Reports megapixels per second for a benchmark that processes `pixels` pixels per iteration.
inline void setMegapixelsPerSecond(benchmark::State& state, qint64 pixels)
{
    state.counters["MP/s"] = benchmark::Counter(double(pixels) * double(state.iterations()) / 1e6,
                                                benchmark::Counter::kIsRate);
}

// Times a whole render of picture with the named filter and settings, each run starting the
// random generator afresh as a render thread does, and reports megapixels per second.
void runFilterBenchmark(benchmark::State& state, const QString& filterName,
                        const FilterParametersPtr& parameters, const QImage& picture);
