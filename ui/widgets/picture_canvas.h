#pragma once

#include <QAbstractScrollArea>

#include "ui/widgets/picture_pyramid.h"

// The picture area of a document: shows the artwork (or the photograph before any rendering) at a
// zoom from 10 % to 800 %, fitted to the window by default. Positions are in photograph pixels: an
// artwork rendered smaller than the photograph (a display render) is drawn stretched over the
// photograph's size, so the same zoom shows the same part of both.
//
// Dragging pans, the wheel scrolls, Ctrl+wheel zooms about the cursor; holding backslash shows the
// photograph in place of the artwork; the split view shows the photograph left of a divider the
// user drags and the artwork right of it. Above 100 % pixels are drawn as sharp blocks, below
// smoothly, always from cached reductions and only where visible. GUI thread only.
class PictureCanvas : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit PictureCanvas(QWidget* parent = nullptr);

    // A new photograph, shown as it is until set_artwork; an empty image shows nothing. The zoom
    // (fitted or chosen) stays.
    void set_photograph(const QImage& photograph);
    // The picture shown over the photograph's area (any size; stretched to the photograph's).
    void set_artwork(const QImage& artwork);
    const QImage& photograph() const { return m_photograph.image(); }
    // What is shown outside comparisons: the artwork, or the photograph before there is one.
    const QImage& shown_image() const;
    QSize picture_size() const { return m_photograph.image().size(); }

    double zoom() const { return m_zoom; }
    bool is_fitted() const { return m_fitted; }
    // The zoom at which the whole photograph fits the area (10 % .. 100 %).
    double fit_zoom() const;
    // Sets the zoom, keeping the picture point under anchor (area coordinates) in place; leaves
    // fitting. Without an anchor the centre of the area is kept.
    void set_zoom(double zoom, const QPointF& anchor);
    void set_zoom(double zoom);
    void zoom_in();
    void zoom_out();
    void actual_size();
    // Fits the photograph to the area, now and on every resize, until another zoom is chosen.
    void fit_to_window();

    // The photograph in place of the artwork while held (the backslash key, the Compare button).
    void set_comparing(bool comparing);
    bool is_comparing() const { return m_comparing; }
    void set_split(bool split);
    bool is_split() const { return m_split; }
    // Where the split divider stands, as a share of the area's width (0 .. 1).
    double split_position() const { return m_split_position; }
    void set_split_position(double position);
    // The divider's x in area coordinates.
    int divider_x() const;

    // Where the photograph's top left corner is drawn, in area coordinates.
    QPointF picture_origin() const;

signals:
    // Any change of zoom, by the user or by fitting; zoomed_in is true when it grew.
    void zoom_changed(double zoom, bool zoomed_in);
    void split_changed(bool split);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    enum class Drag { None, Pan, Divider };

    QSizeF content_size() const;
    // Scroll bar ranges for the zoom, with the scroll position placing origin (where possible).
    void lay_out(const QPointF& origin);
    void apply_zoom(double zoom, const QPointF& anchor, bool fitted);
    bool near_divider(const QPoint& at) const;
    bool can_pan() const;
    void update_cursor(const QPoint& at);

    PicturePyramid m_photograph;
    PicturePyramid m_artwork;
    double m_zoom = 1.0;
    bool m_fitted = true;
    bool m_comparing = false;
    bool m_split = false;
    double m_split_position = 0.5;
    Drag m_drag = Drag::None;
    QPoint m_drag_start;
    QPoint m_scroll_start;
    int m_wheel_pending = 0;
    // Where the divider was taken, from its line.
    int m_divider_grab = 0;
};
