#include "uikit/handlers.h"

#include "uikit/prompts.h"

#include <QApplication>

#include <exception>

namespace Handlers
{
    void ShowCurrentException()
    {
        QString message;
        try {
            throw;
        } catch (const std::exception& error) {
            message = QString::fromUtf8(error.what());
        } catch (...) {
            // Not one of ours: reported with an empty message.
        }
        Prompts::Error(QApplication::activeWindow(), message);
    }
} // namespace Handlers
