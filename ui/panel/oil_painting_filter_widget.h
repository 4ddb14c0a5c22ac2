#pragma once

#include "ui/panel/filter_widget.h"

// The settings of the "Oil" filter: the generic panel, plus what its oil type does beyond
// choosing the rows shown. Changing the oil type puts the pencil overlay and the texture back to
// "None", and a user's change of type is one undo step that also gives both back. See
// FilterWidget for ownership and thread.
class OilPaintingFilterWidget : public FilterWidget
{
    Q_OBJECT
public:
    explicit OilPaintingFilterWidget(QWidget* parent = nullptr);

    QComboBox* oil_type_combo() const { return m_oil_type; }

protected:
    void choice_changed(QComboBox* combo) override;
    void choice_activated(QComboBox* combo) override;

private:
    QComboBox* m_oil_type;
    // What the pencil and texture lists showed before the last oil type change cleared them.
    int m_pencil_before_change = 0;
    int m_texture_before_change = 0;
};
