#include "ui/aboutbox.h"

TFormAboutBox* FormAboutBox = nullptr;

TFormAboutBox::TFormAboutBox(QWidget* parent)
    : QDialog(parent)
{
}
