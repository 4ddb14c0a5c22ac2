#include "ui/batch/batch_export_window.h"

#include "batch/batch_renderer.h"
#include "batch/batch_thread.h"
#include "document/picture_formats.h"
#include "document/picture_io.h"
#include "document/presets.h"
#include "document/settings.h"
#include "ui/document/file_dialogs.h"
#include "ui/logging.h"
#include "ui/widgets/bevel_button.h"
#include "ui/widgets/bevel_combo_box.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

// The grey of the control window's panels.
const QColor kPanelGrey(196, 196, 196);

// A picture's entry in the percentages once it is written, skipped or failed (counting as 100).
constexpr int kEnded = 101;

// The suffixes of the pictures a folder contributes (letter case ignored).
const QStringList& pictureSuffixes()
{
    static const QStringList suffixes = readablePictureSuffixesOfTable();
    return suffixes;
}

// The pictures in folder (and its subfolders with recursive), sorted by path.
QStringList picturesIn(const QString& folder, bool recursive)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Readable,
                    recursive ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
    while (it.hasNext()) {
        const QString path = it.next();
        if (pictureSuffixes().contains(QFileInfo(path).suffix().toLower()))
            found.append(path);
    }
    std::sort(found.begin(), found.end());
    return found;
}

BatchExportWindow::FolderOpener& folderOpener()
{
    static BatchExportWindow::FolderOpener opener;
    return opener;
}

} // namespace

