#include "ui/widgets/status_bar.h"

#include "ui/widgets/bevel_label.h"

#include <QGridLayout>
#include <QLinearGradient>
#include <QProgressBar>
#include <QResizeEvent>
#include <QSizeGrip>
#include <QToolButton>

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
    : QWidget(parent), m_text(new BevelLabel(this)), m_zoom(new BevelLabel(this)),
      m_progress(new QProgressBar(this)), m_grip(new QSizeGrip(this))
{
    setFixedHeight(kHeight);
    setWindowBrush(this, kWindowGrey);
    setAutoFillBackground(true);

    QFont font = m_text->font();
    font.setPointSize(10);
    m_text->setFont(font);
    m_zoom->setFont(font);
    m_zoom->setMinimumWidth(QFontMetrics(font).horizontalAdvance(QStringLiteral("8000%")));

    m_progress->setFont(font);
    m_progress->setRange(0, 100);
    m_progress->setFixedSize(160, kHeight - 8);
    m_progress->setFormat(tr("Full size: %p%"));
    m_progress->setToolTip(tr("Rendering the picture at full size (Escape cancels)"));
    m_progress->hide();

    // Held down, not clicked: the photograph shows while the button is down. It never takes the
    // focus from the picture, which answers the keyboard.
    auto* compare = new QToolButton(this);
    m_compare = compare;
    compare->setText(tr("Compare"));
    compare->setFont(font);
    compare->setAutoRaise(true);
    m_compare->setFocusPolicy(Qt::NoFocus);
    m_compare->setToolTip(tr("Hold to see the photograph (or hold \\)"));

    // A working size grip that shows the application's own grip picture; it hides itself while
    // the window is maximised or full screen.
    m_grip->setFixedSize(kGripSize, kGripSize);
    m_grip->setStyleSheet(QStringLiteral("QSizeGrip { image: url(:/resize-grip.png); width: %1px; "
                                         "height: %1px; }")
                              .arg(kGripSize));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->setColumnStretch(1, 1);
    grid->addWidget(m_zoom, 0, 0, 2, 1, Qt::AlignVCenter | Qt::AlignLeft);
    grid->addWidget(m_text, 0, 1, 2, 1, Qt::AlignCenter);
    grid->addWidget(m_progress, 0, 2, 2, 1, Qt::AlignVCenter);
    grid->addWidget(m_compare, 0, 3, 2, 1, Qt::AlignVCenter);
    grid->addWidget(m_grip, 1, 4);
    grid->setColumnMinimumWidth(0, m_zoom->minimumWidth() + 8);
}

void StatusBar::set_text(const QString& text)
{
    m_text->setText(text);
}

QString StatusBar::text() const
{
    return m_text->text();
}

void StatusBar::set_zoom(int percent)
{
    m_zoom->setText(QStringLiteral("  %1%").arg(percent));
}

QString StatusBar::zoom_text() const
{
    return m_zoom->text().trimmed();
}

void StatusBar::set_progress(int percent)
{
    if (percent < 0) {
        m_progress->hide();
        return;
    }
    m_progress->setValue(percent);
    m_progress->show();
}

bool StatusBar::progress_shown() const
{
    return !m_progress->isHidden();
}

int StatusBar::progress() const
{
    return m_progress->value();
}

QAbstractButton* StatusBar::compare_button() const
{
    return m_compare;
}

void StatusBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    QLinearGradient gradient(0, 0, 0, event->size().height());
    gradient.setColorAt(0, kGradientTop);
    gradient.setColorAt(1, kGradientBottom);
    setWindowBrush(this, gradient);
}
