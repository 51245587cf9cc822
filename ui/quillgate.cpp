// The wizard program: creates the main window and the dialogs it reuses, then runs until the main window closes.

#include "ui/application.h"
#include "ui/main.h"
#include "uikit/pictures.h"

int main(int argc, char** argv)
{
    Application application(argc, argv);
    Application::setApplicationName(QStringLiteral("quillgate"));
    Application::setDesktopFileName(QStringLiteral("quillgate"));
    Application::setWindowIcon(Pictures::ProgramIcon());
    if (!Startup::CreateWindows()) {
        return 0;
    }
    FormMain->show();
    Application::exec();
    delete FormMain;
    return 0;
}
