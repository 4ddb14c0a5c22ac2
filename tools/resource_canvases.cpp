#include "resource_generator.h"

namespace {

struct WeaveSpec
{
    int threadsX = 64;      // vertical (warp) threads across the width; even, so the weave repeats
    int threadsY = 64;      // horizontal (weft) threads down the height; even
    double coverage = 0.82; // part of the pitch a thread fills; the rest is the gap
    double threadSpread = 0.08; // thickness spread between threads
    double slubs = 0.10;        // thickness change along a thread
    double slubLength = 3.0;    // length of a slub, in pitches
    double toneSpread = 0.04;   // brightness spread between threads
    double twist = 0.10;        // depth of the diagonal twist ridges on a thread
    double wobble = 0.04;       // sideways wander of a thread, in pitches
    double crimp = 0.55;        // rise and fall of a thread over and under its crossings
    double gapTone = 0.55;      // brightness seen through the gaps
    std::uint32_t seed = 1;
};

struct WeaveMaps
{
    Field height;
    Field albedo;
};

// Plain weave: warp thread i passes over weft thread j when i + j is even. Sampled 3 x 3 per
// pixel. Thread i is centred on x = i * pitch, so the tile border runs through thread centres.
WeaveMaps weave(int w, int h, const WeaveSpec& settings)
{
    Q_ASSERT(settings.threadsX % 2 == 0 && settings.threadsY % 2 == 0);
    const int ss = 3;
    WeaveMaps maps{Field(w, h), Field(w, h)};
    const double pitchX = double(w) / settings.threadsX, pitchY = double(h) / settings.threadsY;
    // Per-thread constants.
    std::vector<double> warpThick(static_cast<size_t>(settings.threadsX)),
        warpTone(static_cast<size_t>(settings.threadsX));
    std::vector<double> weftThick(static_cast<size_t>(settings.threadsY)),
        weftTone(static_cast<size_t>(settings.threadsY));
    Rng rng(settings.seed);
    for (int i = 0; i < settings.threadsX; ++i) {
        warpThick[size_t(i)] = 1.0 + settings.threadSpread * clampTo(rng.gaussian(), -2.0, 2.0);
        warpTone[size_t(i)] = 1.0 + settings.toneSpread * clampTo(rng.gaussian(), -2.0, 2.0);
    }
    for (int j = 0; j < settings.threadsY; ++j) {
        weftThick[size_t(j)] = 1.0 + settings.threadSpread * clampTo(rng.gaussian(), -2.0, 2.0);
        weftTone[size_t(j)] = 1.0 + settings.toneSpread * clampTo(rng.gaussian(), -2.0, 2.0);
    }
    const int slubPeriodY = std::max(1, int(std::lround(settings.threadsY / settings.slubLength)));
    const int slubPeriodX = std::max(1, int(std::lround(settings.threadsX / settings.slubLength)));
    Field fuzz = fractalNoise(w, h, 2.0, 2, 0.5, settings.seed + 11);
    Field cloud = fractalNoise(w, h, std::max(w, h) / 6.0, 4, 0.5, settings.seed + 12);

    struct Thread
    {
        bool present = false;
        double height = -1.0;
        double tone = 0.0;
    };
    // One thread at along-position `a` (in pitches along the thread) and across-position `c` (in
    // pitches across the threads). k is its unwrapped index (its centre lies at c = k), wk the
    // index wrapped into the tile, which picks its constants. `along` is the number of crossing
    // threads over the tile; crossSign decides which parity of crossing it passes over.
    const auto thread = [&](int k, int wk, double a, double c, double thick, double tone,
                            int slubPeriod, int along, double crossSign, std::uint32_t seed) {
        Thread t;
        const double alongTile = a / along; // 0..1 over the tile
        const double slub = valueNoise1(alongTile * slubPeriod, slubPeriod, seed + wk * 31u);
        const double wob = valueNoise1(alongTile * slubPeriod * 2, slubPeriod * 2, seed + wk * 57u);
        const double half = 0.5 * settings.coverage * thick * (1.0 + settings.slubs * slub);
        const double centre = k + settings.wobble * wob;
        const double d = (c - centre) / half;
        if (std::fabs(d) >= 1.0)
            return t;
        t.present = true;
        const double profile = std::sqrt(1.0 - d * d);
        // Crossings lie at integer a; the thread is highest where cos(...) = 1.
        const double crimp = crossSign * std::cos(kPi * (a - k));
        const double twist = std::sin(2.0 * kPi * (1.5 * (c - centre) + 2.0 * a + 0.13 * wk));
        t.height = settings.crimp * crimp * (0.6 + 0.4 * profile) + 0.8 * profile +
                   settings.twist * twist * profile;
        t.tone = tone * (0.93 + 0.07 * profile);
        return t;
    };

    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double hs = 0.0, as = 0.0;
            for (int sy = 0; sy < ss; ++sy)
                for (int sx = 0; sx < ss; ++sx) {
                    const double px = x + (sx + 0.5) / ss, py = y + (sy + 0.5) / ss;
                    const double u = px / pitchX, v = py / pitchY; // in pitches
                    const int i = int(std::floor(u + 0.5)), j = int(std::floor(v + 0.5));
                    const int wi = wrapIndex(i, settings.threadsX),
                              wj = wrapIndex(j, settings.threadsY);
                    // Warp: runs down, crossing weft j at v = j, on top when i + j is even.
                    const Thread warp =
                        thread(i, wi, v, u, warpThick[size_t(wi)], warpTone[size_t(wi)],
                               slubPeriodY, settings.threadsY, 1.0, settings.seed + 101);
                    // Weft: runs across, on top when i + j is odd.
                    const Thread weft =
                        thread(j, wj, u, v, weftThick[size_t(wj)], weftTone[size_t(wj)],
                               slubPeriodX, settings.threadsX, -1.0, settings.seed + 202);
                    Thread top;
                    if (warp.present && (!weft.present || warp.height >= weft.height))
                        top = warp;
                    else if (weft.present)
                        top = weft;
                    if (top.present) {
                        hs += top.height;
                        as += top.tone;
                    } else {
                        hs += -1.2;
                        as += settings.gapTone;
                    }
                }
            const double fz = fuzz.at(x, y), cl = cloud.at(x, y);
            maps.height.at(x, y) = float(hs / (ss * ss) + 0.06 * fz);
            maps.albedo.at(x, y) = float(as / (ss * ss) * (1.0 + 0.025 * fz + 0.015 * cl));
        }
    return maps;
}

