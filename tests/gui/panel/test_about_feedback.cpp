#include "ui/widgets/about_dialog.h"
#include "ui/widgets/bevel_button.h"
#include "ui/widgets/bevel_label.h"
#include "ui/widgets/feedback_dialog.h"

#include <QLayout>
#include <QLineEdit>
#include <QTextEdit>
#include <QtTest>

namespace {

BevelLabel* labelWithText(const QWidget& dialog, const QString& text)
{
    const QList<BevelLabel*> labels = dialog.findChildren<BevelLabel*>();
    for (BevelLabel* label : labels)
        if (label->text() == text)
            return label;
    return nullptr;
}

BevelButton* buttonWithText(const QWidget& dialog, const QString& text)
{
    const QList<BevelButton*> buttons = dialog.findChildren<BevelButton*>();
    for (BevelButton* button : buttons)
        if (button->text() == text)
            return button;
    return nullptr;
}

} // namespace

class TestAboutFeedback : public QObject
{
    Q_OBJECT

private slots:
    void aboutShowsNameAndVersion();
    void aboutHasExactlyTheSizeItNeeds();

    void feedbackStartsAnonymousWithSendDisabled();
    void sendEnabledOnlyWithMessageAndAddress_data();
    void sendEnabledOnlyWithMessageAndAddress();
    void typingAMessageEnablesSend();
    void sendAndCancelCloseTheForm_data();
    void sendAndCancelCloseTheForm();
};

void TestAboutFeedback::aboutShowsNameAndVersion()
{
    AboutDialog about;
    QCOMPARE(about.windowTitle(), QStringLiteral("About"));
    // The panels' grey.
    QCOMPARE(about.palette().color(QPalette::Active, QPalette::Window), QColor(196, 196, 196));

    const BevelLabel* name = labelWithText(about, QStringLiteral("Drawlume"));
    QVERIFY(name);
    QCOMPARE(name->font().pointSize(), 18);
    QVERIFY(name->font().bold());
    const BevelLabel* version = labelWithText(about, QStringLiteral("Version " DRAWLUME_VERSION));
    QVERIFY(version);
    QCOMPARE(version->font().pointSize(), 12);
    const BevelLabel* rights = labelWithText(about, QStringLiteral("All rights reserved."));
    QVERIFY(rights);
    QCOMPARE(rights->font().pointSize(), 12);
    // Name, version, notice and rights: four lines of text.
    QCOMPARE(about.findChildren<BevelLabel*>().size(), 4);

    bool hasPicture = false;
    for (const QLabel* label : about.findChildren<QLabel*>())
        if (!label->pixmap().isNull())
            hasPicture = label->pixmap().size() == QSize(96, 96);
    QVERIFY(hasPicture);
}

void TestAboutFeedback::aboutHasExactlyTheSizeItNeeds()
{
    AboutDialog about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QCOMPARE(about.layout()->sizeConstraint(), QLayout::SetFixedSize);
    QCOMPARE(about.minimumSize(), about.maximumSize());
    QCOMPARE(about.size(), about.layout()->sizeHint());
    // At least as wide as its 320-pixel spacer.
    QVERIFY(about.width() >= 320);
    // Every line of text is shown whole.
    for (const BevelLabel* label : about.findChildren<BevelLabel*>())
        QVERIFY(label->width() >= label->sizeHint().width());

    // "Close" closes it, and so does Escape.
    BevelButton* close = buttonWithText(about, QStringLiteral("Close"));
    QVERIFY(close);
    QTest::mouseClick(close, Qt::LeftButton);
    QVERIFY(!about.isVisible());
    QCOMPARE(about.result(), int(QDialog::Rejected));
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QTest::keyClick(&about, Qt::Key_Escape);
    QVERIFY(!about.isVisible());
}

void TestAboutFeedback::feedbackStartsAnonymousWithSendDisabled()
{
    FeedbackDialog form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Feedback"));
    const QLineEdit* email = form.findChild<QLineEdit*>();
    QVERIFY(email);
    QCOMPARE(email->text(), QStringLiteral("anonymous"));
    const BevelButton* send = buttonWithText(form, QStringLiteral("Send"));
    QVERIFY(send);
    QVERIFY(buttonWithText(form, QStringLiteral("Cancel")));
    QVERIFY(!send->isEnabled());
}

void TestAboutFeedback::sendEnabledOnlyWithMessageAndAddress_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("email");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("message, anonymous") << QStringLiteral("Lovely pencils") << "anonymous" << true;
    QTest::newRow("message, address") << QStringLiteral("x") << "me@example.org" << true;
    QTest::newRow("no message") << QString() << "anonymous" << false;
    QTest::newRow("message, address cleared") << QStringLiteral("Lovely pencils") << "" << false;
    QTest::newRow("nothing") << QString() << "" << false;
    QTest::newRow("blank message") << QStringLiteral("  \n ") << "anonymous" << false;
    QTest::newRow("blank address") << QStringLiteral("Lovely pencils") << "   " << false;
}

void TestAboutFeedback::sendEnabledOnlyWithMessageAndAddress()
{
    QFETCH(QString, message);
    QFETCH(QString, email);
    QFETCH(bool, enabled);
    FeedbackDialog form;
    auto* editor = form.findChild<QTextEdit*>();
    auto* address = form.findChild<QLineEdit*>();
    QVERIFY(editor && address);
    const BevelButton* send = buttonWithText(form, QStringLiteral("Send"));
    QVERIFY(send);

    // Both orders of editing give the same answer.
    editor->setPlainText(message);
    address->setText(email);
    QCOMPARE(send->isEnabled(), enabled);
    editor->clear();
    address->setText(QStringLiteral("anonymous"));
    QVERIFY(!send->isEnabled());
    address->setText(email);
    editor->setPlainText(message);
    QCOMPARE(send->isEnabled(), enabled);
}

void TestAboutFeedback::typingAMessageEnablesSend()
{
    FeedbackDialog form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* editor = form.findChild<QTextEdit*>();
    auto* address = form.findChild<QLineEdit*>();
    const BevelButton* send = buttonWithText(form, QStringLiteral("Send"));
    QVERIFY(editor && address && send);

    QTest::keyClicks(editor, QStringLiteral("H"));
    QVERIFY(send->isEnabled());
    address->selectAll();
    QTest::keyClick(address, Qt::Key_Delete);
    QCOMPARE(address->text(), QString());
    QVERIFY(!send->isEnabled());
    QTest::keyClicks(address, QStringLiteral("a@b.c"));
    QVERIFY(send->isEnabled());
}

void TestAboutFeedback::sendAndCancelCloseTheForm_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("result");
    QTest::newRow("send") << QStringLiteral("Send") << int(QDialog::Accepted);
    QTest::newRow("cancel") << QStringLiteral("Cancel") << int(QDialog::Rejected);
}

void TestAboutFeedback::sendAndCancelCloseTheForm()
{
    QFETCH(QString, button);
    QFETCH(int, result);
    FeedbackDialog form;
    form.findChild<QTextEdit*>()->setPlainText(QStringLiteral("A bug report"));
    QSignalSpy finished(&form, &QDialog::finished);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    BevelButton* pressed = buttonWithText(form, button);
    QVERIFY(pressed);
    QTest::mouseClick(pressed, Qt::LeftButton);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), result);
    QCOMPARE(form.result(), result);
    QVERIFY(!form.isVisible());
}

QTEST_MAIN(TestAboutFeedback)
#include "test_about_feedback.moc"
