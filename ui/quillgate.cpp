// The wizard program: creates the main window and the dialogs it reuses, then runs until the main window closes.

#include "jobs/addfolder.h"
#include "settings/userpassword.h"
#include "ui/aboutbox.h"
#include "ui/application.h"
#include "ui/main.h"
#include "uikit/handlers.h"
#include "uikit/pictures.h"

int main(int argc, char** argv)
{
    Application application(argc, argv);
    Application::setApplicationName(QStringLiteral("quillgate"));
    Application::setDesktopFileName(QStringLiteral("quillgate"));
    Application::setWindowIcon(Pictures::ProgramIcon());
    try {
        FormMain = new TFormMain;
        FormAddFolder = new TFormAddFolder(FormMain);
        FormAboutBox = new TFormAboutBox(FormMain);
        FormUserPassword = new TFormUserPassword(FormMain);
    } catch (...) {
        Handlers::showCurrentException();
        delete FormMain;
        return 0;
    }
    FormMain->show();
    Application::exec();
    delete FormMain;
    return 0;
}
