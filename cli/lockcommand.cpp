#include "cli/lockcommand.h"

#include "cli/terminal.h"
#include "engine/encrypthtml.h"
#include "engine/listlines.h"
#include "engine/pagescan.h"
#include "engine/safefile.h"
#include "engine/textbytes.h"

#include <algorithm>
#include <filesystem>
#include <iostream>

namespace
{
    namespace fs = std::filesystem;

    void Complain(const std::string& message)
    {
        std::cerr << "quillgate-lock: " << message << '\n';
    }

    // The page script reads each typed character modulo 256; text from a file or a terminal is UTF-8.
    std::string EngineBytes(std::string_view utf8)
    {
        return TextBytes::UnicodeToBytes(TextBytes::Utf8ToUtf16(utf8));
    }

    // Editors that mark a file as UTF-8 put U+FEFF first; it is never meant as part of a password or a name.
    void DropByteOrderMark(std::string& text)
    {
        if (text.starts_with("\xEF\xBB\xBF")) {
            text.erase(0, 3);
        }
    }

    Encrypthtml::RelockChoice AskRelock(const std::string& question)
    {
        using Encrypthtml::RelockChoice;
        for (;;) {
            std::cerr << question << "[y]es, [n]o, n[o] to all, yes to [a]ll: " << std::flush;
            const std::optional<std::string> reply = Terminal::ReadLine();
            if (!reply) {
                std::cerr << '\n';
                return RelockChoice::No;
            }
            const std::string& r = *reply;
            if (r == "y" || r == "yes") {
                return RelockChoice::Yes;
            }
            if (r == "n" || r == "no") {
                return RelockChoice::No;
            }
            if (r == "o" || r == "no to all") {
                return RelockChoice::NoToAll;
            }
            if (r == "a" || r == "yes to all") {
                return RelockChoice::YesToAll;
            }
        }
    }
} // namespace

LockCommand::LockCommand(LockOptions::Options options) : m_options(std::move(options))
{ }

int LockCommand::Run()
{
    std::string password;
    if (!ReadPassword(password) || !ReadUsers()) {
        return ExitUsage;
    }
    std::vector<std::string> files;
    m_allLocked = CollectFiles(files);

    int answer = Encrypthtml::RelockAsk;
    if (m_options.relock == LockOptions::RelockMode::Yes) {
        answer = Encrypthtml::RelockAll;
    } else if (m_options.relock == LockOptions::RelockMode::No) {
        answer = Encrypthtml::RelockNone;
    }
    std::vector<std::string> entries;
    for (const User& user : m_users) {
        entries.push_back(user.entry);
    }
    for (const std::string& path : files) {
        LockOne(path, password, entries, answer);
    }
    std::cout << m_locked << " file(s) have been encrypted.\n" << std::flush;
    return m_allLocked ? ExitAllLocked : ExitSomeNotLocked;
}

bool LockCommand::ReadPassword(std::string& bytes)
{
    std::string line;
    if (m_options.passwordFile.empty() || m_options.passwordFile == "-") {
        const bool asked = m_options.passwordFile.empty() && Terminal::IsInteractive();
        const Terminal::EchoOff echoOff;
        if (asked) {
            std::cerr << (m_options.usersFile.empty() ? "Password: " : "Master password: ") << std::flush;
        }
        line = Terminal::ReadLine().value_or("");
        DropByteOrderMark(line);
        // A mistyped password would lock the pages for good, so a typed one is asked for twice.
        if (asked) {
            std::cerr << "Repeat it: " << std::flush;
            if (Terminal::ReadLine().value_or("") != line) {
                Complain("the two passwords differ; nothing was locked");
                return false;
            }
        }
    } else {
        std::string error;
        if (!SafeFile::ReadAll(m_options.passwordFile, line, error)) {
            Complain(error);
            return false;
        }
        line.resize(std::min(line.size(), line.find_first_of("\r\n")));
        DropByteOrderMark(line);
    }

    // Read in another encoding, the password would lock the pages with characters that were never typed.
    if (!TextBytes::IsValidUtf8(line)) {
        Complain("the password is not UTF-8 text; nothing was locked");
        return false;
    }
    const std::u16string text = TextBytes::Utf8ToUtf16(line);
    const std::u16string_view trimmed = TextBytes::Trimmed(text);
    if (!TextBytes::IsPasswordLengthValid(trimmed.size())) {
        std::cerr << TextBytes::PasswordLengthMessage << '\n';
        return false;
    }
    bytes = TextBytes::UnicodeToBytes(trimmed);
    return true;
}

