#include "jobs/progressbar.h"

TFormProgressBar* FormProgressBar = nullptr;

TFormProgressBar::TFormProgressBar(QWidget* parent)
    : QDialog(parent)
{
}
