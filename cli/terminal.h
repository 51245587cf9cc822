#pragma once

// Reading answers and passwords from standard input, with the terminal's echo turned off for passwords.

#include <cstddef>
#include <string>

namespace Terminal
{
    // True when standard input is a terminal.
    bool IsInteractive();

    // Turns off the echo of a terminal on standard input for its lifetime; restores it also when a signal ends
    // the program meanwhile (hang-up, interrupt, quit, terminate and the like), and while a stop (Ctrl-Z) holds
    // it. Does nothing when standard input is no terminal.
    class EchoOff
    {
    public:
        EchoOff();
        ~EchoOff();
        EchoOff(const EchoOff&) = delete;
        EchoOff& operator=(const EchoOff&) = delete;

    private:
        bool m_active = false;
    };

    // The longest line read: far more than a password or an answer needs, and little enough that endless input
    // (a device, a stream without line ends) is refused instead of filling the memory.
    constexpr std::size_t LineLimit = 4096;

    enum class LineRead
    {
        Line, // line holds the line without its line end (LF or CR LF)
        End, // no more input
        TooLong // more than LineLimit bytes without a line end; the rest of it is left unread
    };

    // Reads the next line of standard input into line.
    LineRead ReadLine(std::string& line);
} // namespace Terminal
