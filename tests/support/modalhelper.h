#pragma once

// Drives a modal window from inside its own event loop: a timer waits for the window to become the active
// modal widget, hands it to the test's function and lets the test check later that this happened.

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

template <typename Window> class WhenModal
{
public:
    explicit WhenModal(std::function<void(Window*)> act)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this, act] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* window = qobject_cast<Window*>(modal)) {
                m_timer.stop();
                m_seen = true;
                act(window);
            } else if (++m_ticks > 500 && modal) {
                // Never block the test run: a window of another kind is closed after about five seconds.
                modal->close();
            }
        });
        m_timer.start(10);
    }

    bool seen() const
    {
        return m_seen;
    }

private:
    QTimer m_timer;
    bool m_seen = false;
    int m_ticks = 0;
};
