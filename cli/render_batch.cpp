#include "cli/render_batch.h"

#include "batch/batch_renderer.h"
#include "batch/picture_render.h"
#include "cli/captured_messages.h"
#include "cli/render_options.h"
#include "cli/render_settings.h"
#include "cli/terminal_progress.h"
#include "core/filters/filter_list.h"
#include "core/framework/filter.h"
#include "core/framework/iprogress_reporter.h"
#include "core/framework/parameter_xml.h"
#include "core/raster/photo_mask.h"
#include "document/document_container.h"
#include "document/photo_metadata.h"
#include "document/picture_io.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
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

// Renders picture with the batch library's one full-size render (see PictureRender), drawing the
// progress bar meanwhile. Returns the artwork, or a null picture with the reason in *error.
QImage renderArtworkWithProgress(const QString& filterName, QImage picture,
                                 const FilterParametersPtr& parameters, const QString& pictureName,
                                 TerminalProgress* progress, QString* error)
{
    const QImage artwork = renderArtwork(
        filterName, std::move(picture), parameters,
        [&](IProgressReporter* reporter) {
            if (progress) {
                progress->begin(filterName, pictureName);
                progress->follow(reporter);
            }
        },
        error);
    if (progress)
        progress->clear();
    return artwork;
}

// Writes artwork to output atomically and says so; false after reporting why it could not.
// pictureFile is the file the picture was read from: its resolution goes into the output, and its
// photo information unless --strip-metadata says otherwise.
bool writeArtwork(QImage artwork, const QByteArray& pictureFile, const QString& output,
                  const RenderOptions& options, TerminalProgress* progress)
{
    setArtworkResolution(artwork, pictureFile);
    QString error;
    QString warning;
    QStringList messages;
    bool done;
    {
        CapturedMessages captured;
        const PhotoMetadata metadata =
            options.stripMetadata ? PhotoMetadata() : PhotoMetadata::read(pictureFile);
        done = savePicture(artwork, output, options.quality, &error, metadata, &warning);
        messages = captured.finish();
    }
    if (!done) {
        report(
            progress,
            QStringLiteral("cannot write %1: %2%3").arg(quoted(output), error, details(messages)));
        return false;
    }
    if (!warning.isEmpty() && !options.quiet)
        report(progress, QStringLiteral("warning: %1: %2").arg(quoted(output), warning));
    if (!options.quiet) {
        std::printf("wrote %s\n", output.toLocal8Bit().constData());
        std::fflush(stdout);
    }
    return true;
}

// Writes the --save-document document of picture with settings and mask (null for none):
// pictureFile, the file the picture was read from, is stored as it is under pictureName. False
// after reporting why it could not (an existing document is then left as it was).
bool writeDocument(const QImage& picture, const QByteArray& pictureFile, const QString& pictureName,
                   const FilterParameters& settings, const QImage& mask,
                   const RenderOptions& options, TerminalProgress* progress)
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
                            &written, &error, mask);
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
                                  *options.panelSettings,
                                  photoMaskFor(options.mask, picture.size()), options, progress);
    if (!render)
        return succeeded;

    QString renderError;
    QImage artwork =
        renderArtworkWithProgress(options.filterName, std::move(picture), options.parameters,
                                  QFileInfo(job.input).fileName(), progress, &renderError);
    if (!artwork.isNull() && !blendPhotoFromFile(artwork, pictureFile, options.mask, &renderError))
        artwork = QImage();
    if (artwork.isNull()) {
        report(progress,
               QStringLiteral("cannot render %1: %2").arg(quoted(job.input), renderError));
        return false;
    }
    return writeArtwork(std::move(artwork), pictureFile, job.output, options, progress) &&
           succeeded;
}

// True when the parameter XML stored in document is well-formed; otherwise *refused says why
// the XML was refused unread, if it was.
bool hasWellFormedSettings(const QString& document, QString* refused)
{
    DocumentContents contents;
    QString filterName;
    QMap<QString, QVariant> values;
    return readDocumentFile(document, contents, nullptr) &&
           readParameterXmlData(contents.parameters, filterName, values, refused);
}

// Tells what a batch does on the terminal: "wrote FILE" on standard output, failures and warnings
// on standard error, and the progress bar of the picture being rendered. Pictures rendered side by
// side are told in the list's order, as if rendered one after another: the lines of a later
// picture wait until the earlier ones are done.
class TerminalBatchObserver : public BatchObserver
{
public:
    TerminalBatchObserver(const RenderOptions& options, TerminalProgress* progress)
        : m_options(options), m_progress(progress)
    {
    }

    void renderStarted(int index, IProgressReporter* reporter) override
    {
        m_reporters.insert(index, reporter);
        if (index == m_next)
            followProgress();
    }
    void pictureWarning(int index, const QString& message) override
    {
        if (!m_options.quiet)
            tell(index, false, message);
    }
    void pictureWritten(int index, const QString& output) override
    {
        if (!m_options.quiet)
            tell(index, true, QStringLiteral("wrote %1").arg(output));
        done(index);
    }
    void pictureFailed(int index, const QString& message) override
    {
        tell(index, false, message);
        done(index);
    }
    void pictureSkipped(int index, const QString&) override { done(index); }

    void beginFileAccess() override { m_captured.reset(new CapturedMessages); }
    QStringList endFileAccess() override
    {
        const QStringList messages = m_captured->finish();
        m_captured.reset();
        return messages;
    }

private:
    struct Line
    {
        bool out; // standard output, else standard error
        QString text;
    };