BatchExportWindow::BatchExportWindow(SettingsSource current_settings, QWidget* parent)
    : QWidget(parent, Qt::Window), m_current_settings(std::move(current_settings))
{
    setWindowTitle(tr("Batch Export"));
    setObjectName(QStringLiteral("batch_export"));
    QPalette shade = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        shade.setColor(group, QPalette::Window, kPanelGrey);
    setPalette(shade);
    setAutoFillBackground(true);
    // Drops anywhere on the window, the list included, add pictures.
    setAcceptDrops(true);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("pictures"));
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setAcceptDrops(false);
    m_list->viewport()->setAcceptDrops(false);
    m_list->setMinimumSize(420, 200);

    m_add = new BevelButton(tr("Add Pictures..."), this);
    m_add_folder = new BevelButton(tr("Add Folder..."), this);
    m_subfolders = new QCheckBox(tr("Include subfolders"), this);
    m_remove = new BevelButton(tr("Remove"), this);
    auto* list_buttons = new QHBoxLayout;
    list_buttons->addWidget(m_add);
    list_buttons->addWidget(m_add_folder);
    list_buttons->addWidget(m_subfolders);
    list_buttons->addStretch(1);
    list_buttons->addWidget(m_remove);

    m_folder = new QLineEdit(batch_output_folder(), this);
    m_folder->setObjectName(QStringLiteral("output_folder"));
    m_choose_folder = new BevelButton(tr("Choose..."), this);
    auto* folder_row = new QHBoxLayout;
    folder_row->addWidget(m_folder, 1);
    folder_row->addWidget(m_choose_folder);

    m_format = new BevelComboBox(this);
    m_format->setObjectName(QStringLiteral("format"));
    for (const PictureFormat& format : pictureFormats()) {
        if (isWritablePictureSuffix(format.writtenSuffix()))
            m_format->addItem(format.label, format.writtenSuffix());
    }
    m_format->setCurrentIndex(std::max(0, m_format->findData(batch_format())));
    m_quality_label = new QLabel(tr("&Quality:"), this);
    m_quality = new QSpinBox(this);
    m_quality->setObjectName(QStringLiteral("jpeg_quality"));
    m_quality->setRange(0, 100);
    m_quality->setValue(jpeg_quality());
    m_quality_label->setBuddy(m_quality);
    auto* format_row = new QHBoxLayout;
    format_row->addWidget(m_format);
    format_row->addSpacing(12);
    format_row->addWidget(m_quality_label);
    format_row->addWidget(m_quality);
    format_row->addStretch(1);

    m_pattern = new QLineEdit(batch_name_pattern(), this);
    m_pattern->setObjectName(QStringLiteral("name_pattern"));
    m_pattern->setToolTip(tr("{name} is the picture's name, {filter} the filter's, {ext} the "
                             "format's suffix."));
    // A pattern that cannot name the files is told as it is given, not only at the start.
    connect(m_pattern, &QLineEdit::editingFinished, this, [this] {
        const QString problem = checkNamePattern(m_pattern->text());
        if (!problem.isEmpty())
            m_summary->setText(tr("The name pattern cannot be used: %1.").arg(problem));
    });

    m_existing = new BevelComboBox(this);
    m_existing->setObjectName(QStringLiteral("existing_files"));
    m_existing->addItem(tr("Skip"), existingFilePolicyKey(ExistingFilePolicy::Skip));
    m_existing->addItem(tr("Overwrite"), existingFilePolicyKey(ExistingFilePolicy::Overwrite));
    m_existing->addItem(tr("Add a number"), existingFilePolicyKey(ExistingFilePolicy::AddNumber));
    m_existing->setCurrentIndex(
        std::max(0, m_existing->findData(
                        existingFilePolicyKey(existingFilePolicyFromKey(batch_existing_files())))));

    m_settings = new BevelComboBox(this);
    m_settings->setObjectName(QStringLiteral("settings"));
    m_keep = new QCheckBox(tr("Keep photo information"), this);
    m_keep->setObjectName(QStringLiteral("keep_photo_information"));
    m_keep->setChecked(keep_photo_information());

    auto* form = new QFormLayout;
    form->addRow(tr("Output folder:"), folder_row);
    form->addRow(tr("Format:"), format_row);
    form->addRow(tr("Name pattern:"), m_pattern);
    form->addRow(tr("Existing files:"), m_existing);
    form->addRow(tr("Settings:"), m_settings);
    form->addRow(QString(), m_keep);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("summary"));
    m_summary->setWordWrap(true);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_open_folder = new BevelButton(tr("Open Output Folder"), this);
    m_open_folder->setEnabled(false);
    m_cancel = new BevelButton(tr("Cancel"), this);
    m_start = new BevelButton(tr("Start"), this);
    m_start->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_open_folder);
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_start);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(list_buttons);
    layout->addSpacing(8);
    layout->addLayout(form);
    layout->addSpacing(8);
    layout->addWidget(m_progress);
    layout->addWidget(m_summary);
    layout->addLayout(buttons);

    connect(m_add, &QPushButton::clicked, this, &BatchExportWindow::add_pictures);
    connect(m_add_folder, &QPushButton::clicked, this, &BatchExportWindow::add_folder);
    connect(m_remove, &QPushButton::clicked, this, &BatchExportWindow::remove_selected);
    connect(m_choose_folder, &QPushButton::clicked, this, &BatchExportWindow::choose_output_folder);
    connect(m_open_folder, &QPushButton::clicked, this, &BatchExportWindow::open_output_folder);
    connect(m_start, &QPushButton::clicked, this, &BatchExportWindow::start);
    connect(m_cancel, &QPushButton::clicked, this, &BatchExportWindow::cancel);
    connect(m_format, &QComboBox::currentIndexChanged, this, &BatchExportWindow::update_controls);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &BatchExportWindow::update_controls);

    refresh_settings();
    update_controls();
}

BatchExportWindow::~BatchExportWindow()
{
    // The thread's own destructor cancels and waits; its signals must not reach a window that is
    // half gone.
    if (m_thread)
        m_thread->disconnect(this);
}

void BatchExportWindow::set_folder_opener(FolderOpener opener)
{
    folderOpener() = std::move(opener);
}

void BatchExportWindow::add_paths(const QStringList& paths)
{
    if (is_running())
        return;
    QStringList files;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (info.isDir())
            files += picturesIn(info.absoluteFilePath(), m_subfolders->isChecked());
        else
            files.append(info.absoluteFilePath());
    }
    QStringList present = pictures();
    for (const QString& file : qAsConst(files)) {
        if (present.contains(file))
            continue;
        present.append(file);
        auto* item = new QListWidgetItem(m_list);
        item->setData(Qt::UserRole, file);
        item->setToolTip(file);
        item->setText(QFileInfo(file).fileName());
    }
    m_summary->clear();
    update_controls();
}

