// Generates the algorithm resources in resources/: the nine paper and canvas textures the picture
// is printed on, the watercolor and impasto grounds, and the brush and crayon bitmaps.
//
// Every picture is procedural and drawn from fixed seeds with the generator's own random numbers,
// so running the tool again (same compiler, same Qt) rewrites the same bytes. Textures are built on
// the torus of their own width and height: noise lattices have a whole number of cells across each
// side, woven threads a whole (even) number of threads, and fibres, spots and stains wrap around
// the borders, so every texture tiles without a seam whatever its size.
//
// Usage: drawlume-generate-resources <output folder>

#include "resource_generator.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    bool ok = true;
    const auto texture = [&](const QString& name, const QImage& img) {
        report(name, img);
        ok = saveJpeg(img, out.filePath(name)) && ok;
    };
    texture("Coarse-grained-canvas.jpg", coarseCanvas());
    texture("Watercolor-paper.jpg", watercolorPaper());
    texture("Pastel-paper.jpg", pastelPaper());
    texture("Old-paper.jpg", oldPaper());
    texture("Linen-canvas.jpg", linenCanvas());
    texture("Kraft-paper.jpg", kraftPaper());
    texture("Crumpled-paper.jpg", crumpledPaper());
    texture("Rice-paper.jpg", ricePaper());
    texture("Fine-grained-canvas.jpg", fineCanvas());
    texture("watercolor-texture.jpg", watercolorGround());
    texture("impastotexture.jpg", impastoGround());

    ok = writeBrushes(out) && ok;
    return ok ? 0 : 1;
}
