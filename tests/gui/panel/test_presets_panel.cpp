#include "core/filters/filter_list.h"
#include "core/framework/parameter_keys.h"
#include "document/presets.h"
#include "support/document_windows.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "ui/application.h"
#include "ui/document/document_view.h"
#include "ui/document/document_window.h"
#include "ui/panel/control_window.h"
#include "ui/panel/filter_change_command.h"
#include "ui/panel/filter_slider.h"
#include "ui/panel/filter_value_command.h"
#include "ui/panel/filter_widget.h"
#include "ui/widgets/bevel_button.h"
#include "ui/widgets/bevel_combo_box.h"

#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QUndoStack>
#include <QtTest>

#include <functional>

namespace {

QStringList itemTexts(const QComboBox* combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts.append(combo->itemText(i));
    return texts;
}

// The presets a list offers, by name.
QStringList itemNames(const QComboBox* combo)
{
    QStringList names;
    for (int i = 0; i < combo->count(); ++i)
        names.append(combo->itemData(i).toString());
    return names;
}

QStringList builtInNames(const QString& filter)
{
    QStringList names;
    for (const Preset& preset : builtInPresets(filter))
        names.append(preset.name);
    return names;
}

Preset builtIn(const QString& filter, const QString& name)
{
    Preset preset;
    if (!PresetStore().find(filter, name, &preset))
        qWarning("no built-in preset %s", qPrintable(name));
    return preset;
}

// Answers the modal boxes the control window opens while it lives, in order: a message box with
// the next button, an input dialog with the next text (accepted). The message boxes' texts are
// kept.
class Answers
{
public:
    explicit Answers(const QVariantList& answers) : m_answers(answers)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { answer(); });
        m_timer.start(20);
    }

    QStringList messages;
    bool done() const { return m_answers.isEmpty(); }

private:
    void answer()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (!widget->isVisible() || m_answers.isEmpty())
                continue;
            if (auto* box = qobject_cast<QMessageBox*>(widget)) {
                messages.append(box->text());
                box->button(QMessageBox::StandardButton(m_answers.takeFirst().toInt()))->click();
            } else if (auto* dialog = qobject_cast<QInputDialog*>(widget)) {
                dialog->setTextValue(m_answers.takeFirst().toString());
                dialog->accept();
            }
        }
    }

    QVariantList m_answers;
    QTimer m_timer;
};

} // namespace

// The "Preset:" row of the control window: what it lists for each filter, a chosen preset as one
// undo step with "(modified)" after a change, the preset each document and filter shows, the
// user's own presets saved and deleted, and a damaged preset file told of once. The presets live
// in the test's own data folder.
class TestPresetsPanel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void presetRowListsDefaultBuiltInsAndOwn();
    void choosingAPresetIsOneUndoStep_data();
    void choosingAPresetIsOneUndoStep();
    void documentsAndFiltersShowTheirOwnPreset();
    void savingAndDeletingOwnPresets();
    void damagedPresetFileIsToldOfOnce();

private:
    DocumentWindow* open(const QString& path);
    // The document's current filter set to filter, as a user's choice does.
    void chooseFilter(const QString& filter);
    // A preset chosen in the list, as the user does.
    void activatePreset(const QString& name);
    // A setting of the current filter changed as one step, as the slider records it.
    void setValue(const QString& key, int value);

    QTemporaryDir m_dir;
    ControlWindow* m_control = nullptr;
};

void TestPresetsPanel::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath("data")));
    QVERIFY(scenePicture(160, 120).save(m_dir.filePath("a.png")));
    QVERIFY(scenePicture(90, 140).save(m_dir.filePath("b.png")));
    m_control = ControlWindow::instance();
}

void TestPresetsPanel::init()
{
    QVERIFY(QDir(PresetStore::userPresetFolder()).removeRecursively());
}

void TestPresetsPanel::cleanup()
{
    closeAllDocumentWindows();
}

DocumentWindow* TestPresetsPanel::open(const QString& path)
{
    DocumentWindow* window = start_application({path});
    if (!QTest::qWaitForWindowExposed(window))
        qWarning("the document window was not shown");
    // Its focus, which makes its document current, must not overtake the test's own choices.
    if (!QTest::qWaitForWindowActive(window, 30000))
        qWarning("the document window did not get the focus");
    m_control->set_current_document(window->view(), true);
    return window;
}

