#include "cli/terminal.h"

#include <cerrno>
#include <csignal>
#include <iostream>
#include <iterator>
#include <pthread.h>
#include <termios.h>
#include <unistd.h>

namespace Terminal
{
    namespace
    {
        termios s_saved{};
        termios s_quiet{};

        // The signals whose default action ends the program, which could otherwise leave the echo off.
        constexpr int s_endingSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2};
        struct sigaction s_oldActions[std::size(s_endingSignals)]{};

        struct sigaction s_oldStopAction
        { };

        // Only async-signal-safe calls: put the echo back, then die of the signal as usual.
        extern "C" void RestoreAndRaise(int signalNumber)
        {
            tcsetattr(STDIN_FILENO, TCSANOW, &s_saved);
            std::signal(signalNumber, SIG_DFL);
            std::raise(signalNumber);
        }

        void CatchStop();

        // Stopped at the prompt (Ctrl-Z): the shell gets its terminal back echoing, and the echo goes off again
        // when the program goes on. The signal is blocked while its handler runs, so it is let through to stop
        // the program here. Only async-signal-safe calls.
        extern "C" void RestoreAndStop(int)
        {
            const int savedErrno = errno;
            tcsetattr(STDIN_FILENO, TCSANOW, &s_saved);
            std::signal(SIGTSTP, SIG_DFL);
            sigset_t stop;
            sigemptyset(&stop);
            sigaddset(&stop, SIGTSTP);
            pthread_sigmask(SIG_UNBLOCK, &stop, nullptr);
            std::raise(SIGTSTP);
            CatchStop();
            tcsetattr(STDIN_FILENO, TCSANOW, &s_quiet);
            errno = savedErrno;
        }

        // The read that the stop interrupted goes on afterwards.
        void CatchStop()
        {
            struct sigaction stop
            { };
            stop.sa_handler = RestoreAndStop;
            stop.sa_flags = SA_RESTART;
            sigemptyset(&stop.sa_mask);
            sigaction(SIGTSTP, &stop, nullptr);
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
        s_quiet = s_saved;
        s_quiet.c_lflag &= ~tcflag_t(ECHO);
        s_quiet.c_lflag |= ECHONL;
        if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &s_quiet) != 0) {
            return;
        }
        m_active = true;
        sigaction(SIGTSTP, nullptr, &s_oldStopAction);
        CatchStop();
        struct sigaction restore
        { };
        restore.sa_handler = RestoreAndRaise;
        sigemptyset(&restore.sa_mask);
        for (std::size_t i = 0; i < std::size(s_endingSignals); ++i) {
            sigaction(s_endingSignals[i], &restore, &s_oldActions[i]);
        }
    }

    EchoOff::~EchoOff()
    {
        if (!m_active) {
            return;
        }
        tcsetattr(STDIN_FILENO, TCSANOW, &s_saved);
        for (std::size_t i = 0; i < std::size(s_endingSignals); ++i) {
            sigaction(s_endingSignals[i], &s_oldActions[i], nullptr);
        }
        sigaction(SIGTSTP, &s_oldStopAction, nullptr);
    }

    LineRead ReadLine(std::string& line)
    {
        line.clear();
        for (;;) {
            const int c = std::cin.get();
            if (c == std::char_traits<char>::eof()) {
                if (line.empty()) {
                    return LineRead::End;
                }
                break;
            }
            if (c == '\n') {
                break;
            }
            // One byte more than the limit may still be the CR of a CR LF.
            if (line.size() > LineLimit) {
                return LineRead::TooLong;
            }
            line.push_back(char(c));
        }
        if (line.ends_with('\r')) {
            line.pop_back();
        }
        return line.size() > LineLimit ? LineRead::TooLong : LineRead::Line;
    }
} // namespace Terminal
