#pragma once

#include <QWidget>

class BevelButton;
class QFrame;
class QLabel;
class QProgressBar;

// The panel shown at the top centre of a document view while the document renders: "Rendering..."
// and the current stage, one progress bar that runs from 0 to 100 over all phases of the run, and
// "Cancel". The launcher creates it (with the view as parent, drawn inside the view) when the
// worker has started, feeds it the reporter's signals on the GUI thread, connects cancelled() to
// the worker and deletes it when the run ends. The window system's close command cannot close it.
class ProgressWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ProgressWindow(QWidget* parent);

    // The bar's value, 0 to 100.
    int value() const;
    // The text above the bar ("Rendering..." and, after set_label, a line break and the stage).
    QString text() const;

signals:
    // "Cancel" was pressed; the panel has already hidden itself.
    void cancelled();

public slots:
    // `value` is the percentage (0 to 100) reached in the current phase; the bar shows it as its
    // share of the whole run (the plain percentage while no phase count has been announced).
    void set_value(int value);
    void set_label(const QString& text);
    void set_total_phases(int count);
    void next_phase();

private slots:
    void slot_cancel();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void moveToTopCentre();

    QProgressBar* m_bar;         // child
    BevelButton* m_cancelButton; // child
    QFrame* m_box;               // child
    QLabel* m_text;              // child
    int m_totalPhases = 0;
    int m_phase = 0;
};
