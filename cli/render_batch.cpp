#include "cli/render_batch.h"

#include "cli/captured_messages.h"
#include "cli/render_options.h"
#include "cli/render_settings.h"
#include "cli/terminal_progress.h"
#include "core/filters/filter_list.h"
#include "core/framework/filter.h"
#include "core/framework/iprogress_reporter.h"
#include "core/framework/parameter_xml.h"
#include "document/document_container.h"
#include "document/photo_metadata.h"
#include "document/picture_io.h"
#include "processing/progress_reporter.h"
#include "processing/worker.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QScopedPointer>

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <utility>

namespace {

// " [first; second]" for a non-empty list.
QString details(const QStringList& messages)
{
    return messages.isEmpty() ? QString()
                              : QStringLiteral(" [%1]").arg(messages.join(QStringLiteral("; ")));
}

// Makes the batch's output directory; false with a message when it cannot be made.
bool prepareOutputDirectory(const QString& directory)
{
    const QFileInfo info(directory);
    if (info.isDir())
        return true;
    if (info.exists()) {
        printError(
            QStringLiteral("cannot write into %1: it is not a directory").arg(quoted(directory)));
        return false;
    }
    if (!QDir().mkpath(directory)) {
        printError(QStringLiteral("cannot create the output directory %1").arg(quoted(directory)));
        return false;
    }
    return true;
}

// The reason output cannot be written, or empty when it seems fine. Checked before the render so
// that a long render is not wasted on a file that cannot be written; the save itself still
// reports any other failure.
QString outputProblem(const QString& output)
{
    const QFileInfo file(output);
    if (file.isDir())
        return QStringLiteral("it is a directory");
    const QFileInfo directory(file.absolutePath());
    if (!directory.exists())
        return QStringLiteral("the directory %1 does not exist").arg(quoted(directory.filePath()));
    if (!directory.isDir())
        return QStringLiteral("%1 is not a directory").arg(quoted(directory.filePath()));
    if (!directory.isWritable())
        return QStringLiteral("the directory %1 is not writable").arg(quoted(directory.filePath()));
    return QString();
}

// Prints message on standard error, wiping the progress bar first.
void report(TerminalProgress* progress, const QString& message)
{
    if (progress)
        progress->clear();
    printError(message);
}

// Reports a file that was read but is incomplete (a cut-off JPEG reads with a grey end), or whose
// decoder had something to say, in one line; nothing when all was well.
void reportReadWarning(TerminalProgress* progress, const QString& path, const QString& warning,
                       const QStringList& messages)
{
    if (!warning.isEmpty()) {
        report(progress,
               QStringLiteral("warning: %1: %2%3").arg(quoted(path), warning, details(messages)));
    } else if (!messages.isEmpty()) {
        report(progress, QStringLiteral("warning: %1 may be damaged: %2")
                             .arg(quoted(path), messages.join(QStringLiteral("; "))));
    }
}

// A progress bar when standard error is a terminal and the run is not quiet, else null.
TerminalProgress* newProgress(const RenderOptions& options)
{
    return !options.quiet && isatty(STDERR_FILENO) ? new TerminalProgress(stderr) : nullptr;
}

// Renders picture on a worker thread of its own, as the application does, and waits for it in an
// event loop that draws the progress bar meanwhile. Every picture gets a fresh thread (whose
// random generator starts afresh) and no stroke memory, so its artwork does not depend on what
// was rendered before it: nothing is replayed, and the painters keep no list of the strokes they
// chose, which no later render would read (at full size it is about as large as the picture).
// The filter holds the only reference to the picture, so that a painter which no longer needs the
// photograph can paint in its memory. Returns the artwork, or a null picture with the reason in
// *error.
QImage renderArtwork(const QString& filterName, QImage picture,
                     const FilterParametersPtr& parameters, const QString& pictureName,
                     TerminalProgress* progress, QString* error)
{
    *error = QStringLiteral("the filter gave no picture");
    const FilterPtr filter = createFilter(filterName);
    if (!filter)
        return QImage();
    const QScopedPointer<IProgressReporter> reporter(create_progress_reporter());
    filter->setImage(picture);
    picture = QImage();
    filter->setParameters(parameters);
    filter->setProgressReporter(reporter.data());
    if (progress) {
        progress->begin(filterName, pictureName);
        progress->follow(reporter.data());
    }

    QImage artwork;
    {
        Worker worker(filter, nullptr);
        QEventLoop loop;
        // finished() is emitted on the worker thread after the last report, so the queued reports
        // are all drawn before the loop sees it.
        QObject::connect(&worker, &QThread::finished, &loop, &QEventLoop::quit,
                         Qt::QueuedConnection);
        worker.start();
        loop.exec();
        worker.wait();
        if (worker.out_of_memory())
            *error = worker.out_of_memory_message();
        else if (!worker.was_cancelled())
            artwork = worker.result_image();
    }
    if (progress)
        progress->clear();
    return artwork;
}

// Writes artwork to output atomically and says so; false after reporting why it could not.
// pictureFile is the file the picture was read from: its photo information goes into the output
// unless --strip-metadata says otherwise.
bool writeArtwork(const QImage& artwork, const QByteArray& pictureFile, const QString& output,
                  const RenderOptions& options, TerminalProgress* progress)
{
    QString error;
    QStringList messages;
    bool done;
    {
        CapturedMessages captured;
        const PhotoMetadata metadata =
            options.stripMetadata ? PhotoMetadata() : PhotoMetadata::read(pictureFile);
        done = savePicture(artwork, output, options.quality, &error, metadata);
        messages = captured.finish();
    }
    if (!done) {
        report(
            progress,
            QStringLiteral("cannot write %1: %2%3").arg(quoted(output), error, details(messages)));
        return false;
    }
    if (!options.quiet) {
        std::printf("wrote %s\n", output.toLocal8Bit().constData());
        std::fflush(stdout);
    }
    return true;
}

// Writes the --save-document document of picture with settings: pictureFile, the file the picture
// was read from, is stored as it is under pictureName. False after reporting why it could not (an
// existing document is then left as it was).
bool writeDocument(const QImage& picture, const QByteArray& pictureFile, const QString& pictureName,
                   const FilterParameters& settings, const RenderOptions& options,
                   TerminalProgress* progress)
{
    const QString problem = outputProblem(options.saveDocument);
    if (!problem.isEmpty()) {
        report(progress,
               QStringLiteral("cannot write %1: %2").arg(quoted(options.saveDocument), problem));
        return false;
    }

    QString written;
    QString error;
    QStringList messages;
    bool done;
    {
        CapturedMessages captured;
        done = packDocument(options.saveDocument, picture, pictureName, pictureFile, settings,
                            &written, &error);
        messages = captured.finish();
    }
    if (!done) {
        report(progress, QStringLiteral("cannot write %1: %2%3")
                             .arg(quoted(options.saveDocument), error, details(messages)));
        return false;
    }
    if (!options.quiet) {
        std::printf("wrote %s\n", written.toLocal8Bit().constData());
        std::fflush(stdout);
    }
    return true;
}

// Reads, renders and writes one picture, and stores it in a document when asked; false after
// reporting what could not be done.
bool renderPicture(const RenderJob& job, const RenderOptions& options, TerminalProgress* progress)
{
    const bool render = !job.output.isEmpty();
    if (render) {
        const QString problem = outputProblem(job.output);
        if (!problem.isEmpty()) {
            report(progress,
                   QStringLiteral("cannot write %1: %2").arg(quoted(job.output), problem));
            return false;
        }
    }

    QImage picture;
    QByteArray pictureFile;
    QString error;
    QString warning;
    QStringList messages;
    bool done;
    {
        CapturedMessages captured;
        done = loadPictureFile(job.input, picture, &pictureFile, &error, &warning);
        messages = captured.finish();
    }
    if (!done) {
        report(progress, QStringLiteral("cannot read %1: %2%3")
                             .arg(quoted(job.input), error, details(messages)));
        return false;
    }
    if (!options.quiet)
        reportReadWarning(progress, job.input, warning, messages);

    // The document first: it is quick, and independent of how the render goes.
    bool succeeded = true;
    if (!options.saveDocument.isEmpty())
        succeeded = writeDocument(picture, pictureFile, QFileInfo(job.input).fileName(),
                                  *options.panelSettings, options, progress);
    if (!render)
        return succeeded;

    QString renderError;
    const QImage artwork = renderArtwork(options.filterName, std::move(picture), options.parameters,
                                         QFileInfo(job.input).fileName(), progress, &renderError);
    if (artwork.isNull()) {
        report(progress,
               QStringLiteral("cannot render %1: %2").arg(quoted(job.input), renderError));
        return false;
    }
    return writeArtwork(artwork, pictureFile, job.output, options, progress) && succeeded;
}

// True when the parameter XML stored in document is well-formed.
bool hasWellFormedSettings(const QString& document)
{
    DocumentContents contents;
    QString filterName;
    QMap<QString, QVariant> values;
    return readDocumentFile(document, contents, nullptr) &&
           readParameterXmlData(contents.parameters, filterName, values);
}

} // namespace

