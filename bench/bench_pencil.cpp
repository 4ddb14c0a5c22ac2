// The pencil filter and the texture pass on the benchmark picture.

#include "bench_common.h"

#include "core/algorithms/pencil_bw_algorithm.h"
#include "core/algorithms/texturize_algorithm.h"
#include "core/filters/filter_list.h"
#include "core/framework/filter.h"
#include "core/framework/parameter_keys.h"
#include "core/raster/execution.h"
#include "core/raster/random.h"

namespace {

FilterParametersPtr pencilSettings(bool coloured, const QString& texture)
{
    FilterParametersPtr set = defaultParameters(QStringLiteral("Pencil"));
    set->insert(Keys::Pencil::type,
                coloured ? Keys::Pencil::colouredPencils : Keys::Pencil::leadPencil);
    set->insert(Keys::Texture::paper, texture);
    set->insert(QStringLiteral("scaling"), 1.0);
    set->insert(QStringLiteral("for_preview"), false);
    return set;
}

void runPencilFilter(benchmark::State& state, bool coloured, const QString& texture)
{
    runFilterBenchmark(state, QStringLiteral("Pencil"), pencilSettings(coloured, texture),
                       benchPicture());
}

void BM_PencilFilter_Lead(benchmark::State& state)
{
    runPencilFilter(state, false, QStringLiteral("None"));
}

void BM_PencilFilter_Coloured(benchmark::State& state)
{
    runPencilFilter(state, true, QStringLiteral("None"));
}

void BM_PencilFilter_LeadOnKraft(benchmark::State& state)
{
    runPencilFilter(state, false, QStringLiteral("Kraft paper"));
}

void BM_PencilFilter_ColouredOnCanvas(benchmark::State& state)
{
    runPencilFilter(state, true, QStringLiteral("Grained canvas"));
}

// The drawing alone on one thread: what the stroke loops cost before they are shared out.
void BM_PencilSketch_OneThread(benchmark::State& state)
{
    const QImage& picture = benchPicture();
    PencilBWAlgorithm algorithm;
    algorithm.setParameters(pencilSettings(false, QStringLiteral("None")));
    const ScopedExecution oneThread({1});
    for (auto _ : state) {
        seedRandom();
        QImage image = picture;
        algorithm.process(image);
        benchmark::DoNotOptimize(image.constBits());
    }
    setMegapixelsPerSecond(state, qint64(picture.width()) * picture.height());
}

void runTexturePass(benchmark::State& state, int threads)
{
    const QImage& picture = benchPicture();
    TexturizeAlgorithm algorithm;
    algorithm.setParameters(pencilSettings(false, QStringLiteral("Kraft paper")));
    const ScopedExecution threadCount({threads});
    QImage image = picture.copy();
    for (auto _ : state) {
        // The multiply runs in place on the same picture each time: its cost does not depend on
        // the pixel values.
        algorithm.process(image);
        benchmark::DoNotOptimize(image.constBits());
    }
    setMegapixelsPerSecond(state, qint64(picture.width()) * picture.height());
}

void BM_TexturePass(benchmark::State& state)
{
    runTexturePass(state, 0);
}

void BM_TexturePass_OneThread(benchmark::State& state)
{
    runTexturePass(state, 1);
}

} // namespace

BENCHMARK(BM_PencilFilter_Lead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PencilFilter_Coloured)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PencilFilter_LeadOnKraft)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PencilFilter_ColouredOnCanvas)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PencilSketch_OneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TexturePass)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TexturePass_OneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
