#include "ui/document/launcher.h"

#include "ui/logging.h"

#include "core/filters/filter_list.h"
#include "core/framework/filter.h"
#include "core/framework/iprogress_reporter.h"
#include "document/file_names.h"
#include "document/picture_io.h"
#include "document/settings.h"
#include "processing/progress_reporter.h"
#include "processing/worker.h"
#include "ui/document/document_registry.h"
#include "ui/document/document_view.h"
#include "ui/processing/progress_window.h"

#include <QApplication>
#include <QDebug>
#include <QFileInfo>
#include <QMessageBox>

Launcher::Launcher(DocumentView* view)
    : QObject(view), m_view(view), m_stroke_memory(new StrokeMemory)
{
}

Launcher::~Launcher()
{
    end_background();
    // Deleting a running worker cancels it and waits for its thread.
    if (m_worker) {
        m_worker->disconnect(this);
        delete m_worker;
        m_worker = nullptr;
        if (m_busy)
            QApplication::restoreOverrideCursor();
    }
    delete m_reporter;
}

FilterPtr Launcher::make_filter(const QString& filter_name, const FilterParametersPtr& parameters,
                                const QImage& picture) const
{
    FilterPtr filter = createFilter(filter_name);
    if (!filter)
        return filter;
    filter->setImage(picture);
    filter->setParameters(parameters);
    filter->setStrokeMemory(m_stroke_memory);
    return filter;
}

bool Launcher::start_worker(const QString& filter_name, const FilterParametersPtr& parameters,
                            const QImage& picture, bool saving)
{
    FilterPtr filter = make_filter(filter_name, parameters, picture);
    if (!filter)
        return false;

    m_reporter = create_progress_reporter();
    connect(m_reporter, &IProgressReporter::sig_next_phase, this, &Launcher::slot_next_phase,
            Qt::QueuedConnection);
    connect(m_reporter, &IProgressReporter::sig_set_total_phases, this,
            &Launcher::slot_set_total_phases, Qt::QueuedConnection);
    filter->setProgressReporter(m_reporter);

    m_worker = new Worker(filter, this);
    connect(m_worker, &QThread::started, this, &Launcher::slot_worker_started);
    if (saving)
        connect(m_worker, &QThread::finished, this, &Launcher::slot_save_finished);
    else
        connect(m_worker, &QThread::finished, this, &Launcher::slot_view_finished);
    return true;
}

bool Launcher::start_rendering(const QString& filter_name, const FilterParametersPtr& parameters,
                               const QImage& picture)
{
    if (m_worker || !parameters)
        return false;
    // The new render replaces the one the full-size result belongs to.
    drop_full_size();
    if (!start_worker(filter_name, parameters, picture, false))
        return false;
    m_previous_filter_name = m_current_filter_name;
    m_previous_parameters = m_current_parameters;
    m_current_filter_name = filter_name;
    m_current_parameters = parameters;
    m_rendering_size = picture.size();
    // A render whose thread cannot be made ends at once, as out of memory.
    if (!m_worker->start_render(QThread::InheritPriority))
        QMetaObject::invokeMethod(this, &Launcher::slot_view_finished, Qt::QueuedConnection);
    return true;
}

bool Launcher::start_saving(const QImage& picture, const QString& path, int quality,
                            const PhotoMetadata& metadata,
                            const FilterParametersPtr& display_parameters,
                            const QByteArray& photo_file)
{
    if (m_worker)
        return false;
    m_quality = quality;
    m_metadata = metadata;
    m_photo_file = photo_file;
    // No rendering to export yet: the display render comes first (the one running, else a new
    // one), and the export follows it.
    if (!m_has_result || !m_current_parameters) {
        if (!live_running() &&
            (!display_parameters ||
             !start_live_rendering(display_parameters->filterName(), display_parameters, picture)))
            return false;
        m_waiting_save_path = path;
        m_waiting_save_picture = picture;
        return true;
    }
    // The full-size result is what this export would render: write it as it is.
    if (!m_full_size.isNull())
        return write_image(m_full_size, path);
    end_background();
    m_save_path = path;
    // The export renders at the picture's own size: the display scale no longer applies (the
    // removal lasts, so a second export renders at full size too).
    m_current_parameters->remove(scalingKey());
    if (!start_worker(m_current_filter_name, m_current_parameters, picture, true))
        return false;
    if (!m_worker->start_render(QThread::InheritPriority))
        QMetaObject::invokeMethod(this, &Launcher::slot_save_finished, Qt::QueuedConnection);
    return true;
}

void Launcher::report_render_failure(const QString& reason)
{
    qCDebug(lcRender) << "Launcher: render failed:" << reason;
    QMessageBox box(QMessageBox::Critical, tr("Drawlume"), tr("Cannot render the picture."),
                    QMessageBox::Ok, m_view->window());
    box.setInformativeText(reason.left(1).toUpper() + reason.mid(1) + QLatin1Char('.'));
    box.exec();
}

