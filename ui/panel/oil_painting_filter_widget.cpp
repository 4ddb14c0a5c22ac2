#include "ui/panel/oil_painting_filter_widget.h"

#include "core/filters/oil_painting_filter.h"
#include "core/framework/parameter_keys.h"
#include "ui/panel/filter_change_command.h"
#include "ui/panel/filter_value_command.h"
#include "ui/widgets/bevel_combo_box.h"

OilPaintingFilterWidget::OilPaintingFilterWidget(QWidget* parent)
    : FilterWidget(OilPaintingFilter::descriptor(), parent), m_oil_type(combo(Keys::Oil::type))
{
}

void OilPaintingFilterWidget::choice_changed(QComboBox* combo)
{
    if (combo != m_oil_type)
        return;
    // Keys are applied in ascending order, so a stored set gives its oil type before its pencil
    // and texture ("OilPaintingA..." < "OilPaintingF..." < "Texturize..."): the reset below does
    // not undo them.
    m_pencil_before_change = pencil_combo()->currentIndex();
    m_texture_before_change = texture_combo()->currentIndex();
    reset_combos();
}

void OilPaintingFilterWidget::choice_activated(QComboBox* combo)
{
    if (combo != m_oil_type) {
        FilterWidget::choice_activated(combo);
        return;
    }
    const int before = remembered_index(m_oil_type);
    const int now = m_oil_type->currentIndex();
    if (before == now)
        return; // the type chosen again: nothing changes, nothing to undo
    // One step that also gives back the pencil and texture the change cleared: undone in reverse
    // order, the oil type returns first (clearing both lists again), then the texture and the
    // pencil.
    auto* step = new QUndoCommand;
    new FilterChangeCommand(pencil_combo(), 0, m_pencil_before_change, step);
    new FilterChangeCommand(texture_combo(), 0, m_texture_before_change, step);
    new FilterChangeCommand(m_oil_type, now, before, step);
    record_setting_change(m_oil_type, step);
    remember_index(m_oil_type);
}
