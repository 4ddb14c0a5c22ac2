#pragma once

#include <QImage>
#include <QString>

#include <benchmark/benchmark.h>

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
