#include "document/document_container.h"

#include "core/framework/atomic_file.h"
#include "core/framework/parameter_xml.h"
#include "core/raster/photo_mask.h"
#include "document/picture_io.h"
#include "document/temporary_folder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QObject>
#include <QStringDecoder>
#include <QtEndian>

#include <cstring>
#include <new>

namespace {

const QString kDocumentSuffix = QStringLiteral(".drawlume");
// The tag of the optional photo mask entry after the parameter XML.
const char kMaskTag[] = "MASK";
const qint64 kMaskEntryHeader = 4 + 8;

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

template <typename T> void appendLittleEndian(QByteArray& out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}

// Reads a little-endian integer; false at the end of the data.
template <typename T> bool readLittleEndian(QIODevice& device, T& value)
{
    char bytes[sizeof(T)];
    if (device.read(bytes, sizeof(T)) != qint64(sizeof(T)))
        return false;
    value = qFromLittleEndian<T>(bytes);
    return true;
}

// Reads exactly `length` bytes, already checked against what is left. False when they cannot be
// read, or held: then *memory is set, for a message that says so.
bool readExactly(QIODevice& device, qint64 length, QByteArray& out, bool* memory)
{
    try {
        out = device.read(length);
    } catch (const std::bad_alloc&) {
        out.clear();
        *memory = true;
        return false;
    }
    return out.size() == length;
}

// Writes bytes to path; false with the reason in *reason when it cannot.
bool writeFile(const QString& path, const QByteArray& bytes, QString* reason)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
        file.write(bytes) == bytes.size() && file.flush())
        return true;
    *reason = file.errorString();
    return false;
}

// True when bytes end in the start of a UTF-8 sequence that is missing its last bytes.
bool endsInCutSequence(const QByteArray& bytes)
{
    for (int back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const uchar byte = uchar(bytes.at(bytes.size() - back));
        if ((byte & 0xC0) == 0x80) // a continuation byte: look further back for the lead
            continue;
        const int length = (byte & 0xE0) == 0xC0   ? 2
                           : (byte & 0xF0) == 0xE0 ? 3
                           : (byte & 0xF8) == 0xF0 ? 4
                                                   : 0;
        return length > back;
    }
    return false;
}

// The suffix of a file name that may go on an unpacked picture: up to 16 ASCII letters and digits.
QString safeSuffix(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return QString();
    const QString suffix = fileName.mid(dot + 1);
    if (suffix.isEmpty() || suffix.size() > 16)
        return QString();
    for (const QChar c : suffix) {
        if (c.unicode() > 127 || !c.isLetterOrNumber())
            return QString();
    }
    return suffix;
}

} // namespace

QByteArray encodedPictureName(const QString& name)
{
    const qsizetype length = 2 * name.size();
    QByteArray bytes = name.toUtf8().left(length);
    bytes.append(QByteArray(length - bytes.size(), '\0'));
    return bytes;
}