bool Launcher::write_image(const QImage& picture, const QString& path)
{
    // The same resolution as drawlume-render's file, whatever the screen's is; copies the pixels
    // only when it differs from the picture's.
    QImage artwork = picture;
    setArtworkResolution(artwork, m_photo_file);
    QString error;
    QString left_out;
    if (!savePicture(artwork, path, m_quality, &error, m_metadata, &left_out)) {
        qCDebug(lcRender) << "Launcher::write_image:" << path << error;
        QMessageBox box(QMessageBox::Critical, tr("Drawlume"), tr("Cannot save file %1").arg(path),
                        QMessageBox::Ok, m_view->window());
        box.setInformativeText(error);
        box.exec();
        return false;
    }
    // An export writes a file; the document keeps its own name and path, and the documents their
    // own folder (saves remember theirs).
    if (!last_dialog_path().isEmpty())
        set_last_export_directory(QFileInfo(last_dialog_path()).absolutePath());
    emit image_written(path);
    // What the file's format could not take of the photo (its IPTC in WebP, an unusable colour
    // profile) is said, as drawlume-render and the batch say it.
    if (!left_out.isEmpty()) {
        QMessageBox box(QMessageBox::Information, tr("Drawlume"),
                        tr("%1 was written without some of the photo's information.").arg(path),
                        QMessageBox::Ok, m_view->window());
        box.setInformativeText(left_out.left(1).toUpper() + left_out.mid(1) + QLatin1Char('.'));
        box.exec();
    }
    return true;
}

void Launcher::slot_worker_started()
{
    m_busy = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (DocumentRegistry* registry = m_view->registry())
        registry->document_busy_changed(m_view);

    m_progress_window = new ProgressWindow(m_view);
    connect(m_reporter, &IProgressReporter::progress, this, &Launcher::slot_progress,
            Qt::QueuedConnection);
    connect(m_reporter, &IProgressReporter::label, this, &Launcher::slot_label,
            Qt::QueuedConnection);
    connect(m_reporter, &IProgressReporter::update_image, this, &Launcher::slot_update_image,
            Qt::BlockingQueuedConnection);
    connect(m_progress_window, &ProgressWindow::cancelled, m_worker, &Worker::slot_cancelled);
    m_progress_window->show();
    emit busy_changed(true);
}

void Launcher::slot_progress(int value)
{
    if (m_progress_window)
        m_progress_window->set_value(value);
}

void Launcher::slot_label(const QString& text)
{
    if (m_progress_window)
        m_progress_window->set_label(text);
}

void Launcher::slot_next_phase()
{
    if (m_progress_window)
        m_progress_window->next_phase();
}

void Launcher::slot_set_total_phases(int count)
{
    if (m_progress_window)
        m_progress_window->set_total_phases(count);
}

void Launcher::slot_update_image()
{
    // The worker thread waits in its report until this returns, so its picture is stable here.
    // The picture in progress is shown in the colours of the finished one.
    if (m_worker)
        m_view->show_result(
            withColourSpace(m_worker->result_image().copy(), m_worker->colour_space()));
}

void Launcher::slot_view_finished()
{
    if (!m_worker)
        return;
    const bool completed = !m_worker->was_cancelled() && !m_worker->out_of_memory();
    const QString memory_problem =
        m_worker->out_of_memory() ? m_worker->out_of_memory_message() : QString();
    if (completed) {
        install_display_result(m_worker->result_image());
    } else {
        // A later export renders with the settings of the last rendering that completed.
        m_current_filter_name = m_previous_filter_name;
        m_current_parameters = m_previous_parameters;
    }
    clean_up();
    if (!memory_problem.isEmpty())
        report_render_failure(memory_problem);
    // Only once the run is over may the full size follow it.
    if (completed)
        emit display_rendered();
}

void Launcher::install_display_result(const QImage& result)
{
    m_display_result = result;
    // A rendering as large as its picture is the full size already, whatever scale it was asked.
    const QVariant scale = m_current_parameters->value(scalingKey());
    const bool full_size = result.size() == m_rendering_size;
    m_display_scale = scale.isValid() && !full_size ? scale.toDouble() : 1.0;
    m_view->show_result(result);
    m_has_result = true;
}

void Launcher::slot_save_finished()
{
    if (!m_worker)
        return;
    const bool cancelled = m_worker->was_cancelled();
    const QString memory_problem =
        m_worker->out_of_memory() ? m_worker->out_of_memory_message() : QString();
    QImage result = m_worker->result_image();
    // The run is over before the file is written: a failure message must not find the worker
    // still registered.
    clean_up();
    if (!memory_problem.isEmpty()) {
        // Nothing is written: the previous file, if any, stays as it was.
        report_render_failure(memory_problem);
        return;
    }
    if (!cancelled) {
        // The export's rendering is the full-size result of the last rendering. Its resolution is
        // set while it is held once, so that writing it copies nothing.
        setArtworkResolution(result, m_photo_file);
        m_full_size = result;
        emit full_size_ready(result);
        write_image(result, m_save_path);
    }
}

void Launcher::clean_up()
{
    if (m_worker) {
        m_worker->disconnect(this);
        m_worker->wait();
        delete m_worker;
        m_worker = nullptr;
    }
    if (m_reporter) {
        m_reporter->disconnect(this);
        delete m_reporter;
        m_reporter = nullptr;
    }
    delete m_progress_window;
    const bool wasBusy = m_busy;
    m_busy = false;
    if (DocumentRegistry* registry = m_view->registry())
        registry->document_busy_changed(m_view);
    if (wasBusy) {
        QApplication::restoreOverrideCursor();
        emit busy_changed(false);
    }
}
