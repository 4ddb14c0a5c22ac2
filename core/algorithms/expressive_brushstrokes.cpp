#include "core/algorithms/expressive_brushstrokes.h"
#include "core/algorithms/expressive_internal.h"
#include "core/algorithms/paint_progress.h"

#include "core/raster/parallel_rows.h"
#include "core/raster/random.h"
#include "core/raster/raster_primitives.h"
#include "processing/iprogress_reporter.h"

#include <QPainter>

#include <algorithm>
#include <new>

// The passes of the expressive brushstrokes: the random matching that fills the match table and
// stamps the good matches, then the cell picking that stamps the best ones again.

using namespace expressive;

namespace {

// Brush sizes are held here whatever a caller passes: from 2 the brush set can be built, and up
// to 400 every error sum (at most 6095 a pixel) fits in an int.
constexpr int kSmallestBrush = 2;
constexpr int kLargestBrush = 400;
// Pixels whose edge value is below this count as flat: the cooldown after a very good match
// runs down over them and skips them.
constexpr int kFlatEdge = 5;
// The random matching looks ahead by batches of about this many pixels, at most kBatchRows rows.
constexpr qint64 kBatchPixels = 65536;
constexpr int kBatchRows = 16;

bool isCancelled(const ExpressiveSettings& settings)
{
    return settings.cancelled && settings.cancelled->load(std::memory_order_relaxed);
}

void resetCounters(const ExpressiveSettings& settings)
{
    settings.progress->restart();
}

void reportNextProgress(const ExpressiveSettings& settings)
{
    settings.reporter->report_progress(settings.progress->nextCount());
}

// "Step (k/n)": the next step of the run.
void announceStep(const ExpressiveSettings& settings)
{
    if (!settings.reporter)
        return;
    const int step = settings.progress->nextStep();
    settings.reporter->report_label(
        QStringLiteral("Step (%1/%2)").arg(step).arg(settings.progress->totalSteps()));
}

// The settings held to the ranges of their sliders (a damaged document may carry anything), so
// that brush sizes, pick counts and thresholds stay bounded.
ExpressiveSettings bounded(const ExpressiveSettings& settings)
{
    ExpressiveSettings s = settings;
    s.maximumStrokeSize = std::clamp(s.maximumStrokeSize, 0, 254);
    s.precision = std::clamp(s.precision, 0, 100);
    return s;
}

// ---------------------------------------------------------------------------------------------
// The two halves of a pass

struct PassData
{
    ExpressiveSettings settings;
    const QImage* work;
    QImage* canvas;
    int a;
    int b;
    int c;
    std::int64_t w;
    std::vector<uchar> edges;
    BrushSet brushes;
    std::vector<CanvasBrush> canvasInk;
    MatchTable* table;
};

// A pixel that passed the chance test, with its acceptance level r.
struct Candidate
{
    int x;
    std::int64_t r;
};

// Row by row: every pixel draws r and t; a pixel whose t reaches 97 - e and that no cooldown
// holds back gets the best of the ten brushes in the table, and a good enough match is stamped
// at once. Returns false when cancelled.
//
// The search reads only the photograph, so a batch of rows is worked ahead: the draws of every
// pixel are made first, in order, then every pixel that passed the chance test is searched (on
// several threads), and then the rows are walked in order for the cooldown, the table and the
// stamps. Pixels the cooldown holds back have been searched in vain but are never used.
bool randomMatching(PassData& pass)
{
    const ExpressiveSettings& settings = pass.settings;
    const QImage& workImage = *pass.work;
    const int W = workImage.width(), H = workImage.height();
    const int a = pass.a;
    Pixels canvas = pixelsOf(*pass.canvas);
    Search search{&pass.brushes,       {}, &workImage,
                  pixelsOf(workImage), a,  rasterExecution().vectorised};
    search.interior = interiorBrushes(pass.brushes, search.pixels.stride);
    const std::int64_t w = pass.w;
    // The draw range is w / 8 taken as an unsigned shift of the int.
    const int drawRange = int(std::uint32_t(w) >> 3);
    const int chance = pass.c;
    const int cooldownAfterGoodMatch = 33 - (settings.numberOfBrushstrokes >> 3);
    const int reportEvery = std::max(1, (H / 100) * settings.progress->totalSteps());
    const int threads = threadsFor(qint64(W) * H);
    const int batchRows = int(std::clamp<qint64>(kBatchPixels / std::max(W, 1), 1, kBatchRows));

    std::uint32_t state = randomState();
    int cooldown = 0;
    std::vector<Candidate> candidates;
    std::vector<Match> matches;
    std::vector<int> rowStart(static_cast<std::size_t>(batchRows) + 1);
    std::vector<std::uint32_t> rowState(static_cast<std::size_t>(batchRows));

    for (int first = 0; first < H; first += batchRows) {
        const int end = std::min(H, first + batchRows);
        // 1. The draws of every pixel of the batch, in order.
        candidates.clear();
        for (int y = first; y < end; ++y) {
            rowState[std::size_t(y - first)] = state;
            rowStart[std::size_t(y - first)] = int(candidates.size());
            const uchar* e = pass.edges.data() + std::size_t(y) * W;
            for (int x = 0; x < W; ++x) {
                const std::int64_t r = w + randomBelowFrom(state, drawRange);
                const int t = randomBelowFrom(state, chance);
                if (t >= 97 - e[x])
                    candidates.push_back({x, r});
            }
        }
        rowStart[std::size_t(end - first)] = int(candidates.size());

        // 2. The search of every candidate.
        matches.assign(candidates.size(), Match());
        const auto searchRange = [&](int begin, int stop, int) {
            int y = first;
            for (int k = begin; k < stop; ++k) {
                while (rowStart[std::size_t(y - first + 1)] <= k)
                    ++y;
                matches[std::size_t(k)] = bestMatch(search, candidates[std::size_t(k)].x, y);
            }
        };
        const bool searched = parallelRows(0, int(candidates.size()), threads, 64, searchRange,
                                           [&settings]() { return isCancelled(settings); });
        if (!searched && !isCancelled(settings))
            searchRange(0, int(candidates.size()), 0); // the flag was taken back meanwhile

        // 3. The rows in order: cancel flag, progress, cooldown, table and stamps.
        for (int y = first; y < end; ++y) {
            if (isCancelled(settings)) {
                setRandomState(rowState[std::size_t(y - first)]);
                resetCounters(settings);
                return false;
            }
            if (settings.reporter && y % reportEvery == 0)
                reportNextProgress(settings);
            const uchar* e = pass.edges.data() + std::size_t(y) * W;
            int k = rowStart[std::size_t(y - first)];
            const int kEnd = rowStart[std::size_t(y - first + 1)];
            for (int x = 0; x < W; ++x) {
                if (e[x] < kFlatEdge) {
                    if (cooldown > 0)
                        --cooldown;
                } else {
                    cooldown = 0;
                }
                if (k == kEnd || candidates[std::size_t(k)].x != x)
                    continue;
                const Candidate& candidate = candidates[std::size_t(k)];
                const Match& match = matches[std::size_t(k)];
                ++k;
                if (cooldown != 0)
                    continue;
                const int index = int(match.colour >> 24);
                const QRgb colour = match.colour | kBlack;
                pass.table->set(x, y, match.score, index, colour);
                if (std::int64_t(match.score) <= candidate.r) {
                    if (std::int64_t(match.score) <= (candidate.r >> 3))
                        cooldown = cooldownAfterGoodMatch;
                    const int x0 = x - a / 2, y0 = y - a / 2;
                    if (x0 >= 0 && y0 >= 0 && x0 + a - 2 < W && y0 + a - 2 < H)
                        stampOnCanvas(canvas.row(y0) + x0, pass.canvasInk[std::size_t(index)],
                                      colour);
                    else
                        stampInk(pass.brushes[std::size_t(index)], a, x0, y0, canvas, colour);
                }
            }
        }
    }
    setRandomState(state);
    return true;
}

// Whether the a x a patch at (x0, y0) holds a canvas pixel that is not opaque. Drawing such a
// patch back composes it with itself, which only QPainter does the way it does.
bool patchHasTranslucency(const Pixels& canvas, int x0, int y0, int a)
{
    for (int y = std::max(0, y0); y < std::min(canvas.height, y0 + a); ++y) {
        const QRgb* line = canvas.row(y);
        for (int x = std::max(0, x0); x < std::min(canvas.width, x0 + a); ++x) {
            if ((line[x] >> 24) != 0xFF)
                return true;
        }
    }
    return false;
}

// Cell by cell from the bottom-right: the best matches of each cell restamped, worst first.
// Returns false when cancelled.
bool cellPicking(PassData& pass)
{
    const ExpressiveSettings& settings = pass.settings;
    QImage& canvasImage = *pass.canvas;
    const int W = canvasImage.width(), H = canvasImage.height();
    const int a = pass.a, h = a / 2;
    const std::int64_t threshold = pass.w * 100 / 250;
    const int reportEvery =
        std::max(1, int(double(H) / (a * 100.0)) * settings.progress->totalSteps());
    const bool opaqueFormat = canvasImage.format() == QImage::Format_RGB32;
    Pixels canvas = pixelsOf(canvasImage);
    for (int row = H / a - 1; row >= 2; --row) {
        if (isCancelled(settings)) {
            resetCounters(settings);
            return false;
        }
        if (settings.reporter && row % reportEvery == 0)
            reportNextProgress(settings);
        for (int column = W / a - 1; column >= 2; --column) {
            const std::vector<QPoint> picks = ExpressiveBrushstrokes::pickBestInCell(
                *pass.table, a, column, row, pass.b, threshold);
            for (int q = int(picks.size()) - 1; q >= 0; --q) {
                const int X = picks[std::size_t(q)].x(), Y = picks[std::size_t(q)].y();
                if (X == 0 || Y == 0)
                    continue;
                const std::size_t index = std::size_t(pass.table->brushIndex(X, Y));
                const Brush& brush = pass.brushes[index];
                const QRgb colour = pass.table->colour(X, Y);
                const int edge = pass.edges[std::size_t(Y) * W + X];
                const int x0 = X - h, y0 = Y - h;
                if (opaqueFormat || !patchHasTranslucency(canvas, x0, y0, a)) {
                    // Drawing an opaque patch back only copies it: blend in place.
                    const bool onEdge = q < 3 && edge > 9;
                    const bool inside =
                        x0 >= 0 && y0 >= 0 && y0 + a - 2 < H && x0 + (onEdge ? a - 1 : a - 2) < W;
                    if (!inside)
                        blendInk(q, edge, colour, brush, x0, y0, canvas);
                    else if (onEdge)
                        blendEdgeOnCanvas(canvas.row(y0) + x0, pass.canvasInk[index], q, colour);
                    else
                        stampOnCanvas(canvas.row(y0) + x0, pass.canvasInk[index], colour);
                    continue;
                }
                QImage patch = canvasImage.copy(x0, y0, a, a);
                ExpressiveBrushstrokes::blendPick(q, edge, patch, colour, brush);
                {
                    QPainter painter(&canvasImage);
                    painter.drawImage(QPoint(x0, y0), patch);
                }
                canvas = pixelsOf(canvasImage);
            }
        }
    }
    return true;
}

} // namespace

