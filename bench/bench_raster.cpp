// Raster primitives on the 12 MP benchmark picture, in megapixels per second.
//
// The one-pass primitives run with their rows split over two threads (threads:2, the default on
// a two-core machine) and on the calling thread alone (threads:1); those with a vectorised loop
// also run with the plain scalar loop (simd:0). Times are wall-clock times (UseRealTime), since
// the split work runs on threads the benchmark's CPU clock does not see.
//
// In-place primitives work on one buffer allocated once; before each iteration the picture is
// copied back into it with the timer paused, so the figures cover the primitive alone.

#include "bench_common.h"

#include "core/raster/raster_primitives.h"

#include <cstring>

namespace {

// Benchmark arguments: threads (1, or 2 to split rows) and simd (0 for the plain scalar loops),
// set for as long as the returned object lives.
ScopedExecution executionFor(const benchmark::State& state)
{
    Execution setting;
    setting.threads = int(state.range(0));
    setting.simd = state.range(1) != 0;
    return ScopedExecution(setting);
}

// Restores the working picture's pixels from the original without reallocating.
void restorePixels(QImage& work, const QImage& original)
{
    std::memcpy(work.bits(), original.constBits(), size_t(original.sizeInBytes()));
}

// Runs an in-place primitive on a fresh copy of the picture per iteration.
template <typename Op>
void runInPlace(benchmark::State& state, const QImage& original, const Op& op)
{
    const ScopedExecution mode = executionFor(state);
    QImage work = original.copy();
    for (auto _ : state) {
        state.PauseTiming();
        restorePixels(work, original);
        state.ResumeTiming();
        op(work);
        benchmark::DoNotOptimize(work.constBits());
    }
    setMegapixelsPerSecond(state, qint64(original.width()) * original.height());
}

// A second picture of the same size for the blends: the benchmark picture mirrored.
const QImage& blendPicture()
{
    static const QImage picture = benchPicture().mirrored(true, true);
    return picture;
}

// The benchmark picture with a varying alpha channel.
const QImage& alphaPicture()
{
    static const QImage picture = [] {
        QImage image = benchPicture().convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                line[x] = (line[x] & 0x00FFFFFFu) | (QRgb((x + y) & 0xFF) << 24);
        }
        return image;
    }();
    return picture;
}

void threadArgs(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"threads", "simd"})
        ->Args({1, 1})
        ->Args({2, 1})
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

// For the primitives with a vectorised loop: also the plain scalar one.
void simdArgs(benchmark::internal::Benchmark* b)
{
    threadArgs(b);
    b->Args({1, 0});
}

void BM_Raster_adjustBrightness(benchmark::State& state)
{
    runInPlace(state, benchPicture(), [](QImage& image) { adjustBrightness(image, 30); });
}
BENCHMARK(BM_Raster_adjustBrightness)->Apply(threadArgs);

void BM_Raster_adjustSaturation(benchmark::State& state)
{
    runInPlace(state, benchPicture(), [](QImage& image) { adjustSaturation(image, 70); });
}
BENCHMARK(BM_Raster_adjustSaturation)->Apply(threadArgs);

// Sequential by nature (reads the pixels it has already replaced): one thread only.
void BM_Raster_sharpen3x3(benchmark::State& state)
{
    runInPlace(state, benchPicture(), [](QImage& image) { sharpen3x3(image); });
}
BENCHMARK(BM_Raster_sharpen3x3)
    ->ArgNames({"threads", "simd"})
    ->Args({1, 1})
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_Raster_localContrast(benchmark::State& state)
{
    runInPlace(state, benchPicture(), [](QImage& image) { localContrast(image, 50); });
}
BENCHMARK(BM_Raster_localContrast)->Apply(threadArgs);

void BM_Raster_softLightBlend(benchmark::State& state)
{
    runInPlace(state, benchPicture(), [](QImage& image) { softLightBlend(blendPicture(), image); });
}
BENCHMARK(BM_Raster_softLightBlend)->Apply(threadArgs);

void BM_Raster_multiplyBlend(benchmark::State& state)
{
    runInPlace(state, benchPicture(),
               [](QImage& image) { multiplyBlend(blendPicture(), image, 0.6); });
}
BENCHMARK(BM_Raster_multiplyBlend)->Apply(threadArgs);

void BM_Raster_luminosityBlend(benchmark::State& state)
{
    runInPlace(state, benchPicture(),
               [](QImage& image) { luminosityBlend(blendPicture(), image, 0.7); });
}
BENCHMARK(BM_Raster_luminosityBlend)->Apply(simdArgs);

// The blend writes the base and then gives it the ARGB32 blend's alpha (one more pass).
void BM_Raster_softLightBlendWithAlpha(benchmark::State& state)
{
    runInPlace(state, benchPicture(), [](QImage& image) { softLightBlend(alphaPicture(), image); });
}
BENCHMARK(BM_Raster_softLightBlendWithAlpha)->Apply(threadArgs);

