// Generates the interface pictures in resources/ui/ (the bevelled button and drop-down frames, the
// arrows, slider handles, the original-size icon, the resize grip, the separator, the busy
// spinner's background, the about picture and the empty-document placeholder) and the application
// icon in resources/icons/ (PNG in the usual sizes and SVG).
//
// The small controls are composed pixel by pixel from signed distances to rounded rectangles and
// circles, so every edge is antialiased the same way at any size and the 10-pixel border-image
// slices stay clean: the rows and columns the style stretches (10 to 13) are uniform. The
// application picture is one vector scene drawn with QPainter for the PNGs and written as SVG text
// for the scalable icon. Nothing is random and no font is used for a PNG, so running the tool again
// rewrites the same bytes.
//
// Usage: drawlume-generate-interface-art <resources folder>

#include "interface_art_generator.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <QString>

#include <cstdio>

namespace {

bool writePng(const QImage& image, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%-36s %d x %d\n", qPrintable(QFileInfo(path).fileName()), image.width(),
                image.height());
    return true;
}

bool writeText(const QString& text, const QString& path)
{
    QSaveFile file(path);
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%-36s %lld bytes\n", qPrintable(QFileInfo(path).fileName()),
                static_cast<long long>(bytes.size()));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <resources folder>\n", argv[0]);
        return 2;
    }
    const QDir resources(QString::fromLocal8Bit(argv[1]));
    const QString uiPath = resources.filePath(QStringLiteral("ui"));
    const QString iconPath = resources.filePath(QStringLiteral("icons"));
    if (!QDir().mkpath(uiPath) || !QDir().mkpath(iconPath)) {
        std::fprintf(stderr, "cannot create the folders under %s\n", argv[1]);
        return 1;
    }
    const QDir ui(uiPath);
    const QDir icons(iconPath);

    bool ok = true;
    const auto png = [&](const QDir& dir, const QString& name, const QImage& image) {
        ok = writePng(image, dir.filePath(name)) && ok;
    };
    png(ui, QStringLiteral("button.png"), button(false));
    png(ui, QStringLiteral("button-pressed.png"), button(true));
    png(ui, QStringLiteral("combobox.png"), comboBox(false));
    png(ui, QStringLiteral("combobox-pressed.png"), comboBox(true));
    png(ui, QStringLiteral("arrows.png"), arrows());
    png(ui, QStringLiteral("slider-handle.png"), sliderHandle(false));
    png(ui, QStringLiteral("slider-handle-pressed.png"), sliderHandle(true));
    png(ui, QStringLiteral("original-size.png"), originalSize());
    png(ui, QStringLiteral("resize-grip.png"), resizeGrip());
    png(ui, QStringLiteral("separator.png"), separator());
    png(ui, QStringLiteral("BackProgress.png"), backProgress());
    png(ui, QStringLiteral("indicator.png"), indicator());
    png(ui, QStringLiteral("about.png"), applicationMotif(false).render(96));

    // Every picture again at twice the pixels for high-density screens: Qt picks name@2x.png by
    // itself where a screen's device pixel ratio is above 1 (the style sheet's pictures, and the
    // others through QIcon). A border image's slices are counted in the picture's own pixels, so
    // the style sheet cuts the doubled frames at 20 pixels instead of 10 on such screens.
    g_artScale = 2;
    png(ui, QStringLiteral("button@2x.png"), button(false));
    png(ui, QStringLiteral("button-pressed@2x.png"), button(true));
    png(ui, QStringLiteral("combobox@2x.png"), comboBox(false));
    png(ui, QStringLiteral("combobox-pressed@2x.png"), comboBox(true));
    png(ui, QStringLiteral("arrows@2x.png"), arrows());
    png(ui, QStringLiteral("slider-handle@2x.png"), sliderHandle(false));
    png(ui, QStringLiteral("slider-handle-pressed@2x.png"), sliderHandle(true));
    png(ui, QStringLiteral("original-size@2x.png"), originalSize());
    png(ui, QStringLiteral("resize-grip@2x.png"), resizeGrip());
    png(ui, QStringLiteral("BackProgress@2x.png"), backProgress());
    g_artScale = 1;
    png(ui, QStringLiteral("about@2x.png"), applicationMotif(false).render(192));
    ok = writeText(placeholderSvg(), ui.filePath(QStringLiteral("placeholder.svg"))) && ok;

    for (const int size : {16, 32, 48, 64, 128, 256}) {
        png(icons, QStringLiteral("drawlume-%1.png").arg(size),
            applicationMotif(size <= 32).render(size));
    }
    ok = writeText(applicationMotif(false).svg(QStringLiteral("Drawlume")),
                   icons.filePath(QStringLiteral("drawlume.svg"))) &&
         ok;
    return ok ? 0 : 1;
}