int expressive::threadsFor(qint64 pixels)
{
    const RasterExecution execution = rasterExecution();
    if (pixels < execution.minimumPixels)
        return 1;
    return execution.threads > 0 ? execution.threads : workerThreadCount();
}

// ---------------------------------------------------------------------------------------------

void paintExpressiveBrushstrokes(const ExpressiveSettings& settingsIn, QImage& image)
{
    PaintProgress ownProgress;
    ExpressiveSettings settings = bounded(settingsIn);
    if (!settings.progress)
        settings.progress = &ownProgress;
    // The photograph at the working size with its contrast raised; the painting starts from it.
    QImage work = image.copy();
    if (settings.scaled)
        work = scaleByFactor(work, settings.scale);
    if (work.isNull())
        return; // a scale that leaves no pixel: nothing to paint
    ensure32Bit(work);
    // The photograph's alpha at the painting's size, for the finished painting.
    const QImage alphaDonor = work;
    localContrast(work, settings.contrast / 3);
    QImage canvas = work.copy();

    // Progress and the step counters start afresh.
    if (settings.reporter)
        settings.reporter->report_progress(0);
    settings.progress->startSteps(settings.details < 1 ? 2 : 4);

    // The large brush, sharpened, then the small brush for the details.
    const int a1 = settings.maximumStrokeSize / 4 + 15;
    const int b = a1 * a1 * settings.precision / 256;
    ExpressiveBrushstrokes::matchingPass(settings, work, canvas, a1, b,
                                         settings.numberOfBrushstrokes / 4 + 98);
    sharpen3x3(canvas);
    if (settings.details > 0)
        ExpressiveBrushstrokes::matchingPass(settings, work, canvas, a1 * 100 / 185, b,
                                             settings.details / 3 + 25);

    // The photograph's alpha back, taken from the photograph reduced as the painting was, so
    // that a scaled painting's transparent parts stay where they were.
    if (settings.reporter)
        settings.reporter->report_progress(100);
    image = restoreAlpha(alphaDonor, canvas);
}

