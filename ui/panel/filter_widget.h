#pragma once

#include <QHash>
#include <QVector>
#include <QWidget>

#include "core/framework/filter_parameters.h"
#include "core/framework/parameter_table.h"

class BevelComboBox;
class DocumentRegistry;
class FilterSlider;
class QComboBox;
class QGridLayout;
class QLabel;

// The settings panel of one filter, shown in the control window's panel stack: labelled sliders
// with number fields and drop-down lists whose object names are the parameter keys they write,
// so the panel's parameter set is gathered from its controls and shown back in them by name.
// Ranges, defaults, labels and choices come from the filter's parameter table; the subclasses
// add the layout (rows, ticks, "%" labels) and their own reactions. Any change of a control
// makes the panel emit changed(), which the control window turns into a new preview; slider and
// number changes arrive as FilterValueCommands, choices of the texture, pencil, pencil type and
// oil type lists as FilterChangeCommands on the current document's undo stack.
//
// Created by create_panel() on the GUI thread; owned by its parent (the control window's stack).
class FilterWidget : public QWidget
{
    Q_OBJECT
public:
    FilterWidget(const QString& filter_name, QWidget* parent);

    const QString& filter_name() const { return m_filter_name; }

    // The documents whose current one receives this panel's setting changes as undo steps.
    void set_registry(DocumentRegistry* registry) { m_registry = registry; }
    DocumentRegistry* registry() const { return m_registry; }

    // A new set named after the filter with the controls' values and the filter's fixed values.
    virtual FilterParametersPtr parameters() const;
    // Shows set in the controls (unknown keys and fixed values are ignored); emits changed() once
    // at the end.
    virtual void set_parameters(const FilterParametersPtr& set);
    // Puts every control back to its default; emits changed() once at the end.
    virtual void reset_to_defaults() = 0;
    // Reached only through slot_slider_released(), to which nothing is connected: slider undo
    // commands come from the sliders themselves.
    virtual void slider_released();

    // The slider or combo writing key, or null.
    FilterSlider* slider(const QString& key) const;
    QComboBox* combo(const QString& key) const;
    BevelComboBox* texture_combo() const { return m_texture_combo; }
    BevelComboBox* pencil_combo() const { return m_pencil_combo; }

signals:
    void changed();

public slots:
    // Emits changed() (once, at the end, while the panel is being set or reset).
    void change();

protected slots:
    void slot_texturize_activated(int index);
    void slot_texturize_highlighted(int index);
    void slot_pencil_activated(int index);
    void slot_pencil_highlighted(int index);
    // A control changed: a number field's value goes to its slider, then changed().
    void slot_changed(int index = -1);

private slots:
    void slot_slider_released();

protected:
    // Suppresses changed() while it lives and emits it once when the outermost one ends.
    class ChangeBatch
    {
    public:
        explicit ChangeBatch(FilterWidget* panel);
        ~ChangeBatch();
        ChangeBatch(const ChangeBatch&) = delete;
        ChangeBatch& operator=(const ChangeBatch&) = delete;

    private:
        FilterWidget* m_panel;
    };

    // The table entry of key; the panels only name keys of their filter's table.
    const ParameterSpec& table_entry(const QString& key) const;

    // The texture and pencil overlay lists: created as children of the panel with their items,
    // the texture list named "TexturizeAlgorithm::texture"; a change of index makes the panel
    // emit changed() and a user's choice is recorded for undo.
    BevelComboBox* create_texture_combo();
    BevelComboBox* create_pencil_combo();
    void fill_texture_combo(QComboBox* combo);
    void fill_pencil_combo(QComboBox* combo);
    // A list named key with the choices of key's table entry.
    BevelComboBox* create_choice_combo(const QString& key);
    // Texture and pencil lists back to "None" without signals.
    void reset_combos();

    // The grid every panel lays its rows out on.
    QGridLayout* create_grid(int horizontal_spacing, int vertical_spacing);
    // A row of label, slider, number field and, with percent, a "%" label; range, default and
    // label from the table.
    FilterSlider* add_slider_row(QGridLayout* grid, int row, const QString& key, int tick,
                                 bool percent);
    // A slider that is gathered and reset like the others but never shown.
    FilterSlider* add_hidden_slider(const QString& key, int tick);
    // A row of the combo's label (from the table, by its object name) and the combo over the
    // columns 1 to 4.
    void add_combo_row(QGridLayout* grid, int row, QComboBox* combo);
    // The stroke rows the pastel and blending panels share, for the sliders of owner (for example
    // "OilPastelAlgorithm::"): a hidden minimum stroke size, then "Brush size:", "Strokes:",
    // "Edge:" and "Precision:" from row first_row on. Returns the next free row.
    int add_stroke_rows(QGridLayout* grid, int first_row, const QString& owner);
    // Makes the row after the last take the spare height.
    void finish_grid(QGridLayout* grid, int rows);
    // Shows or hides the row of key's slider (label, slider, field and "%" together).
    void set_slider_row_visible(const QString& key, bool visible);
    QLabel* row_label(const QString& key) const;

    // Every slider and every named list to its table default, without signals from the lists.
    void reset_controls();

    // Records a user's choice in combo: from the index remembered before the choice to the one
    // now shown.
    void record_choice(QComboBox* combo);
    // Remembers the index combo shows before a user changes it: while the list is open (its
    // highlighted() signal) and, through an event filter, before a key or mouse press reaches
    // the closed list.
    void remember_index(QComboBox* combo);
    int remembered_index(QComboBox* combo) const;
    void track_user_choices(QComboBox* combo);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    DocumentRegistry* m_registry = nullptr;
    struct SliderRow
    {
        QLabel* label = nullptr;
        FilterSlider* slider = nullptr;
        QLabel* percent = nullptr;
    };

    QString m_filter_name;
    BevelComboBox* m_texture_combo = nullptr;
    BevelComboBox* m_pencil_combo = nullptr;
    // The index of each undoable list before the user's current choice.
    QHash<const QComboBox*, int> m_previous_index;
    QHash<QString, SliderRow> m_rows;
    int m_batch_depth = 0;
};
