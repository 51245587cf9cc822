#pragma once

#include <QDialog>

class TFormProgressBar : public QDialog
{
    Q_OBJECT

public:
    explicit TFormProgressBar(QWidget* parent = nullptr);
};

extern TFormProgressBar* FormProgressBar;
