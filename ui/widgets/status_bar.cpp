#include "ui/widgets/status_bar.h"

#include "ui/widgets/bevel_label.h"

#include <QGridLayout>
#include <QLinearGradient>
#include <QResizeEvent>
#include <QSizeGrip>

namespace {

constexpr int kHeight = 24;
constexpr int kGripSize = 16;
const QColor kWindowGrey(196, 196, 196);
const QColor kGradientTop(204, 204, 204);
const QColor kGradientBottom(153, 153, 153);

void setWindowBrush(QWidget* widget, const QBrush& brush)
{
    QPalette palette = widget->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setBrush(group, QPalette::Window, brush);
    widget->setPalette(palette);
}

} // namespace

StatusBar::StatusBar(QWidget* parent)
    : QWidget(parent), m_text(new BevelLabel(this)), m_grip(new QSizeGrip(this))
{
    setFixedHeight(kHeight);
    setWindowBrush(this, kWindowGrey);
    setAutoFillBackground(true);

    QFont font = m_text->font();
    font.setPointSize(10);
    m_text->setFont(font);

    // A working size grip that shows the application's own grip picture; it hides itself while
    // the window is maximised or full screen.
    m_grip->setFixedSize(kGripSize, kGripSize);
    m_grip->setStyleSheet(QStringLiteral("QSizeGrip { image: url(:/resize-grip.png); width: %1px; "
                                         "height: %1px; }")
                              .arg(kGripSize));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->setColumnStretch(0, 1);
    grid->addWidget(m_text, 0, 0, 2, 1, Qt::AlignCenter);
    grid->addWidget(m_grip, 1, 1);
}

void StatusBar::set_text(const QString& text)
{
    m_text->setText(text);
}

QString StatusBar::text() const
{
    return m_text->text();
}

void StatusBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    QLinearGradient gradient(0, 0, 0, event->size().height());
    gradient.setColorAt(0, kGradientTop);
    gradient.setColorAt(1, kGradientBottom);
    setWindowBrush(this, gradient);
}
