#pragma once

// The application object: an exception that escapes an event handler is shown in the standard error display,
// and the program goes on in the state the handler left.

#include <QApplication>

class Application : public QApplication
{
    Q_OBJECT

public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the exception now being handled (call only inside a catch block).
    static void ShowCurrentException();
};
