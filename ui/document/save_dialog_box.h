#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// Asks whether to save a document's changes before its window closes. The document window creates
// it as a window-modal sheet, connects finished(int) and acts on the answer: 5 for "Save...",
// 6 for "Don't Save", 1 for "Cancel" (also sent for Escape and the window system's close
// command). The dialog never closes itself and sets no result; the window decides its fate (a
// window that deletes it from a slot of finished(int) should use deleteLater()).
class SaveDialogBox : public QDialog
{
    Q_OBJECT
public:
    SaveDialogBox(const QString& document_name, QWidget* parent);

    enum Choice { Cancel = 1, Save = 5, DontSave = 6 };

public slots:
    // Escape and the window system's close command count as "Cancel".
    void reject() override;

private slots:
    void slot_finish();

private:
    QLabel* m_message;
    QLabel* m_detail;
    QLabel* m_icon;
    QPushButton* m_saveButton;
    QPushButton* m_dontSaveButton;
    QPushButton* m_cancelButton;
};
