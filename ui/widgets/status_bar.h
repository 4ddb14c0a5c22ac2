#pragma once

#include <QWidget>

class BevelLabel;
class QAbstractButton;
class QProgressBar;
class QSizeGrip;

// The line under a document's picture: a 24-pixel strip with a light-to-dark vertical gradient,
// the zoom at its left, the document's status text centred on it in the embossed look, the
// progress of a background render, the "Compare" button (the photograph is shown while it is held
// down) and a resize grip at the bottom right corner. The document view owns it and sets its
// texts; it lives on the GUI thread.
class StatusBar : public QWidget
{
    Q_OBJECT
public:
    explicit StatusBar(QWidget* parent = nullptr);

    void set_text(const QString& text);
    QString text() const;
    // The zoom in whole percent ("100%").
    void set_zoom(int percent);
    QString zoom_text() const;
    // The progress of a background render, 0 .. 100, shown with format ("%p" stands for the
    // percentage); a negative value hides it.
    void set_progress(int percent, const QString& format);
    bool progress_shown() const;
    int progress() const;
    QAbstractButton* compare_button() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    BevelLabel* m_text; // child
    BevelLabel* m_zoom; // child
    QProgressBar* m_progress;
    QAbstractButton* m_compare;
    QSizeGrip* m_grip; // child, drawn with ":/resize-grip.png"
};
