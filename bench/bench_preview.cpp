// The live preview: every offered filter with its defaults on the piece of the picture the preview
// renders at 100 % in a 280 x 280 view (the view plus the 30-pixel margin, 310 x 310, cut from the
// middle of the benchmark picture), and a repeated preview answered by the cache.

#include "bench_common.h"

#include "core/filters/filter_list.h"
#include "core/framework/filter.h"
#include "core/framework/parameter_keys.h"
#include "core/framework/result_cache.h"
#include "core/raster/random.h"
#include "processing/preview_render.h"

namespace {

constexpr int kView = 280;
constexpr int kMargin = 30;
constexpr int kPiece = kView + kMargin;

const QImage& previewPiece()
{
    static const QImage piece = [] {
        const QImage& picture = benchPicture();
        const QRect middle((picture.width() - kPiece) / 2, (picture.height() - kPiece) / 2, kPiece,
                           kPiece);
        return picture.copy(middle & picture.rect());
    }();
    return piece;
}

void runPreview(benchmark::State& state, const QString& filterName, const QString& oilType = {})
{
    const QImage& piece = previewPiece();
    FilterParametersPtr defaults = defaultParameters(filterName);
    if (!oilType.isEmpty())
        defaults->insert(Keys::Oil::type, oilType);
    const FilterParametersPtr set = preview_parameters(*defaults);
    for (auto _ : state) {
        seedRandom();
        const QImage result = render_preview(filterName, piece, set);
        benchmark::DoNotOptimize(result.constBits());
    }
    setMegapixelsPerSecond(state, qint64(piece.width()) * piece.height());
}

// A preview already computed: key of the piece and the set, then the cache's answer, as the
// control window does before it would start a worker.
void BM_PreviewCacheHit(benchmark::State& state)
{
    const QImage& piece = previewPiece();
    const FilterParametersPtr set =
        preview_parameters(*defaultParameters(QStringLiteral("Pencil")));
    ResultCache cache;
    // A full cache: five other settings and the one asked for.
    for (int i = 0; i < ResultCache::kCapacity - 1; ++i) {
        FilterParameters other = *set;
        other.insert(QStringLiteral("bench::other"), i);
        cache.insert(makeKey(piece, other), piece);
    }
    cache.insert(makeKey(piece, *set), piece);
    for (auto _ : state) {
        const CacheKey key = makeKey(piece, *set);
        if (!cache.contains(key)) {
            state.SkipWithError("cache miss");
            break;
        }
        const QImage shown = cache.lookup(key);
        benchmark::DoNotOptimize(shown.constBits());
    }
    setMegapixelsPerSecond(state, qint64(piece.width()) * piece.height());
}

// One benchmark per offered filter that the factory builds, named after it.
const bool g_registered = [] {
    for (const QString& name : filterNames()) {
        if (!createFilter(name))
            continue;
        const std::string title = "BM_Preview310/" + name.toStdString();
        benchmark::RegisterBenchmark(title.c_str(),
                                     [name](benchmark::State& state) { runPreview(state, name); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    // The oil painting's other two types.
    for (const char* type : {"standart_oil", "expressive_brushstrokes"}) {
        const QString oilType = QString::fromLatin1(type);
        const std::string title = std::string("BM_Preview310/Oil/") + type;
        benchmark::RegisterBenchmark(title.c_str(),
                                     [oilType](benchmark::State& state) {
                                         runPreview(state, QStringLiteral("Oil"), oilType);
                                     })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    return true;
}();

} // namespace

BENCHMARK(BM_PreviewCacheHit)->Unit(benchmark::kMicrosecond)->UseRealTime();
