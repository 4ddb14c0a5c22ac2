#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// The picture formats the program knows, each declared once by its row: what it is called, its
// suffixes, how a file of it is recognised by content, whether it is read and written, its quality
// setting and what photo information it carries. The dialogs' filters, the drops, the suffix rules,
// the writer savePicture picks, the metadata it writes, the batch's choices and drawlume-render's
// --format, --help and --list-formats all derive from this table, so adding a format is one row
// plus its reader or writer. GUI-free; the table is built once and read from any thread.

struct PictureFormat
{
    // The photo information a format's files can hold.
    enum Carries { Icc = 1, Exif = 2, Xmp = 4, Iptc = 8 };
    // How a written file keeps the pixels: always exactly, exactly at the highest quality (100),
    // or never exactly.
    enum class Lossless { Always, AtHighestQuality, Never };

    QString id;           // "jpeg", "png" ... stable; also the toolkit's writer name
    QString label;        // "JPEG": the dialogs' and lists' name
    QStringList suffixes; // lower case; the first is the one written and offered
    bool (*recognise)(const QByteArray& head); // true when a file's first bytes are of the format
    bool read;
    bool written;
    int qualityMin; // a quality setting when qualityMax > qualityMin
    int qualityMax;
    int qualityDefault; // what savePicture takes when no quality is asked for
    Lossless lossless;
    int carries; // Carries flags

    bool hasQuality() const { return qualityMax > qualityMin; }
    bool canCarry(Carries what) const { return (carries & what) != 0; }
    // True when a file written at quality (-1: the default) keeps every pixel exactly.
    bool isLosslessAt(int quality) const;
    QString writtenSuffix() const { return suffixes.constFirst(); }
    // "JPEG (*.jpg *.jpeg)": the row as a file dialog's filter entry.
    QString dialogFilter() const;
};

// Every row, in the order the dialogs and lists offer them.
const QVector<PictureFormat>& pictureFormats();

// The row with this id, or null.
const PictureFormat* findPictureFormat(const QString& id);
// The row one of whose suffixes this is ("JPG", ".tiff" ...), or null.
const PictureFormat* pictureFormatForSuffix(const QString& suffix);
// The row whose content the first bytes of a file show (a few hundred bytes are enough), or null.
const PictureFormat* recognisePictureFormat(const QByteArray& head);

// The suffixes of the rows read or written, in table order ("jpg", "jpeg", "png" ...).
QStringList readablePictureSuffixesOfTable();
QStringList writtenPictureSuffixesOfTable();

// The labels of the rows that pass the test, joined for prose: "JPEG, PNG, TIFF and BMP".
QString pictureFormatLabels(bool (*test)(const PictureFormat&));
bool isReadFormat(const PictureFormat& format);
bool isWrittenFormat(const PictureFormat& format);
bool hasQualitySetting(const PictureFormat& format);          // written, with a quality
bool isLosslessAtHighestQuality(const PictureFormat& format); // written, lossless at 100

// The lines of drawlume-render --list-formats, one per row: the written (or first) suffix, the
// label, "read"/"write", "suffixes:", "quality:" with range and default, "lossless" / "lossy" /
// "lossless at quality 100", and "carries:" with ICC, EXIF, XMP and IPTC.
QStringList pictureFormatListing();
