#include "ui/application.h"

#include "ui/linklabel.h"

Application::Application(int& argc, char** argv) : QApplication(argc, argv)
{
    LinkLabel::InstallAccessibility();
}
