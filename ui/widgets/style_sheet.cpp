#include "ui/widgets/style_sheet.h"

#include <QStringList>

QString applicationStyleSheet(qreal devicePixelRatio)
{
    const QString cut = devicePixelRatio > 1.0 ? QStringLiteral("20") : QStringLiteral("10");
    // Groove and the part after the handle share one gradient, so no part of the groove is
    // highlighted.
    const QString groove = QStringLiteral(
        "height: 4px; background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 4, stop: 0 #555555, "
        "stop: 1 #FFFFFF); border-radius: 2px;");
    const QStringList rules = {
        QStringLiteral("BevelButton { border-image: url(:/button.png) %1; border-width: 10px; "
                       "padding: -10px 0px; min-height: 24px; }")
            .arg(cut),
        QStringLiteral("BevelButton:pressed { border-image: url(:/button-pressed.png) %1; "
                       "padding-top: -9px; padding-bottom: -11px; }")
            .arg(cut),
        QStringLiteral("BevelComboBox:!editable { border-image: url(:/combobox.png) %1; "
                       "border-width: 10px; padding: -10px 0px; padding-right: 8px; "
                       "min-height: 20px; }")
            .arg(cut),
        QStringLiteral("BevelComboBox:!editable:on { border-image: url(:/combobox-pressed.png) %1; "
                       "padding-top: -9px; padding-bottom: -11px; }")
            .arg(cut),
        QStringLiteral("BevelComboBox::down-arrow { image: url(:/arrows.png); }"),
        QStringLiteral("BevelComboBox::down-arrow:on { top: 1px; }"),
        QStringLiteral("BevelComboBox::drop-down:!editable { subcontrol-origin: padding; "
                       "subcontrol-position: center right; border-width: 0px; width: 16px; "
                       "height: 16px; position: absolute; top: 2px; bottom: 0px; right: -6px; "
                       "background: none; }"),
        QStringLiteral("QSlider::groove:horizontal { ") + groove + QStringLiteral(" }"),
        QStringLiteral("QSlider::add-page:horizontal { ") + groove + QStringLiteral(" }"),
        QStringLiteral("QSlider::handle:horizontal { image: url(:/slider-handle.png); width: 14; "
                       "margin: -6px 0; }"),
        QStringLiteral("QSlider::handle:horizontal:pressed { "
                       "image: url(:/slider-handle-pressed.png); width: 14; margin: -6px 0; }"),
        QStringLiteral("QScrollArea { background: rgb(135, 135, 135); }"),
        // The control window's panel area shows the panel's grey.
        QStringLiteral("PanelScrollArea { background: transparent; }"),
    };
    return rules.join(QLatin1Char('\n'));
}
