#include "core/framework/parameter_keys.h"
#include "ui/application.h"
#include "ui/document/document_view.h"
#include "ui/document/document_window.h"
#include "ui/panel/control_window.h"
#include "ui/panel/create_panel.h"
#include "ui/panel/filter_slider.h"
#include "ui/panel/filter_value_command.h"
#include "ui/panel/filter_widget.h"
#include "ui/panel/gather_parameters.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QStyleOptionSlider>
#include <QUndoStack>
#include <QtTest>

#include <memory>

namespace {

const QString kStrength = Keys::Watercolor::strength; // 0..100, 78

QPoint handleCentre(const QSlider* slider)
{
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    option.subControls = QStyle::SC_All;
    return slider->style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider)
        .center();
}

void sendMouse(QWidget* widget, QEvent::Type type, const QPoint& at)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void typeInto(QLineEdit* field, const QString& text)
{
    field->selectAll();
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Delete);
    else
        QTest::keyClicks(field, text);
}

void leave(QWidget* field)
{
    QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
    QApplication::sendEvent(field, &out);
}

} // namespace

class TestParameterControls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void pressAndReleaseWithoutMovingRecordsNothing();
    void dragIsOneUndoStepAndOnePreview();
    void typedNumberIsClampedAndRecorded_data();
    void typedNumberIsClampedAndRecorded();
    void clearingTheFieldAndLeavingChangesNothing();
    void wheelShowsTheNumberButRecordsNothing();
    void undoAndRedoRestoreFieldAndSlider();
    void commandForADeletedFieldDoesNothing();
    void withoutADocumentAChangeStillApplies();
    void gatheringAndApplyingFollowTheKindOfControl();

private:
    QUndoStack* stack() const { return m_window->view()->undo_stack(); }

    DocumentWindow* m_window = nullptr;
    std::unique_ptr<FilterWidget> m_panel;
    FilterSlider* m_slider = nullptr;
    IntegerEdit* m_field = nullptr;
};

void TestParameterControls::initTestCase()
{
    m_window = start_application(QStringList());
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestParameterControls::init()
{
    ControlWindow::instance()->set_current_document(m_window->view(), false);
    m_panel.reset(create_panel(QStringLiteral("Watercolor"), nullptr));
    m_panel->set_registry(ControlWindow::instance()->registry());
    m_panel->resize(320, 300);
    m_panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_panel.get()));
    m_slider = m_panel->slider(kStrength);
    m_field = m_slider->field();
    QCOMPARE(m_field->text(), QStringLiteral("78"));
}

void TestParameterControls::cleanup()
{
    stack()->clear();
    m_panel.reset();
}

void TestParameterControls::pressAndReleaseWithoutMovingRecordsNothing()
{
    QSignalSpy changed(m_panel.get(), &FilterWidget::changed);
    const QPoint grip = handleCentre(m_slider);
    sendMouse(m_slider, QEvent::MouseButtonPress, grip);
    QVERIFY(m_slider->isSliderDown());
    sendMouse(m_slider, QEvent::MouseButtonRelease, grip);
    QCOMPARE(stack()->count(), 0);
    QCOMPARE(changed.count(), 0);
}

void TestParameterControls::dragIsOneUndoStepAndOnePreview()
{
    QSignalSpy changed(m_panel.get(), &FilterWidget::changed);
    const QPoint grip = handleCentre(m_slider);
    sendMouse(m_slider, QEvent::MouseButtonPress, grip);
    for (int step = 1; step <= 4; ++step)
        sendMouse(m_slider, QEvent::MouseMove, grip - QPoint(10 * step, 0));
    const int dragged = m_slider->value();
    QVERIFY(dragged < 78);
    // The number follows the drag; nothing is asked for before the release.
    QCOMPARE(m_field->text(), QString::number(dragged));
    QCOMPARE(changed.count(), 0);
    sendMouse(m_slider, QEvent::MouseButtonRelease, grip - QPoint(40, 0));

    QCOMPARE(stack()->count(), 1);
    QCOMPARE(changed.count(), 1);
    const auto* command = static_cast<const FilterValueCommand*>(stack()->command(0));
    QCOMPARE(command->new_value(), dragged);
    QCOMPARE(command->old_value(), 78);
    // The Undo item names the setting after its row.
    QCOMPARE(command->text(), QStringLiteral("Strength"));
    QCOMPARE(m_panel->parameters()->value(kStrength).toInt(), dragged);
}

void TestParameterControls::typedNumberIsClampedAndRecorded_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("commands");
    const QString brightness = Keys::Watercolor::brightness; // 20
    QTest::newRow("above the range") << kStrength << "250"
                                     << "100" << 1;
    QTest::newRow("current value") << kStrength << "78"
                                   << "78" << 0;
    QTest::newRow("single digit") << kStrength << "5"
                                  << "5" << 1;
    QTest::newRow("below the range") << brightness << "-150"
                                     << "-100" << 1;
    QTest::newRow("lone sign") << brightness << "-"
                               << "20" << 0;
}

