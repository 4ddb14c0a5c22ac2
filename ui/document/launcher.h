#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>

#include "core/framework/filter_parameters.h"
#include "core/framework/stroke_memory.h"
#include "ui/processing/progress_window.h"

class DocumentView;
class IProgressReporter;
class Worker;

// Runs the two heavy commands of one document on a worker thread: rendering the picture for
// display ("Process") and rendering it again at full size to write it to a file ("&Export").
// While a run is in progress it owns the worker, the reporter and the progress window, relays the
// reporter's signals, shows the busy cursor and lets the user cancel. It remembers the filter and
// settings of the last completed rendering, which an export renders again, and the document's
// stroke memory, so the export shows the strokes of the display render.
//
// Embedded in a DocumentView (its parent); lives on the GUI thread. One run at a time: a request
// to start another while one is in progress is refused.
class Launcher : public QObject
{
    Q_OBJECT
public:
    explicit Launcher(DocumentView* view);
    ~Launcher() override;

    // Renders picture with the filter and settings for display. False (nothing started) while
    // another run is in progress or for an unknown filter.
    bool start_rendering(const QString& filter_name, const FilterParametersPtr& parameters,
                         const QImage& picture);
    // Renders picture at full size with the settings of the last completed rendering and writes
    // it to path (quality as for savePicture); with no rendering yet, writes the picture as it is.
    bool start_saving(const QImage& picture, const QString& path, int quality);
    // Writes picture to path atomically; reports a failure with "Cannot save file %1".
    bool write_image(const QImage& picture, const QString& path);

    Worker* worker() const { return m_worker; }
    bool busy() const { return m_busy; }
    bool has_result() const { return m_has_result; }
    QString current_filter_name() const { return m_current_filter_name; }
    FilterParametersPtr current_parameters() const { return m_current_parameters; }
    ProgressWindow* progress_window() const { return m_progress_window; }
    const StrokeMemoryPtr& stroke_memory() const { return m_stroke_memory; }

signals:
    // An export wrote its file.
    void image_written(const QString& path);
    // A run started (true: busy cursor and progress window shown) or was cleaned up (false).
    void busy_changed(bool busy);

private slots:
    void slot_worker_started();
    void slot_view_finished();
    void slot_save_finished();
    void slot_progress(int value);
    void slot_update_image();
    void slot_label(const QString& text);
    void slot_next_phase();
    void slot_set_total_phases(int count);

private:
    bool start_worker(const QString& filter_name, const FilterParametersPtr& parameters,
                      const QImage& picture, bool saving);
    void clean_up();

    DocumentView* m_view;
    Worker* m_worker = nullptr;
    QPointer<ProgressWindow> m_progress_window;
    IProgressReporter* m_reporter = nullptr;
    QString m_previous_filter_name;
    QString m_current_filter_name;
    FilterParametersPtr m_previous_parameters;
    FilterParametersPtr m_current_parameters;
    QString m_save_path;
    bool m_busy = false;
    int m_quality = -1;
    bool m_has_result = false;
    StrokeMemoryPtr m_stroke_memory;
};
