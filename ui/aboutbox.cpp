#include "ui/aboutbox.h"

#include "ui/pictures.h"
#include "ui/strings.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

TFormAboutBox* FormAboutBox = nullptr;

namespace
{
    QLabel* MakeLabel(QWidget* parent, const char* name, int textId, int x, int y)
    {
        auto* label = new QLabel(Strings::LoadStr(textId), parent);
        label->setObjectName(QString::fromLatin1(name));
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->move(x, y);
        label->adjustSize();
        return label;
    }
} // namespace

TFormAboutBox::TFormAboutBox(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("FormAboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(305, 213);

    // A raised inner and a lowered outer bevel.
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    Panel1->setGeometry(12, 10, 279, 161);
    auto* inner = new QFrame(Panel1);
    inner->setFrameStyle(QFrame::Panel | QFrame::Raised);
    inner->setLineWidth(1);
    inner->setGeometry(1, 1, 277, 159);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setAccessibleName(Strings::LoadStr(10));
    ProgramIcon->setGeometry(8, 8, 37, 43);
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setPixmap(Pictures::ProgramIcon().pixmap(QSize(37, 43), devicePixelRatio()));

    ProductName = MakeLabel(Panel1, "ProductName", 10, 88, 16);
    QFont productFont = ProductName->font();
    productFont.setBold(true);
    ProductName->setFont(productFont);
    ProductName->adjustSize();
    Version = MakeLabel(Panel1, "Version", 11, 88, 40);
    Copyright = MakeLabel(Panel1, "Copyright", 12, 10, 78);
    Comments = MakeLabel(Panel1, "Comments", 13, 10, 108);
    Comments->setWordWrap(true);
    Comments->setGeometry(10, 108, 259, 45);

    BtnOk = new QPushButton(QStringLiteral("OK"), this);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setGeometry(124, 180, 73, 25);
    BtnOk->setDefault(true);
    BtnOk->setAutoDefault(true);
    connect(BtnOk, &QPushButton::clicked, this, &QDialog::accept);
}
