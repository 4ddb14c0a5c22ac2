#pragma once

#include <QLabel>

// A label (usually showing a small picture) that acts as a flat button: a left click on it emits
// clicked(). The document window uses one for its "Original size" control. Owned by its parent.
class ClickableLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ClickableLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