void TestParameterControls::typedNumberIsClampedAndRecorded()
{
    QFETCH(QString, key);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(int, commands);
    FilterSlider* slider = m_panel->slider(key);
    const int before = slider->value();
    QSignalSpy changed(m_panel.get(), &FilterWidget::changed);
    typeInto(slider->field(), typed);
    QCOMPARE(stack()->count(), 0);
    QTest::keyClick(slider->field(), Qt::Key_Return);

    QCOMPARE(slider->field()->text(), shown);
    QCOMPARE(slider->value(), shown.toInt());
    QCOMPARE(stack()->count(), commands);
    QCOMPARE(changed.count(), commands);
    if (commands)
        QCOMPARE(static_cast<const FilterValueCommand*>(stack()->command(0))->old_value(), before);
}

void TestParameterControls::clearingTheFieldAndLeavingChangesNothing()
{
    QSignalSpy changed(m_panel.get(), &FilterWidget::changed);
    typeInto(m_field, QString());
    QCOMPARE(m_field->text(), QString());
    leave(m_field);
    QCOMPARE(m_slider->value(), 78);
    QCOMPARE(stack()->count(), 0);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(m_field->text(), QStringLiteral("78")); // not left blank
    // A typed number is committed on leaving too.
    typeInto(m_field, QStringLiteral("33"));
    leave(m_field);
    QCOMPARE(m_slider->value(), 33);
    QCOMPARE(stack()->count(), 1);
}

void TestParameterControls::wheelShowsTheNumberButRecordsNothing()
{
    QSignalSpy changed(m_panel.get(), &FilterWidget::changed);
    const QPoint at = handleCentre(m_slider);
    QWheelEvent wheel(QPointF(at), QPointF(m_slider->mapToGlobal(at)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(m_slider, &wheel);
    QVERIFY(m_slider->value() != 78);
    QCOMPARE(m_field->text(), QString::number(m_slider->value()));
    QCOMPARE(stack()->count(), 0);
    QCOMPARE(changed.count(), 0);
}

void TestParameterControls::undoAndRedoRestoreFieldAndSlider()
{
    typeInto(m_field, QStringLiteral("12"));
    QTest::keyClick(m_field, Qt::Key_Return);
    QSignalSpy changed(m_panel.get(), &FilterWidget::changed);
    stack()->undo();
    QCOMPARE(m_slider->value(), 78);
    QCOMPARE(m_field->text(), QStringLiteral("78"));
    stack()->redo();
    QCOMPARE(m_slider->value(), 12);
    QCOMPARE(m_field->text(), QStringLiteral("12"));
    QCOMPARE(changed.count(), 2);

    // A value outside the slider's range shows what the slider holds.
    FilterValueCommand beyond(m_field, 400, 12);
    beyond.redo();
    QCOMPARE(m_slider->value(), 100);
    QCOMPARE(m_field->text(), QStringLiteral("100"));
}

void TestParameterControls::commandForADeletedFieldDoesNothing()
{
    typeInto(m_field, QStringLiteral("50"));
    QTest::keyClick(m_field, Qt::Key_Return);
    FilterValueCommand loose(m_field, 10, 20);
    m_panel.reset();
    stack()->undo();
    stack()->redo();
    loose.undo();
    loose.redo();
    QCOMPARE(stack()->index(), 1);
}

void TestParameterControls::withoutADocumentAChangeStillApplies()
{
    ControlWindow::instance()->set_current_document(nullptr, false);
    QSignalSpy changed(m_panel.get(), &FilterWidget::changed);
    typeInto(m_field, QStringLiteral("30"));
    QTest::keyClick(m_field, Qt::Key_Return);
    QCOMPARE(m_slider->value(), 30);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(stack()->count(), 0);
}

void TestParameterControls::gatheringAndApplyingFollowTheKindOfControl()
{
    QWidget panel;
    auto* nested = new QWidget(&panel);
    auto* combo = new QComboBox(nested);
    combo->setObjectName(QStringLiteral("a"));
    combo->addItem(QStringLiteral("Lead"), QStringLiteral("lead"));
    combo->addItem(QStringLiteral("Colour"), QStringLiteral("colour"));
    auto* box = new QCheckBox(&panel);
    box->setObjectName(QStringLiteral("c"));
    new QLineEdit(&panel); // neither named nor gathered
    auto* first = new QSlider(&panel);
    first->setObjectName(QStringLiteral("b"));
    auto* later = new QSlider(&panel);
    later->setObjectName(QStringLiteral("b"));
    later->setRange(0, 30);
    later->setValue(9);

    FilterParametersPtr set = gather_parameters(QStringLiteral("Name"), &panel);
    QCOMPARE(set->filterName(), QStringLiteral("Name"));
    QCOMPARE(set->keys(), QStringList({"a", "b", "c"}));
    QCOMPARE(set->value("a"), QVariant(QStringLiteral("lead")));
    QCOMPARE(set->value("b"), QVariant(9)); // the later widget of the name wins
    QCOMPARE(set->value("c"), QVariant(false));

    apply_parameters(FilterParameters(QString(), {{"a", "Colour"}, {"b", "45"}, {"c", "true"}}),
                     &panel);
    QCOMPARE(combo->currentIndex(), -1); // a label, not an item's data
    QCOMPARE(later->value(), 30);        // clamped
    QCOMPARE(first->value(), 45);
    QVERIFY(box->isChecked());
    QCOMPARE(gather_parameters(QString(), &panel)->value("a"), QVariant(QString()));
}

int main(int argc, char** argv)
{
    Application app(argc, argv);
    TestParameterControls test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_parameter_controls.moc"
