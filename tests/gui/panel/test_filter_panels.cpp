#include "core/filters/filter_list.h"
#include "core/framework/parameter_keys.h"
#include "ui/application.h"
#include "ui/document/document_view.h"
#include "ui/document/document_window.h"
#include "ui/panel/control_window.h"
#include "ui/panel/create_panel.h"
#include "ui/panel/filter_slider.h"
#include "ui/panel/filter_widget.h"
#include "ui/widgets/bevel_combo_box.h"

#include <QAbstractItemView>
#include <QGridLayout>
#include <QLabel>
#include <QUndoStack>
#include <QtTest>

#include <memory>

namespace {

const QString kOil = QStringLiteral("OilPaintingAlgorithm::");

QMap<QString, QString> valueTexts(const FilterParameters& set)
{
    QMap<QString, QString> texts;
    for (const QString& key : set.keys())
        texts.insert(key, set.value(key).toString());
    return texts;
}

// A choice in an open list: entries are highlighted while the old index is still current, then
// the choice becomes current and is announced as activated.
void chooseInList(QComboBox* combo, int index)
{
    emit combo->highlighted(index);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

// Whether the row of key's slider is shown; its slider and field always agree.
bool rowShown(FilterWidget* panel, const QString& key)
{
    FilterSlider* slider = panel->slider(key);
    const bool shown = !slider->isHidden();
    if (slider->field()->isHidden() == shown)
        qWarning("slider and field of %s disagree", qPrintable(key));
    return shown && !slider->field()->isHidden();
}

std::unique_ptr<FilterWidget> makePanel(const QString& name)
{
    std::unique_ptr<FilterWidget> panel(create_panel(name, nullptr));
    // Its changes become undo steps of the current document, as in the control window.
    if (panel)
        panel->set_registry(ControlWindow::instance()->registry());
    return panel;
}

} // namespace

class TestFilterPanels : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void unknownNamesGetNoPanel();
    void gatheringAfterConstructionGivesTheDefaults_data();
    void gatheringAfterConstructionGivesTheDefaults();
    void rowsLookAsBefore_data();
    void rowsLookAsBefore();
    void coloredPencilsShowTheSaturationRow();
    void oilTypeShowsItsRows_data();
    void oilTypeShowsItsRows();
    void oilTypeClearsPencilAndTextureButAStoredSetRestoresThem();
    void undoingAnOilTypeChangeGivesBackPencilAndTexture();
    void pencilOverlayNoneAddsNoPencilKeys_data();
    void pencilOverlayNoneAddsNoPencilKeys();
    void choiceInAListIsOneUndoStep_data();
    void choiceInAListIsOneUndoStep();
    void keyboardChoiceUndoesToTheIndexBeforeTheKey();
    void choiceClickedInTheOpenListIsOneStep();
    void unknownChoicesAndOutOfRangeValues();

private:
    QUndoStack* stack() const { return m_window->view()->undo_stack(); }

    DocumentWindow* m_window = nullptr;
};

void TestFilterPanels::initTestCase()
{
    m_window = start_application(QStringList());
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    ControlWindow::instance()->set_current_document(m_window->view(), false);
}

void TestFilterPanels::cleanup()
{
    stack()->clear();
}

void TestFilterPanels::unknownNamesGetNoPanel()
{
    for (const char* name : {"pencil", "", "Oil ", "Charcoal"})
        QVERIFY(!create_panel(QString::fromLatin1(name), nullptr));
}

