#include "document/file_names.h"
#include "document/settings.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

namespace {

// The entry of a ";;" filter list that begins with `start`.
QString filterEntry(const QString& filters, const QString& start)
{
    for (const QString& entry : filters.split(";;")) {
        if (entry.startsWith(start))
            return entry;
    }
    return QString();
}

bool touch(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

QMimeData* urlData(const QList<QUrl>& urls)
{
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

} // namespace

// Suffix rules, picture names, drop tests and remembered directories.
class TestFileNames : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QTemporaryDir m_files;

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        QVERIFY(m_files.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath("config")));
        QVERIFY(touch(m_files.filePath("photo.JPG")));
        QVERIFY(touch(m_files.filePath("picture.png")));
        QVERIFY(touch(m_files.filePath("phone.HEIC")));
        QVERIFY(touch(m_files.filePath("phone.avif")));
        QVERIFY(touch(m_files.filePath("art.webp")));
        QVERIFY(touch(m_files.filePath("work.drawlume")));
        QVERIFY(touch(m_files.filePath("notes.txt")));
        QVERIFY(QDir(m_files.path()).mkdir("folder.jpg"));
    }

    void dialogFiltersAreExact()
    {
        QCOMPARE(open_dialog_filter(),
                 QStringLiteral("All supported formats (*.jpg *.jpeg *.png *.tif *.tiff *.bmp "
                                "*.webp *.avif *.jxl *.heic *.heif *.drawlume);;JPEG (*.jpg "
                                "*.jpeg);;PNG (*.png);;TIFF (*.tif *.tiff);;BMP (*.bmp);;WebP "
                                "(*.webp);;AVIF (*.avif);;JPEG XL (*.jxl);;HEIF (*.heic *.heif);;"
                                "drawlume (*.drawlume)"));
        QCOMPARE(document_dialog_filter(), QStringLiteral("drawlume (*.drawlume)"));
        QCOMPARE(export_dialog_filter(),
                 QStringLiteral("JPEG (*.jpg *.jpeg);;PNG (*.png);;TIFF (*.tif *.tiff);;BMP "
                                "(*.bmp);;WebP (*.webp);;AVIF (*.avif);;JPEG XL (*.jxl);;All "
                                "Images (*.jpg *.jpeg *.png *.tif *.tiff *.bmp *.webp *.avif "
                                "*.jxl)"));
    }

    // A file dialog reads the patterns of an entry only when the entry ends with its ")"; with
    // anything after it the dialog matches no file at all.
    void everyFilterEntryEndsWithItsPatternList_data()
    {
        QTest::addColumn<QString>("filters");
        QTest::newRow("open") << open_dialog_filter();
        QTest::newRow("document") << document_dialog_filter();
        QTest::newRow("export") << export_dialog_filter();
    }

    void everyFilterEntryEndsWithItsPatternList()
    {
        QFETCH(QString, filters);
        const QRegularExpression entry(QStringLiteral("^[^()]+ \\((\\*\\.[a-z]+ ?)+\\)$"));
        for (const QString& item : filters.split(";;"))
            QVERIFY2(entry.match(item).hasMatch(), qPrintable(item));
    }

    void fixSuffix_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        const QString filters = export_dialog_filter();
        const QString png = filterEntry(filters, "PNG");
        const QString tiff = filterEntry(filters, "TIFF");
        const QString jpeg = filterEntry(filters, "JPEG");
        const QString bmp = filterEntry(filters, "BMP");
        const QString all = filterEntry(filters, "All Images");
        const QString document = document_dialog_filter();

        QTest::newRow("png: bare name") << png << "/out/out"
                                        << "/out/out.png";
        QTest::newRow("png: name ending in a dot") << png << "/out/out."
                                                   << "/out/out.png";
        QTest::newRow("png: upper-case suffix kept") << png << "/out/out.PNG"
                                                     << "/out/out.PNG";
        QTest::newRow("png: jpeg name gets png") << png << "/p/pic.jpeg"
                                                 << "/p/pic.jpeg.png";
        QTest::newRow("tiff: tiff kept") << tiff << "/s/scan.tiff"
                                         << "/s/scan.tiff";
        QTest::newRow("tiff: tif kept") << tiff << "/s/scan.TIF"
                                        << "/s/scan.TIF";
        QTest::newRow("tiff: bare name gets tif") << tiff << "/s/scan"
                                                  << "/s/scan.tif";
        QTest::newRow("jpeg: jpeg written jpg") << jpeg << "/p/pic.jpeg"
                                                << "/p/pic.jpg";
        QTest::newRow("jpeg: JPEG written jpg") << jpeg << "/p/pic.JPEG"
                                                << "/p/pic.jpg";
        QTest::newRow("jpeg: Jpeg written jpg") << jpeg << "/p/pic.Jpeg"
                                                << "/p/pic.jpg";
        QTest::newRow("jpeg: jpg kept") << jpeg << "/p/pic.jpg"
                                        << "/p/pic.jpg";
        QTest::newRow("jpeg: JPG kept") << jpeg << "/p/pic.JPG"
                                        << "/p/pic.JPG";
        QTest::newRow("jpeg: bare name") << jpeg << "/p/pic"
                                         << "/p/pic.jpg";
        QTest::newRow("jpeg: png name gets jpg") << jpeg << "/p/pic.png"
                                                 << "/p/pic.png.jpg";
        QTest::newRow("bmp: bare name") << bmp << "/b/x"
                                        << "/b/x.bmp";
        // "JPEG XL" is a row of its own, not the JPEG row its name begins with.
        QTest::newRow("jpeg xl: jpg name gets jxl")
            << filterEntry(filters, "JPEG XL") << "/p/pic.jpg"
            << "/p/pic.jpg.jxl";
        QTest::newRow("bmp: BMP kept") << bmp << "/b/x.BMP"
                                       << "/b/x.BMP";
        // Every filter but PNG, TIFF, BMP and the document's follows the JPEG rule.
        QTest::newRow("all images: png gets jpg") << all << "/p/pic.png"
                                                  << "/p/pic.png.jpg";
        QTest::newRow("all images: tif gets jpg") << all << "/p/pic.tif"
                                                  << "/p/pic.tif.jpg";
        QTest::newRow("all images: jpeg written jpg") << all << "/p/pic.jpeg"
                                                      << "/p/pic.jpg";
        QTest::newRow("all images: gif gets jpg") << all << "/p/pic.gif"
                                                  << "/p/pic.gif.jpg";
        QTest::newRow("all images: bare name") << all << "/p/pic"
                                               << "/p/pic.jpg";
        QTest::newRow("document: bare name") << document << "/d/mydoc"
                                             << "/d/mydoc.drawlume";
        QTest::newRow("document: kept") << document << "/d/mydoc.drawlume"
                                        << "/d/mydoc.drawlume";
        QTest::newRow("no filter: jpeg rule") << QString() << "/p/pic"
                                              << "/p/pic.jpg";
        QTest::newRow("unknown filter: jpeg rule") << "GIF (*.gif)"
                                                   << "/p/pic.gif"
                                                   << "/p/pic.gif.jpg";
        QTest::newRow("dotted folder, png") << png << "/a.png/out"
                                            << "/a.png/out.png";
        QTest::newRow("dotted folder, jpeg") << jpeg << "/dir.jpeg/out"
                                             << "/dir.jpeg/out.jpg";
        QTest::newRow("relative name") << png << "out"
                                       << "out.png";
        QTest::newRow("empty path stays empty") << png << ""
                                                << "";
    }

    void fixSuffix()
    {
        QFETCH(QString, filter);
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(fix_suffix(path, filter), expected);
    }

    void proposedExportName_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("expected");
        QTest::newRow("photo") << "garden.jpg"
                               << "Pencil"
                               << "jpg"
                               << "garden-pencil.jpg";
        QTest::newRow("filter of two words") << "IMG_0042.HEIC"
                                             << "Paint blend"
                                             << "png"
                                             << "IMG_0042-paint-blend.png";
        QTest::newRow("dots in the name") << "holiday.2024.jpeg"
                                          << "Oil"
                                          << "jpg"
                                          << "holiday.2024-oil.jpg";
        QTest::newRow("pasted picture") << ""
                                        << "Watercolor"
                                        << "jpg"
                                        << "Untitled-watercolor.jpg";
    }

    void proposedExportName()
    {
        QFETCH(QString, picture);
        QFETCH(QString, filter);
        QFETCH(QString, suffix);
        QTEST(proposed_export_name(picture, filter, suffix), "expected");
    }

    void fixDocumentName_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        const QString document = document_dialog_filter();
        QTest::newRow("typed without suffix") << document << "/d/mydoc"
                                              << "/d/mydoc.drawlume";
        QTest::newRow("typed with suffix") << document << "/d/mydoc.drawlume"
                                           << "/d/mydoc.drawlume";
        QTest::newRow("ending in a dot") << document << "/d/mydoc."
                                         << "/d/mydoc.drawlume";
        QTest::newRow("filter end left in the name") << document << "/d/mydoc)"
                                                     << "/d/mydoc.drawlume";
        QTest::newRow("suffix and filter end") << document << "/d/mydoc.drawlume)"
                                               << "/d/mydoc.drawlume";
        QTest::newRow("upper-case suffix made lower") << document << "/d/mydoc.DRAWLUME"
                                                      << "/d/mydoc.drawlume";
        QTest::newRow("mixed-case suffix made lower") << document << "/d/my.doc.Drawlume"
                                                      << "/d/my.doc.drawlume";
        QTest::newRow("picture name gets the suffix") << document << "/d/photo.jpg"
                                                      << "/d/photo.jpg.drawlume";
        QTest::newRow("no filter reported") << QString() << "/d/mydoc"
                                            << "/d/mydoc.drawlume";
        QTest::newRow("picture filter reported") << "PNG (*.png)"
                                                 << "/d/mydoc"
                                                 << "/d/mydoc.drawlume";
        QTest::newRow("empty stays empty") << document << ""
                                           << "";
    }

    void fixDocumentName()
    {
        QFETCH(QString, filter);
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(fix_document_name(path, filter), expected);
    }

    void supportedImageNames_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("supported");
        for (const char* name :
             {"a.jpg",  "a.JPG",  "a.jpeg", "a.JPEG", "a.png",          "a.PNG",  "a.tif",
              "a.tiff", "a.TIFF", "a.bmp",  "a.Bmp",  "/dir.x/b.c.png", "a.heic", "a.HEIC",
              "a.heif", "a.avif", "a.AVIF", "a.webp", "a.WebP",         "a.jxl"})
            QTest::newRow(name) << QString(name) << true;
        for (const char* name : {"a.b.tif", "holiday/x.JPG"})
            QTest::newRow(name) << QString(name) << true;
        for (const char* name : {"a.gif", "a.drawlume", "a.svg", "a", "jpg", "a.jpg.txt",
                                 "/dir.jpg/file", "a.jpg/", "", "picture.", "png.txt", "/tmp/jpg"})
            QTest::newRow(name[0] ? name : "empty") << QString(name) << false;
    }

    void supportedImageNames()
    {
        QFETCH(QString, path);
        QFETCH(bool, supported);
        QCOMPARE(is_supported_image_name(path), supported);
    }

    void dropOfImageDataIsAccepted()
    {
        QMimeData data;
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::red);
        data.setImageData(image);
        QVERIFY(can_accept_drop(&data));
    }

    void dropOfUrls_data()
    {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<bool>("accepted");
        const auto local = [this](const char* name) {
            return QUrl::fromLocalFile(m_files.filePath(name));
        };
        QTest::newRow("existing upper-case JPG") << QList<QUrl>{local("photo.JPG")} << true;
        QTest::newRow("existing png") << QList<QUrl>{local("picture.png")} << true;
        QTest::newRow("existing upper-case HEIC") << QList<QUrl>{local("phone.HEIC")} << true;
        QTest::newRow("existing avif") << QList<QUrl>{local("phone.avif")} << true;
        QTest::newRow("existing webp") << QList<QUrl>{local("art.webp")} << true;
        QTest::newRow("document") << QList<QUrl>{local("work.drawlume")} << true;
        QTest::newRow("other kind of file") << QList<QUrl>{local("notes.txt")} << false;
        QTest::newRow("missing file") << QList<QUrl>{local("missing.jpg")} << false;
        QTest::newRow("folder with a picture name") << QList<QUrl>{local("folder.jpg")} << false;
        QTest::newRow("remote picture")
            << QList<QUrl>{QUrl("https://example.com/photo.jpg")} << false;
        QTest::newRow("picture first, then a document")
            << QList<QUrl>{local("photo.JPG"), local("work.drawlume")} << true;
        QTest::newRow("document first, then a picture")
            << QList<QUrl>{local("work.drawlume"), local("photo.JPG")} << true;
        QTest::newRow("missing first, then a picture")
            << QList<QUrl>{local("missing.jpg"), local("picture.png")} << false;
        QTest::newRow("remote first, then a picture")
            << QList<QUrl>{QUrl("https://example.com/a.jpg"), local("picture.png")} << false;
        QTest::newRow("no urls") << QList<QUrl>{} << false;
    }

    void dropOfUrls()
    {
        QFETCH(QList<QUrl>, urls);
        QFETCH(bool, accepted);
        QScopedPointer<QMimeData> data(urlData(urls));
        QCOMPARE(can_accept_drop(data.data()), accepted);
    }

    void dropOfNothingIsRefused()
    {
        QVERIFY(!can_accept_drop(nullptr));
        QMimeData text;
        text.setText(m_files.filePath("photo.JPG"));
        QVERIFY(!can_accept_drop(&text));
    }

    void rememberedDirectoriesAreAbsolute()
    {
        remember_open_directory(m_files.filePath("photo.JPG"));
        QCOMPARE(last_open_directory(), QDir(m_files.path()).absolutePath());

        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_files.path()));
        remember_open_directory("sub/photo.png");
        QDir::setCurrent(previous);
        QCOMPARE(last_open_directory(), QDir(m_files.path()).absoluteFilePath("sub"));
    }

    void rememberingAnEmptyPathChangesNothing()
    {
        set_last_open_directory("/kept/open");
        remember_open_directory(QString());
        QCOMPARE(last_open_directory(), QStringLiteral("/kept/open"));
    }

    void lastDialogPathIsOneString()
    {
        QVERIFY(last_dialog_path().isEmpty());
        last_dialog_path() = "/p/a.jpg";
        QCOMPARE(last_dialog_path(), QStringLiteral("/p/a.jpg"));
        QCOMPARE(&last_dialog_path(), &last_dialog_path());
        last_dialog_path().clear();
    }
};

QTEST_MAIN(TestFileNames)
#include "test_file_names.moc"
