#include "batch/batch_renderer.h"

#include "batch/picture_render.h"
#include "core/filters/filter_list.h"
#include "core/framework/iprogress_reporter.h"
#include "document/photo_metadata.h"
#include "document/picture_io.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QMutexLocker>
#include <QThread>

#include <sys/stat.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <utility>

Q_LOGGING_CATEGORY(lcBatch, "drawlume.batch", QtWarningMsg)

namespace {

QString quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// " [first; second]" for a non-empty list.
QString details(const QStringList& messages)
{
    return messages.isEmpty() ? QString()
                              : QStringLiteral(" [%1]").arg(messages.join(QStringLiteral("; ")));
}

bool samePath(const QString& a, const QString& b)
{
    return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) ==
               QDir::cleanPath(QFileInfo(b).absoluteFilePath()) ||
           isSameFile(a, b);
}

// Makes the output folder; empty, or the message why it cannot be made.
QString prepareOutputFolder(const QString& folder)
{
    const QFileInfo info(folder);
    if (info.isDir())
        return QString();
    if (info.exists())
        return QStringLiteral("cannot write into %1: it is not a directory").arg(quoted(folder));
    if (!QDir().mkpath(folder))
        return QStringLiteral("cannot create the output directory %1").arg(quoted(folder));
    return QString();
}

// path with "-number" before its suffix: "out/a-Pencil.jpg" gives "out/a-Pencil-2.jpg".
QString numberedPath(const QString& path, int number)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    QString base = suffix.isEmpty() ? info.fileName() : info.completeBaseName();
    base += QStringLiteral("-%1").arg(number);
    if (!suffix.isEmpty())
        base += QLatin1Char('.') + suffix;
    return QDir(info.path()).filePath(base);
}

} // namespace

bool isSameFile(const QString& a, const QString& b)
{
    struct stat first;
    struct stat second;
    if (::stat(QFile::encodeName(a).constData(), &first) != 0 ||
        ::stat(QFile::encodeName(b).constData(), &second) != 0)
        return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

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

QString existingFilePolicyKey(ExistingFilePolicy policy)
{
    switch (policy) {
    case ExistingFilePolicy::Overwrite:
        return QStringLiteral("overwrite");
    case ExistingFilePolicy::AddNumber:
        return QStringLiteral("number");
    case ExistingFilePolicy::Skip:
        break;
    }
    return QStringLiteral("skip");
}

ExistingFilePolicy existingFilePolicyFromKey(const QString& key)
{
    if (key == QLatin1String("overwrite"))
        return ExistingFilePolicy::Overwrite;
    if (key == QLatin1String("number"))
        return ExistingFilePolicy::AddNumber;
    return ExistingFilePolicy::Skip;
}

QString defaultNamePattern()
{
    return QStringLiteral("{name}-{filter}.{ext}");
}

QString checkNamePattern(const QString& pattern)
{
    if (pattern.trimmed().isEmpty())
        return QStringLiteral("the pattern is empty");
    if (!pattern.contains(QLatin1String("{name}")))
        return QStringLiteral("the pattern has no {name}, so every picture would get one name");
    const qsizetype open = pattern.lastIndexOf(QLatin1Char('{'));
    if (open >= 0 && pattern.indexOf(QLatin1Char('}'), open) < 0) {
        return QStringLiteral("the pattern's \"%1\" lacks its closing \"}\"")
            .arg(pattern.mid(open));
    }
    // The format follows from the suffix: a file without its format's suffix cannot be written.
    if (!pattern.contains(QLatin1String("{ext}")))
        return QStringLiteral("the pattern has no {ext}, so the files would have no suffix");
    if (!pattern.endsWith(QLatin1String(".{ext}")))
        return QStringLiteral("the pattern does not end in .{ext}, so the files would not have "
                              "the suffix of their format");
    if (pattern.contains(QLatin1Char('/')) || pattern.contains(QLatin1Char('\\')))
        return QStringLiteral("the pattern holds a path separator; the files go into the output "
                              "folder");
    for (const QChar c : pattern) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return QStringLiteral("the pattern holds a control character");
    }
    return QString();
}

