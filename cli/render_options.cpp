#include "cli/render_options.h"

#include "batch/batch_renderer.h"
#include "cli/render_settings.h"
#include "core/filters/filter_list.h"
#include "core/framework/filter.h"
#include "core/framework/filter_descriptor.h"
#include "document/document_container.h"
#include "document/picture_formats.h"
#include "document/picture_io.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace {

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

// Every filter --list-parameters knows: those the factory lists, when they have a table.
QStringList listableFilterNames()
{
    QStringList names;
    for (const QString& name : allFilterNames()) {
        if (!parameterTable(name).isEmpty())
            names.append(name);
    }
    return names;
}

QString description()
{
    return QStringLiteral(
               "Turns photographs into artwork: pencil drawings, watercolors, oil paintings and "
               "oil pastels, printed on paper or canvas.\n\n"
               "  drawlume-render [options] INPUT OUTPUT [--save-document DOC.drawlume]\n"
               "  drawlume-render [options] INPUT --save-document DOC.drawlume\n"
               "  drawlume-render [options] INPUT... --output-dir DIR\n"
               "  drawlume-render [-s KEY=VALUE...] --document DOC.drawlume OUTPUT\n"
               "  drawlume-render [-s KEY=VALUE...] --document DOC.drawlume [OUTPUT] "
               "--save-document NEW.drawlume\n\n"
               "INPUT is read by its content: %2.\n"
               "The suffix of OUTPUT chooses the format (%1; see --list-formats); OUTPUT keeps the "
               "colour profile (ICC) of INPUT and the resolution INPUT states (100 dots per inch "
               "when it states none) where its format carries them.\n"
               "OUTPUT also keeps the photo information of INPUT (EXIF, XMP and IPTC: camera, "
               "date, place, captions) as far as its format carries it (--list-formats), unless "
               "--strip-metadata is given; its orientation is upright, its pixel size the "
               "artwork's, its software Drawlume, and the thumbnail is left out.\n"
               "A document (.drawlume) holds a picture with a filter and its settings, as the "
               "application saves it.\n"
               "Examples:\n"
               "  drawlume-render photo.jpg drawing.png\n"
               "  drawlume-render -s color_enabled=colored_pencils --texture \"Kraft paper\" "
               "photo.jpg drawing.jpg\n"
               "  drawlume-render -f Oil --preset \"Expressive strokes\" photo.jpg painting.png\n"
               "  drawlume-render --format jpg --output-dir drawings *.jpg\n"
               "  drawlume-render -s stroke_length=80 photo.jpg --save-document photo.drawlume\n"
               "  drawlume-render --document photo.drawlume drawing.png\n\n"
               "Exit status: 0 success, 1 a picture or document could not be read, rendered or "
               "written, 2 usage error.")
        .arg(writablePictureSuffixes().join(QStringLiteral(", ")),
             pictureFormatLabels(&isReadFormat));
}

// The --quality help: the written formats with a quality and their defaults, from the table.
QString qualityHelp()
{
    QStringList defaults;
    for (const PictureFormat& format : pictureFormats()) {
        if (hasQualitySetting(format))
            defaults.append(QStringLiteral("%1 %2").arg(format.label).arg(format.qualityDefault));
    }
    return QStringLiteral("The quality of %1, 0 to 100 (defaults: %2); 100 is lossless in %3.")
        .arg(pictureFormatLabels(&hasQualitySetting), defaults.join(QStringLiteral(", ")),
             pictureFormatLabels(&isLosslessAtHighestQuality));
}

// Reads the --mask picture as a grey one.
bool readMask(const QString& path, QImage* mask, QString* error)
{
    QImage picture;
    QString reason;
    if (path.isEmpty() || !loadPicture(path, picture, &reason)) {
        return fail(
            error,
            QStringLiteral("--mask %1: cannot read it: %2")
                .arg(quoted(path), path.isEmpty() ? QStringLiteral("no file name given") : reason));
    }
    *mask = picture.convertToFormat(QImage::Format_Grayscale8);
    return true;
}

