#include "ui/panel/preset_command.h"

#include "ui/logging.h"

#include "ui/document/document_view.h"
#include "ui/panel/filter_widget.h"

#include <QDebug>

PresetCommand::PresetCommand(DocumentView* view, FilterWidget* panel,
                             const FilterParametersPtr& before, const QString& preset_before,
                             const FilterParametersPtr& after, const QString& preset_after,
                             QUndoCommand* parent)
    : QUndoCommand(parent), m_view(view), m_panel(panel), m_before(before),
      m_preset_before(preset_before), m_after(after), m_preset_after(preset_after)
{
}

void PresetCommand::redo()
{
    qCDebug(lcPanel) << "PresetCommand::redo" << m_preset_after;
    apply(m_after, m_preset_after);
}

void PresetCommand::undo()
{
    qCDebug(lcPanel) << "PresetCommand::undo" << m_preset_before;
    apply(m_before, m_preset_before);
}

void PresetCommand::apply(const FilterParametersPtr& settings, const QString& preset)
{
    if (!m_panel)
        return;
    // The name first: the panel's changed() shows the preset by it.
    if (m_view)
        m_view->set_preset_for(m_panel->filter_name(), preset);
    m_panel->set_parameters(settings);
}
