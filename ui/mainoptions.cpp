// Page options, previews, help, the maker's links and the About box.

#include "ui/main.h"

void TFormMain::CmbProtectionTypeChange()
{ }

void TFormMain::CmbPageColorChange()
{ }

void TFormMain::BtnColorPreviewClick()
{ }

void TFormMain::TbnShowClick()
{ }

void TFormMain::BtnHelpClick()
{ }

void TFormMain::LblStep0WebsiteClick()
{ }

void TFormMain::LblStep0EmailClick()
{ }

void TFormMain::BtnAboutClick()
{ }