QString decodedPictureName(const QByteArray& nameBytes)
{
    const qsizetype zero = nameBytes.indexOf('\0');
    QByteArray bytes = zero < 0 ? nameBytes : nameBytes.left(zero);
    // Without a zero the name filled its 2N bytes, and the writer may have cut its last character.
    if (zero < 0) {
        while (endsInCutSequence(bytes))
            bytes.chop(1);
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString name = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(zero < 0 ? nameBytes : nameBytes.left(zero))
                           : name;
}

QByteArray documentBytes(const QByteArray& picture, const QString& pictureName,
                         const QByteArray& parameters, const QByteArray& mask)
{
    QByteArray out;
    out.reserve(picture.size() + parameters.size() + 2 * pictureName.size() + mask.size() + 32);
    appendLittleEndian<qint64>(out, picture.size());
    out.append(picture);
    appendLittleEndian<qint32>(out, qint32(pictureName.size()));
    out.append(encodedPictureName(pictureName));
    appendLittleEndian<qint64>(out, parameters.size());
    out.append(parameters);
    if (!mask.isEmpty()) {
        out.append(kMaskTag, 4);
        appendLittleEndian<qint64>(out, mask.size());
        out.append(mask);
    }
    return out;
}

bool parseDocument(QIODevice& device, DocumentContents& contents, QString* error)
{
    const qint64 size = device.size();
    const auto left = [&] { return size - device.pos(); };
    const QString truncated = QObject::tr("the document is damaged or not a Drawlume document");
    bool memory = false;
    const auto unread = [&] {
        return memory ? QObject::tr("not enough memory to read the document (%1 bytes)").arg(size)
                      : truncated;
    };

    qint64 pictureLength = 0;
    if (!readLittleEndian(device, pictureLength)) {
        setError(error, truncated + QObject::tr(" (the file of %1 bytes is too short)").arg(size));
        return false;
    }
    if (pictureLength <= 0 || pictureLength > left()) {
        setError(error,
                 truncated + QObject::tr(" (picture length %1 does not fit the file of %2 bytes)")
                                 .arg(pictureLength)
                                 .arg(size));
        return false;
    }
    QByteArray picture;
    if (!readExactly(device, pictureLength, picture, &memory)) {
        setError(error, unread());
        return false;
    }

    // A file cut short names the part it lacks.
    const QString endsEarly = truncated + QObject::tr(" (the document ends before %1)");
    if (left() < 4) {
        setError(error, endsEarly.arg(QObject::tr("the name of its settings file")));
        return false;
    }
    qint32 nameLength = 0;
    if (!readLittleEndian(device, nameLength) || nameLength <= 0 ||
        qint64(nameLength) * 2 > left()) {
        setError(
            error,
            truncated +
                QObject::tr(" (picture name length %1 does not fit the file)").arg(nameLength));
        return false;
    }
    QByteArray nameBytes;
    if (!readExactly(device, qint64(nameLength) * 2, nameBytes, &memory)) {
        setError(error, unread());
        return false;
    }
    const QString name = decodedPictureName(nameBytes);

    if (left() < 8) {
        setError(error, endsEarly.arg(QObject::tr("the length of its settings")));
        return false;
    }
    qint64 parametersLength = 0;
    if (!readLittleEndian(device, parametersLength) || parametersLength < 0 ||
        parametersLength > left()) {
        setError(
            error,
            truncated +
                QObject::tr(" (settings length %1 does not match the file)").arg(parametersLength));
        return false;
    }
    // No settings come near this; larger ones would only cost time to parse.
    if (parametersLength > kLargestParameterXml) {
        setError(error, QObject::tr("the document's settings are too large (%1 bytes; at most %2 "
                                    "bytes)")
                            .arg(parametersLength)
                            .arg(kLargestParameterXml));
        return false;
    }
    QByteArray parameters;
    if (!readExactly(device, parametersLength, parameters, &memory)) {
        setError(error, unread());
        return false;
    }

    // What follows the settings can only be the photo mask entry.
    QByteArray mask;
    if (left() > 0) {
        char tag[4];
        qint64 maskLength = 0;
        if (left() < kMaskEntryHeader || device.read(tag, 4) != 4 ||
            std::memcmp(tag, kMaskTag, 4) != 0 || !readLittleEndian(device, maskLength) ||
            maskLength <= 0 || maskLength != left()) {
            setError(error, truncated + QObject::tr(" (%1 bytes after its settings are no photo "
                                                    "brush mask)")
                                            .arg(size - 20 - pictureLength -
                                                 2 * qint64(nameLength) - parametersLength));
            return false;
        }
        if (!readExactly(device, maskLength, mask, &memory)) {
            setError(error, unread());
            return false;
        }
    }

    contents.picture = picture;
    contents.pictureName = name;
    contents.parameters = parameters;
    contents.mask = mask;
    return true;
}

bool readDocumentFile(const QString& path, DocumentContents& contents, QString* error)
{
    // A pipe or a device would be read until it ends, which may be never.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        setError(error, QObject::tr("not a regular file"));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, file.exists() ? file.errorString() : QObject::tr("file does not exist"));
        return false;
    }
    return parseDocument(file, contents, error);
}

QString safePictureFileName(const QString& storedName)
{
    const qsizetype slash = std::max(storedName.lastIndexOf(QLatin1Char('/')),
                                     storedName.lastIndexOf(QLatin1Char('\\')));
    QString name = storedName.mid(slash + 1);
    name.remove(QLatin1Char('\0'));
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QString();
    return name;
}

bool isDocumentName(const QString& path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && path.mid(dot) == kDocumentSuffix;
}

