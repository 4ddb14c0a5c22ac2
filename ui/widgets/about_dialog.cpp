#include "ui/widgets/about_dialog.h"

#include "ui/widgets/bevel_label.h"

#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace {

const QColor kAboutGrey(166, 166, 166);
const char* const kVersion = "1.2";

} // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("About"));
    QPalette shade = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        shade.setColor(group, QPalette::Window, kAboutGrey);
    setPalette(shade);
    setAutoFillBackground(true);

    auto* picture = new QLabel(this);
    picture->setPixmap(QPixmap(QStringLiteral(":/about.png")));

    // Keeps the box at least this wide and puts a gap under the picture.
    auto* spacer = new QWidget(this);
    spacer->setFixedSize(320, 12);

    auto* name = new BevelLabel(QStringLiteral("Drawlume"), this);
    QFont nameFont = name->font();
    nameFont.setPointSize(18);
    nameFont.setWeight(QFont::Bold);
    name->setFont(nameFont);

    auto* versionLabel = new BevelLabel(tr("Version ") + QLatin1String(kVersion), this);
    QFont textFont = versionLabel->font();
    textFont.setPointSize(12);
    versionLabel->setFont(textFont);
    auto* notice = new BevelLabel(tr("\u00A9 2026 The Drawlume developers"), this);
    notice->setFont(textFont);
    auto* rights = new BevelLabel(tr("All rights reserved."), this);
    rights->setFont(textFont);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    const QList<QWidget*> items = {picture, spacer, name, versionLabel, notice, rights};
    for (QWidget* item : items)
        layout->addWidget(item, 0, Qt::AlignCenter);
    // The box takes exactly the size its contents need and cannot be resized.
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