QStringList BatchExportWindow::pictures() const
{
    QStringList paths;
    for (int i = 0; i < m_list->count(); ++i)
        paths.append(m_list->item(i)->data(Qt::UserRole).toString());
    return paths;
}

void BatchExportWindow::refresh_settings()
{
    const FilterParametersPtr current = m_current_settings ? m_current_settings() : nullptr;
    const QString filter = current ? current->filterName() : QString();
    const QString chosen = m_settings->currentIndex() > 0 && filter == m_filter_name
                               ? m_settings->currentText()
                               : QString();
    m_filter_name = filter;
    m_settings->clear();
    m_settings->addItem(tr("Current settings"));
    if (!filter.isEmpty()) {
        m_settings->addItem(defaultPresetName(), defaultPresetName());
        for (const Preset& preset : PresetStore().presets(filter))
            m_settings->addItem(preset.name, preset.name);
    }
    m_settings->setToolTip(filter.isEmpty() ? QString()
                                            : tr("Presets of the filter %1").arg(filter));
    const int index = chosen.isEmpty() ? 0 : m_settings->findData(chosen);
    m_settings->setCurrentIndex(std::max(0, index));
}

bool BatchExportWindow::is_running() const
{
    return m_thread && m_thread->isRunning();
}

QString BatchExportWindow::summary_text() const
{
    return m_summary->text();
}

void BatchExportWindow::add_pictures()
{
    add_paths(open_files_dialog(this));
}

void BatchExportWindow::add_folder()
{
    const QString folder =
        QFileDialog::getExistingDirectory(this, tr("Add Folder"), last_open_directory());
    if (!folder.isEmpty())
        add_paths({folder});
}

void BatchExportWindow::remove_selected()
{
    if (is_running())
        return;
    qDeleteAll(m_list->selectedItems());
    update_controls();
}

void BatchExportWindow::choose_output_folder()
{
    const QString folder =
        QFileDialog::getExistingDirectory(this, tr("Output Folder"), m_folder->text());
    if (!folder.isEmpty())
        m_folder->setText(folder);
}

void BatchExportWindow::open_output_folder()
{
    const bool opened = folderOpener()
                            ? folderOpener()(m_output_folder)
                            : QDesktopServices::openUrl(QUrl::fromLocalFile(m_output_folder));
    if (!opened) {
        m_summary->setText(m_summary->text() + QLatin1Char('\n') +
                           tr("The output folder could not be opened: %1")
                               .arg(QDir::toNativeSeparators(m_output_folder)));
    }
}

void BatchExportWindow::update_controls()
{
    const bool running = is_running();
    for (QWidget* widget : {static_cast<QWidget*>(m_add), static_cast<QWidget*>(m_add_folder),
                            static_cast<QWidget*>(m_subfolders), static_cast<QWidget*>(m_folder),
                            static_cast<QWidget*>(m_choose_folder), static_cast<QWidget*>(m_format),
                            static_cast<QWidget*>(m_pattern), static_cast<QWidget*>(m_existing),
                            static_cast<QWidget*>(m_settings), static_cast<QWidget*>(m_keep)})
        widget->setEnabled(!running);
    const PictureFormat* format = pictureFormatForSuffix(m_format->currentData().toString());
    const bool quality = format && format->hasQuality();
    m_quality->setEnabled(!running && quality);
    m_quality_label->setEnabled(!running && quality);
    m_remove->setEnabled(!running && !m_list->selectedItems().isEmpty());
    m_start->setEnabled(!running && m_list->count() > 0);
    m_cancel->setEnabled(running);
}