void TestPresetsPanel::setValue(const QString& key, int value)
{
    FilterSlider* slider = m_control->panel(m_control->filter_combo()->currentIndex())->slider(key);
    QVERIFY2(slider, qPrintable(key));
    m_control->push_undo(new FilterValueCommand(slider->field(), value, slider->value()));
}

void TestPresetsPanel::chooseFilter(const QString& filter)
{
    m_control->filter_combo()->setCurrentIndex(m_control->filter_index(filter));
}

void TestPresetsPanel::activatePreset(const QString& name)
{
    BevelComboBox* combo = m_control->preset_combo();
    const int index = combo->findData(name);
    QVERIFY2(index >= 0, qPrintable(name));
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

void TestPresetsPanel::presetRowListsDefaultBuiltInsAndOwn()
{
    QString error;
    const FilterParameters mine = defaultPresetSettings("Pencil");
    QVERIFY(PresetStore().save("mine", mine, &error));
    QVERIFY(PresetStore().save("Also mine", mine, &error));
    open(m_dir.filePath("a.png"));

    for (const QString& filter : filterNames()) {
        chooseFilter(filter);
        const QStringList own =
            filter == "Pencil" ? QStringList{"Also mine", "mine"} : QStringList();
        QCOMPARE(itemTexts(m_control->preset_combo()),
                 QStringList({"Default"}) + builtInNames(filter) + own);
        QCOMPARE(m_control->shown_preset(), QStringLiteral("Default"));
        QVERIFY(!m_control->preset_modified());
        QVERIFY(m_control->preset_combo()->isEnabled());
        QVERIFY(m_control->save_preset_button()->isEnabled());
        QVERIFY(!m_control->delete_preset_button()->isEnabled());
    }

    // "Preset:" sits under "Filter:", its list under the filter list.
    QLabel* filterLabel = nullptr;
    QLabel* presetLabel = nullptr;
    for (QLabel* label : m_control->findChildren<QLabel*>()) {
        if (label->text() == "Filter:")
            filterLabel = label;
        if (label->text() == "Preset:")
            presetLabel = label;
    }
    QVERIFY(filterLabel && presetLabel);
    QVERIFY(presetLabel->y() > filterLabel->y());
    QCOMPARE(m_control->preset_combo()->x(), m_control->filter_combo()->x());
    QVERIFY(m_control->preset_combo()->y() > m_control->filter_combo()->y());
    QCOMPARE(m_control->save_preset_button()->text(), QStringLiteral("Save as Preset..."));
    QCOMPARE(m_control->delete_preset_button()->text(), QStringLiteral("Delete Preset"));
}

void TestPresetsPanel::choosingAPresetIsOneUndoStep_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QString>("changedKey"); // a setting changed before the preset is chosen
    QTest::addColumn<int>("changedIndex");   // its value, or for a list the entry's index

    QTest::newRow("pencil") << "Pencil"
                            << "Colored sketch" << Keys::Pencil::strokeLength << 77;
    QTest::newRow("watercolor") << "Watercolor"
                                << "Ink and wash" << Keys::Watercolor::strength << 10;
    QTest::newRow("pastel, a texture before") << "Pastel"
                                              << "Vintage chalk" << Keys::Texture::paper << 6;
    // The preset's oil type clears the texture in the panel: undo brings the texture back too.
    QTest::newRow("oil, another type and a texture before")
        << "Oil"
        << "Pale brushstrokes" << Keys::Texture::paper << 3;
}

