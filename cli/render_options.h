#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <QVector>

#include "core/framework/filter_parameters.h"
#include "document/picture_io.h"

// What drawlume-render was asked to do, read from its command line on the main thread before
// anything is rendered: every usage error (unknown option, filter or key, a bad value, missing
// files, an output that cannot be written or would overwrite an input) is found here.

// The process exit codes.
enum ExitCode {
    ExitSuccess = 0,
    ExitFailure = 1, // a picture could not be read, decoded or written
    ExitUsage = 2,   // the command line is wrong; nothing was rendered
};

// One picture to render: where it comes from and where the artwork goes. output is empty when
// the picture is only stored in a document (--save-document without OUTPUT).
struct RenderJob
{
    QString input;
    QString output;
};

// The command-line settings of a --document render. They can only be checked against the stored
// filter's table once the document has been read (see documentParameters).
struct DocumentSettings
{
    QString filterName;      // -f, resolved to a renderable name; empty when not given
    QString preset;          // --preset, applied before the assignments; empty when not given
    QStringList assignments; // every -s KEY=VALUE, in order
    QString texture;         // --texture, when hasTexture
    bool hasTexture = false;
};

// The most threads --threads accepts.
constexpr int kMostThreads = 256;

struct RenderOptions
{
    enum Action {
        Render,
        ShowHelp,
        ShowVersion,
        ListFilters,
        ListFormats,
        ListParameters,
        ListPresets
    };

    Action action = Render;
    // The filter to render with, or for ListParameters and ListPresets the filter to list.
    QString filterName;
    // The finished parameter set (Render only; for --document it is made from the document).
    FilterParametersPtr parameters;
    // --document: the document to render; jobs then holds one job, the document and OUTPUT
    // (empty when only --save-document is written).
    QString document;
    DocumentSettings documentSettings;
    // --save-document: the document to write with the one job's input picture and panelSettings,
    // the set without the common keys of a render. From a --document it gets that document's
    // stored picture and its settings with the command line's over them.
    QString saveDocument;
    FilterParametersPtr panelSettings;
    int quality = -1; // writer quality 0..100, -1 for the format's default
    // --strip-metadata: the outputs get none of the input's EXIF, XMP and IPTC (the colour profile
    // stays).
    bool stripMetadata = false;
    // --mask: the grey picture (Grayscale8, at its own size) that brings the photograph back
    // where it is white, scaled to each picture; null when not given. With --document it takes
    // the place of the document's own mask.
    QImage mask;
    bool quiet = false;
    int maxMegapixels = kDefaultMaximumMegapixels; // the largest picture read, in megapixels
    int threads = 0;         // --threads: the threads a render uses; 0 for one a core
    QString outputDirectory; // set for a batch (--output-dir)
    QVector<RenderJob> jobs;
    QString helpText;
};

// Reads the arguments (the first is the program). Returns false with *error set, one line naming
// the option, key, value or file and the reason, on a usage error.
bool parseRenderOptions(const QStringList& arguments, RenderOptions* options, QString* error);

// The set to render a document with, from its stored set and the command line's settings:
// the stored values, with --preset, -s and --texture checked against the stored filter's table
// and put over them in that order, plus the common keys of a full-size render. *panelSettings
// (when given) gets the same without the common keys, the set a document stores. Returns null
// with *error set, one line, when -f names another filter than the stored one, the filter has no
// such preset or a setting is wrong for it (usage errors). The stored filter must be one
// createFilter knows.
FilterParametersPtr documentParameters(const FilterParameters& stored,
                                       const DocumentSettings& settings, QString* error,
                                       FilterParametersPtr* panelSettings = nullptr);

// text in double quotes, for messages.
QString quoted(const QString& text);

// A name or value given by the user or read from a file, in double quotes for messages, cut at 80
// characters (with how long it was), so that a name of a million characters does not fill the
// terminal.
QString quotedName(const QString& text);

// The output a batch writes for input: its base name with suffix, in directory.
QString batchOutputPath(const QString& input, const QString& directory, const QString& suffix);