void BatchExportWindow::start()
{
    if (is_running() || m_list->count() == 0)
        return;
    const QString folder = m_folder->text().trimmed();
    if (folder.isEmpty()) {
        m_summary->setText(tr("Choose an output folder first."));
        return;
    }
    const QString pattern = m_pattern->text();
    const QString problem = checkNamePattern(pattern);
    if (!problem.isEmpty()) {
        m_summary->setText(tr("The name pattern cannot be used: %1.").arg(problem));
        return;
    }
    refresh_settings();
    const FilterParametersPtr current = m_current_settings ? m_current_settings() : nullptr;
    if (!current || current->filterName().isEmpty()) {
        m_summary->setText(tr("There is no document whose filter could be used."));
        return;
    }
    const QString filter = current->filterName();
    FilterParameters chosen = *current;
    if (m_settings->currentIndex() > 0) {
        const QString name = m_settings->currentData().toString();
        Preset preset;
        QString error;
        if (name == defaultPresetName()) {
            chosen = defaultPresetSettings(filter);
        } else if (PresetStore().find(filter, name, &preset, &error)) {
            chosen = preset.settings;
        } else {
            m_summary->setText(error);
            return;
        }
    }

    const QString suffix = m_format->currentData().toString();
    const ExistingFilePolicy existing =
        existingFilePolicyFromKey(m_existing->currentData().toString());
    set_batch_output_folder(folder);
    set_batch_format(suffix);
    set_batch_name_pattern(pattern);
    set_batch_existing_files(existingFilePolicyKey(existing));
    set_jpeg_quality(m_quality->value());
    set_keep_photo_information(m_keep->isChecked());

    BatchSettings settings;
    for (const QString& picture : pictures())
        settings.jobs.append({picture, QString()});
    settings.outputFolder = folder;
    settings.suffix = suffix;
    const PictureFormat* format = pictureFormatForSuffix(suffix);
    settings.quality = format && format->hasQuality() ? m_quality->value() : -1;
    settings.pattern = pattern;
    settings.existing = existing;
    settings.filterName = filter;
    settings.parameters = batchRenderParameters(chosen);
    settings.keepPhotoInformation = m_keep->isChecked();
    settings.concurrency = batchConcurrency(filter);
    qCDebug(lcRender) << "batch export of" << settings.jobs.size() << "pictures with" << filter
                      << "into" << folder;

    m_output_folder = folder;
    m_percent = QVector<int>(m_list->count(), -1);
    m_warnings = QStringList();
    for (int i = 0; i < m_list->count(); ++i) {
        m_warnings.append(QString());
        m_list->item(i)->setToolTip(m_list->item(i)->data(Qt::UserRole).toString());
    }
    for (int i = 0; i < m_list->count(); ++i)
        set_state(i, tr("waiting"));
    m_progress->setRange(0, 100 * m_list->count());
    m_progress->setValue(0);
    m_summary->setText(tr("Rendering with %1...").arg(filter));
    m_open_folder->setEnabled(false);

    auto* thread = new BatchThread(settings, this);
    m_thread = thread;
    connect(thread, &BatchThread::pictureStarted, this, [this](int index, const QString&) {
        m_percent[index] = 0;
        set_state(index, tr("rendering 0%"));
    });
    connect(thread, &BatchThread::pictureProgress, this, [this](int index, int percent) {
        m_percent[index] = percent;
        set_state(index, tr("rendering %1%").arg(percent));
    });
    connect(thread, &BatchThread::pictureWritten, this, [this](int index, const QString& output) {
        m_percent[index] = kEnded;
        set_state(index, tr("done: %1").arg(QFileInfo(output).fileName()));
    });
    connect(thread, &BatchThread::pictureFailed, this, [this](int index, const QString& message) {
        m_percent[index] = kEnded;
        set_state(index, tr("failed: %1").arg(message));
    });
    connect(thread, &BatchThread::pictureSkipped, this, [this](int index, const QString& output) {
        m_percent[index] = kEnded;
        set_state(index, tr("skipped: %1 exists").arg(QFileInfo(output).fileName()));
    });
    connect(thread, &BatchThread::pictureWarning, this,
            [this](int index, const QString& message) { show_warning(index, message); });
    // A stopped picture keeps its share of the progress bar where it was.
    connect(thread, &BatchThread::pictureCancelled, this,
            [this](int index) { set_state(index, tr("cancelled: no file written")); });
    connect(thread, &BatchThread::batchFinished, this, &BatchExportWindow::finish);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
    update_controls();
    // Start is greyed out now; the one thing to do while the batch runs is to cancel it.
    m_cancel->setFocus();
}

