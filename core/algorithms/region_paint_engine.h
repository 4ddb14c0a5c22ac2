#pragma once

#include "core/framework/stroke_memory.h"

#include <QImage>
#include <QString>

#include <atomic>

class IProgressReporter;

// Paints a picture as flat patches of colour on a textured ground: the wash of a watercolor, or
// thick impasto paint. Owned by value by WatercolorAlgorithm (and by the oil painting algorithm for
// its "oil_painting" type), which convert their settings and supply the texture. paint runs on the
// worker thread; setCancelled arrives from the GUI thread.
//
// How it works: random seed pixels grow square rings outward while the ring pixels stay close
// in colour to the seed (the tolerance shrinks with the radius and loosens with every seed); a
// flood fill keeps the part connected to the seed, which is painted with its average colour over
// the texture and its small holes closed. Seeding stops once the regions cover the share of the
// picture the strength asks for. The rest keeps its own colour on the texture; then a brightness
// shift with grain, darkened colour boundaries (the pigment edge) and a saturation change. The
// final pixel pass runs on the threads of the execution setting (execution.h), with the same
// result for every count.
//
// Seeds. A preview draws them at random and records nothing. A scaled render (a display render)
// draws them at random and records every attempted position in picture coordinates; when it
// completes un-cancelled the list replaces the one in the stroke memory. A render that is neither
// (the full-size export) replays the memory's list in order and draws at random once it runs
// out. Without a memory nothing is stored and replays draw at random.
class RegionPaintEngine
{
public:
    // The name under which the seed list is kept in a StrokeMemory.
    static QString memoryName();

    void setCancelled(bool cancelled) { m_cancelled.store(cancelled); }
    bool isCancelled() const { return m_cancelled.load(); }

    // The document's memory of recorded seeds (may be null).
    void setStrokeMemory(const StrokeMemoryPtr& memory) { m_memory = memory; }
    const StrokeMemoryPtr& strokeMemory() const { return m_memory; }

    // Paints image (32-bit) in place; a scaled run leaves it reduced by scale. The settings as
    // the owners convert them: brushstroke intensity 0..255 (texture strength), strength 0..254
    // (coverage by regions), simplification 0..255 (colour tolerance; negative grows nothing),
    // brightness 0..255 (127 is no shift), colour intensity 0..100 (50 keeps the saturation).
    // Returns false, with the image untouched, when cancelled or when there is nothing to paint
    // (a null image or texture, or a scale that leaves no pixel).
    bool paint(QImage& image, const QImage& texture, bool scaled, double scale,
               IProgressReporter* reporter, int brushstrokeIntensity, int strength,
               int simplification, int brightness, int colourIntensity, bool preview);

private:
    std::atomic<bool> m_cancelled{false};
    StrokeMemoryPtr m_memory;
};
