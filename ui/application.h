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