void TestFilterPanels::rowsLookAsBefore_data()
{
    // Every shown slider row of every panel, top to bottom: its label, range, tick interval and
    // whether a "%" follows its number field, as the panels showed them when each laid out its
    // own rows. The panels are now built from the filter descriptors; this pins what they give.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("rows"); // "label min..max tick %" per row
    QTest::newRow("Pencil") << QStringLiteral("Pencil")
                            << QStringList{"Contour: 0..100 64 %", "Shading: 0..100 25 % inverted",
                                           "Stroke: 0..100 25", "Brightness: -100..100 64",
                                           "Saturation: 50..100 64"};
    QTest::newRow("Watercolor") << QStringLiteral("Watercolor")
                                << QStringList{"Strength: 0..100 64 %", "Details: 0..100 64 %",
                                               "Saturation: 0..100 25", "Brightness: -100..100 64"};
    const QStringList strokes = {"Brush size: 0..100 64 %", "Strokes: 0..100 25",
                                 "Edge: 0..100 64 %", "Precision: 0..100 64 %"};
    QTest::newRow("Pastel") << QStringLiteral("Pastel") << strokes;
    QTest::newRow("Paint blend") << QStringLiteral("Paint blend") << strokes;
    QTest::newRow("Watermix") << QStringLiteral("Watermix") << strokes;
    QTest::newRow("Oil") << QStringLiteral("Oil")
                         << QStringList{"Brush size: 0..100 64 %", "Strokes: 0..30 25",
                                        "Edge: 0..100 64 %",       "Precision: 0..100 64",
                                        "Contrast: 0..100 64 %",   "Details: 0..100 64 %",
                                        "Strength: 0..100 64 %",   "Details: 0..100 64 %",
                                        "Saturation: 0..100 25",   "Brightness: -100..100 64"};
}

void TestFilterPanels::rowsLookAsBefore()
{
    QFETCH(QString, name);
    QFETCH(QStringList, rows);
    std::unique_ptr<FilterWidget> panel = makePanel(name);
    auto* grid = qobject_cast<QGridLayout*>(panel->layout());
    QVERIFY(grid);
    QStringList shown;
    for (int row = 0; row < grid->rowCount(); ++row) {
        QLayoutItem* labelItem = grid->itemAtPosition(row, 0);
        QLayoutItem* sliderItem = grid->itemAtPosition(row, 1);
        auto* slider = sliderItem ? qobject_cast<FilterSlider*>(sliderItem->widget()) : nullptr;
        if (!slider)
            continue;
        auto* label = qobject_cast<QLabel*>(labelItem->widget());
        QVERIFY(label);
        QLayoutItem* unitItem = grid->itemAtPosition(row, 4);
        auto* unit = unitItem ? qobject_cast<QLabel*>(unitItem->widget()) : nullptr;
        QString text = QStringLiteral("%1 %2..%3 %4")
                           .arg(label->text())
                           .arg(slider->minimum())
                           .arg(slider->maximum())
                           .arg(slider->tickInterval());
        if (unit)
            text += QLatin1Char(' ') + unit->text();
        if (slider->invertedControls())
            text += QStringLiteral(" inverted");
        shown.append(text);
        // The field beside the slider is the slider's own.
        QLayoutItem* fieldItem = grid->itemAtPosition(row, 3);
        QVERIFY(fieldItem && fieldItem->widget() == slider->field());
    }
    QCOMPARE(shown, rows);
    // Every row of the descriptor has its control, named after its key; hidden rows never show.
    for (const ParameterSpec& entry : panel->descriptor().rows) {
        if (entry.kind == ParameterSpec::Choice) {
            QVERIFY2(panel->combo(entry.key), qPrintable(entry.key));
            QCOMPARE(panel->combo(entry.key)->count(), entry.choices.size());
        } else {
            QVERIFY2(panel->slider(entry.key), qPrintable(entry.key));
            if (entry.hidden)
                QVERIFY(panel->slider(entry.key)->isHidden());
        }
    }
}

void TestFilterPanels::gatheringAfterConstructionGivesTheDefaults_data()
{
    QTest::addColumn<QString>("name");
    for (const char* name : {"Pencil", "Watercolor", "Pastel", "Oil", "Paint blend", "Watermix"})
        QTest::newRow(name) << QString(name);
}

