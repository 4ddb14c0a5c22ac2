#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QVector>

#include <functional>

#include "core/framework/filter_parameters.h"
#include "core/framework/result_cache.h"

class BevelButton;
class BevelComboBox;
class DocumentView;
class DocumentWindow;
class FilterWidget;
class ImageZoomSlider;
class SizeGrip;
class Thumbnail;
class Worker;
class Placeholder;
class QStackedWidget;
class QUndoCommand;
class QUndoGroup;

// The one filter panel of the application: a floating tool window that serves the current
// document (the most recently focused document view). It shows the "Filter:" list, the settings
// of the chosen filter and the "Process" button; it keeps the register of open document windows
// and quits the application when the last one goes; it owns the undo group that holds every
// document's undo stack and routes setting changes to the current document's stack.
//
// Created on first use by instance(); lives on the GUI thread until the application quits.
class ControlWindow : public QDialog
{
    Q_OBJECT
public:
    static ControlWindow* instance();
    // The control window if it exists (null before the first instance() and after it is gone).
    static ControlWindow* existing();

    void add_document_window(DocumentWindow* window);
    void remove_document_window(DocumentWindow* window);
    QList<DocumentWindow*> document_windows() const { return m_document_windows; }

    void set_current_document(DocumentView* view, bool store_previous);
    DocumentView* current_document() const;
    DocumentWindow* current_document_window() const;
    void document_closed(DocumentView* view);
    void document_busy_changed(DocumentView* view);

    // A fresh copy of the settings of the filter now chosen.
    FilterParametersPtr current_parameters() const;
    // A fresh copy of the settings a document is saved with: the panel's for the current
    // document; for another one, the set it kept for its filter when it was last current (the
    // filter's defaults when it kept none).
    FilterParametersPtr document_parameters(const DocumentView* view) const;
    QString current_filter_name() const;
    int filter_index(const QString& name) const;
    int next_untitled_number() const;
    DocumentWindow* find_document_window(const QString& name) const;
    void push_undo(QUndoCommand* command);
    QUndoGroup* undo_group() const { return m_undo_group; }
    BevelComboBox* filter_combo() const { return m_filter_combo; }
    BevelButton* process_button() const { return m_process_button; }
    // The parameter panel of the filter at index in the list.
    FilterWidget* panel(int index) const;
    Thumbnail* thumbnail() const { return m_thumbnail; }
    ImageZoomSlider* zoom_slider() const { return m_zoom_slider; }
    Worker* preview_worker() const { return m_preview_worker; }
    const ResultCache& preview_cache() const { return m_preview_cache; }
    // Renders the preview of the current filter on the visible part of the current picture: from
    // the cache when it holds the same piece and settings, else on a worker thread.
    void preview_current_filter();
    // The window is being resized: the preview shows the scaled picture until the next mouse
    // movement (check_pressed) asks for a new one.
    void size_changing();
    void check_pressed();

    // What happens when the last document window has gone (QCoreApplication::quit by default;
    // tests watch it instead).
    void set_quit_handler(const std::function<void()>& handler) { m_quit_handler = handler; }

public slots:
    void slot_options_changed();
    void slot_app_focus_changed(QWidget* old, QWidget* now);

private slots:
    void slot_current_filter_changed(int index);
    void slot_start();
    void slot_about_to_quit();
    void slot_current_filter_activated(int index);
    void slot_current_filter_user_activated(int index);
    void slot_check_document_modify(bool clean);
    void slot_thread_finished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ControlWindow();
    ~ControlWindow() override;

    void reset_panel();
    void update_enabled_state();
    void set_stays_on_top(bool active);
    void stop_preview_worker();

    bool m_quitting = false;
    Placeholder* m_placeholder;
    Thumbnail* m_thumbnail;
    BevelComboBox* m_filter_combo;
    QStackedWidget* m_panels;
    BevelButton* m_process_button;
    QList<DocumentWindow*> m_document_windows;
    QPointer<DocumentView> m_current_document;
    ResultCache m_preview_cache;
    Worker* m_preview_worker = nullptr;
    QUndoGroup* m_undo_group;
    int m_previous_filter_index = 0;
    ImageZoomSlider* m_zoom_slider;
    SizeGrip* m_size_grip;
    std::function<void()> m_quit_handler;
};