// Lit canvas: brightness from the weave's albedo, its self-shadowing (low parts darker) and the
// light falling on its slopes.
Field canvasBrightness(const WeaveMaps& maps, double relief, double light, double occlusion)
{
    Field lit = shade(maps.height, relief);
    Field out(maps.height.width, maps.height.height);
    for (size_t k = 0; k < out.data.size(); ++k) {
        const double hgt = clampTo((maps.height.data[k] + 1.2) / 2.6, 0.0, 1.0);
        out.data[k] =
            float(maps.albedo.data[k] * (1.0 - occlusion * (1.0 - hgt)) + light * lit.data[k]);
    }
    return out;
}

} // namespace

QImage coarseCanvas()
{
    const int w = 512, h = 512;
    WeaveSpec settings;
    settings.threadsX = 64;
    settings.threadsY = 64;
    settings.coverage = 0.86;
    settings.threadSpread = 0.10;
    settings.slubs = 0.18;
    settings.toneSpread = 0.05;
    settings.twist = 0.05;
    settings.wobble = 0.05;
    settings.crimp = 0.7;
    settings.gapTone = 0.70;
    settings.seed = 1001;
    const WeaveMaps maps = weave(w, h, settings);
    const Field b = canvasBrightness(maps, 2.0, 0.55, 0.18);
    return tintedImage(b, {246, 242, 232});
}

QImage fineCanvas()
{
    const int w = 600, h = 600;
    WeaveSpec settings;
    settings.threadsX = 150;
    settings.threadsY = 150;
    settings.coverage = 0.88;
    settings.threadSpread = 0.07;
    settings.slubs = 0.12;
    settings.toneSpread = 0.03;
    settings.twist = 0.06;
    settings.wobble = 0.03;
    settings.gapTone = 0.70;
    settings.seed = 2002;
    const WeaveMaps maps = weave(w, h, settings);
    const Field b = canvasBrightness(maps, 1.1, 0.45, 0.16);
    return tintedImage(b, {246, 243, 235});
}

QImage linenCanvas()
{
    const int w = 800, h = 600;
    WeaveSpec settings;
    settings.threadsX = 160;
    settings.threadsY = 120;
    settings.coverage = 0.84;
    settings.threadSpread = 0.20;
    settings.slubs = 0.30;
    settings.slubLength = 2.0;
    settings.toneSpread = 0.06;
    settings.twist = 0.05;
    settings.wobble = 0.08;
    settings.gapTone = 0.62;
    settings.seed = 3003;
    const WeaveMaps maps = weave(w, h, settings);
    const Field b = canvasBrightness(maps, 1.2, 0.45, 0.18);
    return tintedImage(b, {240, 234, 220});
}