void TestFilterPanels::gatheringAfterConstructionGivesTheDefaults()
{
    QFETCH(QString, name);
    auto panel = makePanel(name);
    QCOMPARE(panel->filter_name(), name);
    const FilterParametersPtr defaults = defaultParameters(name);
    QCOMPARE(panel->parameters()->filterName(), name);
    QCOMPARE(valueTexts(*panel->parameters()), valueTexts(*defaults));
    for (const ParameterSpec& entry : parameterTable(name)) {
        QCOMPARE(panel->parameters()->value(entry.key).typeId(), entry.kind == ParameterSpec::Slider
                                                                     ? int(QMetaType::Int)
                                                                     : int(QMetaType::QString));
        if (entry.kind == ParameterSpec::Slider) {
            FilterSlider* slider = panel->slider(entry.key);
            QCOMPARE(slider->minimum(), entry.minimum);
            QCOMPARE(slider->maximum(), entry.maximum);
            QCOMPARE(slider->field()->text(), entry.defaultValue.toString());
            QCOMPARE(slider->focusPolicy(), Qt::StrongFocus);
            if (entry.hidden)
                QVERIFY(slider->isHidden() && slider->field()->isHidden());
        } else {
            QComboBox* combo = panel->combo(entry.key);
            QCOMPARE(combo->count(), entry.choices.size());
            QCOMPARE(combo->itemText(1), entry.choices.at(1).label);
            QCOMPARE(combo->itemData(1).toString(), entry.choices.at(1).value);
        }
    }

    // Every control moved away, then reset: the defaults again, announced once.
    for (FilterSlider* slider : panel->findChildren<FilterSlider*>())
        slider->setValue(slider->minimum() + 1);
    for (QComboBox* combo : panel->findChildren<QComboBox*>())
        combo->setCurrentIndex(combo->count() - 1 - combo->currentIndex());
    QVERIFY(valueTexts(*panel->parameters()) != valueTexts(*defaults));
    QSignalSpy changed(panel.get(), &FilterWidget::changed);
    panel->reset_to_defaults();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(valueTexts(*panel->parameters()), valueTexts(*defaults));
    for (FilterSlider* slider : panel->findChildren<FilterSlider*>())
        QCOMPARE(slider->field()->text(), QString::number(slider->value()));
}

void TestFilterPanels::coloredPencilsShowTheSaturationRow()
{
    auto panel = makePanel(QStringLiteral("Pencil"));
    QComboBox* type = panel->combo(Keys::Pencil::type);
    QVERIFY(!rowShown(panel.get(), Keys::Pencil::saturation));
    QCOMPARE(panel->parameters()->value(Keys::Pencil::saturation).toInt(), 50);

    QSignalSpy changed(panel.get(), &FilterWidget::changed);
    chooseInList(type, 1);
    QVERIFY(rowShown(panel.get(), Keys::Pencil::saturation));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(stack()->count(), 1);
    QVERIFY(panel->parameters()->contains(Keys::Pencil::saturation));

    stack()->undo();
    QCOMPARE(type->currentIndex(), 0);
    QVERIFY(!rowShown(panel.get(), Keys::Pencil::saturation));
    QCOMPARE(panel->parameters()->value(Keys::Pencil::saturation).toInt(), 50);
    stack()->redo();
    QVERIFY(rowShown(panel.get(), Keys::Pencil::saturation));
    panel->reset_to_defaults();
    QVERIFY(!rowShown(panel.get(), Keys::Pencil::saturation));
}

void TestFilterPanels::oilTypeShowsItsRows_data()
{
    QTest::addColumn<QString>("oilType");
    QTest::addColumn<QStringList>("shown");
    const QStringList strokes = {"maximum_stroke_size", "number_of_brushstrokes", "edge_intensity",
                                 "brushstroke_precision"};
    QTest::newRow("brushstrokes") << "standart_oil" << strokes;
    QTest::newRow("expressive") << "expressive_brushstrokes"
                                << QStringList{"maximum_stroke_size", "number_of_brushstrokes",
                                               "brushstroke_precision", "level_of_contrast",
                                               "level_of_details"};
    QTest::newRow("oil painting") << "oil_painting"
                                  << QStringList{"strength_of_effect", "image_simplification",
                                                 "color_intensity", "darken_lighten"};
    // The algorithm paints an unknown type with the standard painter.
    QTest::newRow("unknown") << "gouache" << strokes;
}

