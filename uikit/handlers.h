#pragma once

// The one way handlers are run: an exception that a handler throws is shown in the standard error display,
// and the program goes on in the state the handler left. Qt is not exception-safe (an exception unwinding
// through its event dispatch leaks the event and may leave its state half-changed), so no exception may leave
// a handler: it is caught right where the handler is called. Windows and dialogs of every Qt layer use it.

#include <QObject>

namespace Handlers
{
    // Shows the exception now being handled (call only inside a catch block): its message for a standard
    // exception, an empty message for anything else.
    void ShowCurrentException();

    // Runs a handler that an event handler calls directly (not through a signal): an exception it throws is
    // shown, never passed on into Qt.
    template <typename Handler> void Run(Handler&& handler)
    {
        try {
            handler();
        } catch (...) {
            ShowCurrentException();
        }
    }

    // Connects signal to a handler without arguments, run by Run().
    template <typename Sender, typename Signal, typename Receiver>
    QMetaObject::Connection Connect(Sender* sender, Signal signal, Receiver* receiver, void (Receiver::*handler)())
    {
        return QObject::connect(sender, signal, receiver, [receiver, handler] {
            Run([receiver, handler] {
                (receiver->*handler)();
            });
        });
    }
} // namespace Handlers