void TestPresetsPanel::choosingAPresetIsOneUndoStep()
{
    QFETCH(QString, filter);
    QFETCH(QString, preset);
    QFETCH(QString, changedKey);
    QFETCH(int, changedIndex);

    DocumentWindow* window = open(m_dir.filePath("a.png"));
    QUndoStack* stack = window->view()->undo_stack();
    chooseFilter(filter);
    FilterWidget* panel = m_control->panel(m_control->filter_index(filter));
    if (panel->slider(changedKey)) {
        setValue(changedKey, changedIndex);
    } else {
        QComboBox* list = panel->combo(changedKey);
        m_control->push_undo(new FilterChangeCommand(list, changedIndex, list->currentIndex()));
    }
    QCOMPARE(m_control->preset_combo()->currentText(), QStringLiteral("Default (modified)"));
    const FilterParameters before = *m_control->current_parameters();
    const int steps = stack->index();

    activatePreset(preset);
    const Preset chosen = builtIn(filter, preset);
    QCOMPARE(stack->index(), steps + 1);
    QCOMPARE(stack->undoText(), QStringLiteral("Preset"));
    QCOMPARE(*m_control->current_parameters(), chosen.settings);
    QCOMPARE(m_control->shown_preset(), preset);
    QVERIFY(!m_control->preset_modified());
    QCOMPARE(m_control->preset_combo()->currentText(), preset);

    // One undo gives every previous value back at once.
    stack->undo();
    QCOMPARE(*m_control->current_parameters(), before);
    QCOMPARE(m_control->preset_combo()->currentText(), QStringLiteral("Default (modified)"));
    stack->redo();
    QCOMPARE(*m_control->current_parameters(), chosen.settings);

    // The same preset chosen again changes nothing.
    activatePreset(preset);
    QCOMPARE(stack->index(), steps + 1);

    // A change afterwards shows "(modified)"; undone, the preset shows plain again.
    const ParameterSpec* row = nullptr;
    for (const ParameterSpec& entry : parameterTable(filter)) {
        if (!row && entry.kind == ParameterSpec::Slider && !panel->slider(entry.key)->isHidden())
            row = &entry;
    }
    QVERIFY(row);
    FilterSlider* slider = panel->slider(row->key);
    const int other = slider->value() == row->minimum ? row->maximum : row->minimum;
    setValue(row->key, other);
    QVERIFY(m_control->preset_modified());
    QCOMPARE(m_control->shown_preset(), preset);
    QCOMPARE(m_control->preset_combo()->currentText(), preset + " (modified)");
    stack->undo();
    QVERIFY(!m_control->preset_modified());
    QCOMPARE(m_control->preset_combo()->currentText(), preset);

    // Choosing the preset again while modified sets it again.
    setValue(row->key, other);
    activatePreset(preset);
    QCOMPARE(*m_control->current_parameters(), chosen.settings);
    QVERIFY(!m_control->preset_modified());
}

void TestPresetsPanel::documentsAndFiltersShowTheirOwnPreset()
{
    DocumentWindow* a = open(m_dir.filePath("a.png"));
    DocumentWindow* b = open(m_dir.filePath("b.png"));
    const QString stroke = Keys::Pencil::strokeLength;

    m_control->set_current_document(a->view(), true);
    chooseFilter("Pencil");
    activatePreset("Soft graphite");
    m_control->set_current_document(b->view(), true);
    QCOMPARE(m_control->preset_combo()->currentText(), QStringLiteral("Default"));
    activatePreset("Bold charcoal");
    setValue(stroke, 99);

    m_control->set_current_document(a->view(), true);
    QCOMPARE(m_control->preset_combo()->currentText(), QStringLiteral("Soft graphite"));
    chooseFilter("Watercolor");
    QCOMPARE(m_control->preset_combo()->currentText(), QStringLiteral("Default"));
    QCOMPARE(m_control->preset_combo()->itemText(1), builtInNames("Watercolor").first());
    chooseFilter("Pencil");
    QCOMPARE(m_control->preset_combo()->currentText(), QStringLiteral("Soft graphite"));
    m_control->set_current_document(b->view(), true);
    QCOMPARE(m_control->preset_combo()->currentText(), QStringLiteral("Bold charcoal (modified)"));

    // Back at the preset's value, the preset shows plain again.
    setValue(stroke, builtIn("Pencil", "Bold charcoal").settings.value(stroke).toInt());
    QCOMPARE(m_control->preset_combo()->currentText(), QStringLiteral("Bold charcoal"));

    // Settings equal to a preset never chosen in the document show that preset.
    chooseFilter("Watercolor");
    const QString watercolor = builtInNames("Watercolor").last();
    m_control->panel(m_control->filter_index("Watercolor"))
        ->set_parameters(
            FilterParametersPtr(new FilterParameters(builtIn("Watercolor", watercolor).settings)));
    QCOMPARE(m_control->preset_combo()->currentText(), watercolor);
}

