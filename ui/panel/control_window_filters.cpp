#include "ui/panel/control_window.h"

#include "ui/logging.h"

#include "core/filters/filter_list.h"
#include "ui/document/document_view.h"
#include "ui/panel/create_panel.h"
#include "ui/panel/filter_change_command.h"
#include "ui/panel/filter_widget.h"
#include "ui/panel/panel_scroll_area.h"
#include "ui/panel/preview_scheduler.h"
#include "ui/panel/preview_widget.h"
#include "ui/panel/thumbnail.h"
#include "ui/widgets/bevel_combo_box.h"

#include <QCoreApplication>
#include <QStackedWidget>
#include <QStandardItemModel>

// The control window's filter list: the filters and their parameter panels, the choice of a filter
// as an undoable step, and the preview of the chosen filter's settings.

void ControlWindow::fill_filter_list()
{
    // The offered filters, then the ones only a document can bring (hidden until one does). The
    // list shows each filter's display name and carries its identity name.
    QStringList names = filterNames();
    m_offered_filters = names.size();
    for (const QString& name : allFilterNames()) {
        if (!names.contains(name))
            names.append(name);
    }
    for (const QString& name : qAsConst(names)) {
        const FilterDescriptor* descriptor = findFilter(name);
        m_filter_combo->addItem(descriptor->displayName(), descriptor->name);
        FilterWidget* panel = create_panel(descriptor->name, m_panels);
        panel->set_registry(m_registry);
        m_panels->addWidget(panel);
        connect(panel, &FilterWidget::changed, this, &ControlWindow::slot_options_changed);
    }
    if (auto* model = qobject_cast<QStandardItemModel*>(m_filter_combo->model())) {
        for (int i = m_offered_filters; i < m_filter_combo->count(); ++i)
            model->item(i)->setEnabled(false);
    }
}

FilterWidget* ControlWindow::panel(int index) const
{
    return qobject_cast<FilterWidget*>(m_panels->widget(index));
}

FilterParametersPtr ControlWindow::current_parameters() const
{
    return panel(std::max(0, m_filter_combo->currentIndex()))->parameters();
}

QString ControlWindow::current_filter_name() const
{
    return m_filter_combo->currentData().toString();
}

int ControlWindow::filter_index(const QString& name) const
{
    for (int i = 0; i < m_filter_combo->count(); ++i) {
        if (m_filter_combo->itemData(i).toString() == name)
            return i;
    }
    return -1;
}

void ControlWindow::slot_current_filter_changed(int index)
{
    if (index < 0)
        return;
    m_panels->setCurrentIndex(index);
    // Screen readers name the preview after the filter it shows.
    m_thumbnail->preview()->setAccessibleName(
        tr("Preview of %1").arg(m_filter_combo->itemText(index)));
    // The panels of the filters only a document brings are wider than the window's usual width:
    // the window grows to show them whole.
    if (QWidget* page = m_panels->currentWidget()) {
        const QMargins margins = contentsMargins();
        const int needed =
            page->minimumSizeHint().width() + kPanelRowMargins + margins.left() + margins.right();
        if (width() < needed)
            resize(needed, height());
    }
    // The filter's presets as they are on disk now.
    fill_preset_list();
    slot_options_changed();
}

void ControlWindow::slot_current_filter_activated(int index)
{
    Q_UNUSED(index);
    m_previous_filter_index = m_filter_combo->currentIndex();
}

void ControlWindow::slot_current_filter_user_activated(int index)
{
    // The filter shown chosen again changes nothing: no step to undo.
    if (index == m_previous_filter_index)
        return;
    auto* command = new FilterChangeCommand(m_filter_combo, index, m_previous_filter_index);
    command->setText(tr("Filter"));
    push_undo(command);
    m_previous_filter_index = index;
}

void ControlWindow::slot_start()
{
    if (DocumentView* view = current_document())
        view->process(m_filter_combo->currentData().toString());
}

void ControlWindow::slot_options_changed()
{
    show_preset_state();
    preview_current_filter();
}

void ControlWindow::preview_current_filter()
{
    qCDebug(lcPanel) << "ControlWindow::preview_current_filter();";
    m_preview->stop();
    if (!current_document() || !current_document()->has_picture())
        return;
    // Another panel, or rows of this one shown or hidden, can change the preview's size through
    // layout requests still queued: the piece to filter is measured on the settled layout, or the
    // result would not cover the preview.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    // The panel area hears of its panel's new height from inside the scroll area: once more.
    m_panel_area->updateGeometry();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    m_preview->render(current_filter_name(), *current_parameters());
}

Worker* ControlWindow::preview_worker() const
{
    return m_preview->worker();
}

const ResultCache& ControlWindow::preview_cache() const
{
    return m_preview->cache();
}

void ControlWindow::size_changing()
{
    m_preview->size_changing();
}

void ControlWindow::check_pressed()
{
    m_preview->check_pressed();
}
