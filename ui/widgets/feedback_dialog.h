#pragma once

#include <QDialog>

class BevelButton;
class QLabel;
class QLineEdit;
class QTextEdit;

// The feedback form of the help menu: a message, an e-mail address and "Send" / "Cancel". "Send"
// is enabled only while both the message and the address hold text. The form transmits and stores
// nothing: "Send" only accepts the dialog, and the help command that runs it modally deletes it
// afterwards.
class FeedbackDialog : public QDialog
{
    Q_OBJECT
public:
    explicit FeedbackDialog(QWidget* parent = nullptr);

private slots:
    void slot_changed();
    void slot_changed(const QString& text);
    void slot_send_feedback();

private:
    QLabel* m_explanation;       // child
    QTextEdit* m_editor;         // child
    QLineEdit* m_email;          // child
    BevelButton* m_cancelButton; // child
    BevelButton* m_sendButton;   // child
};
