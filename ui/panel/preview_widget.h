#pragma once

#include <QByteArray>
#include <QColorSpace>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QMap>
#include <QPixmap>
#include <QPointF>
#include <QTimer>

// The live preview of the control window: a window-sized piece of the current picture at a zoom
// between 25 % and 100 % (device pixels of the screen per picture pixel), panned by dragging. It
// paints either the scaled picture (while zooming, panning, resizing or computing) or the last
// filtered piece, with a spinning busy indicator while a preview is computed.
//
// The piece handed to the filter (visible_source) is the visible region plus 30 screen pixels to
// the right and below, scaled to the zoom, so a preview costs the same whatever the picture size.
// When a zoom or pan ends the result no longer covers the view: it is dropped and
// sig_preview_wanted asks the owner for a new one. The last pan position of every picture is kept
// (by pixel digest) for as long as the widget lives, so returning to a picture returns to its spot.
//
// Created by Thumbnail, which owns it through its frame; GUI thread only.
class PreviewWidget : public QLabel
{
    Q_OBJECT
public:
    // The zoom range, as slider percentages.
    static constexpr int kMinimumZoomPercent = 25;
    static constexpr int kMaximumZoomPercent = 100;
    // Screen pixels of picture beyond the visible region, to the right and below, in a preview.
    static constexpr int kMargin = 30;

    explicit PreviewWidget(QWidget* parent = nullptr);

    // Shows a new picture: restores its remembered pan position (the top-left for a picture seen
    // for the first time) and drops any result. A null pixmap leaves the preview empty. A picture
    // with a colour space (see QPixmap::fromImage) is painted in screen colours, converted once
    // here, while visible_source hands out its own pixels, tagged with its colour space.
    void set_source(const QPixmap& pixmap);
    // The visible region plus the margin, clipped to the picture and scaled to the zoom: the input
    // of every preview. Null without a picture.
    QImage visible_source() const;
    // The source rectangle visible_source copies (before scaling); empty without a picture.
    QRect visible_source_rect() const;
    // Shows a filtered piece (made from visible_source) in place of the picture.
    void set_result(const QPixmap& pixmap);
    // Forgets picture and result (the pan memory stays) and stops the spinner.
    void clear();
    // Starts (painting the picture under the spinner) or stops (painting the result) the spinner.
    void set_busy(bool on);
    // Paints the picture instead of the result from the next repaint on, without repainting now
    // (the result goes stale while the owner is resized).
    void show_source();

    const QPixmap& source() const { return m_source; }
    const QPixmap& result() const { return m_result; }
    bool is_busy() const { return m_busy; }
    bool is_showing_result() const { return m_showing_result; }
    bool is_pressed() const { return m_pressed; }
    float zoom() const { return m_zoom; }
    // Top-left of the visible region, in picture pixels.
    QPointF pan() const { return QPointF(m_pan_x, m_pan_y); }
    // Where the painted pixmap's top-left goes (centres a picture smaller than the widget).
    QPoint offset() const { return QPoint(m_offset_x, m_offset_y); }
    int spinner_angle() const { return m_spinner_angle; }
    bool spinner_turning() const { return m_timer.isActive(); }
    // The remembered pan position of the picture with the given pixel digest, if any.
    bool remembered_pan(const QByteArray& key, QPointF* pan) const;

signals:
    // A zoom or pan ended and the result was dropped: a preview of the new region is wanted.
    void sig_preview_wanted();

public slots:
    void slot_zoom_started();
    void slot_zoom_ended();
    // value: zoom percent, limited to 25..100. Keeps the centre of the view fixed.
    void slot_zoom_moved(int value);

private slots:
    void slot_timer();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Widget (logical) pixels per picture pixel at zoom: the zoom counts device pixels, so on a
    // high-density screen the preview shows the picture's own pixels, not doubled ones.
    double view_zoom(double zoom) const;
    // The largest pan that still fills the view at the given zoom: picture size less the view in
    // picture pixels, never below 0.
    double max_pan_x(double zoom) const;
    double max_pan_y(double zoom) const;
    // Limits the pan to 0..max at the current zoom.
    void clamp_pan();
    // Centring offsets for a pixmap of that size.
    void centre(const QSize& size);
    // Files the current pan under the current picture's digest.
    void remember_pan();
    void paint_spinner(QPainter& painter);

    bool m_pressed = false;
    bool m_showing_result = true;
    double m_pan_x = 0.0;
    double m_pan_y = 0.0;
    double m_press_x = 0.0;
    double m_press_y = 0.0;
    float m_zoom = 1.0f;
    QPixmap m_source;
    QPixmap m_source_shown;     // m_source in screen colours (m_source itself when untagged)
    QColorSpace m_source_space; // m_source's colour space; invalid when untagged
    QByteArray m_source_key;    // pixel digest of m_source; empty without a picture
    QPixmap m_result;
    int m_offset_x = 0;
    int m_offset_y = 0;
    QMap<QByteArray, QPointF> m_pan_memory;
    // The spinner's dark square; QIcon gives its @2x picture on high-density screens.
    QIcon m_busy_icon;
    int m_spinner_angle = 0;
    QTimer m_timer;
    bool m_busy = false;
};