bool parseMaxMegapixels(const QString& text, int* megapixels, QString* error)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < kLowestMaximumMegapixels || value > kHighestMaximumMegapixels) {
        return fail(error, QStringLiteral("--max-megapixels %1: the limit must be a whole number "
                                          "from %2 to %3")
                               .arg(quoted(text))
                               .arg(kLowestMaximumMegapixels)
                               .arg(kHighestMaximumMegapixels));
    }
    *megapixels = value;
    return true;
}

bool parseThreads(const QString& text, int* threads, QString* error)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < 1 || value > kMostThreads) {
        return fail(error, QStringLiteral("--threads %1: the thread count must be a whole number "
                                          "from 1 to %2")
                               .arg(quoted(text))
                               .arg(kMostThreads));
    }
    *threads = value;
    return true;
}

bool parseQuality(const QString& text, int* quality, QString* error)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < 0 || value > 100) {
        return fail(error,
                    QStringLiteral("--quality %1: the quality must be a whole number from 0 to 100")
                        .arg(quoted(text)));
    }
    *quality = value;
    return true;
}

bool checkOutputSuffix(const QString& output, QString* error)
{
    const QString suffix = QFileInfo(output).suffix();
    if (isWritablePictureSuffix(suffix))
        return true;
    if (isDocumentName(output)) {
        return fail(error, QStringLiteral("cannot write %1: OUTPUT is a picture; write a document "
                                          "with --save-document %1")
                               .arg(quoted(output)));
    }
    const QString known = writablePictureSuffixes().join(QStringLiteral(", "));
    if (suffix.isEmpty()) {
        return fail(error, QStringLiteral("cannot write %1: the name has no suffix to choose the "
                                          "format by (%2)")
                               .arg(quoted(output), known));
    }
    return fail(error, QStringLiteral("cannot write %1: unsupported format %2 (writable: %3)")
                           .arg(quoted(output), quoted(suffix), known));
}

// Checks the --save-document target against the job whose picture it stores.
bool checkSaveDocument(const QString& document, const RenderJob& job, QString* error)
{
    if (!isDocumentName(document)) {
        return fail(error, QStringLiteral("--save-document %1: a document's name must end in "
                                          "\".drawlume\"")
                               .arg(quoted(document)));
    }
    if (isSameFile(document, job.input)) {
        return fail(error, QStringLiteral("the document %1 is the input %2; an input is never "
                                          "overwritten")
                               .arg(quoted(document), quoted(job.input)));
    }
    if (!job.output.isEmpty() && isSameFile(document, job.output)) {
        return fail(error, QStringLiteral("the document %1 and the output %2 are one file")
                               .arg(quoted(document), quoted(job.output)));
    }
    return true;
}

// The renderable filter -f names, or empty with *error set.
QString resolveFilter(const QString& requested, QString* error)
{
    const QString name = matchName(requested, renderableFilterNames());
    if (!name.isEmpty())
        return name;
    const QString available = renderableFilterNames().join(QStringLiteral(", "));
    const QString known = matchName(requested, allFilterNames());
    if (!known.isEmpty()) {
        fail(error, QStringLiteral("filter %1 cannot be rendered by this build yet (filters: %2)")
                        .arg(quoted(known), available));
    } else {
        fail(error, QStringLiteral("unknown filter %1 (filters: %2)")
                        .arg(quotedName(requested), available));
    }
    return QString();
}

} // namespace

