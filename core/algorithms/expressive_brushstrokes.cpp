#include "core/algorithms/expressive_brushstrokes.h"
#include "core/algorithms/expressive_internal.h"
#include "core/algorithms/paint_progress.h"

#include "core/framework/iprogress_reporter.h"
#include "core/raster/execution.h"
#include "core/raster/parallel_rows.h"
#include "core/raster/random.h"
#include "core/raster/raster_primitives.h"
#include "core/raster/working_memory.h"

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
    ExpressiveSettings held = settings;
    held.maximumStrokeSize = std::clamp(held.maximumStrokeSize, 0, 254);
    held.precision = std::clamp(held.precision, 0, 100);
    return held;
}

// ---------------------------------------------------------------------------------------------
// The two halves of a pass

struct PassData
{
    ExpressiveSettings settings;
    const QImage* work;
    QImage* canvas;
    int brushSize;
    int picksPerCell;
    int chance;
    std::int64_t inkThreshold;
    BrushSet brushes;
    std::vector<CanvasBrush> canvasInk;
    Search search; // reads brushes and work
    MatchTable* table;
};

// A pixel that passed the chance test, with its acceptance level.
struct Candidate
{
    int x;
    std::int64_t acceptance;
};

// Row by row: every pixel draws its acceptance level and a chance; a pixel whose chance draw
// reaches 97 - its edge value and that no cooldown holds back gets the best of the ten brushes in
// the table, and a good enough match is stamped at once. Returns false when cancelled.
//
// The search reads only the photograph, so a batch of rows is worked ahead: the draws of every
// pixel are made first, in order, then every pixel that passed the chance test is searched (on
// several threads), and then the rows are walked in order for the cooldown, the table and the
// stamps. Pixels the cooldown holds back have been searched in vain but are never used.
bool randomMatching(PassData& pass)
{
    const ExpressiveSettings& settings = pass.settings;
    const QImage& workImage = *pass.work;
    const int width = workImage.width(), height = workImage.height();
    const int brushSize = pass.brushSize;
    Pixels canvas = pixelsOf(*pass.canvas);
    const Search& search = pass.search;
    const std::int64_t inkThreshold = pass.inkThreshold;
    // The draw range is inkThreshold / 8 taken as an unsigned shift of the int.
    const int drawRange = int(std::uint32_t(inkThreshold) >> 3);
    const int chance = pass.chance;
    const int cooldownAfterGoodMatch = 33 - (settings.numberOfBrushstrokes >> 3);
    const int reportEvery = std::max(1, (height / 100) * settings.progress->totalSteps());
    const int threads = pixelLoopThreads(qint64(width) * height);
    const int batchRows = int(std::clamp<qint64>(kBatchPixels / std::max(width, 1), 1, kBatchRows));

    std::uint32_t state = randomState();
    int cooldown = 0;
    std::vector<Candidate> candidates;
    std::vector<Match> matches;
    std::vector<int> rowStart(static_cast<std::size_t>(batchRows) + 1);
    std::vector<std::uint32_t> rowState(static_cast<std::size_t>(batchRows));
    std::vector<int> rowCount(static_cast<std::size_t>(batchRows));
    std::vector<Candidate> drawn;
    // The edge magnitude of the batch's rows, made with each batch rather than kept for the whole
    // picture.
    std::vector<uchar> edges(static_cast<std::size_t>(batchRows) * std::size_t(width));

    for (int first = 0; first < height; first += batchRows) {
        const int end = std::min(height, first + batchRows);
        edgeRows(search.pixels, first, end, edges.data(), threads);
        // 1. The draws of every pixel of the batch: two a pixel, so each row starts 2 * width
        // draws after the one before, and the rows draw apart on the pool's threads, each into
        // its own part of `drawn`; the parts are then joined in row order.
        drawn.resize(std::size_t(end - first) * std::size_t(width));
        parallelRows(first, end, threads, 1, [&](int begin, int stop, int) {
            for (int y = begin; y < stop; ++y) {
                std::uint32_t at = jumpRandom(state, 2 * std::uint64_t(width) * (y - first));
                rowState[std::size_t(y - first)] = at;
                const uchar* rowEdges = edges.data() + std::size_t(y - first) * width;
                Candidate* out = drawn.data() + std::size_t(y - first) * width;
                int count = 0;
                for (int x = 0; x < width; ++x) {
                    const std::int64_t acceptance = inkThreshold + randomBelowFrom(at, drawRange);
                    const int draw = randomBelowFrom(at, chance);
                    if (draw >= 97 - rowEdges[x])
                        out[count++] = {x, acceptance};
                }
                rowCount[std::size_t(y - first)] = count;
            }
        });
        state = jumpRandom(state, 2 * std::uint64_t(width) * (end - first));
        candidates.clear();
        for (int y = first; y < end; ++y) {
            const Candidate* in = drawn.data() + std::size_t(y - first) * width;
            rowStart[std::size_t(y - first)] = int(candidates.size());
            candidates.insert(candidates.end(), in, in + rowCount[std::size_t(y - first)]);
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
            const uchar* rowEdges = edges.data() + std::size_t(y - first) * width;
            int k = rowStart[std::size_t(y - first)];
            const int kEnd = rowStart[std::size_t(y - first + 1)];
            for (int x = 0; x < width; ++x) {
                if (rowEdges[x] < kFlatEdge) {
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
                pass.table->set(x, y, match.score, index);
                if (std::int64_t(match.score) <= candidate.acceptance) {
                    if (std::int64_t(match.score) <= (candidate.acceptance >> 3))
                        cooldown = cooldownAfterGoodMatch;
                    const int x0 = x - brushSize / 2, y0 = y - brushSize / 2;
                    if (x0 >= 0 && y0 >= 0 && x0 + brushSize - 2 < width &&
                        y0 + brushSize - 2 < height)
                        stampOnCanvas(canvas.row(y0) + x0, pass.canvasInk[std::size_t(index)],
                                      colour);
                    else
                        stampInk(pass.brushes[std::size_t(index)], brushSize, x0, y0, canvas,
                                 colour);
                }
            }
        }
    }
    setRandomState(state);
    return true;
}

// Whether the brush-sized patch at (x0, y0) holds a canvas pixel that is not opaque. Drawing such a
// patch back composes it with itself, which only QPainter does the way it does.
bool patchHasTranslucency(const Pixels& canvas, int x0, int y0, int brushSize)
{
    for (int y = std::max(0, y0); y < std::min(canvas.height, y0 + brushSize); ++y) {
        const QRgb* line = canvas.row(y);
        for (int x = std::max(0, x0); x < std::min(canvas.width, x0 + brushSize); ++x) {
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
    const int width = canvasImage.width(), height = canvasImage.height();
    const int brushSize = pass.brushSize, half = brushSize / 2;
    const std::int64_t threshold = pass.inkThreshold * 100 / 250;
    const int reportEvery =
        std::max(1, int(double(height) / (brushSize * 100.0)) * settings.progress->totalSteps());
    const bool opaqueFormat = canvasImage.format() == QImage::Format_RGB32;
    Pixels canvas = pixelsOf(canvasImage);
    for (int row = height / brushSize - 1; row >= 2; --row) {
        if (isCancelled(settings)) {
            resetCounters(settings);
            return false;
        }
        if (settings.reporter && row % reportEvery == 0)
            reportNextProgress(settings);
        for (int column = width / brushSize - 1; column >= 2; --column) {
            const std::vector<QPoint> picks = ExpressiveBrushstrokes::pickBestInCell(
                *pass.table, brushSize, column, row, pass.picksPerCell, threshold);
            for (int rank = int(picks.size()) - 1; rank >= 0; --rank) {
                const int pickX = picks[std::size_t(rank)].x(),
                          pickY = picks[std::size_t(rank)].y();
                if (pickX == 0 || pickY == 0)
                    continue;
                const std::size_t index = std::size_t(pass.table->brushIndex(pickX, pickY));
                const Brush& brush = pass.brushes[index];
                const QRgb colour = pass.table->hasMatch(pickX, pickY)
                                        ? matchColour(pass.search, pickX, pickY, int(index))
                                        : kWhite;
                const int edge = edgeAt(pass.search.pixels, pickX, pickY);
                const int x0 = pickX - half, y0 = pickY - half;
                if (opaqueFormat || !patchHasTranslucency(canvas, x0, y0, brushSize)) {
                    // Drawing an opaque patch back only copies it: blend in place.
                    const bool onEdge = rank < 3 && edge > 9;
                    const bool inside = x0 >= 0 && y0 >= 0 && y0 + brushSize - 2 < height &&
                                        x0 + (onEdge ? brushSize - 1 : brushSize - 2) < width;
                    if (!inside)
                        blendInk(rank, edge, colour, brush, x0, y0, canvas);
                    else if (onEdge)
                        blendEdgeOnCanvas(canvas.row(y0) + x0, pass.canvasInk[index], rank, colour);
                    else
                        stampOnCanvas(canvas.row(y0) + x0, pass.canvasInk[index], colour);
                    continue;
                }
                QImage patch = canvasImage.copy(x0, y0, brushSize, brushSize);
                ExpressiveBrushstrokes::blendPick(rank, edge, patch, colour, brush);
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

// ---------------------------------------------------------------------------------------------

void paintExpressiveBrushstrokes(const ExpressiveSettings& settingsIn, QImage& image)
{
    PaintProgress ownProgress;
    ExpressiveSettings settings = bounded(settingsIn);
    if (!settings.progress)
        settings.progress = &ownProgress;
    // The photograph at the working size with its contrast raised; the painting starts from it.
    // The caller's picture is let go first: when nothing else holds it, the contrast is raised in
    // its own memory rather than in a copy beside it.
    QImage work = settings.scaled ? scaleByFactor(image, settings.scale) : image;
    if (work.isNull())
        return; // a scale that leaves no pixel: nothing to paint
    image = QImage();
    ensure32Bit(work);
    // The photograph's alpha at the painting's size, for the finished painting; a picture without
    // an alpha channel has none to give back.
    const QImage alphaDonor = work.hasAlphaChannel() ? work : QImage();
    localContrast(work, settings.contrast / 3);
    QImage canvas = work.copy();
    requirePixels(canvas);

    // Progress and the step counters start afresh.
    if (settings.reporter)
        settings.reporter->report_progress(0);
    settings.progress->startSteps(settings.details < 1 ? 2 : 4);

    // The large brush, sharpened, then the small brush for the details.
    const int largeBrush = settings.maximumStrokeSize / 4 + 15;
    const int picksPerCell = largeBrush * largeBrush * settings.precision / 256;
    ExpressiveBrushstrokes::matchingPass(settings, work, canvas, largeBrush, picksPerCell,
                                         settings.numberOfBrushstrokes / 4 + 98);
    sharpen3x3(canvas);
    if (settings.details > 0)
        ExpressiveBrushstrokes::matchingPass(settings, work, canvas, largeBrush * 100 / 185,
                                             picksPerCell, settings.details / 3 + 25);

    // The photograph's alpha back, taken from the photograph reduced as the painting was, so
    // that a scaled painting's transparent parts stay where they were.
    if (settings.reporter)
        settings.reporter->report_progress(100);
    image = restoreAlpha(alphaDonor, canvas);
}

void ExpressiveBrushstrokes::matchingPass(const ExpressiveSettings& settingsIn, const QImage& work,
                                          QImage& canvas, int brushSize, int picksPerCell,
                                          int chance)
{
    PaintProgress ownProgress;
    PassData pass;
    pass.settings = bounded(settingsIn);
    if (!pass.settings.progress)
        pass.settings.progress = &ownProgress;
    if (brushSize % 2 != 0)
        ++brushSize;
    pass.brushSize = std::clamp(brushSize, kSmallestBrush, kLargestBrush);
    pass.picksPerCell = picksPerCell;
    pass.chance = chance;
    pass.work = &work;
    pass.canvas = &canvas;
    if (work.size() != canvas.size() || !is32Bit(work) || !is32Bit(canvas))
        return;
    // A match table that cannot be had ends the render (std::bad_alloc): a painting without
    // this pass would be a different picture.
    MatchTable table(canvas.width(), canvas.height());
    pass.table = &table;
    pass.brushes = buildBrushSet(pass.brushSize);
    pass.canvasInk = canvasBrushes(pass.brushes, pass.brushSize, canvas.bytesPerLine() / 4);
    pass.search = {&pass.brushes, {}, &work, pixelsOf(work), pass.brushSize, execution().simd};
    pass.search.interior = interiorBrushes(pass.brushes, pass.search.pixels.stride);
    pass.inkThreshold = brushInkThreshold(pass.brushes, pass.settings.precision);
    announceStep(pass.settings);
    if (!randomMatching(pass))
        return;
    announceStep(pass.settings);
    cellPicking(pass);
}
