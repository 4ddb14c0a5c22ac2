#include "ui/document/save_dialog_box.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {

QPushButton* buttonNamed(const QWidget& dialog, const QString& text)
{
    const QList<QPushButton*> buttons = dialog.findChildren<QPushButton*>();
    for (QPushButton* button : buttons)
        if (button->text() == text)
            return button;
    return nullptr;
}

// The bold question label (the one whose text asks about saving).
QLabel* questionLabel(const QWidget& dialog)
{
    const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
    for (QLabel* label : labels)
        if (label->text().startsWith(QStringLiteral("Do you want")))
            return label;
    return nullptr;
}

} // namespace

class TestSaveDialogBox : public QObject
{
    Q_OBJECT

private slots:
    void eachButtonReportsItsCode_data();
    void eachButtonReportsItsCode();
    void buttonsRunDontSaveCancelSave();
    void sheetHasFixedSizeAndTitle();
    void questionQuotesTheDocumentName_data();
    void questionQuotesTheDocumentName();
    void longNameStillFitsTheSheet();
    void escapeAndCloseCountAsCancel();
};

void TestSaveDialogBox::eachButtonReportsItsCode_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("code");
    QTest::newRow("save") << QStringLiteral("Save...") << 5;
    QTest::newRow("don't save") << QStringLiteral("Don't Save") << 6;
    QTest::newRow("cancel") << QStringLiteral("Cancel") << 1;
}

void TestSaveDialogBox::eachButtonReportsItsCode()
{
    QFETCH(QString, button);
    QFETCH(int, code);
    QWidget window;
    window.resize(600, 400);
    window.show();
    auto* dialog = new SaveDialogBox(QStringLiteral("photo.drawlume"), &window);
    dialog->open();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QSignalSpy finished(dialog, &QDialog::finished);

    QPushButton* pressed = buttonNamed(*dialog, button);
    QVERIFY(pressed);
    QTest::mouseClick(pressed, Qt::LeftButton);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), code);
    // The dialog leaves closing to its window.
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->result(), 0);
}

void TestSaveDialogBox::buttonsRunDontSaveCancelSave()
{
    SaveDialogBox dialog(QStringLiteral("photo.drawlume"), nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QPushButton* dontSave = buttonNamed(dialog, QStringLiteral("Don't Save"));
    const QPushButton* cancel = buttonNamed(dialog, QStringLiteral("Cancel"));
    const QPushButton* save = buttonNamed(dialog, QStringLiteral("Save..."));
    QVERIFY(dontSave && cancel && save);
    QCOMPARE(dialog.findChildren<QPushButton*>().size(), 3);
    QVERIFY(dontSave->geometry().right() < cancel->geometry().left());
    QVERIFY(cancel->geometry().right() < save->geometry().left());
    // Save sits against the right margin, Cancel 8 pixels before it; all on one row.
    QCOMPARE(save->geometry().right(), dialog.width() - 12 - 1);
    QCOMPARE(save->geometry().left() - cancel->geometry().right() - 1, 8);
    QCOMPARE(dontSave->y(), save->y());
    QCOMPARE(cancel->y(), save->y());
    QCOMPARE(save->width(), 96);
    QCOMPARE(cancel->width(), 96);
    QCOMPARE(dontSave->width(), 120);
    QVERIFY(save->geometry().bottom() <= dialog.height() - 8);
}

void TestSaveDialogBox::sheetHasFixedSizeAndTitle()
{
    SaveDialogBox dialog(QStringLiteral("photo.drawlume"), nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.size(), QSize(550, 160));
    QCOMPARE(dialog.minimumSize(), QSize(550, 160));
    QCOMPARE(dialog.maximumSize(), QSize(550, 160));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Save"));
    QCOMPARE(dialog.windowType(), Qt::Sheet);
    QCOMPARE(dialog.palette().color(QPalette::Inactive, QPalette::Window), QColor(237, 237, 237));
    // The application picture, left of the text.
    const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
    bool hasPicture = false;
    for (const QLabel* label : labels) {
        if (!label->pixmap().isNull()) {
            hasPicture = true;
            QCOMPARE(label->pixmap().size(), QSize(96, 96));
            QCOMPARE(label->width(), 96);
        }
    }
    QVERIFY(hasPicture);
}

void TestSaveDialogBox::questionQuotesTheDocumentName_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("document") << QStringLiteral("holiday.drawlume");
    QTest::newRow("picture") << QStringLiteral("photo.jpg");
    QTest::newRow("untitled") << QString();
}

void TestSaveDialogBox::questionQuotesTheDocumentName()
{
    QFETCH(QString, name);
    SaveDialogBox dialog(name, nullptr);
    const QLabel* question = questionLabel(dialog);
    QVERIFY(question);
    QCOMPARE(question->text(),
             QStringLiteral("Do you want to save changes you made in the document \"") + name +
                 QStringLiteral("\"?\n"));
    QVERIFY(question->wordWrap());
    QVERIFY(question->font().bold());
    QVERIFY(question->font().pointSizeF() > dialog.font().pointSizeF());
    bool hasDetail = false;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        hasDetail |=
            label->text() == QStringLiteral("Your changes will be lost if you don't save them");
    QVERIFY(hasDetail);
}

void TestSaveDialogBox::longNameStillFitsTheSheet()
{
    const QString name = QStringLiteral("a-very-long-document-name-without-any-space-in-it-that-"
                                        "would-never-wrap-on-its-own-in-the-sheet.drawlume");
    SaveDialogBox dialog(name, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QLabel* question = questionLabel(dialog);
    QVERIFY(question);
    QVERIFY(question->text().contains(QChar(0x2026)));
    QVERIFY(question->text().endsWith(QStringLiteral(".drawlume\"?\n")));
    // The whole question is shown: the label is as tall as its wrapped text needs.
    QVERIFY(question->height() >= question->heightForWidth(question->width()));
    QVERIFY(question->geometry().top() >= 12);
}

void TestSaveDialogBox::escapeAndCloseCountAsCancel()
{
    SaveDialogBox dialog(QStringLiteral("photo.drawlume"), nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QSignalSpy finished(&dialog, &QDialog::finished);

    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), 1);
    QVERIFY(dialog.isVisible());

    QVERIFY(!dialog.close());
    QCOMPARE(finished.count(), 2);
    QCOMPARE(finished.at(1).at(0).toInt(), 1);
    QVERIFY(dialog.isVisible());
}

QTEST_MAIN(TestSaveDialogBox)
#include "test_save_dialog_box.moc"
