#pragma once

// The application object and the one way handlers are connected: an exception that a handler throws is shown
// in the standard error display, and the program goes on in the state the handler left.

#include <QApplication>

class Application : public QApplication
{
    Q_OBJECT

public:
    Application(int& argc, char** argv);

    // The last resort for an exception thrown by an event handler.
    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the exception now being handled (call only inside a catch block): its message for a standard
    // exception, an empty message for anything else.
    static void ShowCurrentException();
};

// Connects signal to a handler without arguments. Qt's signal code lets no exception pass, so the exception is
// caught right around the handler.
template <typename Sender, typename Signal, typename Receiver>
QMetaObject::Connection ConnectHandler(Sender* sender, Signal signal, Receiver* receiver, void (Receiver::*handler)())
{
    return QObject::connect(sender, signal, receiver, [receiver, handler] {
        try {
            (receiver->*handler)();
        } catch (...) {
            Application::ShowCurrentException();
        }
    });
}
