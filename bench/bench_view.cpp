// The document view with the benchmark picture as its artwork: a redraw of the 1100 x 800 picture
// area at the zooms a user looks at, each pan landing somewhere else, the reductions the first
// zoomed-out paint makes, and the display render "Process" starts for a view of that size.

#include "bench_common.h"

#include "core/filters/filter_list.h"
#include "core/framework/filter.h"
#include "core/framework/stroke_memory.h"
#include "core/raster/random.h"
#include "ui/widgets/picture_pyramid.h"
#include "ui/widgets/zoom_steps.h"

#include <QColor>
#include <QPainter>

#include <cmath>

namespace {

// The picture area of a document window and what its backing store is made of.
const QSize kView(1100, 800);
constexpr QImage::Format kBackingStore = QImage::Format_ARGB32_Premultiplied;
// The grey the canvas paints around the picture.
const QColor kBackground(135, 135, 135);

double fittedZoom()
{
    return zoom_steps::fit(benchPicture().size(), kView);
}

// The scroll position of the given pan along one axis: the multiples of an irrational step spread
// the pans over the whole range without repeating, so no two redraws in a row show the same part;
// the two axes take different steps, so the pans do not all lie on one diagonal.
int panPosition(int range, qint64 pan, double step)
{
    if (range <= 0)
        return 0;
    return int(std::fmod(double(pan) * step, 1.0) * range);
}

// Where the picture lands for a zoom and pan, as the canvas places it: centred where the picture
// is smaller than the area, scrolled where it is larger.
QRectF targetFor(double zoom, qint64 pan)
{
    const QSizeF content = QSizeF(benchPicture().size()) * zoom;
    const auto place = [pan](double length, int area, double step) {
        if (length < area)
            return (area - length) / 2.0;
        return -double(panPosition(int(std::ceil(length)) - area, pan, step));
    };
    const double goldenStep = 0.6180339887498949;
    const double silverStep = 0.4142135623730950;
    return QRectF(QPointF(place(content.width(), kView.width(), goldenStep),
                          place(content.height(), kView.height(), silverStep)),
                  content);
}

// One paint of the whole area, as the canvas paints an exposed view.
void paintView(QImage& store, const PicturePyramid& pyramid, double zoom, qint64 pan)
{
    QPainter painter(&store);
    const QRect area(QPoint(0, 0), kView);
    painter.fillRect(area, kBackground);
    pyramid.draw(painter, targetFor(zoom, pan), area, zoom > 1.0 + 1e-9);
}

void runRedraw(benchmark::State& state, double zoom)
{
    PicturePyramid pyramid;
    pyramid.set_image(benchPicture());
    QImage store(kView, kBackingStore);
    // The levels this zoom draws from are made before timing: a redraw finds them ready. Fitted,
    // the whole picture shows and there is nothing to pan; otherwise every redraw shows another
    // part.
    paintView(store, pyramid, zoom, 0);
    qint64 pan = 0;
    for (auto _ : state) {
        paintView(store, pyramid, zoom, ++pan);
        benchmark::DoNotOptimize(store.constBits());
    }
    state.counters["zoom %"] = zoom_steps::percent(zoom);
    setMegapixelsPerSecond(state, qint64(kView.width()) * kView.height());
}

void BM_ViewRedraw_Fitted(benchmark::State& state)
{
    runRedraw(state, fittedZoom());
}

void BM_ViewRedraw_Half(benchmark::State& state)
{
    runRedraw(state, 0.5);
}

void BM_ViewRedraw_ActualSize(benchmark::State& state)
{
    runRedraw(state, 1.0);
}

void BM_ViewRedraw_Enlarged(benchmark::State& state)
{
    runRedraw(state, 4.0);
}

// The first paint at the fitted zoom of a picture just shown: the halvings it draws from are made
// on the way (setting the picture shares it, the benchmark picture being opaque 32-bit already).
void BM_ViewFirstFittedPaint(benchmark::State& state)
{
    QImage store(kView, kBackingStore);
    const double zoom = fittedZoom();
    int levels = 0;
    for (auto _ : state) {
        PicturePyramid pyramid;
        pyramid.set_image(benchPicture());
        paintView(store, pyramid, zoom, 0);
        levels = pyramid.levels_made();
        benchmark::DoNotOptimize(store.constBits());
    }
    state.counters["levels"] = levels;
    setMegapixelsPerSecond(state, qint64(benchPicture().width()) * benchPicture().height());
}

// "Process" in a view of that size: the pencil with its defaults at the fitted scale, not for the
// preview, with the document's stroke memory, as the document view starts it.
void BM_ViewDisplayRender_Pencil(benchmark::State& state)
{
    const QImage& picture = benchPicture();
    const double scale = zoom_steps::fit(picture.size(), kView);
    FilterParametersPtr parameters = defaultParameters(QStringLiteral("Pencil"));
    if (scale != 1.0)
        parameters->insert(scalingKey(), scale);
    parameters->insert(forPreviewKey(), false);
    const StrokeMemoryPtr memory(new StrokeMemory);
    QSize result;
    for (auto _ : state) {
        seedRandom();
        FilterPtr filter = createFilter(QStringLiteral("Pencil"));
        filter->setImage(picture);
        filter->setParameters(parameters);
        filter->setStrokeMemory(memory);
        filter->run();
        result = filter->image().size();
        benchmark::DoNotOptimize(filter->image().constBits());
    }
    state.counters["scale %"] = zoom_steps::percent(scale);
    state.counters["result MP"] = double(result.width()) * result.height() / 1e6;
    setMegapixelsPerSecond(state, qint64(picture.width()) * picture.height());
}

} // namespace

BENCHMARK(BM_ViewRedraw_Fitted)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ViewRedraw_Half)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ViewRedraw_ActualSize)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ViewRedraw_Enlarged)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ViewFirstFittedPaint)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ViewDisplayRender_Pencil)->Unit(benchmark::kMillisecond)->UseRealTime();
