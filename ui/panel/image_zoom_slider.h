#pragma once

#include <QPointer>
#include <QWidget>

class BevelLabel;
class Slider;
class Thumbnail;

// The "Zoom:" row under the control window's preview: a slider from 25 to 100 % and a label with
// the value. A drag zooms the preview live and asks for one preview on release; a click on the
// groove or a key step zooms and asks for a preview at once. Owned by the control window; the
// thumbnail it drives is the control window's too (held weakly, in case it goes first).
class ImageZoomSlider : public QWidget
{
    Q_OBJECT
public:
    ImageZoomSlider(Thumbnail* thumbnail, QWidget* parent = nullptr);

    Slider* slider() const { return m_slider; }
    BevelLabel* value_label() const { return m_value_label; }

protected slots:
    void slot_zoom_changed(int value);

private:
    QPointer<Thumbnail> m_thumbnail;
    Slider* m_slider;          // child
    BevelLabel* m_value_label; // child
};