QString patternFileName(const QString& pattern, const QString& input, const QString& filterName,
                        const QString& suffix)
{
    const QFileInfo info(input);
    // "holiday.2023.jpg" keeps "holiday.2023"; a name that is all suffix keeps itself.
    QString base = info.completeBaseName();
    if (base.isEmpty())
        base = info.fileName();
    // One pass over the pattern, so that a base name holding "{filter}" stays as it is.
    QString name;
    for (int i = 0; i < pattern.size();) {
        if (pattern.at(i) == QLatin1Char('{')) {
            const int end = pattern.indexOf(QLatin1Char('}'), i);
            const QStringView field =
                end < 0 ? QStringView() : QStringView(pattern).mid(i, end - i + 1);
            if (field == QLatin1String("{name}")) {
                name += base;
                i = end + 1;
                continue;
            }
            if (field == QLatin1String("{filter}")) {
                name += filterName;
                i = end + 1;
                continue;
            }
            if (field == QLatin1String("{ext}")) {
                name += suffix;
                i = end + 1;
                continue;
            }
        }
        name += pattern.at(i);
        ++i;
    }
    return name;
}

FilterParametersPtr batchRenderParameters(const FilterParameters& settings)
{
    FilterParametersPtr set(new FilterParameters(settings));
    addFixedValues(*set);
    set->insert(scalingKey(), 1.0);
    set->insert(forPreviewKey(), false);
    return set;
}

int batchConcurrency(const QString& filterName)
{
    // Two pictures at a time wherever there are two cores, for every filter: reading and writing
    // a photograph (decoding, encoding, the photo information) run on one thread, and so do large
    // parts of the renders, so a second picture fills the other core. Measured on 12-megapixel
    // photos with Pencil and Oil, two at a time was never slower than one at a time with the
    // filters' own helper threads; it holds two pictures in memory instead of one.
    Q_UNUSED(filterName);
    return std::clamp(QThread::idealThreadCount(), 1, 2);
}

BatchObserver::~BatchObserver() = default;
void BatchObserver::pictureStarted(int, const QString&) {}
void BatchObserver::renderStarted(int, IProgressReporter*) {}
void BatchObserver::pictureProgress(int, int) {}
void BatchObserver::pictureWarning(int, const QString&) {}
void BatchObserver::pictureWritten(int, const QString&) {}
void BatchObserver::pictureFailed(int, const QString&) {}
void BatchObserver::pictureSkipped(int, const QString&) {}
void BatchObserver::pictureCancelled(int) {}
void BatchObserver::batchFinished(const BatchSummary&) {}
void BatchObserver::beginFileAccess() {}
QStringList BatchObserver::endFileAccess()
{
    return QStringList();
}

// A picture whose render runs or waits to be written.
struct BatchRenderer::Slot
{
    int index = 0;
    QString output;
    QByteArray pictureFile; // the bytes read, for the photo information
    std::unique_ptr<PictureRender> render;
    bool finished = false;
    int phase = 1;
    int phases = 1;
    int percent = 0;
    int reported = -1;
};

void BatchRenderer::cancel()
{
    m_cancelled.store(true);
    cancelRenders();
}

void BatchRenderer::cancelRenders()
{
    QMutexLocker lock(&m_mutex);
    for (PictureRender* render : qAsConst(m_renders))
        render->cancel();
}

