#pragma once

// The application object. Handlers are connected through uikit/handlers.h, which keeps exceptions out of Qt's
// event loop.

#include <QApplication>

class Application : public QApplication
{
    Q_OBJECT

public:
    Application(int& argc, char** argv);
};

namespace Startup
{
    // Creates the main window and the dialogs it reuses (FormMain, FormAddFolder, FormAboutBox,
    // FormUserPassword), as the program does before it shows the wizard; the end-to-end test starts the same way.
    // The dialogs belong to the main window: deleting it deletes them and sets their globals to null.
    // False when that failed: the reason has been shown and nothing is left behind.
    bool CreateWindows();
} // namespace Startup
