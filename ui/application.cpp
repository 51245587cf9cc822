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

namespace
{
    // Stores dialog in its global until the dialog is destroyed with the main window that owns it: once that window
    // has gone (a start-up that failed half-way, a test that builds the windows again) no global points at a
    // deleted dialog. A dialog stored in the global since then keeps its place.
    template <typename Dialog> void Hold(Dialog*& global, Dialog* dialog)
    {
        global = dialog;
        QObject::connect(dialog, &QObject::destroyed, qApp, [&global, dialog] {
            if (global == dialog) {
                global = nullptr;
            }
        });
    }
} // namespace

namespace Startup
{
    bool CreateWindows()
    {
        try {
            FormMain = new TFormMain;
            Hold(FormAddFolder, new TFormAddFolder(FormMain));
            Hold(FormAboutBox, new TFormAboutBox(FormMain));
            Hold(FormUserPassword, new TFormUserPassword(FormMain));
        } catch (...) {
            Handlers::ShowCurrentException();
            delete FormMain;
            FormMain = nullptr;
            return false;
        }
        return true;
    }
} // namespace Startup
