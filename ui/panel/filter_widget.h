#pragma once

#include <QHash>
#include <QVector>
#include <QWidget>

#include "core/framework/filter_descriptor.h"
#include "core/framework/filter_parameters.h"

class BevelComboBox;
class DocumentRegistry;
class FilterSlider;
class QComboBox;
class QGridLayout;
class QLabel;

// The settings panel of one filter, shown in the control window's panel stack, built from the
// filter's descriptor: one row per setting, a labelled slider with its number field (and unit)
// or a drop-down list, each control named after the parameter key it writes, so the panel's
// parameter set is gathered from its controls and shown back in them by name. Hidden rows are
// sliders that are gathered and reset but never shown; the descriptor's row switch decides which
// rows show. Any change of a control makes the panel emit changed(), which the control window
// turns into a new preview; slider and number changes arrive as FilterValueCommands, a user's
// choice in a list as a FilterChangeCommand on the current document's undo stack (the lists of
// the filters only a document brings are not recorded).
//
// Created by create_panel() on the GUI thread; owned by its parent (the control window's stack).
class FilterWidget : public QWidget
{
    Q_OBJECT
public:
    FilterWidget(const FilterDescriptor& descriptor, QWidget* parent);

    const QString& filter_name() const { return m_descriptor.name; }
    // Compact, the panel is as high as its rows need, for a short screen; else at least as high
    // as every panel, so that the window keeps its height from filter to filter.
    void set_compact(bool compact);
    const FilterDescriptor& descriptor() const { return m_descriptor; }

    // The documents whose current one receives this panel's setting changes as undo steps.
    void set_registry(DocumentRegistry* registry) { m_registry = registry; }
    DocumentRegistry* registry() const { return m_registry; }

    // A new set named after the filter with the controls' values and the filter's fixed values.
    FilterParametersPtr parameters() const;
    // Shows set in the controls (unknown keys and fixed values are ignored); emits changed() once
    // at the end.
    void set_parameters(const FilterParametersPtr& set);
    // Puts every control back to its default; emits changed() once at the end.
    void reset_to_defaults();

    // The slider or list writing key, or null.
    FilterSlider* slider(const QString& key) const;
    QComboBox* combo(const QString& key) const;
    // The texture list and the list of what is laid over the painting, or null.
    BevelComboBox* texture_combo() const { return m_texture_combo; }
    BevelComboBox* pencil_combo() const { return m_pencil_combo; }

signals:
    void changed();

public slots:
    // Emits changed() (once, at the end, while the panel is being set or reset).
    void change();

protected slots:
    // A control changed: a number field's value goes to its slider, then changed().
    void slot_changed();

private slots:
    void slot_choice_changed();
    void slot_choice_activated();
    void slot_choice_highlighted();

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

    // A list's index changed, before the rows follow the switch and changed() is emitted.
    virtual void choice_changed(QComboBox* combo);
    // The user chose an entry of a recorded list: by default one undo step from the entry shown
    // before.
    virtual void choice_activated(QComboBox* combo);

    // Texture and overlay lists back to their first entry without signals.
    void reset_combos();
    // Records a user's choice in combo: from the index remembered before the choice to the one
    // now shown.
    void record_choice(QComboBox* combo);
    // Remembers the index combo shows before a user changes it: while the list is open (its
    // highlighted() signal) and, through an event filter, before a key or mouse press reaches
    // the closed list.
    void remember_index(QComboBox* combo);
    int remembered_index(QComboBox* combo) const;

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct SliderRow
    {
        QLabel* label = nullptr;
        FilterSlider* slider = nullptr;
        QLabel* unit = nullptr;
    };

    FilterSlider* add_slider(const ParameterSpec& entry);
    void add_slider_row(QGridLayout* grid, int row, const ParameterSpec& entry);
    void add_choice_row(QGridLayout* grid, int row, const ParameterSpec& entry);
    // Shows the rows the row switch's value shows and hides the others.
    void show_rows();
    void set_slider_row_visible(const QString& key, bool visible);

    const FilterDescriptor& m_descriptor;
    DocumentRegistry* m_registry = nullptr;
    BevelComboBox* m_texture_combo = nullptr;
    BevelComboBox* m_pencil_combo = nullptr;
    // The index of each recorded list before the user's current choice.
    QHash<const QComboBox*, int> m_previous_index;
    QHash<QString, SliderRow> m_rows;
    int m_batch_depth = 0;
};
