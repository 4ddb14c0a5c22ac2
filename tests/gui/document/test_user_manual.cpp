#include "core/filters/filter_list.h"
#include "document/presets.h"
#include "ui/user_manual.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>

// The manual the Help menu opens: found from a build tree, complete, and handed to the desktop as
// a local file.
class TestUserManual : public QObject
{
    Q_OBJECT

public slots:
    // Stands in for the desktop's browser.
    void openUrl(const QUrl& url) { m_opened.append(url); }

private:
    QList<QUrl> m_opened;
    QString m_text;

private slots:
    void initTestCase()
    {
        const QString path = user_manual_path();
        QVERIFY(!path.isEmpty());
        QVERIFY(QFileInfo(path).isAbsolute());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        m_text = QString::fromUtf8(file.readAll());
    }

    void isOneSelfContainedPage()
    {
        QVERIFY(m_text.startsWith("<!DOCTYPE html>"));
        QVERIFY(m_text.contains("<style>"));
        QVERIFY(m_text.contains("<title>Drawlume User Manual</title>"));
        QVERIFY(!m_text.contains("<link"));
        QVERIFY(!m_text.contains("<img"));
        QVERIFY(!m_text.contains("<script"));
        QVERIFY(!m_text.contains("http://") && !m_text.contains("https://"));
        QVERIFY(m_text.trimmed().endsWith("</html>"));
    }

    void coversWhatTheProgramOffers_data()
    {
        QTest::addColumn<QString>("text");
        for (const char* text :
             {// opening
              "File &rsaquo; Open", "Open Recent", "Clear Menu", "Drag and drop", "Paste",
              // the filters and their settings as the panels show them
              "<h3>Pencil</h3>", "<h3>Watercolor</h3>", "<h3>Pastel</h3>", "<h3>Oil</h3>",
              "Lead pencil", "Colored pencils", "Contour:", "Shading:", "Stroke:", "Brightness:",
              "Saturation:", "Texturize:", "Strength:", "Details:", "Pencil:", "Brush size:",
              "Strokes:", "Edge:", "Precision:", "Contrast:", "Oil type:", "Brushstrokes",
              "Expressive brushstrokes", "Oil painting", "Dark shading", "Light shading",
              "Kraft paper", "Fine-grained canvas",
              // preview, rendering, export, documents, undo, command line
              "live preview", "Process", "Cancel", "File &rsaquo; Export", "quality 80",
              "Keep photo information", ".drawlume", "Save As", "Undo", "Redo", "drawlume-render",
              "--list-parameters", "--output-dir", "--strip-metadata",
              // batch export
              "File &rsaquo; Batch Export", "Include subfolders", "Name pattern", "Add a number",
              "Current settings", "Open Output Folder",
              // presets
              "Preset:", "Save as Preset", "Delete Preset", "(modified)", "--preset",
              "--list-presets", "drawlume/presets",
              // the Debian package, its manual pages and the shell completion
              "apt-get install", "apt-get purge", "man drawlume-render", "bash-completion",
              "/usr/share/doc/drawlume/manual/index.html",
              // keyboard, screen readers and high-density screens
              "<kbd>F6</kbd>", "Switch to Filter Parameters", "Page Up", "screen reader", "AT-SPI",
              "Preview of", "QT_SCALE_FACTOR"})
            QTest::newRow(text) << QString(text);
        // Every built-in preset, with its line.
        for (const QString& filter : filterNames()) {
            for (const Preset& preset : builtInPresets(filter)) {
                const QString row = "<tr><td>" + filter + "</td><td>" + preset.name + "</td>";
                QTest::newRow(qPrintable(row)) << row;
            }
        }
    }

    void coversWhatTheProgramOffers()
    {
        QFETCH(QString, text);
        QVERIFY2(m_text.contains(text), qPrintable(text));
    }

    void buildTreeCopyMatchesTheSource()
    {
        // This file is tests/gui/document/ in the source tree.
        const QDir sourceRoot(QFileInfo(QStringLiteral(__FILE__)).absolutePath() + "/../../..");
        QFile source(sourceRoot.filePath("docs/manual/index.html"));
        QVERIFY(source.open(QIODevice::ReadOnly));
        QCOMPARE(m_text, QString::fromUtf8(source.readAll()));
    }

    // Runs before any test hands files to a handler of its own: the desktop's launcher is looked
    // for on the first opening, and here there is none to find.
    void openingWithoutABrowserSaysWhereTheManualIs()
    {
        const QByteArray path = qgetenv("PATH");
        QTemporaryDir empty;
        qputenv("PATH", QFile::encodeName(empty.path()));
        qunsetenv("BROWSER");
        QString said;
        QTimer closer;
        closer.setInterval(20);
        connect(&closer, &QTimer::timeout, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                if (box && box->isVisible()) {
                    said = box->text();
                    box->accept();
                }
            }
        });
        closer.start();
        QTest::ignoreMessage(
            QtWarningMsg, qPrintable(QStringLiteral("Unable to detect a launcher for '%1'")
                                         .arg(QUrl::fromLocalFile(user_manual_path()).toString())));
        show_user_manual(nullptr);
        qputenv("PATH", path);
        QVERIFY2(said.contains(QDir::toNativeSeparators(user_manual_path())), qPrintable(said));
        QVERIFY2(said.contains("web browser"), qPrintable(said));
    }

    void openingHandsTheFileToTheDesktop()
    {
        QDesktopServices::setUrlHandler("file", this, "openUrl");
        QVERIFY(open_user_manual());
        QDesktopServices::unsetUrlHandler("file");
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(m_opened.first(), QUrl::fromLocalFile(user_manual_path()));
    }
};

QTEST_MAIN(TestUserManual)
#include "test_user_manual.moc"
