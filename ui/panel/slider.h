#pragma once

#include <QSlider>

// A plain slider that announces every value change, whatever caused it (a drag, a click on the
// groove, a key, the wheel or setValue), through sig_value_change. The preview's zoom slider is
// one; unlike the panels' FilterSlider it records no undo command. Lives on the GUI thread and is
// owned by its parent widget.
class Slider : public QSlider
{
    Q_OBJECT
public:
    explicit Slider(Qt::Orientation orientation, QWidget* parent = nullptr);

signals:
    void sig_value_change(int value);

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent* event) override;
};
