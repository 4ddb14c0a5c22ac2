#include "ui/processing/progress_window.h"

#include "core/framework/iprogress_reporter.h"
#include "ui/widgets/bevel_button.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QColor kPanelGrey(237, 237, 237);

} // namespace

ProgressWindow::ProgressWindow(QWidget* parent)
    : QWidget(parent, Qt::SubWindow), m_bar(new QProgressBar),
      m_cancelButton(new BevelButton(tr("Cancel"))), m_box(new QFrame(this)),
      m_text(new QLabel(tr("Rendering...")))
{
    setWindowTitle(QStringLiteral("Drawlume"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setFixedSize(340, 120);
    setWindowOpacity(0.9);
    QPalette panel = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        panel.setColor(group, QPalette::Window, kPanelGrey);
    setPalette(panel);
    setAutoFillBackground(true);

    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_bar->setFixedWidth(304);
    m_cancelButton->setFixedWidth(102);
    m_box->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_box->setForegroundRole(QPalette::Mid);
    m_text->setTextFormat(Qt::RichText);
    QFont font = m_text->font();
    font.setPointSize(12);
    m_text->setFont(font);

    connect(m_cancelButton, &QPushButton::clicked, this, &ProgressWindow::slot_cancel);

    // Layout: the box fills the panel; inside it the text above the bar, then the button, each
    // row centred.
    auto* textAndBar = new QVBoxLayout;
    textAndBar->addWidget(m_text);
    textAndBar->addWidget(m_bar);
    auto* topRow = new QHBoxLayout;
    topRow->addStretch();
    topRow->addLayout(textAndBar);
    topRow->addStretch();
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(m_cancelButton);
    buttonRow->addStretch();
    auto* inBox = new QVBoxLayout(m_box);
    inBox->addLayout(topRow);
    inBox->addLayout(buttonRow);

    auto* outer = new QVBoxLayout(this);
    outer->setSpacing(0);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_box);

    // Stay at the top centre when the view is resized during the run.
    if (parent)
        parent->installEventFilter(this);
}

int ProgressWindow::value() const
{
    return m_bar->value();
}

QString ProgressWindow::text() const
{
    return m_text->text();
}

void ProgressWindow::set_value(int value)
{
    // Never back: a late report of an earlier step does not undo what the bar has shown.
    m_bar->setValue(std::max(m_bar->value(), overallProgress(value, m_phase, m_totalPhases)));
}

void ProgressWindow::set_label(const QString& text)
{
    // The stage goes on a second line; it is plain text inside the rich-text label.
    m_text->setText(tr("Rendering...") + QStringLiteral("<br>") + text.toHtmlEscaped());
}

void ProgressWindow::set_total_phases(int count)
{
    m_totalPhases = count;
}

void ProgressWindow::next_phase()
{
    ++m_phase;
}

void ProgressWindow::slot_cancel()
{
    hide();
    emit cancelled();
}

void ProgressWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    moveToTopCentre();
}

void ProgressWindow::closeEvent(QCloseEvent* event)
{
    // Only "Cancel" or the launcher end the panel.
    event->ignore();
}

bool ProgressWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        moveToTopCentre();
    return QWidget::eventFilter(watched, event);
}

void ProgressWindow::moveToTopCentre()
{
    if (const QWidget* view = parentWidget())
        move(view->width() / 2 - width() / 2, 0);
}
