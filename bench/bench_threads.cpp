// Every filter (each oil type apart) with its panel defaults on a 3 MP picture, on 1, 2 and 4
// threads: how a render scales with the cores. Every thread count paints the same bytes.

#include "bench_common.h"

#include "core/filters/filter_list.h"
#include "core/framework/filter.h"
#include "core/framework/parameter_keys.h"
#include "core/raster/execution.h"

namespace {

void runOnThreads(benchmark::State& state, const char* filter, const char* oilType)
{
    const QString name = QString::fromLatin1(filter);
    FilterParametersPtr set = defaultParameters(name);
    if (oilType)
        set->insert(Keys::Oil::type, QString::fromLatin1(oilType));
    addFixedValues(*set);
    set->insert(QStringLiteral("for_preview"), false);
    Execution setting;
    setting.threads = int(state.range(0));
    const ScopedExecution threads(setting);
    runFilterBenchmark(state, name, set, benchPictureAt(3.0));
}

} // namespace

#define DRAWLUME_THREADS_BENCH(label, filter, oilType)                                             \
    void BM_Threads_##label(benchmark::State& state)                                               \
    {                                                                                              \
        runOnThreads(state, filter, oilType);                                                      \
    }                                                                                              \
    BENCHMARK(BM_Threads_##label)                                                                  \
        ->ArgName("threads")                                                                       \
        ->Arg(1)                                                                                   \
        ->Arg(2)                                                                                   \
        ->Arg(4)                                                                                   \
        ->Unit(benchmark::kMillisecond)                                                            \
        ->UseRealTime()                                                                            \
        ->Iterations(1)

DRAWLUME_THREADS_BENCH(Pencil, "Pencil", nullptr);
DRAWLUME_THREADS_BENCH(Watercolor, "Watercolor", nullptr);
DRAWLUME_THREADS_BENCH(OilImpasto, "Oil", "oil_painting");
DRAWLUME_THREADS_BENCH(OilBrushstrokes, "Oil", "standart_oil");
DRAWLUME_THREADS_BENCH(OilExpressive, "Oil", "expressive_brushstrokes");
DRAWLUME_THREADS_BENCH(Pastel, "Pastel", nullptr);
DRAWLUME_THREADS_BENCH(PaintBlend, "Paint blend", nullptr);
DRAWLUME_THREADS_BENCH(Watermix, "Watermix", nullptr);
