// quillgate-lock: locks HTML files in place from scripts and build pipelines.

#include "cli/lockcommand.h"
#include "cli/options.h"
#include "cli/terminal.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <iostream>
#include <system_error>
#include <thread>

namespace
{
    int Command(int argc, char** argv)
    {
        const unsigned cores = std::thread::hardware_concurrency();
        const LockOptions::ParseResult parsed =
            LockOptions::Parse(std::vector<std::string>(argv + 1, argv + argc),
                               Terminal::IsInteractive() ? LockOptions::RelockMode::Ask : LockOptions::RelockMode::No,
                               std::clamp(cores, 1U, LockOptions::MaxJobs));
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
        // Every failure of a file is reported as that file's; what is left (no memory to start with, say) ends the
        // run with a reason rather than with an abort.
        try {
            return LockCommand(parsed.options).run();
        } catch (const std::exception& failure) {
            std::cerr << "quillgate-lock: the run failed: " << failure.what() << '\n';
            return LockCommand::ExitSomeNotLocked;
        }
    }
} // namespace

int main(int argc, char** argv)
{
    const int status = Command(argc, argv);
    // A script reads the list of locked files from standard output: losing it (a full disk, say) is no success.
    errno = 0;
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int code = errno;
        std::cerr << "quillgate-lock: cannot write to standard output"
                  << (code != 0 ? ": " + std::error_code(code, std::generic_category()).message() : "") << '\n';
        return status == LockCommand::ExitAllLocked ? LockCommand::ExitSomeNotLocked : status;
    }
    return status;
}
