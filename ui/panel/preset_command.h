#pragma once

#include <QPointer>
#include <QString>
#include <QUndoCommand>

#include "core/framework/filter_parameters.h"

class DocumentView;
class FilterWidget;

// A preset chosen in the control window: redo remembers the preset's name for the document and
// shows the preset's settings in the filter's panel, undo gives back the name and every setting
// from before, all in one step. The panel emits changed() once for each, which makes the control
// window show the preset and ask for a new preview. Keeps the panel and the document through
// QPointers: without the panel the command does nothing, without the document it only sets the
// panel. Lives on the document's undo stack.
class PresetCommand : public QUndoCommand
{
public:
    PresetCommand(DocumentView* view, FilterWidget* panel, const FilterParametersPtr& before,
                  const QString& preset_before, const FilterParametersPtr& after,
                  const QString& preset_after, QUndoCommand* parent = nullptr);

    void undo() override;
    void redo() override;

private:
    void apply(const FilterParametersPtr& settings, const QString& preset);

    QPointer<DocumentView> m_view;
    QPointer<FilterWidget> m_panel;
    FilterParametersPtr m_before;
    QString m_preset_before;
    FilterParametersPtr m_after;
    QString m_preset_after;
};
