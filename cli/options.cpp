#include "cli/options.h"

#include "cli/terminal.h"

#include "engine/encrypthtml.h"
#include "engine/pagecolors.h"
#include "engine/textbytes.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>

namespace LockOptions
{
    namespace
    {
        const std::map<std::string, int, std::less<>> s_protectionTypes = {
            {"page", Encrypthtml::ProtectPage},
            {"session", Encrypthtml::ProtectSession},
            {"cookie", Encrypthtml::ProtectCookie},
        };

        // The page's colour schemes by their names in lower case: "white", "black", "yellow", "blue".
        const std::map<std::string, int, std::less<>> s_colors = [] {
            std::map<std::string, int, std::less<>> colors;
            for (const PageColors::Scheme& scheme : PageColors::Schemes) {
                std::string name(scheme.name);
                std::transform(name.begin(), name.end(), name.begin(), [](char c) {
                    return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
                });
                colors.emplace(std::move(name), scheme.code);
            }
            return colors;
        }();

        const std::map<std::string, PageFormat, std::less<>> s_formats = {
            {"classic", PageFormat::Classic},
            {"strong", PageFormat::Strong},
        };

        const std::map<std::string, RelockMode, std::less<>> s_relockModes = {
            {"ask", RelockMode::Ask},
            {"yes", RelockMode::Yes},
            {"no", RelockMode::No},
        };

        template <typename Value>
        std::optional<Value> Choose(const std::map<std::string, Value, std::less<>>& choices, std::string_view text)
        {
            const auto it = choices.find(text);
            return it == choices.end() ? std::nullopt : std::optional<Value>(it->second);
        }

        ParseResult Error(std::string message)
        {
            ParseResult result;
            result.error = std::move(message);
            return result;
        }
    } // namespace

    std::optional<std::uint32_t> WholeNumber(std::string_view text, std::uint32_t low, std::uint32_t high)
    {
        std::uint32_t number = 0;
        const char* end = text.data() + text.size();
        const auto [last, failure] = std::from_chars(text.data(), end, number);
        if (failure != std::errc() || last != end || number < low || number > high) {
            return std::nullopt;
        }
        return number;
    }

