#include "ui/aboutbox.h"

#include "uikit/pictures.h"
#include "uikit/strings.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TFormAboutBox* FormAboutBox = nullptr;

namespace
{
    QLabel* MakeLabel(QWidget* parent, const char* name, int textId)
    {
        auto* label = new QLabel(Strings::LoadStr(textId), parent);
        label->setObjectName(QString::fromLatin1(name));
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    }
} // namespace

// Laid out rather than placed, so that the texts fit at any font size; at the usual size the box has about its
// designed size of 305 x 213.
TFormAboutBox::TFormAboutBox(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("FormAboutBox"));
    setWindowTitle(QStringLiteral("About"));

    // A lowered outer and a raised inner bevel.
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* inner = new QFrame(Panel1);
    inner->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(inner);

    ProgramIcon = new QLabel(inner);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setAccessibleName(Strings::LoadStr(10));
    ProgramIcon->setFixedSize(37, 43);
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setPixmap(Pictures::ProgramIcon().pixmap(QSize(37, 43), devicePixelRatio()));

    ProductName = MakeLabel(inner, "ProductName", 10);
    QFont productFont = ProductName->font();
    productFont.setBold(true);
    ProductName->setFont(productFont);
    Version = MakeLabel(inner, "Version", 11);
    Copyright = MakeLabel(inner, "Copyright", 12);
    Comments = MakeLabel(inner, "Comments", 13);
    Comments->setWordWrap(true);
    Comments->setMinimumWidth(255);

    auto* grid = new QGridLayout(inner);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setHorizontalSpacing(36);
    grid->setVerticalSpacing(6);
    grid->addWidget(ProgramIcon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(ProductName, 0, 1);
    grid->addWidget(Version, 1, 1);
    grid->setRowMinimumHeight(2, 8);
    grid->addWidget(Copyright, 3, 0, 1, 2);
    grid->addWidget(Comments, 4, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    BtnOk = new QPushButton(QStringLiteral("OK"), this);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setMinimumSize(73, 25);
    BtnOk->setDefault(true);
    BtnOk->setAutoDefault(true);
    connect(BtnOk, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 8);
    layout->addWidget(Panel1);
    layout->addWidget(BtnOk, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TFormAboutBox::showEvent(QShowEvent* event)
{
    // Centred on the screen at each showing, not over the main window as a dialog would be by default.
    const QScreen* shownOn = parentWidget() ? parentWidget()->screen() : screen();
    QRect placed = frameGeometry();
    placed.moveCenter(shownOn->availableGeometry().center());
    move(placed.topLeft());
    QDialog::showEvent(event);
}