void TestFilterPanels::oilTypeShowsItsRows()
{
    QFETCH(QString, oilType);
    QFETCH(QStringList, shown);
    auto panel = makePanel(QStringLiteral("Oil"));
    FilterParametersPtr stored = defaultParameters(QStringLiteral("Oil"));
    stored->insert(Keys::Oil::type, QStringLiteral("expressive_brushstrokes"));
    panel->set_parameters(stored);
    stored->insert(Keys::Oil::type, oilType);
    panel->set_parameters(stored);
    for (const char* row :
         {"maximum_stroke_size", "number_of_brushstrokes", "edge_intensity",
          "brushstroke_precision", "level_of_contrast", "level_of_details", "strength_of_effect",
          "image_simplification", "color_intensity", "darken_lighten"})
        QVERIFY2(rowShown(panel.get(), kOil + row) == shown.contains(row), row);
    QVERIFY(panel->slider(kOil + "minimum_stroke_size")->isHidden());
    QVERIFY(panel->slider(kOil + "brushstrokes_intensity")->isHidden());
}

void TestFilterPanels::oilTypeClearsPencilAndTextureButAStoredSetRestoresThem()
{
    auto panel = makePanel(QStringLiteral("Oil"));
    chooseInList(panel->pencil_combo(), 2);
    chooseInList(panel->texture_combo(), 4);
    QSignalSpy changed(panel.get(), &FilterWidget::changed);
    chooseInList(panel->combo(Keys::Oil::type), 0);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(panel->parameters()->value(Keys::Overlay::oil).toString(), QStringLiteral("None"));
    QCOMPARE(panel->parameters()->value(Keys::Texture::paper).toString(), QStringLiteral("None"));

    // A stored set whose oil type differs from the one shown keeps its pencil and texture.
    FilterParametersPtr stored = defaultParameters(QStringLiteral("Oil"));
    stored->insert(Keys::Oil::type, QStringLiteral("expressive_brushstrokes"));
    stored->insert(Keys::Overlay::oil, QStringLiteral("Light shading"));
    stored->insert(Keys::Texture::paper, QStringLiteral("Kraft paper"));
    addFixedValues(*stored);
    panel->set_parameters(stored);
    QCOMPARE(valueTexts(*panel->parameters()), valueTexts(*stored));
    QCOMPARE(changed.count(), 2);
}

void TestFilterPanels::undoingAnOilTypeChangeGivesBackPencilAndTexture()
{
    auto panel = makePanel(QStringLiteral("Oil"));
    chooseInList(panel->pencil_combo(), 1);
    chooseInList(panel->texture_combo(), 6);
    const QMap<QString, QString> before = valueTexts(*panel->parameters());
    chooseInList(panel->combo(Keys::Oil::type), 1);
    const QMap<QString, QString> after = valueTexts(*panel->parameters());
    QCOMPARE(after.value(Keys::Texture::paper), QStringLiteral("None"));
    QCOMPARE(stack()->count(), 3);

    stack()->undo();
    QCOMPARE(valueTexts(*panel->parameters()), before);
    QVERIFY(rowShown(panel.get(), kOil + "strength_of_effect"));
    stack()->redo();
    QCOMPARE(valueTexts(*panel->parameters()), after);
    QVERIFY(rowShown(panel.get(), kOil + "level_of_contrast"));
}

void TestFilterPanels::pencilOverlayNoneAddsNoPencilKeys_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("edgeIntensity");
    QTest::newRow("Watercolor") << "Watercolor" << 43;
    QTest::newRow("Pastel") << "Pastel" << 43;
    QTest::newRow("Oil") << "Oil" << 40;
}

void TestFilterPanels::pencilOverlayNoneAddsNoPencilKeys()
{
    QFETCH(QString, name);
    QFETCH(int, edgeIntensity);
    auto panel = makePanel(name);
    const auto pencilKeys = [&panel] {
        return panel->parameters()->keys().filter(QStringLiteral("PencilBWAlgorithm::"));
    };
    QVERIFY(pencilKeys().isEmpty());
    chooseInList(panel->pencil_combo(), 3);
    QCOMPARE(pencilKeys().size(), 5);
    QCOMPARE(panel->parameters()->value(Keys::Pencil::shading).toInt(), edgeIntensity);
    chooseInList(panel->pencil_combo(), 0);
    QVERIFY(pencilKeys().isEmpty());
}

void TestFilterPanels::choiceInAListIsOneUndoStep_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("recorded");
    QTest::addColumn<QString>("step"); // what the Undo item names
    QTest::newRow("pencil texture") << "Pencil" << Keys::Texture::paper << true << "Texturize";
    QTest::newRow("watercolor pencil")
        << "Watercolor" << Keys::Overlay::watercolor << true << "Pencil";
    QTest::newRow("oil type") << "Oil" << Keys::Oil::type << true << "Oil type";
    QTest::newRow("paint blend aftertouch")
        << "Paint blend" << Keys::Blend::paintBlendAftertouch << false << "";
    QTest::newRow("watermix texture") << "Watermix" << Keys::Blend::watermixTexture << false << "";
}

