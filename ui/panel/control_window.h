#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QVector>

#include "core/framework/filter_parameters.h"
#include "core/framework/result_cache.h"
#include "ui/document/document_registry.h"

class BevelButton;
class QCheckBox;
class BevelComboBox;
class DocumentView;
class DocumentWindow;
class FilterWidget;
class ImageZoomSlider;
class SizeGrip;
class Thumbnail;
class Worker;
class Placeholder;
class PreviewScheduler;
class QStackedWidget;
class QUndoCommand;
class QUndoGroup;

// The one filter panel of the application: a floating tool window that serves the current
// document of its registry (the most recently focused document view). It shows the "Filter:"
// list, the settings of the chosen filter and the "Process" button, and sends setting changes to
// the current document's undo stack. It stays above the document windows as the application's
// tool window, never above its dialogs.
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

    // A fresh copy of the settings of the filter now chosen.
    FilterParametersPtr current_parameters() const;
    QString current_filter_name() const;
    void push_undo(QUndoCommand* command);
    QUndoGroup* undo_group() const;
    BevelComboBox* filter_combo() const { return m_filter_combo; }
    BevelButton* process_button() const { return m_process_button; }
    QCheckBox* live_checkbox() const { return m_live_checkbox; }
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

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
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

    DocumentRegistry* m_registry;
    bool m_quitting = false;
    Placeholder* m_placeholder;
    Thumbnail* m_thumbnail;
    BevelComboBox* m_filter_combo;
    QStackedWidget* m_panels;
    BevelButton* m_process_button;
    QCheckBox* m_live_checkbox;
    int m_previous_filter_index = 0;
    int m_offered_filters = 0;
    ImageZoomSlider* m_zoom_slider;
    SizeGrip* m_size_grip;
    PreviewScheduler* m_preview;
};
