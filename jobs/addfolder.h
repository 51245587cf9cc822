#pragma once

#include <QDialog>

class TFormAddFolder : public QDialog
{
    Q_OBJECT

public:
    explicit TFormAddFolder(QWidget* parent = nullptr);
};

extern TFormAddFolder* FormAddFolder;
