#include "ui/widgets/about_dialog.h"

#include "ui/widgets/bevel_button.h"
#include "ui/widgets/bevel_label.h"
#include "ui/widgets/interface_picture.h"

#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace {

// The grey of the control window's panels.
const QColor kPanelGrey(196, 196, 196);

} // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("About"));
    QPalette shade = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        shade.setColor(group, QPalette::Window, kPanelGrey);
    setPalette(shade);
    setAutoFillBackground(true);

    auto* picture = new QLabel(this);
    picture->setPixmap(interfacePicture(QStringLiteral(":/about.png"), QSize(96, 96), picture));

    // Keeps the box at least this wide and puts a gap under the picture.
    auto* spacer = new QWidget(this);
    spacer->setFixedSize(320, 12);

    auto* name = new BevelLabel(QStringLiteral("Drawlume"), this);
    QFont nameFont = name->font();
    nameFont.setPointSize(18);
    nameFont.setWeight(QFont::Bold);
    name->setFont(nameFont);

    // The version of the build, as drawlume-render --version says it.
    auto* versionLabel = new BevelLabel(tr("Version ") + QStringLiteral(DRAWLUME_VERSION), this);
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
    // Escape closes the box as well.
    auto* close = new BevelButton(tr("Close"), this);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    layout->addSpacing(12);
    layout->addWidget(close, 0, Qt::AlignCenter);
    // The box takes exactly the size its contents need and cannot be resized.
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