QString pngPictureName(const QString& pictureName)
{
    // The suffix starts at the last dot of the final file name, but not at its first character
    // (".hidden" has none).
    const qsizetype slash = std::max(pictureName.lastIndexOf(QLatin1Char('/')),
                                     pictureName.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = pictureName.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > slash + 1 ? pictureName.left(dot) : pictureName;
    return base + QStringLiteral(".png");
}

bool packDocument(const QString& documentPath, const QImage& picture, const QString& pictureName,
                  const QByteArray& pictureFileBytes, const FilterParameters& parameters,
                  QString* writtenPath, QString* error, const QImage& mask)
{
    if (pictureName.isEmpty()) {
        setError(error, QObject::tr("the picture has no name"));
        return false;
    }
    // The directory part ends at the last "/" (or "\" when there is none).
    qsizetype slash = documentPath.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        slash = documentPath.lastIndexOf(QLatin1Char('\\'));
    const QString directory = documentPath.left(slash + 1);
    const QString fileName = documentPath.mid(slash + 1);
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString baseName = dot < 0 ? fileName : fileName.left(dot);
    const QString target = directory + baseName + kDocumentSuffix;
    if (writtenPath)
        *writtenPath = target;

    QByteArray pictureFile = pictureFileBytes;
    QString storedName = pictureName;
    if (pictureFile.isEmpty()) {
        QBuffer buffer(&pictureFile);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        if (picture.isNull() || !writer.write(picture)) {
            setError(error, QObject::tr("the picture cannot be stored as PNG"));
            return false;
        }
        storedName = pngPictureName(pictureName);
    }
    QByteArray maskFile;
    if (!isBlankPhotoMask(mask)) {
        QBuffer buffer(&maskFile);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        if (!writer.write(mask.convertToFormat(QImage::Format_Grayscale8))) {
            setError(error, QObject::tr("the photo brush mask cannot be stored as PNG"));
            return false;
        }
    }
    return writeFileAtomically(
        target, documentBytes(pictureFile, storedName, parameterXml(parameters), maskFile), error);
}

bool unpackDocument(const QString& documentPath, UnpackedDocument& unpacked, QString* error)
{
    DocumentContents contents;
    if (!readDocumentFile(documentPath, contents, error))
        return false;
    const QString fileName = safePictureFileName(contents.pictureName);
    if (fileName.isEmpty()) {
        setError(error, QObject::tr("the document names no picture"));
        return false;
    }
    const QString temporary = privateTemporaryDirectory();
    const QString folder = temporary + QStringLiteral("/drawlume/");
    if (temporary.isEmpty() || !QDir().mkpath(folder)) {
        setError(error, QObject::tr("cannot create a temporary directory"));
        return false;
    }
    // The picture goes under a short name of its own with the stored suffix, whatever the stored
    // name is (long, or "filter"); the settings under a name no unpacked picture has.
    const QString suffix = safeSuffix(fileName);
    const QString picturePath = folder + QStringLiteral("picture") +
                                (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
    const QString filterPath = folder + QStringLiteral("filter");
    QString reason;
    if (!writeFile(picturePath, contents.picture, &reason) ||
        !writeFile(filterPath, contents.parameters, &reason)) {
        setError(error, QObject::tr("cannot unpack the document (%1)").arg(reason));
        return false;
    }
    unpacked.picturePath = picturePath;
    unpacked.filterPath = filterPath;
    unpacked.pictureName = contents.pictureName;
    unpacked.pictureBytes = contents.picture;
    unpacked.maskBytes = contents.mask;
    return true;
}

bool loadDocument(const QString& documentPath, QImage& picture, FilterParametersPtr& parameters,
                  QString* error, UnpackedDocument* unpackedTo, QString* warning, QImage* mask)
{
    if (warning)
        warning->clear();
    UnpackedDocument unpacked;
    if (!unpackDocument(documentPath, unpacked, error))
        return false;
    QImage image;
    QString reason;
    QString pictureWarning;
    if (!decodePicture(unpacked.pictureBytes, image, &reason, &pictureWarning)) {
        setError(error, QObject::tr("its picture cannot be read: %1").arg(reason));
        return false;
    }
    QString filterName;
    QMap<QString, QVariant> values;
    readParameterXml(unpacked.filterPath, filterName, values);
    picture = image;
    parameters = FilterParametersPtr(new FilterParameters(filterName, values));
    if (unpackedTo)
        *unpackedTo = unpacked;
    if (mask) {
        QString maskWarning;
        *mask = decodeDocumentMask(unpacked.maskBytes, image.size(), &maskWarning);
        if (!maskWarning.isEmpty())
            pictureWarning = pictureWarning.isEmpty()
                                 ? maskWarning
                                 : pictureWarning + QStringLiteral("; ") + maskWarning;
    }
    if (warning)
        *warning = pictureWarning;
    return true;
}

QImage decodeDocumentMask(const QByteArray& maskBytes, const QSize& pictureSize, QString* warning)
{
    if (maskBytes.isEmpty())
        return QImage();
    QImage grey;
    QString reason;
    if (!decodePicture(maskBytes, grey, &reason)) {
        setError(
            warning,
            QObject::tr("its photo brush mask cannot be read (%1) and is left out").arg(reason));
        return QImage();
    }
    if (grey.size() != pictureSize)
        setError(warning, QObject::tr("its photo brush mask of %1 x %2 pixels is scaled to the "
                                      "picture's %3 x %4")
                              .arg(grey.width())
                              .arg(grey.height())
                              .arg(pictureSize.width())
                              .arg(pictureSize.height()));
    return photoMaskFor(grey, pictureSize);
}
