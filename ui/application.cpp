#include "ui/application.h"

#include "ui/linklabel.h"
#include "uikit/prompts.h"

#include <exception>

Application::Application(int& argc, char** argv) : QApplication(argc, argv)
{
    LinkLabel::InstallAccessibility();
}

void Application::ShowCurrentException()
{
    QString message;
    try {
        throw;
    } catch (const std::exception& error) {
        message = QString::fromUtf8(error.what());
    } catch (...) {
        // Not one of ours: reported with an empty message.
    }
    Prompts::Error(activeWindow(), message);
}
