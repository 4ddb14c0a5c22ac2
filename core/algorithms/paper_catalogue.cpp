#include "core/algorithms/paper_catalogue.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

const QVector<PaperTexture>& paperCatalogue()
{
    static const QVector<PaperTexture> catalogue = {
        {QStringLiteral("Grained canvas"), QStringLiteral(":/Coarse-grained-canvas.jpg")},
        {QStringLiteral("Watercolor paper"), QStringLiteral(":/Watercolor-paper.jpg")},
        {QStringLiteral("Pastel paper"), QStringLiteral(":/Pastel-paper.jpg")},
        {QStringLiteral("Old paper"), QStringLiteral(":/Old-paper.jpg")},
        {QStringLiteral("Linen canvas"), QStringLiteral(":/Linen-canvas.jpg")},
        {QStringLiteral("Kraft paper"), QStringLiteral(":/Kraft-paper.jpg")},
        {QStringLiteral("Crumpled paper"), QStringLiteral(":/Crumpled-paper.jpg")},
        {QStringLiteral("Rice paper"), QStringLiteral(":/Rice-paper.jpg")},
        {QStringLiteral("Fine-grained canvas"), QStringLiteral(":/Fine-grained-canvas.jpg")},
    };
    return catalogue;
}

QString paperResourcePath(const QString& name)
{
    for (const PaperTexture& texture : paperCatalogue()) {
        if (texture.name == name)
            return texture.resourcePath;
    }
    return QString();
}

QImage loadPaperTexture(const QString& name)
{
    const QString path = paperResourcePath(name);
    if (path.isEmpty())
        return QImage();

    static QMutex mutex;
    static QHash<QString, QImage> decoded;
    QMutexLocker lock(&mutex);
    auto it = decoded.constFind(path);
    if (it != decoded.cend())
        return it.value();
    QImage image(path);
    if (!image.isNull())
        image = image.convertToFormat(QImage::Format_RGB32);
    decoded.insert(path, image);
    return image;
}
