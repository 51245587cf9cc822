// quillgate-lock: locks HTML files in place from scripts and build pipelines.

#include "cli/lockcommand.h"
#include "cli/options.h"
#include "cli/terminal.h"

#include <iostream>

int main(int argc, char** argv)
{
    const LockOptions::ParseResult parsed =
        LockOptions::Parse(std::vector<std::string>(argv + 1, argv + argc),
                           Terminal::IsInteractive() ? LockOptions::RelockMode::Ask : LockOptions::RelockMode::No);
    switch (parsed.action) {
    case LockOptions::Action::Help:
        std::cout << LockOptions::HelpText();
        return LockCommand::ExitAllLocked;
    case LockOptions::Action::Version:
        std::cout << "quillgate-lock " << QUILLGATE_VERSION << '\n';
        return LockCommand::ExitAllLocked;
    case LockOptions::Action::UsageError:
        std::cerr << "quillgate-lock: " << parsed.error << "\nTry 'quillgate-lock --help'.\n";
        return LockCommand::ExitUsage;
    case LockOptions::Action::Lock:
        break;
    }
    return LockCommand(parsed.options).Run();
}