FilterParametersPtr documentParameters(const FilterParameters& stored,
                                       const DocumentSettings& settings, QString* error,
                                       FilterParametersPtr* panelSettings)
{
    if (!settings.filterName.isEmpty() && settings.filterName != stored.filterName()) {
        fail(error, QStringLiteral("-f %1 does not match the document, which is rendered with "
                                   "filter %2 (leave -f out)")
                        .arg(quotedName(settings.filterName), quotedName(stored.filterName())));
        return FilterParametersPtr();
    }
    RenderSettings renderSettings(stored);
    if (!settings.preset.isEmpty() && !renderSettings.applyPreset(settings.preset, error))
        return FilterParametersPtr();
    for (const QString& assignment : settings.assignments) {
        if (!renderSettings.apply(assignment, error))
            return FilterParametersPtr();
    }
    if (settings.hasTexture && !renderSettings.setTexture(settings.texture, error))
        return FilterParametersPtr();
    if (panelSettings)
        *panelSettings = renderSettings.panelParameters();
    return renderSettings.parameters();
}

QString quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString quotedName(const QString& text)
{
    return quotedForMessage(text);
}

QString batchOutputPath(const QString& input, const QString& directory, const QString& suffix)
{
    const QFileInfo info(input);
    // "holiday.2023.jpg" keeps "holiday.2023"; a name that is all suffix keeps itself.
    QString base = info.completeBaseName();
    if (base.isEmpty())
        base = info.fileName();
    return QDir(directory).filePath(base + QLatin1Char('.') + suffix);
}

