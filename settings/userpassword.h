#pragma once

#include <QDialog>

class TFormUserPassword : public QDialog
{
    Q_OBJECT

public:
    explicit TFormUserPassword(QWidget* parent = nullptr);
};

extern TFormUserPassword* FormUserPassword;
