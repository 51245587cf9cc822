// Batch creation: locking every listed file with the chosen settings.

#include "ui/main.h"

void TFormMain::BtnCreateClick()
{ }
