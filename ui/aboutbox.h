#pragma once

#include <QDialog>

class TFormAboutBox : public QDialog
{
    Q_OBJECT

public:
    explicit TFormAboutBox(QWidget* parent = nullptr);
};

extern TFormAboutBox* FormAboutBox;
