// The file list page: adding, removing, saving and loading the files to lock.

#include "ui/main.h"

void TFormMain::TbnAddFileClick()
{ }

void TFormMain::TbnAddFolderClick()
{ }

void TFormMain::TbnDelFileClick()
{ }

void TFormMain::TbnDelAllClick()
{ }

void TFormMain::TbnSaveFileListClick()
{ }

void TFormMain::TbnLoadFileListClick()
{ }

void TFormMain::RebuildFileListView()
{ }
