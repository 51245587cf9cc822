#include "settings/userpassword.h"

TFormUserPassword* FormUserPassword = nullptr;

TFormUserPassword::TFormUserPassword(QWidget* parent)
    : QDialog(parent)
{
}