void TestPresetsPanel::savingAndDeletingOwnPresets()
{
    DocumentWindow* window = open(m_dir.filePath("a.png"));
    chooseFilter("Pencil");
    const QString stroke = Keys::Pencil::strokeLength;
    setValue(stroke, 66);
    const int steps = window->view()->undo_stack()->index();
    const PresetStore store;
    const QString path = store.filePath("Pencil", "Evening");

    // The button asks for the name; blanks around it do not count.
    {
        Answers answers({QStringLiteral("  Evening  ")});
        m_control->save_preset_button()->click();
        QVERIFY(answers.done());
    }
    Preset saved;
    QVERIFY(store.find("Pencil", "Evening", &saved));
    QCOMPARE(saved.settings, *m_control->current_parameters());
    QCOMPARE(itemTexts(m_control->preset_combo()).last(), QStringLiteral("Evening"));
    QCOMPARE(m_control->preset_combo()->currentText(), QStringLiteral("Evening"));
    QVERIFY(m_control->delete_preset_button()->isEnabled());
    // Saving changes no setting: nothing to undo.
    QCOMPARE(window->view()->undo_stack()->index(), steps);

    // Names that cannot be taken are explained, and nothing is written.
    const QStringList refused = {"Soft graphite", "default", "a/b", "..", QString(65, 'x')};
    for (const QString& name : refused) {
        Answers answers({int(QMessageBox::Ok)});
        QVERIFY2(!m_control->save_preset(name), qPrintable(name));
        QCOMPARE(answers.messages.size(), 1);
        QVERIFY2(answers.messages.first().startsWith("\"" + name + "\" cannot be the name"),
                 qPrintable(answers.messages.first()));
    }
    QCOMPARE(QDir(store.folder() + "/Pencil").entryList(QDir::Files), QStringList({"Evening.xml"}));

    // An existing name is replaced only when the user agrees.
    setValue(stroke, 70);
    QCOMPARE(m_control->preset_combo()->currentText(), QStringLiteral("Evening (modified)"));
    const QByteArray before = readAll(path);
    {
        Answers answers({int(QMessageBox::No)});
        QVERIFY(!m_control->save_preset("evening"));
        QCOMPARE(answers.messages,
                 QStringList({"A preset named \"Evening\" already exists. Replace it?"}));
    }
    QCOMPARE(readAll(path), before);
    {
        Answers answers({int(QMessageBox::Yes)});
        QVERIFY(m_control->save_preset("evening"));
    }
    QVERIFY(store.find("Pencil", "evening", &saved));
    QCOMPARE(saved.name, QStringLiteral("evening"));
    QCOMPARE(saved.settings.value(stroke), QVariant(70));
    QCOMPARE(m_control->preset_combo()->currentText(), QStringLiteral("evening"));

    // Deleting asks first; a built-in preset cannot be deleted.
    {
        Answers answers({int(QMessageBox::No)});
        QVERIFY(!m_control->delete_preset());
    }
    QVERIFY(QFileInfo::exists(store.filePath("Pencil", "evening")));
    {
        Answers answers({int(QMessageBox::Yes)});
        m_control->delete_preset_button()->click();
        QVERIFY(answers.done());
    }
    QVERIFY(!QFileInfo::exists(store.filePath("Pencil", "evening")));
    QCOMPARE(itemNames(m_control->preset_combo()),
             QStringList({"Default"}) + builtInNames("Pencil"));
    QCOMPARE(m_control->preset_combo()->currentText(), QStringLiteral("Default (modified)"));
    QVERIFY(!m_control->delete_preset_button()->isEnabled());
    activatePreset(builtInNames("Pencil").first());
    QVERIFY(!m_control->delete_preset_button()->isEnabled());
    QVERIFY(!m_control->delete_preset());
}

void TestPresetsPanel::damagedPresetFileIsToldOfOnce()
{
    QVERIFY(QDir().mkpath(PresetStore::userPresetFolder() + "/Oil"));
    QVERIFY(writeAll(PresetStore::userPresetFolder() + "/Oil/Broken.xml", "not a preset"));
    QVERIFY(PresetStore().save("Fine", defaultPresetSettings("Oil"), nullptr));
    open(m_dir.filePath("a.png"));
    QLabel* message = m_control->preset_message();
    QVERIFY(message->isHidden());

    chooseFilter("Oil");
    QVERIFY(message->isVisible());
    QCOMPARE(message->text(),
             QStringLiteral("Preset \"Broken\" skipped: the file is not well-formed XML."));
    // The others load.
    QCOMPARE(itemTexts(m_control->preset_combo()),
             QStringList({"Default"}) + builtInNames("Oil") + QStringList({"Fine"}));

    // Once: coming back to the filter says nothing again; the news goes with the next choice.
    chooseFilter("Pencil");
    activatePreset("Soft graphite");
    QVERIFY(message->isHidden());
    chooseFilter("Oil");
    QVERIFY(message->isHidden());
    QCOMPARE(itemTexts(m_control->preset_combo()).size(), builtInNames("Oil").size() + 2);
}

int main(int argc, char** argv)
{
    Application app(argc, argv);
    TestPresetsPanel test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_presets_panel.moc"
