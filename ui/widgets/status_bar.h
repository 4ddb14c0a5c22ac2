#pragma once

#include <QWidget>

class BevelLabel;
class QSizeGrip;

// The line under a document's picture: a 24-pixel strip with a light-to-dark vertical gradient,
// the document's status text centred on it in the embossed look, and a resize grip at the bottom
// right corner. The document view owns it and sets its text; it lives on the GUI thread.
class StatusBar : public QWidget
{
    Q_OBJECT
public:
    explicit StatusBar(QWidget* parent = nullptr);

    void set_text(const QString& text);
    QString text() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    BevelLabel* m_text; // child
    QSizeGrip* m_grip;  // child, drawn with ":/resize-grip.png"
};
