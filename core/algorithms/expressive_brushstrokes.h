#pragma once

#include <QImage>
#include <QPoint>

#include <atomic>
#include <cstdint>
#include <vector>

class IProgressReporter;
class PaintProgress;

// The "expressive_brushstrokes" type of the oil painting algorithm: long, thin brushstrokes laid
// along the structure of the picture by template matching.
//
// For pixels picked at random (more often on edges) ten turned copies of one brush bitmap are
// tried; each pixel keeps the orientation whose footprint is best explained by one colour (the
// average of the photograph under the brush), and a good match is stamped onto the canvas at
// once. Then, cell by cell over a grid of brush-sized cells, the best matches found are stamped
// again, blended with what is already there. A first pass uses a large brush; when details are
// asked for, a second pass repeats this with a brush 100/185 as large.
//
// The settings as the oil painting algorithm converts them (maximum stroke size 0..254, number of
// brushstrokes 0..76, precision 0..100, contrast 0..254, details 0..254, scale >= 0.5). A
// maximum stroke size or precision outside its range (a damaged document) is held to it.
struct ExpressiveSettings
{
    int maximumStrokeSize = 0;
    int numberOfBrushstrokes = 0;
    int precision = 0;
    int contrast = 0;
    int details = 0;
    bool scaled = false;
    double scale = 1.0;
    IProgressReporter* reporter = nullptr;        // may be null: nothing is reported
    const std::atomic<bool>* cancelled = nullptr; // may be null: never cancelled
    PaintProgress* progress = nullptr;            // may be null: the run counts on its own
};

// Paints image (32-bit) in place; a scaled run leaves it reduced by the scale (a scale that leaves
// no pixel leaves the image as it is). While it paints, image is empty: the picture is let go so
// that, held nowhere else, it becomes the working copy instead of a second one. Reports 0, then a
// count rising by one every few rows or cell rows, then 100, with the label "Step (k/n)" before
// each half of each pass; the count and the steps are kept in settings.progress, which a cancelled
// run leaves at 0. A cancelled run stops its passes early and still gives back the canvas as far as
// it got. Draws from the calling thread's random generator, in the same order whatever the thread
// count. Inside OilPaintingAlgorithm, whose method has the same name, call it as
// ::paintExpressiveBrushstrokes.
void paintExpressiveBrushstrokes(const ExpressiveSettings& settings, QImage& image);

// The pieces of the renderer, open for tests. Images are 32-bit; colours are opaque QRgb.
class ExpressiveBrushstrokes
{
public:
    // The score of a table entry that holds no match, or whose match has been used.
    static constexpr int kEmptyScore = 99999999;
    static constexpr int kBrushCount = 10;
    // Brush pixels with red up to this carry ink; their weight is 255 - red.
    static constexpr int kInkLimit = 244;

    // One turned brush: its square greyscale image and its ink pixels in row-major order.
    struct Ink
    {
        std::int16_t column;
        std::int16_t row;
        std::int32_t red;
    };
    struct Brush
    {
        QImage image;
        std::vector<Ink> ink;
    };
    using BrushSet = std::vector<Brush>;

    // The best match found at every pixel of the canvas during one pass: its score (brush
    // error) and brush orientation in one 32-bit word a pixel. A search keeps only errors below
    // kEmptyScore, so scores lie in 0..kEmptyScore, below 2^27, and the brush takes the top five
    // bits. The match's colour, the average of the photograph under that brush, is not kept: the
    // cell picking works it out again for the entries it takes. An entry without a match (never
    // set, or set with kEmptyScore, which every search starts from) has brush 0 and its colour
    // is white.
    class MatchTable
    {
    public:
        static constexpr int kScoreBits = 27;
        static constexpr std::uint32_t kScoreMask = (std::uint32_t(1) << kScoreBits) - 1;

