#pragma once

// The About box: the program's icon, name, version, the maker's notice and a legal note, and OK.
// Created once at start and reused for every showing.

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

class TFormAboutBox : public QDialog
{
    Q_OBJECT

public:
    explicit TFormAboutBox(QWidget* parent = nullptr);

    QFrame* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Copyright = nullptr;
    QLabel* Comments = nullptr;
    QPushButton* BtnOk = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};

extern TFormAboutBox* FormAboutBox;
