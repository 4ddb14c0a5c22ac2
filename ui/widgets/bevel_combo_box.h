#pragma once

#include <QComboBox>

// A drop-down list in the application's embossed grey look: the frame, its open state and the
// arrow come from the application style sheet; the current entry is painted twice (a white copy
// one pixel below and to the right of the dark text). The wheel never changes the selection, so
// scrolling a panel over a drop-down cannot change a setting by accident, and the list opens tall
// enough to show every entry without scrolling. Owned by its parent widget.
class BevelComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit BevelComboBox(QWidget* parent = nullptr);

    void showPopup() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // Keeps the popup at least as tall as the list it holds.
    void drop_negative_popup_margins();
};
