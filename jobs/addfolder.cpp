#include "jobs/addfolder.h"

TFormAddFolder* FormAddFolder = nullptr;

TFormAddFolder::TFormAddFolder(QWidget* parent)
    : QDialog(parent)
{
}
