#pragma once

#include <QPointF>
#include <QSize>

// The zoom of a document view: the number of screen pixels per picture pixel, from 10 % to 800 %.
// Zooming in and out steps through the usual stops (1:1 among them); fitting shows the whole
// picture and never enlarges it past 100 %, since an enlarged photo shows pixels that are not
// there.
namespace zoom_steps {

constexpr double kMinimum = 0.10;
constexpr double kMaximum = 8.0;

// The next stop above zoom (kMaximum at the top).
double zoom_in(double zoom);
// The next stop below zoom (kMinimum at the bottom).
double zoom_out(double zoom);
// The largest zoom at which picture fits into space, held to 10 % .. 100 %.
double fit(const QSize& picture, const QSize& space);
// zoom in whole percent, as the status bar shows it.
int percent(double zoom);
// Where the picture's top left corner must be (in view coordinates) so that the picture point
// under anchor stays under it when the zoom changes from old_zoom to new_zoom.
QPointF origin_keeping(const QPointF& anchor, const QPointF& old_origin, double old_zoom,
                       double new_zoom);

} // namespace zoom_steps
