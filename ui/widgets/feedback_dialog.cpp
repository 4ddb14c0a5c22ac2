#include "ui/widgets/feedback_dialog.h"

#include "ui/widgets/bevel_button.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>

namespace {

// Wide enough for the explanation to wrap into a few comfortable lines.
constexpr int kMinimumWidth = 460;
constexpr int kButtonWidth = 96;

} // namespace

FeedbackDialog::FeedbackDialog(QWidget* parent)
    : QDialog(parent), m_explanation(new QLabel(this)), m_editor(new QTextEdit(this)),
      m_email(new QLineEdit(this)), m_cancelButton(new BevelButton(tr("Cancel"), this)),
      m_sendButton(new BevelButton(tr("Send"), this))
{
    setWindowTitle(tr("Feedback"));
    setMinimumWidth(kMinimumWidth);

    m_explanation->setWordWrap(true);
    m_explanation->setText(
        tr("Feel free to contact us with the form below and share your ideas or report a bug. "
           "Please, provide your e-mail address, so developers can write you back, this e-mail "
           "will be kept private and won't be used for spam messages."));
    m_editor->setAcceptRichText(false);
    m_email->setText(QStringLiteral("anonymous"));
    m_cancelButton->setMinimumWidth(kButtonWidth);
    m_sendButton->setMinimumWidth(kButtonWidth);

    connect(m_editor, &QTextEdit::textChanged, this,
            static_cast<void (FeedbackDialog::*)()>(&FeedbackDialog::slot_changed));
    connect(m_email, &QLineEdit::textChanged, this,
            static_cast<void (FeedbackDialog::*)(const QString&)>(&FeedbackDialog::slot_changed));
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_sendButton, &QPushButton::clicked, this, &FeedbackDialog::slot_send_feedback);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_explanation, 0, 0, 1, 2);
    grid->addWidget(new QLabel(tr("Feedback"), this), 1, 0, Qt::AlignTop);
    grid->addWidget(m_editor, 1, 1);
    grid->addWidget(new QLabel(tr("Your e-mail"), this), 2, 0);
    grid->addWidget(m_email, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_sendButton);
    grid->addLayout(buttons, 3, 0, 1, 2);

    slot_changed();
}

void FeedbackDialog::slot_changed()
{
    // Blank input (spaces and line breaks only) counts as empty.
    const bool hasMessage = !m_editor->toPlainText().trimmed().isEmpty();
    const bool hasAddress = !m_email->text().trimmed().isEmpty();
    m_sendButton->setEnabled(hasMessage && hasAddress);
}

void FeedbackDialog::slot_changed(const QString&)
{
    slot_changed();
}

void FeedbackDialog::slot_send_feedback()
{
    // Nothing is transmitted or kept; the form only closes with the accepted result.
    accept();
}
