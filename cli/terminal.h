#pragma once

// Reading answers and passwords from standard input, with the terminal's echo turned off for passwords.

#include <optional>
#include <string>

namespace Terminal
{
    // True when standard input is a terminal.
    bool IsInteractive();

    // Turns off the echo of a terminal on standard input for its lifetime; restores it also when the program
    // is interrupted meanwhile. Does nothing when standard input is no terminal.
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

    // The next line of standard input without its line end; nullopt at the end of input.
    std::optional<std::string> ReadLine();
} // namespace Terminal
