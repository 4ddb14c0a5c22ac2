#include "ui/widgets/zoom_steps.h"

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cmath>

namespace zoom_steps {

namespace {

// 10 % .. 800 %; thirds are kept exact so that 33 % and 67 % come back after a round trip.
const std::array<double, 14> kStops = {0.10, 0.15, 0.20, 0.25, 1.0 / 3.0, 0.50, 2.0 / 3.0,
                                       1.0,  1.50, 2.0,  3.0,  4.0,       6.0,  8.0};
// Zooms this close to a stop count as that stop (a fitted zoom between stops is not).
constexpr double kSame = 1e-6;

} // namespace

double zoom_in(double zoom)
{
    for (double stop : kStops) {
        if (stop > zoom + kSame)
            return stop;
    }
    return kMaximum;
}

double zoom_out(double zoom)
{
    for (auto it = kStops.rbegin(); it != kStops.rend(); ++it) {
        if (*it < zoom - kSame)
            return *it;
    }
    return kMinimum;
}

double fit(const QSize& picture, const QSize& space)
{
    if (picture.isEmpty() || space.isEmpty())
        return 1.0;
    const double scale = std::min(double(space.width()) / picture.width(),
                                  double(space.height()) / picture.height());
    return std::clamp(scale, kMinimum, 1.0);
}

int percent(double zoom)
{
    return qRound(zoom * 100.0);
}

QPointF origin_keeping(const QPointF& anchor, const QPointF& old_origin, double old_zoom,
                       double new_zoom)
{
    // The picture point under the anchor, in picture pixels, lands there again.
    const QPointF point = (anchor - old_origin) / old_zoom;
    return anchor - point * new_zoom;
}

} // namespace zoom_steps
