#pragma once

#include <QAbstractSlider>
#include <QLineEdit>
#include <QPointer>

// The small number field beside a panel slider (FilterSlider): it shows the slider's value and
// lets the user type one. A typed number is clamped into the slider's range and, when it differs
// from the slider's value, recorded as one FilterValueCommand on the current document's undo stack
// when the user presses Return or leaves the field; running the command moves the slider and asks
// for a new preview. Lives on the GUI thread; owned by the panel (a sibling of its slider, which
// it only watches).
class IntegerEdit : public QLineEdit
{
    Q_OBJECT
public:
    IntegerEdit(QWidget* parent, QAbstractSlider* slider);

    QAbstractSlider* slider() const { return m_slider; }
    // The number shown, or 0 when the field holds no number.
    int number() const;

signals:
    // Forwarded to the panel's change() by the FilterSlider that owns the field; the field itself
    // never emits it: FilterValueCommand does, after applying a value.
    void changed();

public slots:
    // Shows n in decimal.
    void set_value(int n);

private slots:
    void slot_return_pressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Turns the typed text into a recorded change of the slider (see the class comment).
    void commit();

    QPointer<QAbstractSlider> m_slider;
};
