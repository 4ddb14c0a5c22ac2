#pragma once

#include <QImage>
#include <QWidget>

class PreviewWidget;
class QLabel;

// The framed preview area of the control window: a one-pixel dark frame around a PreviewWidget.
// The control window gives it the current picture and each finished preview, switches its busy
// spinner and, on signal_update_thumbnail (a zoom or pan ended), computes a preview of
// source_image(). ImageZoomSlider drives its zoom. Owned by the control window; GUI thread only.
class Thumbnail : public QWidget
{
    Q_OBJECT
public:
    explicit Thumbnail(QWidget* parent = nullptr);

    // The least height of the preview (250 at first): a short screen gives the settings the room.
    void set_least_height(int height);
    // Shows a new picture (restoring its pan position) and the preview.
    void set_source(const QImage& image);
    // The visible piece of the picture at the current zoom, plus the margin: the preview's input.
    QImage source_image() const;
    // Shows a finished preview of source_image().
    void set_result(const QImage& image);
    // Forgets picture and result and hides the preview.
    void clear();
    void set_busy(bool on);
    // Paints the picture instead of the stale result from the next repaint on (while the control
    // window is resized); does not repaint.
    void show_source();

    PreviewWidget* preview() const { return m_preview; }
    bool is_zooming() const { return m_zooming; }

signals:
    // A zoom or pan ended: the visible region changed and wants a new preview.
    void signal_update_thumbnail();

public slots:
    void zoom_image(int value);
    void zoom_started();
    void zoom_finished();

private:
    PreviewWidget* m_preview; // owned by the frame label
    bool m_zooming = false;
    QLabel* m_frame = nullptr;
};
