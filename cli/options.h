#pragma once

// The command line of quillgate-lock.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace LockOptions
{
    // More than any list of users and passwords needs; a larger users file (or a device without end) is refused.
    constexpr std::size_t UsersFileLimit = 16 * 1024 * 1024;

    enum class RelockMode
    {
        Ask,
        Yes,
        No
    };

    // The page format a run writes.
    enum class PageFormat
    {
        Classic,
        Strong // AES-256-GCM, engine/strongrun.h
    };

    struct Options
    {
        std::string passwordFile; // empty: ask on the terminal; "-": the first line of standard input
        std::string usersFile; // empty: one password for all pages
        int protectionType = 0;
        int pageColor = 0;
        PageFormat format = PageFormat::Classic;
        bool backup = false;
        RelockMode relock = RelockMode::No;
        bool recursive = false;
        bool quiet = false;
        unsigned jobs = 1; // files locked at the same time
        std::string outputFolder; // empty: the pages are locked in place
        std::vector<std::string> paths;
    };

    enum class Action
    {
        Lock,
        Help,
        Version,
        UsageError
    };

    struct ParseResult
    {
        Action action = Action::UsageError;
        Options options;
        std::string error; // for UsageError
    };

    // The most files locked at the same time.
    constexpr unsigned MaxJobs = 1024;

    // text as a whole number from low to high: decimal digits alone, without a sign or a blank; nothing otherwise.
    std::optional<std::uint32_t> WholeNumber(std::string_view text, std::uint32_t low, std::uint32_t high);

    // Reads the arguments after the program name. relockDefault is used when --relock is not given, jobsDefault
    // when --jobs is not.
    ParseResult Parse(const std::vector<std::string>& arguments, RelockMode relockDefault, unsigned jobsDefault);

    // The text of --help.
    std::string HelpText();
} // namespace LockOptions
