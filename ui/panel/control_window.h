#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QSet>
#include <QVector>

#include "core/framework/filter_parameters.h"
#include "core/framework/result_cache.h"
#include "document/presets.h"
#include "ui/document/document_registry.h"

class BevelButton;
class QCheckBox;
class QGridLayout;
class QLabel;
class QTimer;
class BevelComboBox;
class DocumentView;
class DocumentWindow;
class FilterWidget;
class ImageZoomSlider;
class SizeGrip;
class Thumbnail;
class Worker;
class Placeholder;
class PanelScrollArea;
class PreviewScheduler;
class QStackedWidget;
class QUndoCommand;
class QUndoGroup;

// The one filter panel of the application: a floating tool window that serves the current
// document of its registry (the most recently focused document view). It shows the "Filter:"
// list, the "Preset:" list of the filter with "Save as Preset..." and "Delete Preset", the
// settings of the chosen filter and the "Process" button, and sends setting changes (a chosen
// preset too) to the current document's undo stack. It stays above the document windows as the
// application's tool window, never above its dialogs.
//
// The application's one control window is made by instance(), with the registry the document
// windows share; it lives on the GUI thread until the application quits.
class ControlWindow : public QDialog, public DocumentPanel
{
    Q_OBJECT
public:
    static ControlWindow* instance();

    explicit ControlWindow(DocumentRegistry* registry);
    ~ControlWindow() override;

    DocumentRegistry* registry() const { return m_registry; }
    QList<DocumentWindow*> document_windows() const;

    void set_current_document(DocumentView* view, bool store_previous);
    DocumentView* current_document() const;
    DocumentWindow* current_document_window() const;
    // Moves the window beside a document window (right of it, else left, else at the screen's
    // edge below its menu bar), never over its menus.
    void place_beside(QWidget* window);

    // DocumentPanel
    void store_document_settings(DocumentView* view) override;
    void show_document(DocumentView* view) override;
    void document_busy_changed(DocumentView* view) override;
    FilterParametersPtr document_parameters(const DocumentView* view) const override;
    int filter_index(const QString& name) const override;
    QString document_preset(const DocumentView* view) const override;
    void take_keyboard_focus() override;
    QRect panel_frame() const override;

    // A fresh copy of the settings of the filter now chosen.
    FilterParametersPtr current_parameters() const;
    QString current_filter_name() const;
    void push_undo(QUndoCommand* command);
    QUndoGroup* undo_group() const;
    BevelComboBox* filter_combo() const { return m_filter_combo; }
    BevelButton* process_button() const { return m_process_button; }
    QCheckBox* live_checkbox() const { return m_live_checkbox; }
    BevelComboBox* preset_combo() const { return m_preset_combo; }
    BevelButton* save_preset_button() const { return m_save_preset_button; }
    BevelButton* delete_preset_button() const { return m_delete_preset_button; }
    // The line under the preset buttons that tells of skipped preset files for a few seconds.
    QLabel* preset_message() const { return m_preset_message; }
    const PresetStore& preset_store() const { return m_preset_store; }

    // Presets of the current filter (see control_window_presets.cpp). The preset shown: the one
    // last chosen for the filter in the current document, else the first whose settings the
    // panel holds, else "Default"; "modified" when the panel's settings differ from it.
    QString shown_preset() const { return m_shown_preset; }
    bool preset_modified() const { return m_preset_modified; }
    // Sets every setting of the current filter to the preset name's (letter case ignored) as one
    // undo step on the current document; false when the filter has no such preset.
    bool choose_preset(const QString& name);
    // Saves the panel's settings as the user's preset name. A name that cannot be used is
    // explained in a message box, and a user's preset of that name is replaced only when the user
    // agrees; false when nothing was saved.
    bool save_preset(const QString& name);
    // Deletes the user's preset shown, when the user agrees; false when nothing was deleted.
    bool delete_preset();
    // The parameter panel of the filter at index in the list.
    FilterWidget* panel(int index) const;
    Thumbnail* thumbnail() const { return m_thumbnail; }
    ImageZoomSlider* zoom_slider() const { return m_zoom_slider; }
    Worker* preview_worker() const;
    const ResultCache& preview_cache() const;
    // Renders the preview of the current filter on the visible part of the current picture: from
    // the cache when it holds the same piece and settings, else on a worker thread.
    void preview_current_filter();
    // The window is being resized: the preview shows the scaled picture until the next mouse
    // movement (check_pressed) asks for a new one.
    void size_changing();
    void check_pressed();

public slots:
    void slot_options_changed();
    void slot_app_focus_changed(QWidget* old, QWidget* now);

private slots:
    void slot_current_filter_changed(int index);
    void slot_start();
    void slot_about_to_quit();
    void slot_current_filter_activated(int index);
    void slot_current_filter_user_activated(int index);
    void slot_preset_activated(int index);
    void slot_save_preset();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The panel row's left and right margins together.
    static constexpr int kPanelRowMargins = 20;

    // Puts every filter in the list, with its parameter panel.
    void fill_filter_list();
    void reset_panel();
    void update_enabled_state();
    void keep_above_documents();
    // The filters the factory knows but the list does not offer show only for a document that
    // uses one, and cannot be picked.
    void offer_filters_for(const DocumentView* view);
    // The "Preset:" list and its buttons, in rows 1 and 2 of the grid that holds "Filter:".
    void add_preset_rows(QGridLayout* grid, const QFont& label_font);
    // Reads the current filter's presets again into the list.
    void fill_preset_list();
    // Selects the preset shown (see shown_preset()) and marks it "(modified)" when it is.
    void show_preset_state();
    // Tells, once a run and while a document is current, of preset files that were skipped.
    void report_skipped_presets(const QVector<SkippedPreset>& skipped);
    void hide_preset_message();
    // Tab goes round the window in reading order: filter, preset row, the shown panel's controls
    // row by row, Live, Process, then the preview's zoom above them all.
    void set_focus_order();
    // F6: back to the current document's window.
    void focus_document();
    // Lets the panel area scroll when the whole window would not fit the height of its screen.
    void fit_to_screen();
    void set_compact_panels(bool compact);

    DocumentRegistry* m_registry;
    bool m_quitting = false;
    bool m_compact_panels = false;
    Placeholder* m_placeholder;
    Thumbnail* m_thumbnail;
    BevelComboBox* m_filter_combo;
    BevelComboBox* m_preset_combo;
    BevelButton* m_save_preset_button;
    BevelButton* m_delete_preset_button;
    QStackedWidget* m_panels;
    PanelScrollArea* m_panel_area = nullptr;
    BevelButton* m_process_button;
    QCheckBox* m_live_checkbox;
    int m_previous_filter_index = 0;
    int m_offered_filters = 0;
    ImageZoomSlider* m_zoom_slider;
    SizeGrip* m_size_grip;
    PreviewScheduler* m_preview;
    PresetStore m_preset_store;
    // "Default" and the presets of m_preset_filter, as the list holds them.
    QVector<Preset> m_presets;
    QString m_preset_filter;
    QLabel* m_preset_message = nullptr;
    QTimer* m_preset_message_timer = nullptr;
    QString m_shown_preset;
    bool m_preset_modified = false;
    // The preset files already reported as skipped.
    QSet<QString> m_reported_presets;
};
