// drawlume-render: renders photographs and documents into artwork from the command line, with the
// filters and parameter tables of the application. The command line is read and the files are
// loaded and saved on the main thread; the filters run on a worker thread. See --help.

#include "cli/parameter_listing.h"
#include "cli/render_batch.h"
#include "cli/render_options.h"
#include "cli/render_settings.h"
#include "core/raster/execution.h"
#include "document/picture_formats.h"
#include "document/presets.h"
#include "document/temporary_folder.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

void printLines(const QStringList& lines)
{
    for (const QString& line : lines)
        std::printf("%s\n", line.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("drawlume-render"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DRAWLUME_VERSION));

    RenderOptions options;
    QString error;
    if (!parseRenderOptions(QCoreApplication::arguments(), &options, &error)) {
        printError(error);
        return ExitUsage;
    }

    switch (options.action) {
    case RenderOptions::ShowHelp:
        std::printf("%s", options.helpText.toLocal8Bit().constData());
        return ExitSuccess;
    case RenderOptions::ShowVersion:
        std::printf("drawlume-render %s\n", DRAWLUME_VERSION);
        return ExitSuccess;
    case RenderOptions::ListFilters:
        printLines(renderableFilterNames());
        return ExitSuccess;
    case RenderOptions::ListFormats:
        printLines(pictureFormatListing());
        return ExitSuccess;
    case RenderOptions::ListParameters:
        printLines(parameterListing(options.filterName));
        return ExitSuccess;
    case RenderOptions::ListPresets:
        printLines(PresetStore().names(options.filterName));
        return ExitSuccess;
    case RenderOptions::Render:
        break;
    }
    setMaximumPictureMegapixels(options.maxMegapixels);
    if (options.threads > 0) {
        Execution setting = execution();
        setting.threads = options.threads;
        setExecution(setting);
    }
    // An interrupted render leaves no unpacked document behind, nor does one killed earlier.
    removeTemporaryFolderOnSignals();
    removeStaleTemporaryFolders();
    return options.document.isEmpty() ? renderBatch(options) : renderDocument(options);
}
