#include "cli/terminal.h"

#include <csignal>
#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace Terminal
{
    namespace
    {
        termios s_saved{};
        struct sigaction s_oldInterrupt
        { };
        struct sigaction s_oldTerminate
        { };

        // Only async-signal-safe calls: put the echo back, then die of the signal as usual.
        extern "C" void RestoreAndRaise(int signalNumber)
        {
            tcsetattr(STDIN_FILENO, TCSANOW, &s_saved);
            std::signal(signalNumber, SIG_DFL);
            std::raise(signalNumber);
        }
    } // namespace

    bool IsInteractive()
    {
        return isatty(STDIN_FILENO) == 1;
    }

    EchoOff::EchoOff()
    {
        if (!IsInteractive() || tcgetattr(STDIN_FILENO, &s_saved) != 0) {
            return;
        }
        // ECHONL still shows the line end, so the next output starts on a line of its own.
        termios quiet = s_saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) != 0) {
            return;
        }
        m_active = true;
        struct sigaction restore
        { };
        restore.sa_handler = RestoreAndRaise;
        sigemptyset(&restore.sa_mask);
        sigaction(SIGINT, &restore, &s_oldInterrupt);
        sigaction(SIGTERM, &restore, &s_oldTerminate);
    }

    EchoOff::~EchoOff()
    {
        if (!m_active) {
            return;
        }
        tcsetattr(STDIN_FILENO, TCSANOW, &s_saved);
        sigaction(SIGINT, &s_oldInterrupt, nullptr);
        sigaction(SIGTERM, &s_oldTerminate, nullptr);
    }

    std::optional<std::string> ReadLine()
    {
        std::string line;
        if (!std::getline(std::cin, line) && line.empty()) {
            return std::nullopt;
        }
        if (line.ends_with('\r')) {
            line.pop_back();
        }
        return line;
    }
} // namespace Terminal
