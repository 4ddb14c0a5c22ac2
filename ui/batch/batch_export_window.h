#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

#include "core/framework/filter_parameters.h"

class BatchThread;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpinBox;

// File > Batch Export...: renders a list of pictures into an output folder with the current
// document's filter and settings, or a preset of that filter, as drawlume-render --output-dir
// does (one BatchThread of the batch library; this window only gathers the choices and shows
// what the batch tells). Non-modal: the documents stay usable while a batch runs.
//
// Pictures come from "Add Pictures..." (several at once), "Add Folder..." (its pictures, with
// "Include subfolders" those of its subfolders too) or files and folders dropped on the list;
// "Remove" takes the selected ones off. Each row shows the picture's state: waiting, rendering
// with its percentage, done, failed with the reason, skipped, and after a cancel "cancelled: no
// file written" or "not started"; a warning of the batch (an incomplete picture) stays on a
// second line. The output folder, format, name pattern and existing-file policy are remembered
// in the settings (settings.h) when a batch starts; the JPEG quality and "Keep photo
// information" are the export's own settings.
class BatchExportWindow : public QWidget
{
    Q_OBJECT
public:
    // current_settings gives the current document's filter and settings (null when there is
    // no document).
    using SettingsSource = std::function<FilterParametersPtr()>;
    explicit BatchExportWindow(SettingsSource current_settings, QWidget* parent = nullptr);
    ~BatchExportWindow() override;

    // Adds files as they are and the pictures of folders (see "Include subfolders"); a path
    // already in the list is not added again.
    void add_paths(const QStringList& paths);
    QStringList pictures() const;
    // Fills the settings list again for the current document's filter.
    void refresh_settings();
    bool is_running() const;
    // The text of the line under the progress bar.
    QString summary_text() const;

    // Opens folders with the desktop's file manager; tests replace it. Returns false when
    // nothing could be started.
    using FolderOpener = std::function<bool(const QString& folder)>;
    static void set_folder_opener(FolderOpener opener);

public slots:
    void start();
    void cancel();

signals:
    // The batch has ended (finished, failed to start, or cancelled).
    void batch_ended();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private slots:
    void add_pictures();
    void add_folder();
    void remove_selected();
    void choose_output_folder();
    void open_output_folder();
    void update_controls();

private:
    void set_state(int index, const QString& state);
    // Keeps the batch's warning about the picture (an incomplete file) on its line.
    void show_warning(int index, const QString& message);
    void finish(int written, int skipped, int failed, bool cancelled, const QString& error);

    SettingsSource m_current_settings;
    QString m_filter_name; // the filter the settings list was filled for
    QListWidget* m_list;
    QPushButton* m_add;
    QPushButton* m_add_folder;
    QCheckBox* m_subfolders;
    QPushButton* m_remove;
    QLineEdit* m_folder;
    QPushButton* m_choose_folder;
    QComboBox* m_format;
    QLabel* m_quality_label;
    QSpinBox* m_quality;
    QLineEdit* m_pattern;
    QComboBox* m_existing;
    QComboBox* m_settings;
    QCheckBox* m_keep;
    QProgressBar* m_progress;
    QLabel* m_summary;
    QPushButton* m_start;
    QPushButton* m_cancel;
    QPushButton* m_open_folder;
    QPointer<BatchThread> m_thread;
    QString m_output_folder; // of the running or last batch
    QVector<int> m_percent;  // per picture of the running batch: -1 waiting, then 0..100, kEnded
    QStringList m_warnings;  // per picture of the running batch: what the batch warned about it
};

// Shows the application's one Batch Export window, made on first use with current_settings (and
// deleted when the application quits), raised and with its settings list filled afresh.
BatchExportWindow* show_batch_export_window(BatchExportWindow::SettingsSource current_settings);
