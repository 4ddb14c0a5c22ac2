#include "cli/render_batch.h"

#include "cli/captured_messages.h"
#include "cli/render_options.h"
#include "cli/terminal_progress.h"
#include "core/framework/filter.h"
#include "core/raster/random.h"
#include "document/picture_io.h"

#include <QDir>
#include <QFileInfo>
#include <QScopedPointer>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

// " [first; second]" for a non-empty list.
QString details(const QStringList& messages)
{
    return messages.isEmpty() ? QString()
                              : QStringLiteral(" [%1]").arg(messages.join(QStringLiteral("; ")));
}

QString quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
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

// Reads, renders and writes one picture; false after reporting why it could not.
bool renderPicture(const RenderJob& job, const RenderOptions& options, TerminalProgress* progress)
{
    const QString problem = outputProblem(job.output);
    if (!problem.isEmpty()) {
        report(progress, QStringLiteral("cannot write %1: %2").arg(quoted(job.output), problem));
        return false;
    }

    QImage picture;
    QString error;
    QStringList messages;
    bool done;
    {
        CapturedMessages captured;
        done = loadPicture(job.input, picture, &error);
        messages = captured.finish();
    }
    if (!done) {
        report(progress, QStringLiteral("cannot read %1: %2%3")
                             .arg(quoted(job.input), error, details(messages)));
        return false;
    }
    // Read, but the decoder had something to say (a cut-off JPEG reads with a grey end).
    if (!messages.isEmpty() && !options.quiet) {
        report(progress, QStringLiteral("warning: %1 may be damaged: %2")
                             .arg(quoted(job.input), messages.join(QStringLiteral("; "))));
    }

    // A fresh generator for every picture: its artwork does not depend on what the batch
    // rendered before it, and the same command gives the same bytes.
    seedRandom();
    const FilterPtr filter = createFilter(options.filterName);
    filter->setImage(picture);
    filter->setParameters(options.parameters);
    if (progress)
        progress->begin(options.filterName, QFileInfo(job.input).fileName());
    filter->setProgressReporter(progress);
    filter->run();
    const QImage artwork = filter->image();
    if (progress)
        progress->clear();
    if (artwork.isNull()) {
        report(
            progress,
            QStringLiteral("cannot render %1: the filter gave no picture").arg(quoted(job.input)));
        return false;
    }

    {
        CapturedMessages captured;
        done = savePicture(artwork, job.output, options.quality, &error);
        messages = captured.finish();
    }
    if (!done) {
        report(progress, QStringLiteral("cannot write %1: %2%3")
                             .arg(quoted(job.output), error, details(messages)));
        return false;
    }
    if (!options.quiet) {
        std::printf("wrote %s\n", job.output.toLocal8Bit().constData());
        std::fflush(stdout);
    }
    return true;
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

    QScopedPointer<TerminalProgress> progress;
    if (!options.quiet && isatty(STDERR_FILENO))
        progress.reset(new TerminalProgress(stderr));

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
