// Makes a large test picture for bench/large_photos.sh: the photo scaled smoothly, with its aspect
// ratio, to about the given number of megapixels (never above), written as a JPEG of quality 92 as
// a camera would. Prints the size it wrote as "WIDTHxHEIGHT".
//
// Usage: drawlume-make-bench-picture <photo> <megapixels> <output.jpg>

#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QSize>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The largest size of the photo's aspect ratio with at most pixels pixels.
QSize sizeFor(const QSize& photo, double pixels)
{
    const double aspect = double(photo.width()) / photo.height();
    const int height = int(std::sqrt(pixels / aspect));
    int width = int(std::lround(height * aspect));
    while (width > 1 && double(width) * height > pixels)
        --width;
    return QSize(std::max(width, 1), std::max(height, 1));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <photo> <megapixels> <output.jpg>\n", argv[0]);
        return 2;
    }
    bool ok = false;
    const double megapixels = QString::fromLocal8Bit(argv[2]).toDouble(&ok);
    if (!ok || megapixels <= 0 || megapixels > 1000) {
        std::fprintf(stderr, "the megapixels must be a number above 0 and at most 1000\n");
        return 2;
    }
    QImageReader::setAllocationLimit(1024);
    QImageReader reader(QString::fromLocal8Bit(argv[1]));
    reader.setAutoTransform(true);
    QImage photo;
    if (!reader.read(&photo)) {
        std::fprintf(stderr, "cannot read %s: %s\n", argv[1],
                     reader.errorString().toLocal8Bit().constData());
        return 1;
    }
    const QSize size = sizeFor(photo.size(), megapixels * 1e6);
    const QImage picture =
        size == photo.size() ? photo
                             : photo.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    photo = QImage();
    QImageWriter writer(QString::fromLocal8Bit(argv[3]), "jpeg");
    writer.setQuality(92);
    if (!writer.write(picture)) {
        std::fprintf(stderr, "cannot write %s: %s\n", argv[3],
                     writer.errorString().toLocal8Bit().constData());
        return 1;
    }
    std::printf("%dx%d\n", picture.width(), picture.height());
    return 0;
}