bool parseRenderOptions(const QStringList& arguments, RenderOptions* options, QString* error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption filterOption(
        {QStringLiteral("f"), QStringLiteral("filter")},
        QStringLiteral("The filter to render with (default Pencil; see --list-filters)."),
        QStringLiteral("NAME"), QStringLiteral("Pencil"));
    const QCommandLineOption setOption(
        {QStringLiteral("s"), QStringLiteral("set")},
        QStringLiteral("Sets a parameter of the filter; repeatable. KEY is the full key or the "
                       "part after \"::\" (see --list-parameters)."),
        QStringLiteral("KEY=VALUE"));
    const QCommandLineOption textureOption(
        QStringLiteral("texture"),
        QStringLiteral("The paper or canvas to print on, e.g. \"Kraft paper\" (default None); "
                       "the names are the choices of the texture row of --list-parameters."),
        QStringLiteral("NAME"));
    const QCommandLineOption qualityOption(QStringLiteral("quality"), qualityHelp(),
                                           QStringLiteral("N"));
    const QCommandLineOption maxMegapixelsOption(
        QStringLiteral("max-megapixels"),
        QStringLiteral("The largest picture to read, in megapixels, 1 to 1000 (default 100). A "
                       "render needs up to 16 bytes per pixel; a picture the free memory cannot "
                       "hold is refused."),
        QStringLiteral("N"));
    const QCommandLineOption threadsOption(
        QStringLiteral("threads"),
        QStringLiteral("The threads a render uses, 1 to %1 (default: one a core the process may "
                       "run on). Any count gives the same picture.")
            .arg(kMostThreads),
        QStringLiteral("N"));
    const QCommandLineOption formatOption(
        QStringLiteral("format"),
        QStringLiteral("The suffix of the files --output-dir writes: %1 (default png).")
            .arg(writablePictureSuffixes().join(QStringLiteral(", "))),
        QStringLiteral("SUFFIX"));
    const QCommandLineOption outputDirOption(
        QStringLiteral("output-dir"),
        QStringLiteral("Renders every INPUT into DIR, named after the input (created if missing), "
                       "two at a time on two or more cores."),
        QStringLiteral("DIR"));
    const QCommandLineOption namePatternOption(
        QStringLiteral("name-pattern"),
        QStringLiteral("Names the files --output-dir writes: {name} is the input's name without "
                       "its suffix, {filter} the filter's name, {ext} the format's suffix; the "
                       "pattern must hold {name} and end in .{ext} (default {name}.{ext})."),
        QStringLiteral("PATTERN"));
    const QCommandLineOption listFiltersOption(QStringLiteral("list-filters"),
                                               QStringLiteral("Lists the filters and exits."));
    const QCommandLineOption listFormatsOption(
        QStringLiteral("list-formats"),
        QStringLiteral("Lists the picture formats (suffix, name, read and write, suffixes, "
                       "quality, lossless, the photo information carried) and exits."));
    const QCommandLineOption listParametersOption(
        QStringLiteral("list-parameters"),
        QStringLiteral("Lists the parameters of a filter (key, type, range, default, choices, "
                       "fixed values) and exits."),
        QStringLiteral("NAME"));
    const QCommandLineOption documentOption(
        QStringLiteral("document"),
        QStringLiteral("Renders the picture of a document with its stored filter and settings "
                       "into OUTPUT; -s and --texture change stored values."),
        QStringLiteral("DOC"));
    const QCommandLineOption saveDocumentOption(
        QStringLiteral("save-document"),
        QStringLiteral("Also writes a document (name ending in .drawlume) of INPUT with the filter "
                       "and settings; OUTPUT may then be left out. The picture file is stored as "
                       "it is, byte for byte; with --document, that document's picture."),
        QStringLiteral("DOC"));
    const QCommandLineOption stripMetadataOption(
        QStringLiteral("strip-metadata"),
        QStringLiteral("Writes none of the photo information of INPUT (EXIF, XMP, IPTC, the "
                       "place where it was taken included) into OUTPUT; the colour profile "
                       "stays."));
    const QCommandLineOption maskOption(
        QStringLiteral("mask"),
        QStringLiteral("Brings the photograph back where the grey picture FILE is white (black "
                       "keeps the artwork, grey mixes them), scaled to each INPUT; with "
                       "--document in place of the document's own mask."),
        QStringLiteral("FILE"));
    const QCommandLineOption presetOption(
        QStringLiteral("preset"),
        QStringLiteral("Starts from a preset of the filter, built in or saved in the application "
                       "(see --list-presets); -s and --texture change its values."),
        QStringLiteral("NAME"));
    const QCommandLineOption listPresetsOption(
        QStringLiteral("list-presets"),
        QStringLiteral("Lists the presets of the filter named after it, or else of -f, one name a "
                       "line (built-in ones first), and exits."));
    const QCommandLineOption quietOption({QStringLiteral("q"), QStringLiteral("quiet")},
                                         QStringLiteral("Prints only errors: no progress bar, no "
                                                        "warnings, no \"wrote\" lines."));
    parser.addOptions({filterOption, setOption, textureOption, qualityOption, maxMegapixelsOption,
                       formatOption, outputDirOption, namePatternOption, documentOption,
                       saveDocumentOption, stripMetadataOption, listFiltersOption,
                       listFormatsOption, listParametersOption, quietOption});
    parser.addOptions({presetOption, listPresetsOption, maskOption, threadsOption});
    parser.addPositionalArgument(QStringLiteral("INPUT"),
                                 QStringLiteral("The photograph to render (several with "
                                                "--output-dir)."),
                                 QStringLiteral("INPUT..."));
    parser.addPositionalArgument(QStringLiteral("OUTPUT"),
                                 QStringLiteral("The picture to write; its suffix chooses the "
                                                "format."),
                                 QStringLiteral("[OUTPUT]"));

    RenderOptions& o = *options;
    o.helpText = parser.helpText();
    if (!parser.parse(arguments))
        return fail(error, parser.errorText());

    if (parser.isSet(helpOption)) {
        o.action = RenderOptions::ShowHelp;
        return true;
    }
    if (parser.isSet(versionOption)) {
        o.action = RenderOptions::ShowVersion;
        return true;
    }
    if (parser.isSet(listFiltersOption)) {
        o.action = RenderOptions::ListFilters;
        return true;
    }
    if (parser.isSet(listFormatsOption)) {
        o.action = RenderOptions::ListFormats;
        return true;
    }
    if (parser.isSet(listParametersOption)) {
        const QString name = parser.value(listParametersOption);
        o.filterName = matchName(name, listableFilterNames());
        if (o.filterName.isEmpty()) {
            return fail(error, QStringLiteral("unknown filter %1 (filters: %2)")
                                   .arg(quotedName(name), listableFilterNames().join(", ")));
        }
        o.action = RenderOptions::ListParameters;
        return true;
    }
    if (parser.isSet(listPresetsOption)) {
        // The filter comes after the option as the only other word: --list-presets Oil.
        const QStringList words = parser.positionalArguments();
        if (words.size() > 1)
            return fail(error, QStringLiteral("--list-presets takes one filter name"));
        const QString name = words.isEmpty() ? parser.value(filterOption) : words.first();
        o.filterName = matchName(name, listableFilterNames());
        if (o.filterName.isEmpty()) {
            return fail(error, QStringLiteral("unknown filter %1 (filters: %2)")
                                   .arg(quoted(name), listableFilterNames().join(", ")));
        }
        o.action = RenderOptions::ListPresets;
        return true;
    }

    if (parser.isSet(presetOption) && parser.value(presetOption).isEmpty())
        return fail(error, QStringLiteral("--preset needs a preset name (see --list-presets)"));

    // The filter.
    const bool renderDocument = parser.isSet(documentOption);
    if (!renderDocument || parser.isSet(filterOption)) {
        o.filterName = resolveFilter(parser.value(filterOption), error);
        if (o.filterName.isEmpty())
            return false;
    }

    if (parser.isSet(qualityOption) &&
        !parseQuality(parser.value(qualityOption), &o.quality, error))
        return false;
    if (parser.isSet(threadsOption) &&
        !parseThreads(parser.value(threadsOption), &o.threads, error))
        return false;
    if (parser.isSet(maxMegapixelsOption) &&
        !parseMaxMegapixels(parser.value(maxMegapixelsOption), &o.maxMegapixels, error))
        return false;
    o.quiet = parser.isSet(quietOption);
    o.stripMetadata = parser.isSet(stripMetadataOption);
    if (parser.isSet(maskOption) && !readMask(parser.value(maskOption), &o.mask, error))
        return false;

    const QStringList files = parser.positionalArguments();
    if (renderDocument) {
        // The settings wait for the document: they are checked against its filter.
        o.document = parser.value(documentOption);
        if (o.document.isEmpty())
            return fail(error, QStringLiteral("--document needs a document name"));
        o.documentSettings.filterName = o.filterName;
        o.documentSettings.preset = parser.value(presetOption);
        o.documentSettings.assignments = parser.values(setOption);
        o.documentSettings.hasTexture = parser.isSet(textureOption);
        o.documentSettings.texture = parser.value(textureOption);
        if (parser.isSet(outputDirOption)) {
            return fail(error, QStringLiteral("--document renders one document into OUTPUT; it "
                                              "cannot be combined with --output-dir"));
        }
        const bool saveDocument = parser.isSet(saveDocumentOption);
        if (saveDocument)
            o.saveDocument = parser.value(saveDocumentOption);
        if (parser.isSet(formatOption)) {
            return fail(error, QStringLiteral("--format applies to --output-dir only; the suffix "
                                              "of OUTPUT chooses the format"));
        }
        if (parser.isSet(namePatternOption)) {
            return fail(error, QStringLiteral("--name-pattern applies to --output-dir only; "
                                              "OUTPUT names the file"));
        }
        if (files.isEmpty() && !saveDocument) {
            return fail(
                error,
                QStringLiteral("missing OUTPUT after --document %1").arg(quoted(o.document)));
        }
        if (files.size() > 1) {
            return fail(error, QStringLiteral("--document renders one document: give --document "
                                              "DOC OUTPUT, without INPUT"));
        }
        o.jobs.append({o.document, files.value(0)});
        if (saveDocument && !checkSaveDocument(o.saveDocument, o.jobs.first(), error))
            return false;
    } else {
        RenderSettings settings(o.filterName);
        if (parser.isSet(presetOption) && !settings.applyPreset(parser.value(presetOption), error))
            return false;
        for (const QString& assignment : parser.values(setOption)) {
            if (!settings.apply(assignment, error))
                return false;
        }
        // The texture shortcut comes last, so it wins over a -s of the same key.
        if (parser.isSet(textureOption) && !settings.setTexture(parser.value(textureOption), error))
            return false;
        o.parameters = settings.parameters();
        o.panelSettings = settings.panelParameters();

        if (files.isEmpty())
            return fail(error, QStringLiteral("no input picture given (see --help)"));
        // Every file is an input with --output-dir, else the first one only.
        const QStringList inputs = parser.isSet(outputDirOption) ? files : files.mid(0, 1);
        for (const QString& input : inputs) {
            if (isDocumentName(input)) {
                return fail(error, QStringLiteral("%1 is a document, not a picture: render it "
                                                  "with --document %1 OUTPUT")
                                       .arg(quoted(input)));
            }
        }

        const bool saveDocument = parser.isSet(saveDocumentOption);
        if (saveDocument) {
            o.saveDocument = parser.value(saveDocumentOption);
            if (parser.isSet(outputDirOption)) {
                return fail(error, QStringLiteral("--save-document stores one picture; it cannot "
                                                  "be combined with --output-dir"));
            }
        }
        if (parser.isSet(outputDirOption)) {
            o.outputDirectory = parser.value(outputDirOption);
            if (o.outputDirectory.isEmpty())
                return fail(error, QStringLiteral("--output-dir needs a directory name"));
            QString suffix = parser.isSet(formatOption) ? parser.value(formatOption).toLower()
                                                        : QStringLiteral("png");
            if (suffix.startsWith(QLatin1Char('.')))
                suffix.remove(0, 1);
            if (!isWritablePictureSuffix(suffix)) {
                return fail(error, QStringLiteral("--format %1: unsupported format (writable: %2)")
                                       .arg(quoted(suffix),
                                            writablePictureSuffixes().join(QStringLiteral(", "))));
            }
            const QString pattern = parser.value(namePatternOption);
            if (parser.isSet(namePatternOption)) {
                const QString problem = checkNamePattern(pattern);
                if (!problem.isEmpty())
                    return fail(
                        error,
                        QStringLiteral("--name-pattern %1: %2").arg(quotedName(pattern), problem));
            }
            for (const QString& input : files) {
                const QString output =
                    parser.isSet(namePatternOption)
                        ? QDir(o.outputDirectory)
                              .filePath(patternFileName(pattern, input, o.filterName, suffix))
                        : batchOutputPath(input, o.outputDirectory, suffix);
                o.jobs.append({input, output});
            }
        } else {
            if (parser.isSet(formatOption)) {
                return fail(error, QStringLiteral("--format applies to --output-dir only; the "
                                                  "suffix of OUTPUT chooses the format"));
            }
            if (parser.isSet(namePatternOption)) {
                return fail(error, QStringLiteral("--name-pattern applies to --output-dir only; "
                                                  "OUTPUT names the file"));
            }
            if (files.size() == 1 && !saveDocument) {
                return fail(error, QStringLiteral("missing OUTPUT after %1 (give INPUT OUTPUT, "
                                                  "or INPUT... --output-dir DIR)")
                                       .arg(quoted(files.first())));
            }
            if (files.size() > 2) {
                return fail(error, QStringLiteral("%1 pictures given: render one with INPUT "
                                                  "OUTPUT, several with INPUT... --output-dir DIR")
                                       .arg(files.size()));
            }
            o.jobs.append({files.at(0), files.value(1)});
        }
        if (saveDocument && !checkSaveDocument(o.saveDocument, o.jobs.first(), error))
            return false;
    }

    // Never write over an input, whichever job's input it is.
    for (const RenderJob& job : qAsConst(o.jobs)) {
        if (job.output.isEmpty())
            continue;
        if (!checkOutputSuffix(job.output, error))
            return false;
        for (const RenderJob& other : qAsConst(o.jobs)) {
            if (isSameFile(job.output, other.input)) {
                return fail(error, QStringLiteral("the output %1 is the input %2; an input is "
                                                  "never overwritten")
                                       .arg(quoted(job.output), quoted(other.input)));
            }
        }
    }
    return true;
}
