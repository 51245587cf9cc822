#pragma once

// The dialog in which one user of a user/password job is added or edited. Created once at start and reused
// for every showing; the caller sets the caption and the two boxes before each showing.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TFormUserPassword : public QDialog
{
    Q_OBJECT

public:
    explicit TFormUserPassword(QWidget* parent = nullptr);

    // The two edit boxes keep the names of the labelled edit boxes they replace.
    QLabel* LblUserLabel = nullptr;
    QLineEdit* LblUser = nullptr;
    QLabel* LblPasswordLabel = nullptr;
    QLineEdit* LblPassword = nullptr;
    QLabel* LblPasswordLimit = nullptr;
    QPushButton* BtnOk = nullptr;
    QPushButton* BtnCancel = nullptr;

public slots:
    void FormCreate();
    void FormShow();
    // Closes with the OK result only when the name and the password are acceptable; warns otherwise.
    void BtnOkClick();

protected:
    void showEvent(QShowEvent* event) override;
};

extern TFormUserPassword* FormUserPassword;
