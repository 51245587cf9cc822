#include "cli/lockcommand.h"

#include "cli/shown.h"
#include "cli/terminal.h"
#include "engine/encrypthtml.h"
#include "engine/listlines.h"
#include "engine/pagescan.h"
#include "engine/safefile.h"
#include "engine/textbytes.h"
#include "engine/userlogins.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <thread>
#include <unistd.h>

namespace
{
    namespace fs = std::filesystem;

    void Complain(const std::string& message)
    {
        std::cerr << "quillgate-lock: " << message << '\n';
    }

    using ShellText::Shown;

    std::string Reason(int code)
    {
        return std::error_code(code, std::generic_category()).message();
    }

    struct FileCloser
    {
        void operator()(std::FILE* file) const
        {
            std::fclose(file);
        }
    };

    // The first count bytes of the file (all of it when it is shorter), so that a device or a huge file cannot
    // fill the memory. False, with the reason in error, when the file cannot be opened or read.
    bool ReadStart(const std::string& path, std::size_t count, std::string& bytes, std::string& error)
    {
        const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
        if (!file) {
            error = "cannot open " + Shown(path) + ": " + Reason(errno);
            return false;
        }
        bytes.clear();
        char chunk[65536];
        while (bytes.size() < count) {
            const std::size_t got = std::fread(chunk, 1, std::min(sizeof chunk, count - bytes.size()), file.get());
            bytes.append(chunk, got);
            if (got == 0) {
                break;
            }
        }
        if (std::ferror(file.get())) {
            error = "cannot read " + Shown(path) + ": " + Reason(errno != 0 ? errno : EIO);
            return false;
        }
        return true;
    }

    // True when path is base or lies below it; both are absolute and normal.
    bool IsWithin(const fs::path& path, const fs::path& base)
    {
        const auto [pathPart, basePart] = std::mismatch(path.begin(), path.end(), base.begin(), base.end());
        return basePart == base.end() || (std::next(basePart) == base.end() && basePart->empty());
    }

    // Makes the folders of relative below output one at a time. A part that is a symbolic link or no folder is
    // refused: a link there could lead the written files anywhere, even into a source folder.
    bool MakeOutputFolders(const fs::path& output, const fs::path& relative, std::string& error)
    {
        fs::path folder = output;
        for (const fs::path& part : relative) {
            folder /= part;
            std::error_code failure;
            fs::create_directory(folder, failure);
            if (!failure && !fs::is_directory(fs::symlink_status(folder, failure))) {
                error = Shown(folder.string()) + " is a symbolic link or no folder";
                return false;
            }
            if (failure) {
                error = "cannot make folder " + Shown(folder.string()) + ": " + failure.message();
                return false;
            }
        }
        return true;
    }

    // The page script reads each typed character modulo 256; text from a file or a terminal is UTF-8.
    std::string EngineBytes(std::string_view utf8)
    {
        return TextBytes::UnicodeToBytes(TextBytes::Utf8ToUtf16(utf8));
    }

    // For the command's own tests only: strong pages with fewer key derivation rounds, so that a test of a
    // thousand users takes seconds. Never set it for pages anyone relies on; the command says so whenever it is.
    constexpr const char* s_testIterationsVariable = "QUILLGATE_TEST_ONLY_STRONG_ITERATIONS";