void printError(const QString& message)
{
    std::fprintf(stderr, "drawlume-render: %s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
}

int renderBatch(const RenderOptions& options)
{
    if (!options.outputDirectory.isEmpty() && !prepareOutputDirectory(options.outputDirectory))
        return ExitFailure;

    const QScopedPointer<TerminalProgress> progress(newProgress(options));

    int exitCode = ExitSuccess;
    QVector<RenderJob> claimed; // the jobs whose outputs this run has written or tried to
    for (const RenderJob& job : options.jobs) {
        // Two inputs of a batch with one base name: the first one's artwork stays.
        const QString target = QDir::cleanPath(QFileInfo(job.output).absoluteFilePath());
        const auto earlier =
            std::find_if(claimed.cbegin(), claimed.cend(), [&](const RenderJob& c) {
                return QDir::cleanPath(QFileInfo(c.output).absoluteFilePath()) == target ||
                       isSameFile(c.output, target);
            });
        if (earlier != claimed.cend()) {
            report(progress.data(),
                   QStringLiteral("not rendering %1: its output %2 is the output of %3")
                       .arg(quoted(job.input), quoted(job.output), quoted(earlier->input)));
            exitCode = ExitFailure;
            continue;
        }
        claimed.append(job);
        if (!renderPicture(job, options, progress.data()))
            exitCode = ExitFailure;
    }
    return exitCode;
}

int renderDocument(const RenderOptions& options)
{
    const QString& document = options.document;
    const QString& output = options.jobs.first().output;

    QImage picture;
    FilterParametersPtr stored;
    UnpackedDocument unpacked;
    QString error;
    QString warning;
    QStringList messages;
    bool done;
    {
        CapturedMessages captured;
        done = loadDocument(document, picture, stored, &error, &unpacked, &warning);
        // loadDocument keeps what it could read of damaged settings (cut short, say); rendering
        // with part of them would not give the document's artwork, so they are checked again.
        if (done && !hasWellFormedSettings(document)) {
            done = false;
            error = QStringLiteral("its settings are damaged");
        }
        messages = captured.finish();
    }
    if (!done) {
        printError(
            QStringLiteral("cannot read %1: %2%3").arg(quoted(document), error, details(messages)));
        return ExitFailure;
    }
    if (!options.quiet)
        reportReadWarning(nullptr, document, warning, messages);

    const QString filterName = stored->filterName();
    if (filterName.isEmpty()) {
        printError(
            QStringLiteral("cannot read %1: the document names no filter").arg(quoted(document)));
        return ExitFailure;
    }
    if (!renderableFilterNames().contains(filterName)) {
        const QString reason = allFilterNames().contains(filterName)
                                   ? QStringLiteral("cannot be rendered by this build yet")
                                   : QStringLiteral("is unknown");
        printError(QStringLiteral("cannot render %1: its filter %2 %3 (filters: %4)")
                       .arg(quoted(document), quotedName(filterName), reason,
                            renderableFilterNames().join(QStringLiteral(", "))));
        return ExitFailure;
    }

    // Stored values go through the filter's rows as -s values do: one the rows do not take is an
    // error (a render with it would not be the document's artwork); a missing one takes its
    // default, with a warning.
    const StoredSettingsCheck check = checkStoredSettings(*stored, false);
    if (!check.wrong.isEmpty()) {
        printError(QStringLiteral("cannot render %1: its settings hold values its filter does not "
                                  "take: %2")
                       .arg(quoted(document), check.wrong.join(QStringLiteral("; "))));
        return ExitFailure;
    }
    if (!check.missing.isEmpty() && !options.quiet) {
        report(nullptr, QStringLiteral("warning: %1: its settings lack %2; the defaults are taken")
                            .arg(quoted(document), check.missing.join(QStringLiteral(", "))));
    }

    FilterParametersPtr panelSettings;
    const FilterParametersPtr parameters =
        documentParameters(*stored, options.documentSettings, &error, &panelSettings);
    if (!parameters) {
        printError(error);
        return ExitUsage;
    }

    const bool render = !output.isEmpty();
    if (render) {
        const QString problem = outputProblem(output);
        if (!problem.isEmpty()) {
            printError(QStringLiteral("cannot write %1: %2").arg(quoted(output), problem));
            return ExitFailure;
        }
    }

    // The new document first, as for a picture: its picture is the stored file, unchanged.
    bool succeeded = true;
    if (!options.saveDocument.isEmpty()) {
        succeeded = writeDocument(picture, unpacked.pictureBytes, unpacked.pictureName,
                                  *panelSettings, options, nullptr);
    }
    if (!render)
        return succeeded ? ExitSuccess : ExitFailure;

    const QScopedPointer<TerminalProgress> progress(newProgress(options));
    QString renderError;
    const QImage artwork =
        renderArtwork(filterName, std::move(picture), parameters, QFileInfo(document).fileName(),
                      progress.data(), &renderError);
    if (artwork.isNull()) {
        report(progress.data(),
               QStringLiteral("cannot render %1: %2").arg(quoted(document), renderError));
        return ExitFailure;
    }
    return writeArtwork(artwork, unpacked.pictureBytes, output, options, progress.data()) &&
                   succeeded
               ? ExitSuccess
               : ExitFailure;
}