bool LockCommand::ReadUsers()
{
    if (m_options.usersFile.empty()) {
        return true;
    }
    std::string file;
    std::string error;
    if (!SafeFile::ReadAll(m_options.usersFile, file, error)) {
        Complain(error);
        return false;
    }
    DropByteOrderMark(file);
    if (!TextBytes::IsValidUtf8(file)) {
        Complain(m_options.usersFile + " is not UTF-8 text; nothing was locked");
        return false;
    }
    for (const std::string& line : ListLines::SplitListLines(file)) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos || tab == 0) {
            continue;
        }
        const std::string name = line.substr(0, tab);
        if (!Encrypthtml::UserNameFits(EngineBytes(name))) {
            Complain("user " + name + " left out: the page reads a character of the name as a TAB");
            continue;
        }
        m_users.push_back({EngineBytes(line), name});
    }
    // Pages without a single user who can log in (an empty password never does) could never be opened again.
    if (std::none_of(m_users.begin(), m_users.end(), [](const User& user) {
            return user.entry.size() > user.entry.find('\t') + 1 && Encrypthtml::UserKeyFits(user.entry);
        })) {
        Complain(m_options.usersFile
                 + " holds no user a locked page could let in (a line of user name, TAB and a password that is "
                   "not empty, at most 256 bytes together); nothing was locked");
        return false;
    }
    return true;
}

bool LockCommand::CollectFiles(std::vector<std::string>& files) const
{
    bool complete = true;
    std::set<fs::path> seen;
    auto add = [&](const std::string& path) {
        std::error_code ignored;
        if (seen.insert(fs::weakly_canonical(path, ignored)).second) {
            files.push_back(path);
        }
    };
    for (const std::string& named : m_options.paths) {
        std::error_code ignored;
        if (!fs::is_directory(named, ignored)) {
            add(named);
            continue;
        }
        const PageScan::Result found = PageScan::ScanFolder(named, m_options.recursive);
        for (const std::string& unreadable : found.unreadable) {
            Complain("cannot read folder " + unreadable);
            complete = false;
        }
        std::for_each(found.pages.begin(), found.pages.end(), add);
    }
    return complete;
}

void LockCommand::LockOne(const std::string& path,
                          const std::string& password,
                          const std::vector<std::string>& entries,
                          int& answer)
{
    using Encrypthtml::LockStatus;
    Encrypthtml::LockReport report;
    const bool locked = Encrypthtml::LockPage(path,
                                              password,
                                              m_options.backup,
                                              m_options.protectionType,
                                              m_options.pageColor,
                                              m_users.empty() ? Encrypthtml::SinglePassword : Encrypthtml::UserPassword,
                                              answer,
                                              entries,
                                              AskRelock,
                                              &report);
    if (locked) {
        ++m_locked;
        ReportOmitted(report.omittedUsers);
        if (!m_options.quiet) {
            std::error_code ignored;
            std::cout << path << ' ' << fs::file_size(path, ignored) << '\n';
        }
        return;
    }
    m_allLocked = false;
    switch (report.status) {
    case LockStatus::Missing:
        Complain(path + ": no such file");
        break;
    case LockStatus::Declined:
        Complain(path + ": already locked, skipped");
        break;
    case LockStatus::ReadFailed:
        Complain(path + ": cannot be read: " + report.detail);
        break;
    case LockStatus::BackupFailed:
        Complain(path + ": not locked, the backup cannot be made: " + report.detail);
        break;
    case LockStatus::WriteFailed:
        Complain(path + ": not locked, cannot be written: " + report.detail);
        break;
    case LockStatus::EmptyPassword:
    case LockStatus::Locked:
        Complain(path + ": not locked");
        break;
    }
}

void LockCommand::ReportOmitted(const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        const auto user = std::find_if(m_users.begin(), m_users.end(), [&](const User& u) {
            return u.entry.compare(0, u.entry.find('\t'), name) == 0;
        });
        const std::string shown = user == m_users.end() ? name : user->nameText;
        if (m_reportedUsers.insert(shown).second) {
            Complain("user " + shown
                     + " left out: the page script cannot use a user name and password that are longer than 256 "
                       "bytes together or hold a zero character");
        }
    }
}
