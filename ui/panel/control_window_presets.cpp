#include "ui/panel/control_window.h"

#include "ui/logging.h"

#include "ui/document/document_view.h"
#include "ui/panel/filter_widget.h"
#include "ui/panel/preset_command.h"
#include "ui/widgets/bevel_button.h"
#include "ui/widgets/bevel_combo_box.h"
#include "ui/widgets/bevel_label.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QTimer>

// The control window's presets: the "Preset:" list of the current filter ("Default", the built-in
// presets, the user's), choosing one as an undoable step, and saving and deleting the user's own.
// The presets themselves (files, names, checks) are the PresetStore's.

namespace {

// How long the news of skipped preset files stays.
constexpr int kPresetMessageMilliseconds = 10000;

bool same_name(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

void ControlWindow::add_preset_rows(QGridLayout* grid, const QFont& label_font)
{
    auto* label = new BevelLabel(tr("Preset:"), this);
    label->setFont(label_font);
    grid->addWidget(label, 1, 1, Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(m_preset_combo, 1, 2);
    label->setBuddy(m_preset_combo);
    m_preset_combo->setAccessibleName(tr("Preset"));
    m_preset_combo->setPlaceholderText(tr("No preset"));
    m_preset_combo->setFixedWidth(206);
    m_preset_combo->setToolTip(tr("Named settings of the filter: choose one to set them all"));

    QFont button_font(QStringLiteral("Arial Regular"));
    button_font.setPointSize(10);
    // The buttons end where the list ends, under the label and the list.
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(6);
    buttons->addStretch(1);
    for (BevelButton* button : {m_save_preset_button, m_delete_preset_button}) {
        button->setFont(button_font);
        button->setFocusPolicy(Qt::TabFocus);
        buttons->addWidget(button);
    }
    m_save_preset_button->setToolTip(tr("Keep the filter's settings under a name of your own"));
    m_delete_preset_button->setToolTip(tr("Delete the preset of your own that is chosen"));
    grid->addLayout(buttons, 2, 1, 1, 2);

    m_preset_message = new QLabel(this);
    m_preset_message->setWordWrap(true);
    QFont message_font = m_preset_message->font();
    message_font.setPointSize(std::max(7, message_font.pointSize() - 1));
    m_preset_message->setFont(message_font);
    m_preset_message->hide();
    grid->addWidget(m_preset_message, 3, 1, 1, 2);
    m_preset_message_timer = new QTimer(this);
    m_preset_message_timer->setSingleShot(true);
    m_preset_message_timer->setInterval(kPresetMessageMilliseconds);
    connect(m_preset_message_timer, &QTimer::timeout, this, &ControlWindow::hide_preset_message);

    connect(m_preset_combo, &QComboBox::activated, this, &ControlWindow::slot_preset_activated);
    connect(m_save_preset_button, &QPushButton::clicked, this, &ControlWindow::slot_save_preset);
    connect(m_delete_preset_button, &QPushButton::clicked, this, [this] { delete_preset(); });
}

void ControlWindow::fill_preset_list()
{
    const QString filter = current_filter_name();
    QVector<SkippedPreset> skipped;
    m_preset_filter = filter;
    m_presets = {Preset{defaultPresetName(), true, defaultPresetSettings(filter)}};
    m_presets += m_preset_store.presets(filter, &skipped);
    {
        const QSignalBlocker blocker(m_preset_combo);
        m_preset_combo->clear();
        for (int i = 0; i < m_presets.size(); ++i)
            m_preset_combo->addItem(i == 0 ? tr("Default") : m_presets.at(i).name,
                                    m_presets.at(i).name);
    }
    report_skipped_presets(skipped);
}

QString ControlWindow::document_preset(const DocumentView* view) const
{
    if (!view)
        return QString();
    // Unchanged defaults need no name: the settings show "Default" again by themselves.
    if (view == current_document())
        return !m_preset_modified && same_name(m_shown_preset, defaultPresetName())
                   ? QString()
                   : m_shown_preset;
    const int index = view->filter_index();
    if (index < 0 || index >= m_filter_combo->count())
        return QString();
    const QString chosen = view->preset_for(m_filter_combo->itemData(index).toString());
    return chosen == kUnknownPreset ? QString() : chosen;
}

void ControlWindow::show_preset_state()
{
    if (current_filter_name() != m_preset_filter)
        fill_preset_list();
    const FilterParameters current = *current_parameters();
    const DocumentView* view = current_document();
    const QString chosen = view ? view->preset_for(m_preset_filter) : QString();

    int index = -1;
    for (int i = 0; i < m_presets.size() && index < 0 && !chosen.isEmpty(); ++i) {
        if (same_name(m_presets.at(i).name, chosen))
            index = i;
    }
    for (int i = 0; i < m_presets.size() && index < 0; ++i) {
        if (sameSettings(m_presets.at(i).settings, current))
            index = i;
    }
    // Settings that came from no known preset (a document that names none, or a preset since
    // deleted), equal to none: no preset shows rather than a wrong one.
    const bool none = index < 0 && !chosen.isEmpty();
    index = std::max(index, 0);
    m_shown_preset = none ? QString() : m_presets.at(index).name;
    m_preset_modified = !none && !sameSettings(m_presets.at(index).settings, current);

    const QSignalBlocker blocker(m_preset_combo);
    for (int i = 0; i < m_preset_combo->count(); ++i) {
        QString text = i == 0 ? tr("Default") : m_presets.at(i).name;
        if (i == index && m_preset_modified)
            text += tr(" (modified)");
        m_preset_combo->setItemText(i, text);
    }
    m_preset_combo->setCurrentIndex(none ? -1 : index);
    m_delete_preset_button->setEnabled(m_preset_combo->isEnabled() && !none &&
                                       !m_presets.at(index).builtIn);
}

void ControlWindow::report_skipped_presets(const QVector<SkippedPreset>& skipped)
{
    // Without a document the preset row is not in use: the news waits for one.
    if (!current_document())
        return;
    QStringList names;
    QString reason;
    for (const SkippedPreset& file : skipped) {
        if (m_reported_presets.contains(file.path))
            continue;
        m_reported_presets.insert(file.path);
        names.append(file.name);
        reason = file.reason;
    }
    if (names.isEmpty())
        return;
    if (names.size() == 1) {
        m_preset_message->setText(tr("Preset \"%1\" skipped: %2.").arg(names.first(), reason));
    } else {
        m_preset_message->setText(tr("%1 damaged presets skipped: %2.")
                                      .arg(names.size())
                                      .arg(names.join(QStringLiteral(", "))));
    }
    m_preset_message->show();
    m_preset_message_timer->start();
}

void ControlWindow::hide_preset_message()
{
    m_preset_message_timer->stop();
    m_preset_message->hide();
}

bool ControlWindow::choose_preset(const QString& name)
{
    const Preset* preset = nullptr;
    for (const Preset& candidate : qAsConst(m_presets)) {
        if (same_name(candidate.name, name))
            preset = &candidate;
    }
    if (!preset)
        return false;
    // The preset shown, unchanged, chosen again changes nothing: no step to undo.
    if (same_name(preset->name, m_shown_preset) && !m_preset_modified) {
        show_preset_state();
        return true;
    }
    hide_preset_message();
    DocumentView* view = current_document();
    FilterWidget* settings = panel(std::max(0, m_filter_combo->currentIndex()));
    auto* command = new PresetCommand(view, settings, settings->parameters(),
                                      view ? view->preset_for(m_preset_filter) : QString(),
                                      FilterParametersPtr(new FilterParameters(preset->settings)),
                                      preset->name);
    command->setText(tr("Preset"));
    qCDebug(lcPanel) << "ControlWindow::choose_preset" << preset->name;
    push_undo(command);
    return true;
}

void ControlWindow::slot_preset_activated(int index)
{
    if (!choose_preset(m_preset_combo->itemData(index).toString()))
        show_preset_state();
}

bool ControlWindow::save_preset(const QString& name)
{
    hide_preset_message();
    const QString title = tr("Save as Preset");
    QString problem = checkPresetName(name);
    if (problem.isEmpty() && isReservedPresetName(m_preset_filter, name))
        problem = tr("it is the name of a built-in preset");
    if (!problem.isEmpty()) {
        QMessageBox::warning(this, title,
                             tr("\"%1\" cannot be the name of a preset: %2.").arg(name, problem));
        return false;
    }
    const QString existing = m_preset_store.userPresetNamed(m_preset_filter, name);
    if (!existing.isEmpty() &&
        QMessageBox::question(
            this, title, tr("A preset named \"%1\" already exists. Replace it?").arg(existing),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return false;
    QString error;
    if (!m_preset_store.save(name, *current_parameters(), &error)) {
        QMessageBox::warning(this, title, tr("The preset could not be saved: %1.").arg(error));
        return false;
    }
    if (DocumentView* view = current_document())
        view->set_preset_for(m_preset_filter, name);
    fill_preset_list();
    show_preset_state();
    return true;
}

void ControlWindow::slot_save_preset()
{
    // A preset of the user's own shown is the likely name to save under again.
    QString name;
    for (const Preset& preset : qAsConst(m_presets)) {
        if (!preset.builtIn && preset.name == m_shown_preset)
            name = preset.name;
    }
    for (;;) {
        bool ok = false;
        name = QInputDialog::getText(this, tr("Save as Preset"), tr("Name of the preset:"),
                                     QLineEdit::Normal, name, &ok)
                   .trimmed();
        // A refused name, or a replacement not wanted: the question comes again.
        if (!ok || save_preset(name))
            return;
    }
}

bool ControlWindow::delete_preset()
{
    const QString name = m_shown_preset;
    const bool own = std::any_of(m_presets.cbegin(), m_presets.cend(),
                                 [&name](const Preset& p) { return !p.builtIn && p.name == name; });
    if (!own)
        return false;
    hide_preset_message();
    const QString title = tr("Delete Preset");
    if (QMessageBox::question(this, title, tr("Delete the preset \"%1\"?").arg(name),
                              QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes)
        return false;
    QString error;
    const bool deleted = m_preset_store.remove(m_preset_filter, name, &error);
    if (!deleted)
        QMessageBox::warning(this, title, tr("The preset could not be deleted: %1.").arg(error));
    else if (DocumentView* view = current_document())
        view->set_preset_for(m_preset_filter, QString());
    fill_preset_list();
    show_preset_state();
    return deleted;
}