void ExpressiveBrushstrokes::matchingPass(const ExpressiveSettings& settingsIn, const QImage& work,
                                          QImage& canvas, int a, int b, int c)
{
    PaintProgress ownProgress;
    PassData pass;
    pass.settings = bounded(settingsIn);
    if (!pass.settings.progress)
        pass.settings.progress = &ownProgress;
    if (a % 2 != 0)
        ++a;
    pass.a = std::clamp(a, kSmallestBrush, kLargestBrush);
    pass.b = b;
    pass.c = c;
    pass.work = &work;
    pass.canvas = &canvas;
    if (work.size() != canvas.size() || !is32Bit(work) || !is32Bit(canvas))
        return;
    try {
        MatchTable table(canvas.width(), canvas.height());
        pass.table = &table;
        pass.edges = edgePlane(work);
        pass.brushes = buildBrushSet(pass.a);
        pass.canvasInk = canvasBrushes(pass.brushes, pass.a, canvas.bytesPerLine() / 4);
        pass.w = brushInkThreshold(pass.brushes, pass.settings.precision);
        announceStep(pass.settings);
        if (!randomMatching(pass))
            return;
        announceStep(pass.settings);
        cellPicking(pass);
    } catch (const std::bad_alloc&) {
        // A picture too large for the match table is left as it is.
    }
}
