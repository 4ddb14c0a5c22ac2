#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <QString>

#include "core/framework/filter_parameters.h"
#include "document/temporary_folder.h"

// The ".drawlume" document: a picture file, the picture's name and the filter parameter XML, one
// after the other, little-endian, without signature or padding:
//
//   offset 0          8 bytes  P, length of the picture file (signed)
//   8                 P bytes  the picture file
//   8 + P             4 bytes  N, length of the picture name in 16-bit characters (signed)
//   12 + P            2N bytes the name's UTF-8 bytes, cut at or padded with zeros to 2N bytes
//   12 + P + 2N       8 bytes  F, length of the parameter XML (signed)
//   20 + P + 2N       F bytes  the parameter XML
//
// A document with a photo mask (what the photo brush painted) goes on with one more entry:
//
//   20 + P + 2N + F   4 bytes  "MASK"
//   24 + P + 2N + F   8 bytes  M, length of the mask (signed)
//   32 + P + 2N + F   M bytes  the mask, an 8-bit grey PNG at the picture's size
//
// The file ends there; a document without a mask ends after its parameter XML, as before. Reading
// checks every length against what is left of the file before it allocates anything, so a damaged,
// truncated or foreign file is refused with a reason that names the missing part; F above
// kLargestParameterXml (parameter_xml.h) is refused as well.

struct DocumentContents
{
    QByteArray picture;    // the picture file, byte for byte
    QString pictureName;   // as stored, decoded by decodedPictureName
    QByteArray parameters; // the filter parameter XML
    QByteArray mask;       // the photo mask's PNG file, empty when the document has none
};

// The 2N name bytes of a picture name.
QByteArray encodedPictureName(const QString& name);

// The picture name of the 2N name bytes: the bytes up to the first zero as UTF-8, without the
// last character's bytes when the writer cut them off; bytes that are no UTF-8 as Latin-1.
QString decodedPictureName(const QByteArray& nameBytes);

// The whole container as bytes.
QByteArray documentBytes(const QByteArray& picture, const QString& pictureName,
                         const QByteArray& parameters, const QByteArray& mask = QByteArray());

// Reads and checks a container; on failure `error` says what is wrong with it.
bool parseDocument(QIODevice& device, DocumentContents& contents, QString* error);
bool readDocumentFile(const QString& path, DocumentContents& contents, QString* error);

// The name under which a stored picture name may be unpacked: its final file name (after the last
// "/" or "\"), or empty when nothing usable is left.
QString safePictureFileName(const QString& storedName);

// True when path ends in ".drawlume" (case-sensitive).
bool isDocumentName(const QString& path);

// Writes a document of a picture and its parameters. The document path is documentPath's
// directory and base name with ".drawlume"; it is returned in writtenPath.
//
// pictureFileBytes is the file the picture was read from: when it is not empty it is stored as it
// is, byte for byte, under pictureName, and picture is not looked at, so that a photo saved again
// and again never loses anything. When it is empty (a pasted or changed picture), picture is
// encoded losslessly as PNG and stored under pictureName with its suffix replaced by ".png"
// ("Untitled" gives "Untitled.png"). An empty pictureName is refused. A mask that is not blank is
// stored as a grey PNG entry; a null or blank one stores none. The container is built in memory
// and written atomically: on failure an existing document is left as it was.
bool packDocument(const QString& documentPath, const QImage& picture, const QString& pictureName,
                  const QByteArray& pictureFileBytes, const FilterParameters& parameters,
                  QString* writtenPath, QString* error, const QImage& mask = QImage());

// The name a picture without file bytes is stored under: pictureName with ".png" in place of its
// suffix, or appended when it has none.
QString pngPictureName(const QString& pictureName);

struct UnpackedDocument
{
    QString picturePath;     // the picture file, unpacked as "picture" with the stored suffix
    QString filterPath;      // the parameter XML, unpacked as "filter"
    QString pictureName;     // the stored name: for display, and stored again by the next save
    QByteArray pictureBytes; // the stored picture file, byte for byte
    QByteArray maskBytes;    // the stored photo mask's PNG, empty when there is none
};

// Unpacks a document into "drawlume/" inside the private directory (the next unpack overwrites).
bool unpackDocument(const QString& documentPath, UnpackedDocument& unpacked, QString* error);

// Unpacks and reads a document: its picture and its parameter set (and, when asked, where it
// was unpacked and the stored picture file's bytes, which packDocument stores again unchanged).
// *warning (when given) says when the stored picture is incomplete (see decodePicture). *mask
// (when given) gets the stored photo mask as Grayscale8 at the picture's size, or a null picture
// when there is none; a mask that cannot be read is left out with a warning, so that the picture
// and its settings still open.
bool loadDocument(const QString& documentPath, QImage& picture, FilterParametersPtr& parameters,
                  QString* error, UnpackedDocument* unpackedTo = nullptr,
                  QString* warning = nullptr, QImage* mask = nullptr);

// The photo mask stored in a document: its PNG decoded as Grayscale8 and scaled to pictureSize
// when it has another size (with a word in *warning). A null picture with *warning set when the
// bytes are no picture; a null picture without a word when there are none.
QImage decodeDocumentMask(const QByteArray& maskBytes, const QSize& pictureSize, QString* warning);