        MatchTable(int width, int height);
        int width() const { return m_width; }
        int height() const { return m_height; }
        int score(int x, int y) const { return scoreOf(m_entries[index(x, y)]); }
        bool hasMatch(int x, int y) const { return brushOf(m_entries[index(x, y)]) != kNoMatch; }
        int brushIndex(int x, int y) const
        {
            const std::uint32_t brush = brushOf(m_entries[index(x, y)]);
            return brush == kNoMatch ? 0 : int(brush);
        }
        // score 0..kEmptyScore, brushIndex 0..kBrushCount - 1.
        void set(int x, int y, int score, int brushIndex)
        {
            const std::uint32_t brush = score < kEmptyScore ? std::uint32_t(brushIndex) : kNoMatch;
            m_entries[index(x, y)] = std::uint32_t(score) | (brush << kScoreBits);
        }
        void setScore(int x, int y, int score)
        {
            std::uint32_t& entry = m_entries[index(x, y)];
            entry = (entry & ~kScoreMask) | std::uint32_t(score);
        }
        // Raw rows, for the cell scan: the score of an entry is scoreOf(entry).
        const std::uint32_t* entryRow(int y) const { return m_entries.data() + index(0, y); }
        static int scoreOf(std::uint32_t entry) { return int(entry & kScoreMask); }

    private:
        static constexpr std::uint32_t kNoMatch = 31;
        static std::uint32_t brushOf(std::uint32_t entry) { return entry >> kScoreBits; }
        std::size_t index(int x, int y) const { return std::size_t(y) * m_width + x; }
        int m_width;
        int m_height;
        std::vector<std::uint32_t> m_entries;
    };

    // One pass over canvas with the brush size (made even), at most picksPerCell picks per cell
    // and the chance of a pixel to be searched; reads precision, number of brushstrokes,
    // reporter, progress and cancel flag from settings. work is the photograph the matches are
    // measured on; canvas has its size.
    static void matchingPass(const ExpressiveSettings& settings, const QImage& work, QImage& canvas,
                             int brushSize, int picksPerCell, int chance);

    // The ten brushSize x brushSize brushes, turned by 0, 18, ..., 162 degrees; the multiples of
    // 90 are exact quarter turns (0 one way, 90 the other).
    static BrushSet buildBrushSet(int brushSize);
    // A brush from an image whose red channel is the ink (255 none, 0 full).
    static Brush brushFromImage(const QImage& image);
    // The total ink of brush 0 times (125 - precision) / 5: the acceptance level of a match.
    static std::int64_t brushInkThreshold(const BrushSet& brushes, int precision);
    // Grey image of each interior pixel's mean channel distance to its eight neighbours' mean;
    // the border is black.
    static QImage edgeMagnitude(const QImage& work);
    // Average colour of work under the brush's ink centred at (x, y), interior pixels only;
    // opaque black when none qualifies.
    static QRgb averageUnderBrush(const Brush& brush, int brushSize, int x, int y,
                                  const QImage& work);
    // Sum over the ink inside work of (channel distance to colour * ink) >> 5.
    static int brushError(const Brush& brush, int brushSize, QRgb colour, int x, int y,
                          const QImage& work);
    // Lays the brush in colour onto canvas centred at (x, y) (last brush row and column left out).
    static void stampBrush(const Brush& brush, int brushSize, int x, int y, QImage& canvas,
                           QRgb colour);
    // The lowest-scored entries (at most limit, each at most threshold) of the cell window around
    // (brushSize * column, brushSize * row), best first, ties to the earlier column, then row.
    // The entries taken are marked used in the table, and so is the one above the threshold that
    // ends the search when fewer than limit qualify.
    static std::vector<QPoint> pickBestInCell(MatchTable& table, int brushSize, int column, int row,
                                              int limit, std::int64_t threshold);
    // Blends a pick of the given rank (0 best) into its brush-sized patch of the canvas: the
    // three best picks on an edge (edge value > 9) also mix in their colour lightened by
    // rank - 1.
    static void blendPick(int rank, int edge, QImage& patch, QRgb colour, const Brush& brush);
};