    void tell(int index, bool out, const QString& text)
    {
        if (index == m_next)
            print({out, text});
        else
            m_waiting[index].append({out, text});
    }

    void print(const Line& line)
    {
        if (m_progress)
            m_progress->clear();
        if (line.out) {
            std::printf("%s\n", line.text.toLocal8Bit().constData());
            std::fflush(stdout);
        } else {
            printError(line.text);
        }
    }

    // Picture index is written, skipped or failed: the next pictures' waiting lines follow.
    void done(int index)
    {
        if (m_reporters.value(index) == m_followed)
            m_followed = nullptr;
        m_reporters.remove(index);
        m_done.append(index);
        if (m_progress)
            m_progress->clear();
        while (m_done.contains(m_next)) {
            m_done.removeOne(m_next);
            ++m_next;
            for (const Line& line : m_waiting.take(m_next))
                print(line);
        }
        followProgress();
    }

    // Draws the bar of the first picture of the list not done, when it is being rendered.
    void followProgress()
    {
        IProgressReporter* reporter = m_reporters.value(m_next);
        if (!m_progress || !reporter || reporter == m_followed)
            return;
        m_followed = reporter;
        m_progress->begin(m_options.filterName,
                          QFileInfo(m_options.jobs.at(m_next).input).fileName());
        m_progress->follow(reporter);
    }

    const RenderOptions& m_options;
    TerminalProgress* m_progress;
    QScopedPointer<CapturedMessages> m_captured;
    QMap<int, IProgressReporter*> m_reporters; // the pictures being rendered
    IProgressReporter* m_followed = nullptr;
    QMap<int, QVector<Line>> m_waiting;
    QVector<int> m_done; // done pictures after the first one not done
    int m_next = 0;      // the first picture not done
};

} // namespace

void printError(const QString& message)
{
    std::fprintf(stderr, "drawlume-render: %s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
}

int renderBatch(const RenderOptions& options)
{
    const QScopedPointer<TerminalProgress> progress(newProgress(options));
    // --save-document stores the one picture it renders, read once for both.
    if (!options.saveDocument.isEmpty()) {
        return renderPicture(options.jobs.first(), options, progress.data()) ? ExitSuccess
                                                                             : ExitFailure;
    }

    BatchSettings settings;
    for (const RenderJob& job : options.jobs)
        settings.jobs.append({job.input, job.output});
    settings.outputFolder = options.outputDirectory;
    settings.quality = options.quality;
    settings.existing = ExistingFilePolicy::Overwrite;
    settings.filterName = options.filterName;
    settings.parameters = options.parameters;
    settings.keepPhotoInformation = !options.stripMetadata;
    settings.concurrency = batchConcurrency(options.filterName);
    settings.mask = options.mask;

    TerminalBatchObserver observer(options, progress.data());
    BatchRenderer renderer;
    const BatchSummary summary = renderer.run(settings, &observer);
    if (!summary.error.isEmpty()) {
        report(progress.data(), summary.error);
        return ExitFailure;
    }
    return summary.failed > 0 ? ExitFailure : ExitSuccess;
}

int renderDocument(const RenderOptions& options)
{
    const QString& document = options.document;
    const QString& output = options.jobs.first().output;

    QImage picture;
    QImage storedMask;
    FilterParametersPtr stored;
    UnpackedDocument unpacked;
    QString error;
    QString warning;
    QStringList messages;
    bool done;
    {
        CapturedMessages captured;
        done = loadDocument(document, picture, stored, &error, &unpacked, &warning, &storedMask);
        // loadDocument keeps what it could read of damaged settings (cut short, say); rendering
        // with part of them would not give the document's artwork, so they are checked again.
        QString refused;
        if (done && !hasWellFormedSettings(document, &refused)) {
            done = false;
            error = QStringLiteral("its settings are damaged");
            if (!refused.isEmpty())
                error += QStringLiteral(" (%1)").arg(refused);
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

    // --mask takes the place of the document's own mask.
    const QImage mask =
        options.mask.isNull() ? storedMask : photoMaskFor(options.mask, picture.size());

    // The new document first, as for a picture: its picture is the stored file, unchanged.
    bool succeeded = true;
    if (!options.saveDocument.isEmpty()) {
        succeeded = writeDocument(picture, unpacked.pictureBytes, unpacked.pictureName,
                                  *panelSettings, mask, options, nullptr);
    }
    if (!render)
        return succeeded ? ExitSuccess : ExitFailure;

    const QScopedPointer<TerminalProgress> progress(newProgress(options));
    QString renderError;
    QImage artwork =
        renderArtworkWithProgress(filterName, std::move(picture), parameters,
                                  QFileInfo(document).fileName(), progress.data(), &renderError);
    if (!artwork.isNull() &&
        !blendPhotoFromFile(artwork, unpacked.pictureBytes, mask, &renderError))
        artwork = QImage();
    if (artwork.isNull()) {
        report(progress.data(),
               QStringLiteral("cannot render %1: %2").arg(quoted(document), renderError));
        return ExitFailure;
    }
    const bool written =
        writeArtwork(std::move(artwork), unpacked.pictureBytes, output, options, progress.data());
    return written && succeeded ? ExitSuccess : ExitFailure;
}
