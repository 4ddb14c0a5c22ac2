#include "ui/document/save_dialog_box.h"
#include "ui/widgets/interface_picture.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QColor kSheetGrey(237, 237, 237);
constexpr int kWidth = 550;
constexpr int kHeight = 160;
constexpr int kIconWidth = 96;
// Width of the text column: the dialog less its side margins, the icon and the two gaps.
constexpr int kTextWidth = kWidth - 12 - 12 - kIconWidth - 12 - 12;

// Margins and fixed gaps of the text column (top and bottom margins, the gaps above and below the
// detail line).
constexpr int kColumnFixedHeight = 12 + 8 + 3 + 36;

QFont withPointSize(const QFont& base, qreal points)
{
    QFont font = base;
    font.setPointSizeF(points);
    font.setWeight(QFont::Bold);
    return font;
}

// The question, with the document's name in quotes: bold, 4 points larger than the label's font
// where the sheet has room for it. The sheet's size is fixed, so with wide fonts the question
// steps down a point at a time (to one point above the base size) until it fits above the detail
// line and the buttons; a name that is still too long is shortened in the middle.
void setQuestion(QLabel* message, const QString& documentName, int roomHeight)
{
    const QFont base = message->font();
    const qreal basePoints = base.pointSizeF() > 0 ? base.pointSizeF() : 10.0;
    struct Try
    {
        qreal points;
        int nameWidth;
    };
    QList<Try> tries;
    for (qreal points = basePoints + 4; points > basePoints + 1; points -= 1)
        tries.append({points, kTextWidth});
    for (const int width : {kTextWidth, kTextWidth * 2 / 3, kTextWidth / 2, kTextWidth / 3})
        tries.append({basePoints + 1, width});
    for (const Try& attempt : tries) {
        const QFont font = withPointSize(base, attempt.points);
        const QString name =
            QFontMetrics(font).elidedText(documentName, Qt::ElideMiddle, attempt.nameWidth);
        message->setFont(font);
        message->setText(
            SaveDialogBox::tr("Do you want to save changes you made in the document \"") + name +
            SaveDialogBox::tr("\"?\n"));
        if (message->heightForWidth(kTextWidth) <= roomHeight)
            return;
    }
}

} // namespace

SaveDialogBox::SaveDialogBox(const QString& document_name, QWidget* parent)
    : QDialog(parent), m_message(new QLabel(this)), m_detail(new QLabel(this)),
      m_icon(new QLabel(this)), m_saveButton(new QPushButton(tr("Save..."), this)),
      m_dontSaveButton(new QPushButton(tr("Don't Save"), this)),
      m_cancelButton(new QPushButton(tr("Cancel"), this))
{
    setWindowTitle(tr("Save"));
    setWindowFlags(Qt::Sheet);
    setFixedSize(kWidth, kHeight);
    QPalette sheet = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        sheet.setColor(group, QPalette::Window, kSheetGrey);
    setPalette(sheet);
    setAutoFillBackground(true);

    m_message->setWordWrap(true);
    m_message->setTextFormat(Qt::PlainText);

    m_detail->setWordWrap(true);
    m_detail->setText(tr("Your changes will be lost if you don't save them"));

    m_icon->setPixmap(interfacePicture(QStringLiteral(":/about.png"), QSize(96, 96), m_icon));
    m_icon->setFixedWidth(kIconWidth);

    setQuestion(m_message, document_name,
                kHeight - kColumnFixedHeight - m_detail->heightForWidth(kTextWidth) -
                    m_saveButton->sizeHint().height());

    m_saveButton->setFixedWidth(96);
    m_dontSaveButton->setFixedWidth(120);
    m_cancelButton->setFixedWidth(96);
    m_saveButton->setDefault(true);
    for (QPushButton* button : {m_saveButton, m_dontSaveButton, m_cancelButton})
        connect(button, &QPushButton::clicked, this, &SaveDialogBox::slot_finish);

    auto* iconColumn = new QVBoxLayout;
    iconColumn->setSpacing(0);
    iconColumn->addWidget(m_icon);
    iconColumn->addStretch();

    auto* buttonRow = new QHBoxLayout;
    buttonRow->setSpacing(0);
    buttonRow->addWidget(m_dontSaveButton);
    buttonRow->addStretch();
    buttonRow->addSpacing(24);
    buttonRow->addWidget(m_cancelButton);
    buttonRow->addSpacing(8);
    buttonRow->addWidget(m_saveButton);

    auto* textColumn = new QVBoxLayout;
    textColumn->setSpacing(0);
    textColumn->addWidget(m_message);
    textColumn->addSpacing(3);
    textColumn->addWidget(m_detail);
    textColumn->addSpacing(36);
    textColumn->addStretch();
    textColumn->addLayout(buttonRow);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 8);
    layout->setSpacing(0);
    layout->addSpacing(12);
    layout->addLayout(iconColumn);
    layout->addSpacing(12);
    layout->addLayout(textColumn);
}

void SaveDialogBox::reject()
{
    emit finished(Cancel);
}

void SaveDialogBox::slot_finish()
{
    const QObject* button = sender();
    if (button == m_saveButton)
        emit finished(Save);
    else if (button == m_dontSaveButton)
        emit finished(DontSave);
    else if (button == m_cancelButton)
        emit finished(Cancel);
}
