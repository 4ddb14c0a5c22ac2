#include "ui/panel/integer_edit.h"

#include "ui/panel/filter_value_command.h"

#include "ui/widgets/focus_mark.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPalette>

namespace {

const QColor kFieldGrey(230, 230, 230);

} // namespace

IntegerEdit::IntegerEdit(QWidget* parent, QAbstractSlider* slider)
    : QLineEdit(parent), m_slider(slider)
{
    setFixedWidth(36);
    setFixedHeight(20);
    setMaxLength(4);
    // An optional sign or digit, one required digit, two optional digits: -100 to 9999.
    setInputMask(QStringLiteral("#900"));
    QPalette shades = palette();
    shades.setColor(QPalette::All, QPalette::Base, kFieldGrey);
    setPalette(shades);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);

    connect(this, &QLineEdit::returnPressed, this, &IntegerEdit::slot_return_pressed);
}

int IntegerEdit::number() const
{
    return text().toInt();
}

void IntegerEdit::set_value(int n)
{
    setText(QString::number(n));
}

void IntegerEdit::slot_return_pressed()
{
    commit();
}

void IntegerEdit::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    // The input mask requires two characters, so QLineEdit announces Return only for numbers of
    // two or more characters; a single digit is committed here.
    if (hasAcceptableInput())
        QLineEdit::keyPressEvent(event);
    else
        commit();
    // Return ends here: it never reaches the window's default button.
    event->accept();
}

void IntegerEdit::focusOutEvent(QFocusEvent* event)
{
    commit();
    QLineEdit::focusOutEvent(event);
}

void IntegerEdit::paintEvent(QPaintEvent* event)
{
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    draw_focus_mark(this, painter, rect());
}

void IntegerEdit::commit()
{
    if (!m_slider)
        return;
    const int old = m_slider->value();
    bool ok = false;
    const int typed = text().toInt(&ok);
    if (!ok) {
        // Empty, or a lone sign: nothing to commit; the field shows the slider's value again.
        set_value(old);
        return;
    }
    const int cursor = cursorPosition();
    const int clamped = qBound(m_slider->minimum(), typed, m_slider->maximum());
    set_value(clamped);
    if (clamped != old)
        record_setting_change(this, new FilterValueCommand(this, clamped, old));
    setCursorPosition(qMin(cursor, text().size()));
}
