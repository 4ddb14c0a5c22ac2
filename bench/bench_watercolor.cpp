// The watercolor filter with its panel defaults at the size of a display render (1 MP) and of an
// export (12 MP), with and without the pencil overlay, and the region painting alone.

#include "bench_common.h"

#include "core/algorithms/watercolor_algorithm.h"
#include "core/filters/filter_list.h"
#include "core/framework/filter.h"
#include "core/framework/parameter_keys.h"
#include "core/raster/execution.h"
#include "core/raster/random.h"

namespace {

FilterParametersPtr watercolorSettings(const QString& overlay)
{
    FilterParametersPtr set = defaultParameters(QStringLiteral("Watercolor"));
    set->insert(Keys::Overlay::watercolor, overlay);
    addFixedValues(*set);
    set->insert(QStringLiteral("scaling"), 1.0);
    set->insert(QStringLiteral("for_preview"), false);
    return set;
}

void runWatercolorFilter(benchmark::State& state, double megapixels, const QString& overlay)
{
    runFilterBenchmark(state, QStringLiteral("Watercolor"), watercolorSettings(overlay),
                       benchPictureAt(megapixels));
}

void BM_WatercolorFilter_1MP(benchmark::State& state)
{
    runWatercolorFilter(state, 1.0, QStringLiteral("None"));
}

void BM_WatercolorFilter_1MP_Contour(benchmark::State& state)
{
    runWatercolorFilter(state, 1.0, QStringLiteral("Contour"));
}

void BM_WatercolorFilter_12MP(benchmark::State& state)
{
    runWatercolorFilter(state, 12.0, QStringLiteral("None"));
}

void BM_WatercolorFilter_12MP_Contour(benchmark::State& state)
{
    runWatercolorFilter(state, 12.0, QStringLiteral("Contour"));
}

// The painting alone with every pixel loop, its final pass included, on one thread: what the
// region growth and the pass cost before the pass is shared out.
void BM_WatercolorPainting_1MP_OneThread(benchmark::State& state)
{
    const QImage picture = benchPictureAt(1.0);
    WatercolorAlgorithm algorithm;
    algorithm.setParameters(watercolorSettings(QStringLiteral("None")));
    const ScopedExecution oneThread({1});
    for (auto _ : state) {
        seedRandom();
        QImage image = picture;
        algorithm.process(image);
        benchmark::DoNotOptimize(image.constBits());
    }
    setMegapixelsPerSecond(state, qint64(picture.width()) * picture.height());
}

} // namespace

BENCHMARK(BM_WatercolorFilter_1MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WatercolorFilter_1MP_Contour)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WatercolorFilter_12MP)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WatercolorFilter_12MP_Contour)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WatercolorPainting_1MP_OneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
