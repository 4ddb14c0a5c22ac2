#include "ui/panel/control_window.h"

#include "core/filters/filter_list.h"
#include "ui/document/document_view.h"
#include "ui/document/document_window.h"
#include "ui/document/launcher.h"
#include "ui/panel/filter_widget.h"
#include "ui/panel/image_zoom_slider.h"
#include "ui/panel/preview_scheduler.h"
#include "ui/panel/thumbnail.h"
#include "ui/widgets/bevel_button.h"
#include "ui/widgets/bevel_combo_box.h"
#include "ui/widgets/placeholder.h"

#include <QListView>
#include <QStackedWidget>

// The control window serving the current document: the registry's document, the panel stored into
// a document and loaded from it, and what the panel allows while the document is busy.

QList<DocumentWindow*> ControlWindow::document_windows() const
{
    return m_registry->windows();
}

QUndoGroup* ControlWindow::undo_group() const
{
    return m_registry->undo_group();
}

DocumentView* ControlWindow::current_document() const
{
    return m_registry->current_document();
}

DocumentWindow* ControlWindow::current_document_window() const
{
    return m_registry->current_window();
}

void ControlWindow::set_current_document(DocumentView* view, bool store_previous)
{
    m_registry->set_current_document(view, store_previous);
}

void ControlWindow::push_undo(QUndoCommand* command)
{
    m_registry->push_undo(command);
}

void ControlWindow::slot_app_focus_changed(QWidget* old, QWidget* now)
{
    Q_UNUSED(old);
    // The document of the focused widget becomes current.
    for (QObject* object = now ? now->parent() : nullptr; object; object = object->parent()) {
        if (auto* view = qobject_cast<DocumentView*>(object)) {
            if (view != current_document())
                set_current_document(view, true);
            break;
        }
    }
}

void ControlWindow::store_document_settings(DocumentView* view)
{
    if (!view)
        return;
    view->set_filter_index(m_filter_combo->currentIndex());
    for (int i = 0; i < m_filter_combo->count(); ++i)
        view->store_parameters(m_filter_combo->itemData(i).toString(), panel(i)->parameters());
}

void ControlWindow::show_document(DocumentView* view)
{
    offer_filters_for(view);
    if (!view || !view->has_picture()) {
        reset_panel();
    } else {
        m_thumbnail->set_source(view->source_image());
        // Everything is loaded before anything reacts: nothing in between may run a preview, or
        // let another document take the panel while it shows half of this one.
        {
            const QSignalBlocker blocker(m_filter_combo);
            m_filter_combo->setCurrentIndex(std::max(0, view->filter_index()));
        }
        for (int i = 0; i < m_filter_combo->count(); ++i) {
            const QSignalBlocker quiet(panel(i));
            const FilterParametersPtr stored =
                view->parameters_for(m_filter_combo->itemData(i).toString());
            if (stored)
                panel(i)->set_parameters(stored);
            else
                panel(i)->reset_to_defaults();
        }
        // One preview follows, for all the panels together.
        slot_current_filter_changed(m_filter_combo->currentIndex());
    }
    update_enabled_state();
    if (view && !m_quitting && !isVisible())
        show();
    keep_above_documents();
}

void ControlWindow::offer_filters_for(const DocumentView* view)
{
    auto* list = qobject_cast<QListView*>(m_filter_combo->view());
    const int used = view && view->has_picture() ? view->filter_index() : -1;
    for (int i = m_offered_filters; i < m_filter_combo->count(); ++i) {
        if (list)
            list->setRowHidden(i, i != used);
    }
}

void ControlWindow::document_busy_changed(DocumentView* view)
{
    if (DocumentWindow* window = view ? view->document_window() : nullptr)
        window->check_enabled_widgets();
    if (view != current_document())
        return;
    update_enabled_state();
    // The panel is back for the document once its render is over.
    if (!view->is_rendering() && !m_quitting && !isVisible())
        show();
}

FilterParametersPtr ControlWindow::document_parameters(const DocumentView* view) const
{
    if (!view || view == current_document())
        return current_parameters();
    int index = view->filter_index();
    if (index < 0 || index >= m_filter_combo->count())
        index = 0;
    const QString name = m_filter_combo->itemData(index).toString();
    if (const FilterParametersPtr kept = view->parameters_for(name))
        return FilterParametersPtr(new FilterParameters(*kept));
    return defaultParameters(name);
}

void ControlWindow::reset_panel()
{
    const QSignalBlocker blocker(m_filter_combo);
    m_preview->stop();
    m_thumbnail->hide();
    m_placeholder->show();
    m_filter_combo->setCurrentIndex(0);
    m_panels->setCurrentIndex(0);
    m_zoom_slider->setEnabled(false);
    for (int i = 0; i < m_filter_combo->count(); ++i) {
        const QSignalBlocker quiet(panel(i));
        panel(i)->reset_to_defaults();
    }
    m_thumbnail->clear();
    fill_preset_list();
    show_preset_state();
}

void ControlWindow::update_enabled_state()
{
    const DocumentView* current = current_document();
    const bool enabled = current && current->has_picture() && !current->is_rendering() &&
                         !(current->launcher() && current->launcher()->busy());
    m_filter_combo->setEnabled(enabled);
    m_preset_combo->setEnabled(enabled);
    m_save_preset_button->setEnabled(enabled);
    m_panels->setEnabled(enabled);
    m_process_button->setEnabled(enabled);
    m_zoom_slider->setEnabled(enabled);
    show_preset_state();
}
