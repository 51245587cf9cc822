#include "ui/application.h"

#include "jobs/addfolder.h"
#include "settings/userpassword.h"
#include "ui/aboutbox.h"
#include "ui/linklabel.h"
#include "ui/main.h"
#include "uikit/handlers.h"

Application::Application(int& argc, char** argv) : QApplication(argc, argv)
{
    LinkLabel::installAccessibility();
}

namespace Startup
{
    bool CreateWindows()
    {
        try {
            FormMain = new TFormMain;
            FormAddFolder = new TFormAddFolder(FormMain);
            FormAboutBox = new TFormAboutBox(FormMain);
            FormUserPassword = new TFormUserPassword(FormMain);
        } catch (...) {
            Handlers::ShowCurrentException();
            delete FormMain;
            FormMain = nullptr;
            return false;
        }
        return true;
    }
} // namespace Startup
