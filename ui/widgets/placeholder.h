#pragma once

#include <QLabel>

class QSvgWidget;

// What an empty document or the control panel shows before a picture is loaded: the grey of the
// preview with the drawing ":/placeholder.svg" (an invitation to open or drop a picture) centred
// and scaled to fit with a 10-pixel margin. The control window uses a framed one, the document
// view an unframed one; the owner shows and hides it.
class Placeholder : public QLabel
{
    Q_OBJECT
public:
    explicit Placeholder(bool framed, QWidget* parent = nullptr);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QSvgWidget* m_picture; // child
};