    ParseResult Parse(const std::vector<std::string>& arguments, RelockMode relockDefault, unsigned jobsDefault)
    {
        ParseResult result;
        result.action = Action::Lock;
        Options& o = result.options;
        o.protectionType = Encrypthtml::ProtectPage;
        o.pageColor = Encrypthtml::ColorWhite;
        o.relock = relockDefault;
        o.jobs = jobsDefault;

        bool optionsEnded = false;
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            const std::string& argument = arguments[i];
            if (optionsEnded || !argument.starts_with("--")) {
                o.paths.push_back(argument);
                continue;
            }
            if (argument == "--") {
                optionsEnded = true;
                continue;
            }
            // "--name value" or "--name=value".
            const std::size_t equals = argument.find('=');
            const std::string name = argument.substr(0, equals);
            std::optional<std::string> inlineValue;
            if (equals != std::string::npos) {
                inlineValue = argument.substr(equals + 1);
            }
            auto value = [&]() -> std::optional<std::string> {
                if (inlineValue) {
                    return inlineValue;
                }
                if (i + 1 < arguments.size()) {
                    return arguments[++i];
                }
                return std::nullopt;
            };

            if (name == "--help" || name == "--version") {
                if (inlineValue) {
                    return Error("option " + name + " takes no value");
                }
                result.action = name == "--help" ? Action::Help : Action::Version;
                return result;
            }
            if (name == "--backup" || name == "--recursive" || name == "--quiet") {
                if (inlineValue) {
                    return Error("option " + name + " takes no value");
                }
                (name == "--backup" ? o.backup : (name == "--recursive" ? o.recursive : o.quiet)) = true;
                continue;
            }
            if (name != "--password-file" && name != "--users" && name != "--protection" && name != "--color"
                && name != "--relock" && name != "--jobs" && name != "--output" && name != "--format") {
                return Error("unknown option " + name);
            }
            const std::optional<std::string> text = value();
            if (!text || text->empty()) {
                return Error("option " + name + " needs a value");
            }
            if (name == "--password-file") {
                o.passwordFile = *text;
            } else if (name == "--users") {
                o.usersFile = *text;
            } else if (name == "--output") {
                o.outputFolder = *text;
            } else if (name == "--jobs") {
                const std::optional<std::uint32_t> jobs = WholeNumber(*text, 1, MaxJobs);
                if (!jobs) {
                    return Error("--jobs must be a whole number from 1 to " + std::to_string(MaxJobs) + ", not "
                                 + *text);
                }
                o.jobs = *jobs;
            } else if (name == "--protection") {
                const auto type = Choose(s_protectionTypes, *text);
                if (!type) {
                    return Error("--protection must be page, session or cookie, not " + *text);
                }
                o.protectionType = *type;
            } else if (name == "--color") {
                const auto color = Choose(s_colors, *text);
                if (!color) {
                    return Error("--color must be white, black, yellow or blue, not " + *text);
                }
                o.pageColor = *color;
            } else if (name == "--format") {
                const auto format = Choose(s_formats, *text);
                if (!format) {
                    return Error("--format must be classic or strong, not " + *text);
                }
                o.format = *format;
            } else {
                const auto mode = Choose(s_relockModes, *text);
                if (!mode) {
                    return Error("--relock must be ask, yes or no, not " + *text);
                }
                o.relock = *mode;
            }
        }
        if (o.paths.empty()) {
            return Error("no file or folder to lock");
        }
        // With --output the sources stay as they are, so there is nothing to keep a copy of.
        if (o.backup && !o.outputFolder.empty()) {
            return Error("--backup does not go with --output: the sources are left as they are");
        }
        return result;
    }

    std::string HelpText()
    {
        return "Usage: quillgate-lock [options] PATH...\n"
               "Locks each HTML file in place with a password; a folder adds its .htm and .html files.\n"
               "\n"
               "  --password-file F     password from the first line of F (trailing CR/LF dropped); \"-\" = stdin\n"
               "  --users F             user/password mode: F is a user list file (user name, TAB, password per\n"
               "                        line; line ends CR LF, LF or CR; lines without a TAB or starting with a TAB\n"
               "                        are dropped); the password is then the master password\n"
               "  --protection P        page | session | cookie          (default page)\n"
               "  --color C             white | black | yellow | blue     (default white)\n"
               "  --format F            classic | strong   (default classic); strong pages are encrypted with\n"
               "                        AES-256-GCM under keys made from the passwords with 600,000 rounds of\n"
               "                        PBKDF2, once for the whole run, and one login opens every page of it\n"
               "  --backup              keep a copy at PATH.bak\n"
               "  --relock R            ask | yes | no   (default ask on a terminal, no otherwise)\n"
               "  --recursive           a folder PATH adds its .htm/.html files with those of all subfolders\n"
               "                        (without it, only the folder's own files); symbolic links inside a\n"
               "                        folder are not followed, and a folder that cannot be read is named\n"
               "                        and skipped\n"
               "  --output DIR          leave the sources as they are and write the site into DIR: the pages\n"
               "                        of a named folder locked and its other files copied, in the same\n"
               "                        tree; a named file goes to DIR/NAME. A page locked before and not\n"
               "                        locked again (see --relock) is copied as it is. Symbolic links and\n"
               "                        special files inside the folders are named and left out (exit\n"
               "                        status 1). DIR may not overlap a named file or folder; not with --backup\n"
               "  --jobs N              lock N files at the same time (default one per processor core)\n"
               "  --quiet               print only errors and the final count\n"
               "  --help, --version\n"
               "\n"
               "Without --password-file the password is asked for on the terminal. It must have "
            + std::to_string(TextBytes::MinPasswordLength) + " to " + std::to_string(TextBytes::MaxPasswordLength)
            + "\n"
              "characters; a password line may hold at most "
            + std::to_string(Terminal::LineLimit) + " bytes, a users file at most "
            + std::to_string(UsersFileLimit / 1024 / 1024)
            + " MB.\n"
              "A name holding a line break or another control character is shown as $'...', with \\n, \\t,\n"
              "\\r, \\\\, \\' and \\xHH or \\uHHHH for what would garble the line or hide what it holds.\n"
              "Exit status: 0 when every file was locked (and copied), 1 when any was skipped or failed, the\n"
              "output could not be written or the run could not start (a password or users file that cannot be\n"
              "read or used, an output folder that cannot be made), 2 for a usage error.\n";
    }
} // namespace LockOptions