BatchSummary BatchRenderer::run(const BatchSettings& settings, BatchObserver* observer)
{
    BatchObserver silent;
    if (!observer)
        observer = &silent;
    BatchSummary summary;
    const auto finish = [&]() {
        summary.cancelled = m_cancelled.load();
        observer->batchFinished(summary);
        return summary;
    };

    const bool needsPattern = std::any_of(settings.jobs.cbegin(), settings.jobs.cend(),
                                          [](const BatchJob& job) { return job.output.isEmpty(); });
    if (needsPattern) {
        const QString problem = checkNamePattern(settings.pattern);
        if (!problem.isEmpty()) {
            summary.error = QStringLiteral("the name pattern %1 cannot be used: %2")
                                .arg(quoted(settings.pattern), problem);
            return finish();
        }
    }
    if (!settings.outputFolder.isEmpty()) {
        summary.error = prepareOutputFolder(settings.outputFolder);
        if (!summary.error.isEmpty())
            return finish();
    }

    QElapsedTimer timer;
    timer.start();
    const int concurrency = std::max(1, settings.concurrency);
    qCDebug(lcBatch) << "batch of" << settings.jobs.size() << "pictures," << concurrency
                     << "at a time, filter" << settings.filterName;

    QVector<int> claimedBy;                   // the job that claimed each output, in claiming order
    QStringList claimed;                      // the outputs this run has written or tried to
    std::deque<std::unique_ptr<Slot>> active; // in the list's order
    QEventLoop loop;

    const auto fail = [&](int index, const QString& message) {
        ++summary.failed;
        observer->pictureFailed(index, message);
    };
    const auto claimant = [&](const QString& output) {
        for (int i = 0; i < claimed.size(); ++i) {
            if (samePath(claimed.at(i), output))
                return claimedBy.at(i);
        }
        return -1;
    };

    // Reads picture index and starts its render, or reports why it is not rendered.
    const auto startPicture = [&](int index) {
        const BatchJob& job = settings.jobs.at(index);
        QString output = job.output;
        if (output.isEmpty()) {
            output = QDir(settings.outputFolder)
                         .filePath(patternFileName(settings.pattern, job.input, settings.filterName,
                                                   settings.suffix));
        }
        if (settings.existing == ExistingFilePolicy::AddNumber) {
            const QString first = output;
            for (int number = 2; QFileInfo::exists(output) || claimant(output) >= 0; ++number)
                output = numberedPath(first, number);
        } else {
            const int earlier = claimant(output);
            if (earlier >= 0) {
                // Two inputs of a batch with one output name: the first one's artwork stays.
                fail(index, QStringLiteral("not rendering %1: its output %2 is the output of %3")
                                .arg(quoted(job.input), quoted(output),
                                     quoted(settings.jobs.at(earlier).input)));
                return;
            }
            if (settings.existing == ExistingFilePolicy::Skip && QFileInfo::exists(output)) {
                ++summary.skipped;
                observer->pictureSkipped(index, output);
                return;
            }
        }
        claimed.append(output);
        claimedBy.append(index);
        observer->pictureStarted(index, output);

        // Never write over an input of the batch.
        for (const BatchJob& other : settings.jobs) {
            if (isSameFile(output, other.input)) {
                fail(index, QStringLiteral("the output %1 is the input %2; an input is never "
                                           "overwritten")
                                .arg(quoted(output), quoted(other.input)));
                return;
            }
        }
        const QString problem = outputProblem(output);
        if (!problem.isEmpty()) {
            fail(index, QStringLiteral("cannot write %1: %2").arg(quoted(output), problem));
            return;
        }

        QImage picture;
        QByteArray pictureFile;
        QString error;
        QString warning;
        observer->beginFileAccess();
        const bool read = loadPictureFile(job.input, picture, &pictureFile, &error, &warning);
        const QStringList messages = observer->endFileAccess();
        if (!read) {
            fail(index, QStringLiteral("cannot read %1: %2%3")
                            .arg(quoted(job.input), error, details(messages)));
            return;
        }
        if (!warning.isEmpty()) {
            observer->pictureWarning(index,
                                     QStringLiteral("warning: %1: %2%3")
                                         .arg(quoted(job.input), warning, details(messages)));
        } else if (!messages.isEmpty()) {
            observer->pictureWarning(
                index, QStringLiteral("warning: %1 may be damaged: %2")
                           .arg(quoted(job.input), messages.join(QStringLiteral("; "))));
        }

        auto slot = std::make_unique<Slot>();
        slot->index = index;
        slot->output = output;
        slot->pictureFile = std::move(pictureFile);
        slot->render = std::make_unique<PictureRender>(settings.filterName, std::move(picture),
                                                       settings.parameters);
        PictureRender* render = slot->render.get();
        if (!render->isValid()) {
            fail(index, QStringLiteral("cannot render %1: the filter gave no picture")
                            .arg(quoted(job.input)));
            return;
        }
        Slot* state = slot.get();
        IProgressReporter* reporter = render->reporter();
        const auto report = [observer, state]() {
            // Never backwards, also when a filter announces its phases again part of the way.
            const int overall = std::max(
                state->reported, ((state->phase - 1) * 100 + state->percent) / state->phases);
            if (overall != state->reported) {
                state->reported = overall;
                observer->pictureProgress(state->index, overall);
            }
        };
        QObject::connect(
            reporter, &IProgressReporter::progress, render,
            [state, report](int percent) {
                state->percent = std::clamp(percent, 0, 100);
                report();
            },
            Qt::QueuedConnection);
        QObject::connect(
            reporter, &IProgressReporter::sig_set_total_phases, render,
            [state, report](int count) {
                state->phases = std::max(1, count);
                state->phase = 1;
                state->percent = 0;
                report();
            },
            Qt::QueuedConnection);
        QObject::connect(
            reporter, &IProgressReporter::sig_next_phase, render,
            [state, report]() {
                // A filter that reports more phases than it announced still gets a sensible
                // figure.
                ++state->phase;
                state->phases = std::max(state->phases, state->phase);
                state->percent = 0;
                report();
            },
            Qt::QueuedConnection);
        QObject::connect(render, &PictureRender::finished, &loop, [state, &loop]() {
            state->finished = true;
            loop.quit();
        });
        {
            QMutexLocker lock(&m_mutex);
            m_renders.append(render);
        }
        observer->renderStarted(index, reporter);
        report();
        render->start();
        // A cancel between the check before this picture and the registration above.
        if (m_cancelled.load())
            render->cancel();
        active.push_back(std::move(slot));
    };

    // Writes the first picture of the list once its render is done. After a cancel, a render that
    // had ended before it still gives its file; one that was stopped is dropped.
    const auto finishPicture = [&]() {
        std::unique_ptr<Slot> slot = std::move(active.front());
        active.pop_front();
        {
            QMutexLocker lock(&m_mutex);
            m_renders.removeOne(slot->render.get());
        }
        QString renderError;
        QImage artwork = slot->render->takeArtwork(&renderError);
        slot->render.reset();
        const QString& input = settings.jobs.at(slot->index).input;
        if (artwork.isNull() && m_cancelled.load()) {
            observer->pictureCancelled(slot->index);
            return;
        }
        if (artwork.isNull()) {
            fail(slot->index,
                 QStringLiteral("cannot render %1: %2").arg(quoted(input), renderError));
            return;
        }
        QString error;
        if (!blendPhotoFromFile(artwork, slot->pictureFile, settings.mask, &error)) {
            fail(slot->index, QStringLiteral("cannot render %1: %2").arg(quoted(input), error));
            return;
        }
        // A filter that announced more phases than it went through still ends at 100 %.
        if (slot->reported < 100)
            observer->pictureProgress(slot->index, 100);
        setArtworkResolution(artwork, slot->pictureFile);
        observer->beginFileAccess();
        const PhotoMetadata metadata = settings.keepPhotoInformation
                                           ? PhotoMetadata::read(slot->pictureFile)
                                           : PhotoMetadata();
        QString warning;
        const bool written =
            savePicture(artwork, slot->output, settings.quality, &error, metadata, &warning);
        const QStringList messages = observer->endFileAccess();
        if (!written) {
            fail(slot->index, QStringLiteral("cannot write %1: %2%3")
                                  .arg(quoted(slot->output), error, details(messages)));
            return;
        }
        ++summary.written;
        if (!warning.isEmpty())
            observer->pictureWarning(
                slot->index, QStringLiteral("warning: %1: %2").arg(quoted(slot->output), warning));
        observer->pictureWritten(slot->index, slot->output);
    };

    int next = 0;
    for (;;) {
        while (!m_cancelled.load() && next < settings.jobs.size() &&
               int(active.size()) < concurrency)
            startPicture(next++);
        if (active.empty())
            break;
        if (active.front()->finished) {
            finishPicture();
            continue;
        }
        if (m_cancelled.load())
            cancelRenders();
        loop.exec();
    }
    qCDebug(lcBatch) << "batch done in" << timer.elapsed() << "ms:" << summary.written << "written,"
                     << summary.skipped << "skipped," << summary.failed << "failed"
                     << (m_cancelled.load() ? "(cancelled)" : "");
    return finish();
}