void TestFilterPanels::choiceInAListIsOneUndoStep()
{
    QFETCH(QString, name);
    QFETCH(QString, key);
    QFETCH(bool, recorded);
    QFETCH(QString, step);
    auto panel = makePanel(name);
    QComboBox* combo = panel->combo(key);
    const int start = combo->currentIndex();
    // The entry shown, chosen again, changes nothing and leaves nothing to undo.
    chooseInList(combo, start);
    QCOMPARE(stack()->count(), 0);
    QSignalSpy changed(panel.get(), &FilterWidget::changed);
    chooseInList(combo, 1);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(stack()->count(), recorded ? 1 : 0);
    if (!recorded)
        return;
    QCOMPARE(stack()->undoText(), step);
    stack()->undo();
    QCOMPARE(combo->currentIndex(), start);
    stack()->redo();
    QCOMPARE(combo->currentIndex(), 1);
    QCOMPARE(changed.count(), 3);
}

void TestFilterPanels::choiceClickedInTheOpenListIsOneStep()
{
    // The oil type picked with the mouse in the open list, as a user does: one step, which undo
    // takes back whole.
    auto panel = makePanel(QStringLiteral("Oil"));
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
    QComboBox* type = panel->combo(Keys::Oil::type);
    const int start = type->currentIndex();
    const int chosen = start == 1 ? 2 : 1;
    type->showPopup();
    QAbstractItemView* list = type->view();
    QTRY_VERIFY(list->isVisible());
    const QRect item = list->visualRect(type->model()->index(chosen, 0));
    QTest::mouseMove(list->viewport(), item.center());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
    QTRY_VERIFY(!list->isVisible());
    QCOMPARE(type->currentIndex(), chosen);
    QCOMPARE(stack()->count(), 1);
    stack()->undo();
    QCOMPARE(type->currentIndex(), start);
    QVERIFY(!stack()->canUndo());
}

void TestFilterPanels::keyboardChoiceUndoesToTheIndexBeforeTheKey()
{
    auto panel = makePanel(QStringLiteral("Watercolor"));
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
    QComboBox* texture = panel->texture_combo();
    chooseInList(texture, 5);
    stack()->undo();
    // A closed list changed with a key announces no highlight.
    QTest::keyClick(texture, Qt::Key_Down);
    QCOMPARE(texture->currentIndex(), 1);
    stack()->undo();
    QCOMPARE(texture->currentIndex(), 0);
}

void TestFilterPanels::unknownChoicesAndOutOfRangeValues()
{
    auto panel = makePanel(QStringLiteral("Watercolor"));
    const QString brightness = Keys::Watercolor::brightness;
    const QString strength = Keys::Watercolor::strength;
    FilterParametersPtr stored(new FilterParameters(QStringLiteral("Watercolor"), {}));
    stored->insert(Keys::Texture::paper, QStringLiteral("Marble"));
    stored->insert(Keys::Overlay::watercolor, QStringLiteral("contour"));
    stored->insert(brightness, 500);
    stored->insert(strength, QStringLiteral("37")); // as read back from a document
    panel->set_parameters(stored);
    QCOMPARE(panel->texture_combo()->currentIndex(), -1);
    QCOMPARE(panel->pencil_combo()->currentIndex(), -1); // data compared case-sensitively
    QCOMPARE(panel->parameters()->value(Keys::Texture::paper), QVariant(QString()));
    QVERIFY(panel->parameters()->keys().filter(QStringLiteral("PencilBWAlgorithm::")).isEmpty());
    QCOMPARE(panel->slider(brightness)->value(), 100);
    QCOMPARE(panel->slider(brightness)->field()->text(), QStringLiteral("100"));
    QCOMPARE(panel->slider(strength)->value(), 37);
}

int main(int argc, char** argv)
{
    Application app(argc, argv);
    TestFilterPanels test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_filter_panels.moc"