void BatchExportWindow::cancel()
{
    if (is_running()) {
        m_thread->cancel();
        m_summary->setText(tr("Cancelling..."));
    }
}

void BatchExportWindow::set_state(int index, const QString& state)
{
    QListWidgetItem* item = m_list->item(index);
    if (!item)
        return;
    const QString path = item->data(Qt::UserRole).toString();
    const QString warning = m_warnings.value(index);
    item->setText(QStringLiteral("%1 \u2014 %2").arg(QFileInfo(path).fileName(), state) +
                  (warning.isEmpty() ? QString() : tr("\n    warning: %1").arg(warning)));
    int total = 0;
    for (const int percent : qAsConst(m_percent))
        total += std::clamp(percent, 0, 100);
    m_progress->setValue(total);
}

void BatchExportWindow::show_warning(int index, const QString& message)
{
    QListWidgetItem* item = m_list->item(index);
    if (!item || index >= m_warnings.size())
        return;
    // The line names the picture already: it shows the reason after the file's quoted path
    // ("the picture is incomplete: ..."), the tooltip the whole message.
    const QString path = QLatin1Char('"') + item->data(Qt::UserRole).toString() + QLatin1Char('"');
    QString reason = message;
    const int at = reason.indexOf(path);
    if (at >= 0) {
        reason = reason.mid(at + path.size());
        if (reason.startsWith(QLatin1Char(':')))
            reason.remove(0, 1);
        reason = reason.trimmed();
    }
    m_warnings[index] = reason;
    item->setToolTip(item->data(Qt::UserRole).toString() + QLatin1Char('\n') + message);
    set_state(index, tr("rendering %1%").arg(std::clamp(m_percent.value(index), 0, 100)));
}

void BatchExportWindow::finish(int written, int skipped, int failed, bool cancelled,
                               const QString& error)
{
    if (!error.isEmpty()) {
        m_summary->setText(tr("The batch could not start: %1.").arg(error));
        for (int i = 0; i < m_percent.size(); ++i)
            set_state(i, tr("not rendered"));
    } else {
        // After a cancel every line says what became of its picture: written, dropped while it was
        // rendered (told by the batch), or never started.
        for (int i = 0; i < m_percent.size() && cancelled; ++i) {
            if (m_percent.at(i) < 0)
                set_state(i, tr("not started: the batch was cancelled"));
            else if (m_percent.at(i) != kEnded)
                set_state(i, tr("cancelled: no file written"));
        }
        QString text =
            tr("%1 written, %2 failed, %3 skipped.").arg(written).arg(failed).arg(skipped);
        if (cancelled)
            text = tr("Cancelled: ") + text;
        m_summary->setText(text);
        m_progress->setValue(cancelled ? m_progress->value() : m_progress->maximum());
    }
    m_open_folder->setEnabled(QFileInfo(m_output_folder).isDir());
    // The thread object goes once it has ended (see start); is_running() is false from here on.
    m_thread.clear();
    const bool cancel_focused = m_cancel->hasFocus();
    update_controls();
    if (cancel_focused)
        m_start->setFocus();
    emit batch_ended();
}

void BatchExportWindow::closeEvent(QCloseEvent* event)
{
    if (is_running()) {
        m_thread->cancel();
        m_thread->wait();
    }
    event->accept();
}

void BatchExportWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!is_running() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void BatchExportWindow::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    add_paths(paths);
    event->acceptProposedAction();
}

BatchExportWindow* show_batch_export_window(BatchExportWindow::SettingsSource current_settings)
{
    static QPointer<BatchExportWindow> window;
    if (!window) {
        window = new BatchExportWindow(std::move(current_settings));
        // A batch still running when the application quits is cancelled and waited for.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, window, [] { delete window; });
    }
    window->refresh_settings();
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}