    Encrypthtml::RelockChoice AskRelock(const std::string& question)
    {
        using Encrypthtml::RelockChoice;
        for (;;) {
            std::cerr << question << "[y]es, [n]o, n[o] to all, yes to [a]ll: " << std::flush;
            std::string r;
            if (Terminal::ReadLine(r) != Terminal::LineRead::Line) {
                std::cerr << '\n';
                return RelockChoice::No;
            }
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

// The relock answer that the threads of one run share, and its question: asked for one file at a time, in the
// order of the file list, so that answers typed ahead or read from a pipe go to the files they were meant for.
class LockCommand::RelockTurns
{
public:
    // beforeAsking(index) runs before the question of the file at index is shown.
    RelockTurns(int answer, std::size_t count, std::mutex& console, std::function<void(std::size_t)> beforeAsking)
        : m_console(console), m_beforeAsking(std::move(beforeAsking)), m_answer(answer), m_passed(count, false)
    { }

    int Answer() const
    {
        return m_answer;
    }

    // Waits until every file before index has passed its question (or has been done), then asks unless the
    // answer is given for all by now. The other threads go on locking meanwhile.
    Encrypthtml::RelockChoice Ask(std::size_t index, const std::string& path)
    {
        using Encrypthtml::RelockChoice;
        {
            std::unique_lock lock(m_mutex);
            m_turn.wait(lock, [&] {
                return m_firstOpen == index;
            });
        }
        // Alone from here on: every later file waits for its turn, which comes once this one has passed.
        const int answer = m_answer;
        RelockChoice choice = answer == Encrypthtml::RelockAll ? RelockChoice::Yes : RelockChoice::No;
        if (answer == Encrypthtml::RelockAsk) {
            m_beforeAsking(index);
            const std::lock_guard speaking(m_console);
            std::cout << std::flush;
            choice = AskRelock(Encrypthtml::RelockQuestionText(Shown(path)));
        }
        if (choice == RelockChoice::YesToAll) {
            m_answer = Encrypthtml::RelockAll;
        } else if (choice == RelockChoice::NoToAll) {
            m_answer = Encrypthtml::RelockNone;
        }
        Pass(index);
        return choice;
    }

    void Pass(std::size_t index)
    {
        const std::lock_guard lock(m_mutex);
        m_passed[index] = true;
        while (m_firstOpen < m_passed.size() && m_passed[m_firstOpen]) {
            ++m_firstOpen;
        }
        m_turn.notify_all();
    }

private:
    std::mutex& m_console;
    std::function<void(std::size_t)> m_beforeAsking;
    std::mutex m_mutex;
    std::condition_variable m_turn;
    std::atomic<int> m_answer;
    std::vector<bool> m_passed;
    std::size_t m_firstOpen = 0; // every file before it has passed
};

LockCommand::LockCommand(LockOptions::Options options) : m_options(std::move(options))
{ }

int LockCommand::run()
{
    if (!outputFolderFits()) {
        return ExitUsage;
    }
    std::string password;
    if (!readPassword(password) || !readUsers()) {
        return ExitUsage;
    }
    if (m_options.format == LockOptions::PageFormat::Strong) {
        if (!makeStrongRun(password)) {
            return ExitUsage;
        }
    } else {
        password = EngineBytes(password);
    }
    if (!m_options.outputFolder.empty()) {
        std::error_code failure;
        fs::create_directories(m_options.outputFolder, failure);
        if (failure) {
            Complain("cannot make the output folder " + Shown(m_options.outputFolder) + ": " + failure.message());
            return ExitUsage;
        }
    }
    std::vector<Task> tasks;
    m_allLocked = collectTasks(tasks);

    int answer = Encrypthtml::RelockAsk;
    if (m_options.relock == LockOptions::RelockMode::Yes) {
        answer = Encrypthtml::RelockAll;
    } else if (m_options.relock == LockOptions::RelockMode::No) {
        answer = Encrypthtml::RelockNone;
    }
    for (const User& user : m_users) {
        m_entries.push_back(user.entry);
    }
    // Pages are put in place in groups, a few flushes for many pages; each is reported once it is in place.
    SafeFile::CommitBatch batch;

    // The workers take the tasks in list order; this thread reports each outcome in that order as soon as it and
    // all before it are done, so the output is the same whatever the number of threads.
    std::mutex resultsMutex;
    std::condition_variable resultReady; // an outcome is in, or one more is reported
    std::vector<std::optional<Outcome>> outcomes(tasks.size());
    std::size_t performedBefore = 0; // every task before it has its outcome
    std::vector<bool> performed(tasks.size(), false);
    std::size_t reported = 0;
    // A question comes after the lines of the files before it: their pages are put in place (they may wait in
    // the batch for many more) and reported first. The tasks before it have passed their questions, so their
    // outcomes come without waiting for this one.
    const auto reportBefore = [&](std::size_t index) {
        {
            std::unique_lock lock(resultsMutex);
            resultReady.wait(lock, [&] {
                return performedBefore >= index;
            });
        }
        batch.commit();
        std::unique_lock lock(resultsMutex);
        resultReady.wait(lock, [&] {
            return reported >= index;
        });
    };
    RelockTurns turns(answer, tasks.size(), m_console, reportBefore);
    std::atomic<std::size_t> next = 0;
    auto work = [&] {
        for (std::size_t index; (index = next++) < tasks.size();) {
            Outcome outcome = perform(tasks[index], password, turns, index, batch);
            turns.Pass(index);
            const std::lock_guard lock(resultsMutex);
            outcomes[index] = std::move(outcome);
            performed[index] = true;
            while (performedBefore < tasks.size() && performed[performedBefore]) {
                ++performedBefore;
            }
            resultReady.notify_all();
        }
        // The pages this worker added last; a full batch has committed the ones before.
        batch.commit();
    };
    std::vector<std::jthread> workers;
    for (std::size_t i = 0; i < std::min<std::size_t>(m_options.jobs, tasks.size()); ++i) {
        workers.emplace_back(work);
    }
    for (std::size_t index = 0; index < tasks.size(); ++index) {
        std::unique_lock lock(resultsMutex);
        resultReady.wait(lock, [&] {
            return outcomes[index].has_value();
        });
        Outcome outcome = std::move(*outcomes[index]);
        outcomes[index].reset();
        lock.unlock();
        if (outcome.report.status == Encrypthtml::LockStatus::Pending) {
            outcome.written = Encrypthtml::FinishCommitted(batch, outcome.report);
        }
        report(tasks[index], outcome);
        lock.lock();
        reported = index + 1;
        resultReady.notify_all();
    }
    std::cout << m_locked << " file(s) have been encrypted.\n";
    return m_allLocked ? ExitAllLocked : ExitSomeNotLocked;
}

bool LockCommand::outputFolderFits() const
{
    if (m_options.outputFolder.empty()) {
        return true;
    }
    std::error_code ignored;
    const fs::path output = fs::weakly_canonical(fs::absolute(m_options.outputFolder), ignored);
    // A run must not lock its own output, nor write over its sources.
    for (const std::string& named : m_options.paths) {
        const fs::path source = fs::weakly_canonical(fs::absolute(named), ignored);
        const bool folder = fs::is_directory(named, ignored);
        if (IsWithin(source, output) || (folder && IsWithin(output, source))) {
            Complain("--output " + Shown(m_options.outputFolder) + " and " + Shown(named)
                     + " overlap: the output folder must lie outside the named files and folders");
            return false;
        }
    }
    return true;
}

bool LockCommand::readPassword(std::string& utf8)
{
    std::string line;
    if (m_options.passwordFile.empty() || m_options.passwordFile == "-") {
        const bool asked = m_options.passwordFile.empty() && Terminal::IsInteractive();
        const Terminal::EchoOff echoOff;
        if (asked) {
            std::cerr << (m_options.usersFile.empty() ? "Password: " : "Master password: ") << std::flush;
        }
        if (Terminal::ReadLine(line) == Terminal::LineRead::TooLong) {
            Complain("the password line is longer than " + std::to_string(Terminal::LineLimit)
                     + " bytes; nothing was locked");
            return false;
        }
        line = ListLines::WithoutByteOrderMark(line);
        // A mistyped password would lock the pages for good, so a typed one is asked for twice.
        if (asked) {
            std::cerr << "Repeat it: " << std::flush;
            std::string repeated;
            if (Terminal::ReadLine(repeated) != Terminal::LineRead::Line || repeated != line) {
                Complain("the two passwords differ; nothing was locked");
                return false;
            }
        }
    } else {
        // The first line and one byte of its end tell whether the line fits.
        std::string error;
        if (!ReadStart(m_options.passwordFile, Terminal::LineLimit + 1, line, error)) {
            Complain(error);
            return false;
        }
        const std::size_t end = line.find_first_of("\r\n");
        if (end == std::string::npos && line.size() > Terminal::LineLimit) {
            Complain(Shown(m_options.passwordFile) + ": the first line is longer than "
                     + std::to_string(Terminal::LineLimit) + " bytes; nothing was locked");
            return false;
        }
        line.resize(std::min(line.size(), end));
        line = ListLines::WithoutByteOrderMark(line);
    }

    // Read in another encoding, the password would lock the pages with characters that were never typed.
    if (!TextBytes::IsValidUtf8(line)) {
        Complain("the password is not UTF-8 text; nothing was locked");
        return false;
    }
    const std::u16string text = TextBytes::Utf8ToUtf16(line);
    const std::u16string_view trimmed = TextBytes::Trimmed(text);
    if (!TextBytes::IsPasswordLengthValid(trimmed.size())) {
        std::cerr << TextBytes::PasswordLengthMessage() << '\n';
        return false;
    }
    utf8 = TextBytes::Trimmed(std::string_view(line));
    return true;
}

bool LockCommand::makeStrongRun(const std::string& password)
{
    Strong::RunOptions options;
    options.password = password;
    for (const User& user : m_users) {
        options.users.push_back({user.nameText, user.passwordText});
    }
    if (const char* rounds = std::getenv(s_testIterationsVariable)) {
        constexpr std::uint32_t mostRounds = std::numeric_limits<std::uint32_t>::max();
        const std::optional<std::uint32_t> count = LockOptions::WholeNumber(rounds, 1, mostRounds);
        if (!count) {
            Complain(std::string(s_testIterationsVariable) + "=" + Shown(rounds) + " is no whole number from 1 to "
                     + std::to_string(mostRounds) + "; nothing was locked");
            return false;
        }
        options.iterations = *count;
        Complain(std::string(s_testIterationsVariable) + " is set: strong pages get "
                 + std::to_string(options.iterations) + " key derivation rounds instead of "
                 + std::to_string(Strong::DefaultIterations) + "; for tests only");
    }
    const bool shown = !m_options.quiet;
    const bool terminal = isatty(STDERR_FILENO) == 1;
    const std::size_t logins = options.users.size() + 1;
    const std::string preparing = "Preparing keys for " + std::to_string(logins) + (logins == 1 ? " login" : " logins");
    if (shown) {
        std::cerr << preparing << "..." << (terminal ? "" : "\n") << std::flush;
    }
    // On a terminal the percentage is updated in place; a log gets the first and the last line only.
    int shownPercent = -1;
    options.progress = [&](std::size_t done, std::size_t total) {
        const int percent = static_cast<int>(100 * done / total);
        if (shown && terminal && percent != shownPercent) {
            shownPercent = percent;
            std::cerr << '\r' << preparing << "... " << percent << '%' << std::flush;
        }
        return true;
    };
    const auto start = std::chrono::steady_clock::now();
    std::string error;
    m_strong = Strong::Run::make(options, error);
    if (shown && terminal) {
        std::cerr << '\n';
    }
    if (!m_strong) {
        Complain("the strong page keys cannot be made: " + Shown(error) + "; nothing was locked");
        return false;
    }
    if (shown) {
        const auto tenths =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count()
            / 100;
        std::cerr << "Keys ready in " << tenths / 10 << '.' << tenths % 10 << " s\n";
    }
    return true;
}

bool LockCommand::readUsers()
{
    if (m_options.usersFile.empty()) {
        return true;
    }
    std::string file;
    std::string error;
    if (!ReadStart(m_options.usersFile, LockOptions::UsersFileLimit + 1, file, error)) {
        Complain(error + "; nothing was locked");
        return false;
    }
    if (file.size() > LockOptions::UsersFileLimit) {
        Complain(Shown(m_options.usersFile) + " is larger than "
                 + std::to_string(LockOptions::UsersFileLimit / 1024 / 1024)
                 + " MB, more than a user list needs; nothing was locked");
        return false;
    }
    const ListLines::ListText entries = ListLines::UserListEntries(file);
    if (entries.fault == ListLines::ListFault::NotUtf8) {
        Complain(Shown(m_options.usersFile) + " is not UTF-8 text; nothing was locked");
        return false;
    }
    if (entries.fault == ListLines::ListFault::NulByte) {
        Complain(Shown(m_options.usersFile) + " holds a NUL byte in line " + std::to_string(entries.faultLine)
                 + "; nothing was locked");
        return false;
    }
    const UserLogins::Decision decision = UserLogins::Decide(
        entries.lines,
        m_options.format == LockOptions::PageFormat::Strong ? UserLogins::Format::Strong : UserLogins::Format::Classic);
    const auto userOf = [&](std::size_t index) {
        return ListLines::SplitUserEntry(entries.lines[index]);
    };
    for (const auto& [index, bar] : decision.leftOut) {
        Complain("user " + Shown(userOf(index).name) + " left out: " + UserLogins::BarText(bar));
    }
    if (decision.repeatedName) {
        Complain(Shown(m_options.usersFile) + " gives the user name " + Shown(userOf(*decision.repeatedName).name)
                 + " twice, and strong pages take each user name once; nothing was locked");
        return false;
    }
    // Pages that no user could log in to could never be opened again.
    if (decision.admitted.empty()) {
        Complain(Shown(m_options.usersFile) + " holds no user who could log in; nothing was locked");
        return false;
    }
    for (const std::size_t index : decision.admitted) {
        const ListLines::UserEntry user = userOf(index);
        m_users.push_back({EngineBytes(entries.lines[index]), std::string(user.name), std::string(user.password)});
    }
    return true;
}

bool LockCommand::collectTasks(std::vector<Task>& tasks) const
{
    const bool intoOutput = !m_options.outputFolder.empty();
    const fs::path output = m_options.outputFolder;
    bool complete = true;
    // In place a file is locked once however often it is named; into the output folder each destination is
    // written once, and by one source only.
    std::set<fs::path> seenSources;
    std::map<fs::path, fs::path> sourceOfDestination;
    // One named file or folder yields every source and destination once; only several may repeat one, and only
    // then is each path resolved (a call per part of it) to find repeats.
    const bool mayRepeat = m_options.paths.size() > 1;
    auto add = [&](const std::string& source, const fs::path& relative, bool page) {
        if (!mayRepeat) {
            tasks.push_back({source, intoOutput ? (output / relative).string() : std::string(), page});
            return;
        }
        std::error_code ignored;
        const fs::path canonical = fs::weakly_canonical(source, ignored);
        if (!intoOutput) {
            if (seenSources.insert(canonical).second) {
                tasks.push_back({source, {}, page});
            }
            return;
        }
        const fs::path destination = output / relative;
        const auto [known, isNew] = sourceOfDestination.emplace(destination, canonical);
        if (isNew) {
            tasks.push_back({source, destination.string(), page});
        } else if (known->second != canonical) {
            Complain(Shown(source) + ": not written: " + Shown(destination.string()) + " is written from "
                     + Shown(known->second.string()));
            complete = false;
        }
    };
    for (const std::string& named : m_options.paths) {
        std::error_code ignored;
        if (!fs::is_directory(named, ignored)) {
            add(named, fs::path(named).filename(), true);
            continue;
        }
        const PageScan::Result found = PageScan::ScanFolder(named, m_options.recursive);
        for (const std::string& unreadable : found.unreadable) {
            Complain("cannot read folder " + Shown(unreadable));
            complete = false;
        }
        for (const std::string& page : found.pages) {
            add(page, fs::path(page).lexically_relative(named), true);
        }
        if (!intoOutput) {
            continue;
        }
        for (const std::string& other : found.otherFiles) {
            add(other, fs::path(other).lexically_relative(named), false);
        }
        for (const std::string& skipped : found.notFollowed) {
            Complain(Shown(skipped) + ": not copied: a symbolic link or special file is not followed");
            complete = false;
        }
    }
    return complete;
}

LockCommand::Outcome LockCommand::perform(const Task& task,
                                          const std::string& password,
                                          RelockTurns& turns,
                                          std::size_t index,
                                          SafeFile::CommitBatch& batch) const
{
    Outcome outcome;
    try {
        const bool inPlace = task.destination.empty();
        if (!inPlace
            && !MakeOutputFolders(m_options.outputFolder,
                                  fs::path(task.destination).lexically_relative(m_options.outputFolder).parent_path(),
                                  outcome.error)) {
            return outcome;
        }
        if (!task.page) {
            outcome.written = SafeFile::CopyFile(task.source, task.destination, outcome.error);
            return outcome;
        }
        int answer = turns.Answer();
        const auto ask = [&](const std::string&) {
            return turns.Ask(index, task.source);
        };
        const int passwordType = m_users.empty() ? Encrypthtml::SinglePassword : Encrypthtml::UserPassword;
        if (inPlace) {
            outcome.written = Encrypthtml::LockPage(task.source,
                                                    password,
                                                    m_options.backup,
                                                    m_options.protectionType,
                                                    m_options.pageColor,
                                                    passwordType,
                                                    answer,
                                                    m_entries,
                                                    ask,
                                                    &outcome.report,
                                                    &batch,
                                                    m_strong ? &*m_strong : nullptr);
            return outcome;
        }
        outcome.written = Encrypthtml::LockPageCopy(task.source,
                                                    task.destination,
                                                    password,
                                                    m_options.protectionType,
                                                    m_options.pageColor,
                                                    passwordType,
                                                    answer,
                                                    m_entries,
                                                    ask,
                                                    &outcome.report,
                                                    &batch,
                                                    m_strong ? &*m_strong : nullptr);
        // A page locked before stays as it is, and so it goes into the output folder: the site stays whole.
        if (outcome.report.status == Encrypthtml::LockStatus::Declined) {
            outcome.copiedUnchanged = SafeFile::CopyFile(task.source, task.destination, outcome.error);
        }
    } catch (const std::exception& failure) {
        outcome.written = false;
        outcome.error = failure.what();
    }
    return outcome;
}

void LockCommand::report(const Task& task, const Outcome& outcome)
{
    using Encrypthtml::LockStatus;
    const std::lock_guard speaking(m_console);
    const std::string source = Shown(task.source);
    if (outcome.written) {
        if (!task.page) {
            return;
        }
        ++m_locked;
        reportOmitted(outcome.report.omittedUsers);
        if (!m_options.quiet) {
            const std::string& written = task.destination.empty() ? task.source : task.destination;
            std::error_code ignored;
            std::cout << Shown(written) << ' ' << fs::file_size(written, ignored) << '\n';
        }
        return;
    }
    m_allLocked = false;
    if (!outcome.error.empty()) {
        Complain(source + (task.page ? ": not locked: " : ": not copied: ") + Shown(outcome.error));
        return;
    }
    switch (outcome.report.status) {
    case LockStatus::Missing:
        Complain(source + ": no such file");
        break;
    case LockStatus::Declined:
        Complain(source
                 + (outcome.copiedUnchanged ? ": already locked, copied unchanged" : ": already locked, skipped"));
        break;
    case LockStatus::ReadFailed:
        Complain(source + ": cannot be read: " + Shown(outcome.report.detail));
        break;
    case LockStatus::BackupFailed:
        Complain(source + ": not locked, the backup cannot be made: " + Shown(outcome.report.detail));
        break;
    case LockStatus::WriteFailed:
        Complain(source + ": not locked, cannot be written: " + Shown(outcome.report.detail));
        break;
    case LockStatus::EmptyPassword:
    case LockStatus::Locked:
    case LockStatus::Pending:
        Complain(source + ": not locked");
        break;
    }
}

void LockCommand::reportOmitted(const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        const auto user = std::find_if(m_users.begin(), m_users.end(), [&](const User& u) {
            return ListLines::SplitUserEntry(u.entry).name == name;
        });
        const std::string shown = Shown(user == m_users.end() ? name : user->nameText);
        if (m_reportedUsers.insert(shown).second) {
            Complain("user " + shown
                     + " left out: the page script cannot use a user name and password that are longer than "
                     + std::to_string(Encrypthtml::MaxUserKeyLength) + " bytes together or hold a zero character");
        }
    }
}
