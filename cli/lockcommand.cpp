#include "cli/lockcommand.h"

#include "cli/shown.h"
#include "cli/terminal.h"
#include "engine/encrypthtml.h"
#include "engine/handles.h"
#include "engine/listlines.h"
#include "engine/safefile.h"
#include "engine/textbytes.h"
#include "engine/userlogins.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <limits>
#include <memory>
#include <optional>
#include <sys/resource.h>
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

    // What the open-file limit leaves a run: the threads that lock files, and the pages a commit batch holds.
    struct FileBudget
    {
        unsigned jobs;
        std::size_t batchCapacity;
        rlim_t openFiles;
    };

    // Raises the limit of open files to the most this process may have, and fits the run to what remains of it
    // beside the standard streams, the libraries and the folders on the walk's way down (kept at 64). A run holds
    // at most: two batches of waiting pages, each page's replaced file kept open across its rename and its folder
    // open (an output folder too), the folders of the tasks taken and not yet reported (as many again, and one per
    // thread), and per thread a source, a page and a backup being written and a backup being checked.
    FileBudget FitToOpenFiles()
    {
        constexpr rlim_t reserved = 64;
        constexpr rlim_t most = rlim_t(1) << 20;
        rlimit limit = {};
        if (getrlimit(RLIMIT_NOFILE, &limit) != 0) {
            limit.rlim_cur = 1024;
        } else if (limit.rlim_cur < std::min(limit.rlim_max, most)) {
            limit.rlim_cur = std::min(limit.rlim_max, most);
            if (setrlimit(RLIMIT_NOFILE, &limit) != 0) {
                getrlimit(RLIMIT_NOFILE, &limit);
            }
        }
        const rlim_t available = limit.rlim_cur > reserved + 16 ? limit.rlim_cur - reserved : 16;
        const std::size_t capacity = std::clamp<std::size_t>(available / 16, 1, SafeFile::CommitBatch::DefaultCapacity);
        const rlim_t perJob = 6;
        const rlim_t forJobs = available > 6 * capacity + perJob ? available - 6 * capacity : perJob;
        return {unsigned(std::min<rlim_t>(forJobs / perJob, LockOptions::MaxJobs)), capacity, limit.rlim_cur};
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

LockCommand::LockCommand(LockOptions::Options options) : m_options(std::move(options))
{ }

int LockCommand::run()
{
    if (!outputFolderFits()) {
        return ExitUsage;
    }
    // Past the command line, what stops a run is a failure (1): input that cannot be read or used, keys that
    // cannot be made, an output folder that cannot be made.
    std::string password;
    if (!readPassword(password) || !readUsers()) {
        return ExitSomeNotLocked;
    }
    if (m_options.format == LockOptions::PageFormat::Strong) {
        if (!makeStrongRun(password)) {
            return ExitSomeNotLocked;
        }
    } else {
        password = EngineBytes(password);
    }
    Handles::FolderRef output;
    bool createdOutput = false;
    if (!m_options.outputFolder.empty() && !openOutputFolder(output, createdOutput)) {
        return ExitSomeNotLocked;
    }
    for (const User& user : m_users) {
        m_entries.push_back(user.entry);
    }
    const FileBudget budget = FitToOpenFiles();
    const unsigned jobs = std::min(m_options.jobs, budget.jobs);
    if (jobs < m_options.jobs && !m_options.quiet) {
        Complain("--jobs " + std::to_string(m_options.jobs) + " lowered to " + std::to_string(jobs)
                 + ": the process may have " + std::to_string(budget.openFiles) + " files open at once");
    }

    int answer = Encrypthtml::RelockAsk;
    if (m_options.relock == LockOptions::RelockMode::Yes) {
        answer = Encrypthtml::RelockAll;
    } else if (m_options.relock == LockOptions::RelockMode::No) {
        answer = Encrypthtml::RelockNone;
    }
    std::string error;
    bool ran = false;
    {
        // Pages are put in place in groups, a few flushes for many pages; each is reported once it is in place.
        SafeFile::CommitBatch batch(budget.batchCapacity);
        TaskFeed feed(m_options, std::move(output), createdOutput, [this](const std::string& message) {
            const std::lock_guard lock(m_lateMutex);
            m_lateComplaints.push_back(message);
        });
        // Two batches of pages waiting to be put in place, and those being locked.
        LockRun lockRun(feed, batch, answer, 2 * budget.batchCapacity + jobs);
        ran = lockRun.run(
            jobs,
            [&](const TaskFeed::Task& task, std::size_t index) {
                return perform(task, password, lockRun, index, batch);
            },
            [this](const TaskFeed::Task& task, const LockRun::Outcome& outcome) {
                report(task, outcome);
            },
            error);
    }
    if (!ran) {
        Complain(Shown(error));
        m_allLocked = false;
    }
    // The output folders are given their sources' permissions as the last handle of each goes.
    for (const std::string& late : m_lateComplaints) {
        Complain(Shown(late));
        m_allLocked = false;
    }
    std::cout << m_locked << " file(s) have been encrypted.\n";
    return m_allLocked ? ExitAllLocked : ExitSomeNotLocked;
}

bool LockCommand::openOutputFolder(Handles::FolderRef& output, bool& created) const
{
    std::error_code failure;
    created = !fs::exists(fs::symlink_status(m_options.outputFolder, failure));
    fs::create_directories(m_options.outputFolder, failure);
    std::string error;
    if (!failure) {
        output = Handles::OpenNamedFolder(m_options.outputFolder, error);
    } else {
        error = failure.message();
    }
    if (!output) {
        Complain("cannot make the output folder " + Shown(m_options.outputFolder) + ": " + error
                 + "; nothing was locked");
        return false;
    }
    return true;
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
            Complain(error + "; nothing was locked");
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

LockRun::Outcome LockCommand::perform(const TaskFeed::Task& task,
                                      const std::string& password,
                                      LockRun& lockRun,
                                      std::size_t index,
                                      SafeFile::CommitBatch& batch) const
{
    using Kind = TaskFeed::Task::Kind;
    LockRun::Outcome outcome;
    if (!task.error.empty() || task.kind == Kind::Unreadable || task.kind == Kind::NotFollowed
        || task.kind == Kind::Conflict) {
        return outcome;
    }
    if (task.kind == Kind::Copy) {
        outcome.written = SafeFile::CopyFile(*task.found, *task.destination, outcome.error);
        return outcome;
    }
    int answer = lockRun.answer();
    const auto ask = [&](const std::string&) {
        return lockRun.ask(index, [&] {
            const std::lock_guard speaking(m_console);
            std::cout << std::flush;
            return AskRelock(Encrypthtml::RelockQuestionText(Shown(task.source)));
        });
    };
    const Encrypthtml::LockRequest request{password,
                                           m_options.protectionType,
                                           m_options.pageColor,
                                           m_users.empty() ? Encrypthtml::SinglePassword : Encrypthtml::UserPassword,
                                           answer,
                                           m_entries,
                                           ask,
                                           &outcome.report,
                                           &batch,
                                           m_strong ? &*m_strong : nullptr};
    if (!task.destination) {
        outcome.written = task.found ? Encrypthtml::LockFoundPage(*task.found, m_options.backup, request)
                                     : Encrypthtml::LockPage(task.source, m_options.backup, request);
        return outcome;
    }
    // A named file is resolved once, here; a found one is held by its folder's handle already.
    Handles::Place source;
    if (task.found) {
        source = *task.found;
    } else {
        Handles::Named named;
        switch (Handles::LocateNamed(task.source, named, outcome.report.detail)) {
        case Handles::Located::Missing:
            outcome.report.status = Encrypthtml::LockStatus::Missing;
            return outcome;
        case Handles::Located::Failed:
            outcome.report.status = Encrypthtml::LockStatus::ReadFailed;
            return outcome;
        case Handles::Located::Found:
            source = std::move(named.target);
            break;
        }
    }
    outcome.written = Encrypthtml::LockFoundPageCopy(source, *task.destination, request);
    // A page locked before stays as it is, and so it goes into the output folder: the site stays whole.
    if (outcome.report.status == Encrypthtml::LockStatus::Declined) {
        outcome.copiedUnchanged = SafeFile::CopyFile(source, *task.destination, outcome.error);
    }
    return outcome;
}

void LockCommand::report(const TaskFeed::Task& task, const LockRun::Outcome& outcome)
{
    using Encrypthtml::LockStatus;
    using Kind = TaskFeed::Task::Kind;
    const std::lock_guard speaking(m_console);
    const std::string source = Shown(task.source);
    const bool page = task.kind == Kind::NamedPage || task.kind == Kind::FoundPage;
    if (outcome.report.backupKept) {
        Complain(source + ": its backup " + Shown(task.source + ".bak")
                 + " holds the page unlocked and is kept as it is; the page was locked again without a new backup");
    }
    if (outcome.written) {
        if (!page) {
            return;
        }
        ++m_locked;
        if (!m_options.quiet) {
            const std::string& written = task.destination ? task.destination->path : task.source;
            std::error_code ignored;
            std::cout << Shown(written) << ' ' << fs::file_size(written, ignored) << '\n';
        }
        return;
    }
    m_allLocked = false;
    switch (task.kind) {
    case Kind::Unreadable:
        Complain("cannot read folder " + Shown(task.error));
        return;
    case Kind::NotFollowed:
        Complain(source + ": not copied: a symbolic link or special file is not followed");
        return;
    case Kind::Conflict:
        Complain(source + ": not written: " + Shown(task.destination->path) + " is written from " + Shown(task.error));
        return;
    case Kind::NamedPage:
    case Kind::FoundPage:
    case Kind::Copy:
        break;
    }
    const std::string& error = task.error.empty() ? outcome.error : task.error;
    if (!error.empty()) {
        Complain(source + (page ? ": not locked: " : ": not copied: ") + Shown(error));
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
    case LockStatus::Changed:
        Complain(source + ": not locked, it changed after it was found: " + Shown(outcome.report.detail));
        break;
    case LockStatus::EmptyPassword:
    case LockStatus::Locked:
    case LockStatus::Pending:
        Complain(source + ": not locked");
        break;
    }
}
