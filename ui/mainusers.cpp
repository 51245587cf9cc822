// The user list page: adding, editing, removing, saving and loading users.

#include "ui/main.h"

void TFormMain::TbnAddUserClick()
{ }

void TFormMain::TbnEditUserClick()
{ }

void TFormMain::TbnDelUserClick()
{ }

void TFormMain::TbnDelAllUserClick()
{ }

void TFormMain::TbnSaveUserClick()
{ }

void TFormMain::TbnLoadUserClick()
{ }

void TFormMain::FillUserListView()
{ }
