#include "resource_generator.h"

QImage watercolorGround()
{
    const int w = 1024, h = 768;
    const Field fine = fractalNoise(w, h, 3.0, 3, 0.55, 10001);
    NoiseSpec bumpSpec;
    bumpSpec.cellWidth = bumpSpec.cellHeight = 16.0;
    bumpSpec.octaves = 3;
    bumpSpec.persistence = 0.5;
    bumpSpec.billowy = true;
    const Field bumps = fractalNoise(w, h, bumpSpec, 10002);
    const Field lit = shade(bumps, 3.0);
    const Field blotch = fractalNoise(w, h, 170.0, 4, 0.55, 10003);
    const Field pool = fractalNoise(w, h, 60.0, 3, 0.5, 10004);
    Field level(w, h);
    for (size_t k = 0; k < level.data.size(); ++k) {
        // Pigment settles in soft-edged blotches: squash the broad noise so blotches have edges.
        const double soft = std::tanh(0.8 * blotch.data[k] + 0.3 * pool.data[k]);
        level.data[k] = float(0.9 * fine.data[k] + 2.2 * lit.data[k] + 0.9 * soft);
    }
    matchStatistics(level, 194.0, 12.0);
    return greyImage(level);
}

QImage impastoGround()
{
    // Thick paint laid in curved strokes that follow a swirling flow; each stroke leaves bristle
    // ridges along its path and a raised rim, and covers the paint beneath it. The relief is lit
    // from the upper left.
    const int w = 1024, h = 768;
    Rng rng(11001);
    const Field flowA = fractalNoise(w, h, 400.0, 2, 0.4, 11002);
    const Field flowB = fractalNoise(w, h, 120.0, 2, 0.5, 11003);
    Field height = fractalNoise(w, h, 8.0, 3, 0.5, 11004);
    for (float& v : height.data)
        v *= 0.15f;
    const auto flowAngle = [&](double x, double y) {
        const int ix = wrapIndex(int(std::floor(x)), w), iy = wrapIndex(int(std::floor(y)), h);
        return 0.6 * kPi * flowA.at(ix, iy) + 0.15 * kPi * flowB.at(ix, iy);
    };
    const int strokes = 2200;
    for (int s = 0; s < strokes; ++s) {
        const double length = rng.uniform(40.0, 120.0);
        const double width = rng.uniform(16.0, 34.0);
        double x = rng.uniform(0, w), y = rng.uniform(0, h);
        // Half of the strokes run against the flow.
        const double flip = (rng.uniform() < 0.5) ? 1.0 : -1.0;
        double angle = flowAngle(x, y) + (flip < 0 ? kPi : 0.0);
        // Path along the flow, turning smoothly.
        std::vector<std::array<double, 3>> path; // x, y, direction
        const double step = 0.7;
        for (double t = 0.0; t < length; t += step) {
            path.push_back({x, y, angle});
            double target = flowAngle(x, y);
            if (flip < 0)
                target += kPi;
            double diff = std::remainder(target - angle, 2.0 * kPi);
            angle += 0.08 * diff;
            x += step * std::cos(angle);
            y += step * std::sin(angle);
        }
        // Bristle profile across the stroke.
        const int bristles = 48;
        std::vector<double> profile(static_cast<size_t>(bristles));
        double walk = 0.0;
        for (auto& p : profile) {
            walk = 0.6 * walk + rng.gaussian();
            p = walk;
        }
        double x0 = 1e30, y0 = 1e30, x1 = -1e30, y1 = -1e30;
        for (const auto& p : path) {
            x0 = std::min(x0, p[0]);
            y0 = std::min(y0, p[1]);
            x1 = std::max(x1, p[0]);
            y1 = std::max(y1, p[1]);
        }
        const int bx0 = int(std::floor(x0 - width)) - 1, by0 = int(std::floor(y0 - width)) - 1;
        const int bw = int(std::ceil(x1 + width)) - bx0 + 2;
        const int bh = int(std::ceil(y1 + width)) - by0 + 2;
        std::vector<float> sumH(size_t(bw) * bh, 0.0f), sumW(size_t(bw) * bh, 0.0f);
        const double thickness = rng.uniform(0.6, 1.2);
        const int n = int(path.size());
        for (int i = 0; i < n; ++i) {
            const double t = double(i) / std::max(1, n - 1);
            // Paint runs thin toward the end of the stroke; the start is blunt and round.
            const double load = 1.0 - 0.6 * t;
            const double startRound = std::sqrt(clampTo(t * length / (0.5 * width), 0.0, 1.0));
            const double endTaper = std::sqrt(clampTo((1.0 - t) * length / width, 0.0, 1.0));
            const double half = 0.5 * width * std::min(startRound, 0.4 + 0.6 * endTaper);
            const double nx = -std::sin(path[size_t(i)][2]), ny = std::cos(path[size_t(i)][2]);
            for (double c = -half; c <= half; c += 0.5) {
                const double a = c / std::max(half, 1.0); // -1..1 across
                const double bp = (a * 0.5 + 0.5) * (bristles - 1);
                const int bi = std::min(bristles - 2, int(bp));
                const double bf = bp - bi;
                const double bristle =
                    profile[size_t(bi)] * (1 - bf) + profile[size_t(bi + 1)] * bf;
                const double rim = 0.5 * std::pow(std::fabs(a), 6.0);
                const double hgt = thickness * (load * (0.9 + 0.25 * bristle) + rim);
                const double px = path[size_t(i)][0] + c * nx - bx0;
                const double py = path[size_t(i)][1] + c * ny - by0;
                const int ix = int(std::floor(px - 0.5)), iy = int(std::floor(py - 0.5));
                const double fx = px - 0.5 - ix, fy = py - 0.5 - iy;
                const double wts[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
                const int offs[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
                for (int q = 0; q < 4; ++q) {
                    const int qx = ix + offs[q][0], qy = iy + offs[q][1];
                    if (qx < 0 || qy < 0 || qx >= bw || qy >= bh)
                        continue;
                    sumH[size_t(qy) * bw + qx] += float(wts[q] * hgt);
                    sumW[size_t(qy) * bw + qx] += float(wts[q]);
                }
            }
        }
        for (int yy = 0; yy < bh; ++yy)
            for (int xx = 0; xx < bw; ++xx) {
                const float sw = sumW[size_t(yy) * bw + xx];
                if (sw <= 0.0f)
                    continue;
                const double cover = std::min(1.0, double(sw) / 0.8);
                const double paint = sumH[size_t(yy) * bw + xx] / sw;
                float& dst = height.wrapped(bx0 + xx, by0 + yy);
                // New paint sits on what is there, partly squashing it flat.
                dst = float(dst + cover * (0.35 * dst + paint - dst));
            }
    }
    const Field lit = shade(height, 6.0);
    const Field tone = fractalNoise(w, h, 100.0, 3, 0.5, 11005);
    Field level(w, h);
    for (size_t k = 0; k < level.data.size(); ++k)
        level.data[k] = float(lit.data[k] + 0.04 * tone.data[k]);
    matchStatistics(level, 204.0, 13.0);
    return greyImage(level);
}
