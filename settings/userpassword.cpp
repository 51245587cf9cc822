#include "settings/userpassword.h"

#include "engine/textbytes.h"
#include "settings/passwordsettings.h"
#include "settings/userlist.h"
#include "uikit/controls.h"
#include "uikit/prompts.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

TFormUserPassword* FormUserPassword = nullptr;

namespace
{
    constexpr int s_passwordMaxLength = int(TextBytes::MaxPasswordLength);
    constexpr QSize s_minimumClientSize{267, 113};

    using Controls::Make;
    using Controls::SetCaption;
    using Controls::SetLabel;
} // namespace

TFormUserPassword::TFormUserPassword(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormUserPassword"));
    LblUserLabel = Make<QLabel>(this, "LblUserLabel");
    LblUser = Make<QLineEdit>(this, "LblUser");
    LblPasswordLabel = Make<QLabel>(this, "LblPasswordLabel");
    LblPassword = Make<QLineEdit>(this, "LblPassword");
    LblPassword->setMaxLength(s_passwordMaxLength);
    LblPassword->setEchoMode(QLineEdit::Normal);
    LblPasswordLimit = Controls::MakeNavy(this, "LblPasswordLimit");
    BtnOk = Make<QPushButton>(this, "BtnOk");
    BtnOk->setDefault(true);
    BtnCancel = Make<QPushButton>(this, "BtnCancel");
    BtnCancel->setAutoDefault(false);
    for (QLineEdit* edit : {LblUser, LblPassword}) {
        edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * 26);
    }

    auto* layout = new QGridLayout(this);
    layout->addWidget(LblUserLabel, 0, 0);
    layout->addWidget(LblUser, 1, 0);
    layout->addWidget(BtnOk, 1, 1);
    layout->addWidget(LblPasswordLabel, 2, 0);
    layout->addWidget(LblPassword, 3, 0);
    layout->addWidget(BtnCancel, 3, 1);
    layout->addWidget(LblPasswordLimit, 4, 0);
    layout->setVerticalSpacing(2);
    layout->setRowMinimumHeight(2, LblPasswordLabel->sizeHint().height() + 6);
    layout->setRowStretch(5, 1);
    setFixedSize(sizeHint().expandedTo(s_minimumClientSize));
    setTabOrder(LblUser, LblPassword);
    setTabOrder(LblPassword, BtnOk);
    setTabOrder(BtnOk, BtnCancel);

    connect(BtnOk, &QPushButton::clicked, this, &TFormUserPassword::BtnOkClick);
    connect(BtnCancel, &QPushButton::clicked, this, &TFormUserPassword::reject);
    FormCreate();
    move(370, 207);
}

void TFormUserPassword::FormCreate()
{
    SetLabel(LblUserLabel, LblUser, QStringLiteral("User:"));
    SetLabel(LblPasswordLabel, LblPassword, QStringLiteral("Password:"));
    LblPasswordLimit->setText(PasswordSettings::LengthHint());
    SetCaption(BtnOk, QStringLiteral("OK"));
    SetCaption(BtnCancel, QStringLiteral("Cancel"));
}

void TFormUserPassword::FormShow()
{
    LblUser->setFocus(Qt::OtherFocusReason);
}

void TFormUserPassword::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TFormUserPassword::BtnOkClick()
{
    if (const std::optional<QString> warning = UserList::checkUserInput(LblUser->text(), LblPassword->text())) {
        Prompts::Warning(this, *warning);
        return;
    }
    accept();
}