void BM_Raster_restoreAlpha(benchmark::State& state)
{
    const ScopedExecution mode = executionFor(state);
    const QImage& alpha = alphaPicture();
    const QImage& processed = benchPicture();
    for (auto _ : state) {
        QImage result = restoreAlpha(alpha, processed);
        benchmark::DoNotOptimize(result.constBits());
    }
    setMegapixelsPerSecond(state, qint64(processed.width()) * processed.height());
}
BENCHMARK(BM_Raster_restoreAlpha)->Apply(threadArgs);

// Target one pixel smaller each way (about 12 MP written); figures count target pixels.
void BM_Raster_resizeBilinear(benchmark::State& state)
{
    const ScopedExecution mode = executionFor(state);
    const QImage& source = benchPicture();
    QImage target(source.width() - 1, source.height() - 1, QImage::Format_RGB32);
    for (auto _ : state) {
        resizeBilinear(source, target);
        benchmark::DoNotOptimize(target.constBits());
    }
    setMegapixelsPerSecond(state, qint64(target.width()) * target.height());
}
BENCHMARK(BM_Raster_resizeBilinear)->Apply(threadArgs);

// Figures count result pixels (the turned picture is larger than the source).
void BM_Raster_rotateByAngle(benchmark::State& state)
{
    const ScopedExecution mode = executionFor(state);
    const QImage& source = benchPicture();
    qint64 pixels = 0;
    for (auto _ : state) {
        QImage result = rotateByAngle(source, 15);
        pixels = qint64(result.width()) * result.height();
        benchmark::DoNotOptimize(result.constBits());
    }
    setMegapixelsPerSecond(state, pixels);
}
BENCHMARK(BM_Raster_rotateByAngle)->Apply(threadArgs);

// Single-threaded primitives and Qt calls.

void BM_Raster_rotate90(benchmark::State& state)
{
    const QImage& picture = benchPicture();
    const int side = qMin(picture.width(), picture.height());
    const QImage square = picture.copy(0, 0, side, side);
    QImage target;
    for (auto _ : state) {
        rotate90(1, square, target);
        benchmark::DoNotOptimize(target.constBits());
    }
    setMegapixelsPerSecond(state, qint64(side) * side);
}
BENCHMARK(BM_Raster_rotate90)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Raster_scaleByFactor(benchmark::State& state)
{
    const QImage& picture = benchPicture();
    for (auto _ : state) {
        QImage result = scaleByFactor(picture, 0.5);
        benchmark::DoNotOptimize(result.constBits());
    }
    setMegapixelsPerSecond(state, qint64(picture.width()) * picture.height());
}
BENCHMARK(BM_Raster_scaleByFactor)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Raster_scaleToSize(benchmark::State& state)
{
    const QImage& picture = benchPicture();
    const QImage sizeOf(picture.width() * 3 / 4, picture.height() * 3 / 4, QImage::Format_RGB32);
    for (auto _ : state) {
        QImage result = scaleToSize(picture, sizeOf);
        benchmark::DoNotOptimize(result.constBits());
    }
    setMegapixelsPerSecond(state, qint64(picture.width()) * picture.height());
}
BENCHMARK(BM_Raster_scaleToSize)->Unit(benchmark::kMillisecond)->UseRealTime();

// Fills a whole uniform 12 MP picture from its centre (the worst case for the stack).
void BM_Raster_floodFill(benchmark::State& state)
{
    const QImage& picture = benchPicture();
    QImage work(picture.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        state.PauseTiming();
        work.fill(0xFF000000u);
        state.ResumeTiming();
        floodFill(work.bits(), work.bytesPerLine(), work.width(), work.height(), work.width() / 2,
                  work.height() / 2, 0xFFFF0000u, 0xFF000000u);
        benchmark::DoNotOptimize(work.constBits());
    }
    setMegapixelsPerSecond(state, qint64(work.width()) * work.height());
}
BENCHMARK(BM_Raster_floodFill)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Raster_imageDigest(benchmark::State& state)
{
    const QImage& picture = benchPicture();
    for (auto _ : state)
        benchmark::DoNotOptimize(imageDigest(picture));
    setMegapixelsPerSecond(state, qint64(picture.width()) * picture.height());
}
BENCHMARK(BM_Raster_imageDigest)->Unit(benchmark::kMillisecond)->UseRealTime();

// Conversion of a 24-bit picture (the usual decoder output) to RGB32.
void BM_Raster_ensure32Bit(benchmark::State& state)
{
    const QImage rgb888 = benchPicture().convertToFormat(QImage::Format_RGB888);
    for (auto _ : state) {
        QImage image = rgb888;
        ensure32Bit(image);
        benchmark::DoNotOptimize(image.constBits());
    }
    setMegapixelsPerSecond(state, qint64(rgb888.width()) * rgb888.height());
}
BENCHMARK(BM_Raster_ensure32Bit)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
