// LockPage throughput: pages of 1 KB, 64 KB and 16 MB, read, locked and written through the file system, and
// the in-memory page building alone. Strong pages: a 16 MB page locked by LockPage with a run made beforehand,
// beside a base64 -w0 process on the same file (the sample page, text of many different words, and a real HTML
// document); a run of 1,000 users at the full iteration count, its set-up time and what it adds to every page.
// Then the command: a cold quillgate-lock process on a 16 MB and a 100 MB page (classic and strong) beside
// base64 -w0 of the same page, with the time and peak memory of each process; and what flushing every file to
// disk costs over 2,000 small pages, on one thread and on four. The files go to the temporary folder (TMPDIR,
// else /tmp).

#include "engine/encrypthtml.h"
#include "engine/safefile.h"
#include "engine/strongrun.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace
{
    std::string SamplePage(std::size_t size)
    {
        const std::string paragraph = "<p>Quillgate locks pages; this paragraph stands in for real content, "
                                      "with Gr\xc3\xbc\xc3\x9f"
                                      "e and digits 0123456789.</p>\r\n";
        std::string page;
        page.reserve(size + paragraph.size());
        while (page.size() < size) {
            page += paragraph;
        }
        page.resize(size);
        return page;
    }

    // Text of size bytes with little to repeat: paragraphs of words drawn evenly from a few thousand made-up ones
    // (the sample page repeats one paragraph, which deflate takes at memory speed). Deflate finds less in it than
    // in English prose, and slower: 47% of the size against 37% for English documentation text.
    std::string VariedPage(std::size_t size)
    {
        std::mt19937 random(2026);
        std::vector<std::string> words(4000);
        for (std::string& word : words) {
            word.resize(2 + random() % 8);
            for (char& c : word) {
                c = static_cast<char>('a' + random() % 26);
            }
        }
        std::string page;
        page.reserve(size + 1024);
        while (page.size() < size) {
            page += "<p class=\"c" + std::to_string(random() % 20) + "\">";
            for (int i = 0; i < 40; ++i) {
                page += words[random() % words.size()];
                page += ' ';
            }
            page += "</p>\r\n";
        }
        page.resize(size);
        return page;
    }

    // A real HTML document repeated to size bytes: Node.js's whole API reference (8 MB of prose, tables and code,
    // installed with the test tools), so the strong lock is also measured on a page people publish. Empty when the
    // file is missing.
    std::string DocumentationPage(std::size_t size)
    {
        std::ifstream in("/usr/share/doc/nodejs/api/all.html", std::ios::binary);
        const std::string document{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::string page;
        while (!document.empty() && page.size() < size) {
            page += document;
        }
        page.resize(std::min(page.size(), size));
        return page;
    }

    // The content of the strong lock benchmark by its argument: 0 the sample page, 1 the varied text, 2 the
    // documentation page.
    std::string StrongBenchContent(std::int64_t kind, std::size_t size)
    {
        switch (kind) {
        case 0:
            return SamplePage(size);
        case 1:
            return VariedPage(size);
        default:
            return DocumentationPage(size);
        }
    }

    void Write(const std::filesystem::path& path, const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
    }

    // A fresh folder for one benchmark, removed with it.
    class BenchFolder
    {
    public:
        BenchFolder()
            : m_path(std::filesystem::temp_directory_path()
                     / ("quillgate-bench-" + std::to_string(std::random_device{}())))
        {
            std::filesystem::create_directories(m_path);
        }
        ~BenchFolder()
        {
            std::error_code ignored;
            std::filesystem::remove_all(m_path, ignored);
        }
        BenchFolder(const BenchFolder&) = delete;
        BenchFolder& operator=(const BenchFolder&) = delete;

        std::string File(const std::string& name) const
        {
            return (m_path / name).string();
        }

    private:
        std::filesystem::path m_path;
    };

    bool LockSession(const std::string& path, std::string& error)
    {
        int answer = Encrypthtml::RelockAsk;
        Encrypthtml::LockReport report;
        const bool locked = Encrypthtml::LockPage(path,
                                                  "pvkmsto",
                                                  false,
                                                  Encrypthtml::ProtectSession,
                                                  Encrypthtml::ColorWhite,
                                                  Encrypthtml::SinglePassword,
                                                  answer,
                                                  {},
                                                  {},
                                                  &report);
        error = report.detail;
        return locked;
    }

    void LockPageFile(benchmark::State& state)
    {
        const std::string content = SamplePage(std::size_t(state.range(0)));
        const BenchFolder folder;
        const std::string path = folder.File("page.html");
        for (auto _ : state) {
            state.PauseTiming();
            Write(path, content);
            state.ResumeTiming();
            std::string error;
            if (!LockSession(path, error)) {
                state.SkipWithError(error.c_str());
                break;
            }
        }
        state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(content.size()));
    }

    void BuildPageInMemory(benchmark::State& state)
    {
        const std::string content = SamplePage(std::size_t(state.range(0)));
        std::string page;
        std::vector<std::string> omitted;
        std::string error;
        for (auto _ : state) {
            Encrypthtml::BuildPage(content,
                                   "pvkmsto",
                                   Encrypthtml::ProtectSession,
                                   Encrypthtml::ColorWhite,
                                   Encrypthtml::SinglePassword,
                                   {},
                                   page,
                                   omitted,
                                   error);
            benchmark::DoNotOptimize(page.data());
        }
        state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(content.size()));
    }

    struct ProcessRun
    {
        bool ok = false;
        double seconds = 0;
        double peakMegabytes = 0; // resident set, of this one process
    };

    // The measuring end of RunProcess, in a small process of its own (this program started with --measure): the
    // peak memory that the system reports for a child counts the memory of the process it was forked from, which
    // for the benchmark itself holds the whole page. Writes "seconds peak-KB exit-code" to result.
    int Measure(const char* result, const char* output, char** arguments)
    {
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            const int fd = open(output, O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (fd < 0 || dup2(fd, STDOUT_FILENO) < 0) {
                _exit(127);
            }
            execv(arguments[0], arguments);
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) {
            return 1;
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::ofstream(result) << seconds << ' ' << usage.ru_maxrss << ' '
                              << (WIFEXITED(status) ? WEXITSTATUS(status) : 128) << '\n';
        return 0;
    }

    // Runs a program (its output to output) through Measure. Everything written before goes to disk first, so that
    // a process that flushes does not wait for the writes of the one before it (base64 flushes nothing and leaves
    // its whole output to be written back). Unless warm, the input file is then dropped from the page cache, so
    // that each process starts cold.
    ProcessRun RunProcess(const std::vector<std::string>& command,
                          const std::string& input,
                          const std::string& output,
                          bool warm = false)
    {
        sync();
        const int inputFd = warm ? -1 : open(input.c_str(), O_RDONLY);
        if (inputFd >= 0) {
            posix_fadvise(inputFd, 0, 0, POSIX_FADV_DONTNEED);
            close(inputFd);
        }
        const std::string result = output + ".measured";
        std::vector<std::string> arguments = {"/proc/self/exe", "--measure", result, output};
        arguments.insert(arguments.end(), command.begin(), command.end());
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        ProcessRun run;
        pid_t pid = 0;
        int status = 0;
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0 || waitpid(pid, &status, 0) != pid
            || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            return run;
        }
        long peakKilobytes = 0;
        int exitCode = -1;
        std::ifstream(result) >> run.seconds >> peakKilobytes >> exitCode;
        run.ok = exitCode == 0;
        run.peakMegabytes = double(peakKilobytes) / 1024.0;
        return run;
    }

    // One quillgate-lock process and one base64 -w0 process on the same page, turn about, each from a cold page
    // cache. The time is the command's; the counters give base64's time, the ratio and both processes' peak memory.
    // The second argument, 1, locks strong pages (the command's one key derivation included).
    void ColdCommandBesideBase64(benchmark::State& state)
    {
        std::vector<std::string> format;
        if (state.range(1) != 0) {
            format = {"--format", "strong"};
        }
        const std::string content = SamplePage(std::size_t(state.range(0)));
        const BenchFolder folder;
        const std::string path = folder.File("page.html");
        const std::string passwordFile = folder.File("password.txt");
        Write(passwordFile, "pvkmsto1\n");
        double lockSeconds = 0;
        double base64Seconds = 0;
        double lockPeak = 0;
        double base64Peak = 0;
        for (auto _ : state) {
            Write(path, content);
            std::vector<std::string> command = {
                QUILLGATE_LOCK_COMMAND, "--password-file", passwordFile, "--relock", "yes", "--quiet", path};
            command.insert(command.end() - 1, format.begin(), format.end());
            const ProcessRun lock = RunProcess(command, path, folder.File("lock.out"));
            Write(path, content);
            const ProcessRun base64 = RunProcess({"/usr/bin/base64", "-w0", path}, path, folder.File("page.b64"));
            if (!lock.ok || !base64.ok) {
                state.SkipWithError(lock.ok ? "base64 failed" : "quillgate-lock failed");
                break;
            }
            state.SetIterationTime(lock.seconds);
            lockSeconds += lock.seconds;
            base64Seconds += base64.seconds;
            lockPeak = std::max(lockPeak, lock.peakMegabytes);
            base64Peak = std::max(base64Peak, base64.peakMegabytes);
        }
        const double runs = double(state.iterations());
        state.counters["base64_ms"] = 1000 * base64Seconds / runs;
        state.counters["lock_per_base64"] = lockSeconds / base64Seconds;
        state.counters["lock_peak_MB"] = lockPeak;
        state.counters["base64_peak_MB"] = base64Peak;
        state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(content.size()));
    }

    std::optional<Strong::Run> MakeRun(std::size_t users, std::string& error)
    {
        Strong::RunOptions options;
        options.password = "pvkmsto1";
        for (std::size_t i = 0; i < users; ++i) {
            options.users.push_back({"user" + std::to_string(i), "password" + std::to_string(i)});
        }
        return Strong::Run::make(options, error);
    }

    // LockPage of a 16 MB page strong, with the run (one key derivation) made before, beside a base64 -w0
    // process on the same file, both from a warm page cache, turn about. The time is LockPage's; base64_ms and
    // lock_per_base64 compare. The second argument picks the content (StrongBenchContent).
    void StrongLockBesideBase64(benchmark::State& state)
    {
        const std::size_t size = std::size_t(state.range(0));
        const std::string content = StrongBenchContent(state.range(1), size);
        if (content.empty()) {
            state.SkipWithError("no /usr/share/doc/nodejs/api/all.html");
            return;
        }
        const BenchFolder folder;
        const std::string path = folder.File("page.html");
        const std::string copy = folder.File("copy.html");
        Write(copy, content);
        std::string error;
        const std::optional<Strong::Run> run = MakeRun(0, error);
        if (!run) {
            state.SkipWithError(error.c_str());
            return;
        }
        double lockSeconds = 0;
        double base64Seconds = 0;
        std::size_t pageSize = 0;
        for (auto _ : state) {
            Write(path, content);
            // As for a process: the lock's flush should not wait for the page just written or base64's output.
            sync();
            int answer = Encrypthtml::RelockAll;
            Encrypthtml::LockReport report;
            const auto start = std::chrono::steady_clock::now();
            const bool locked = Encrypthtml::LockPage(path,
                                                      {},
                                                      false,
                                                      Encrypthtml::ProtectSession,
                                                      Encrypthtml::ColorWhite,
                                                      Encrypthtml::SinglePassword,
                                                      answer,
                                                      {},
                                                      {},
                                                      &report,
                                                      nullptr,
                                                      &*run);
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const ProcessRun base64 = RunProcess({"/usr/bin/base64", "-w0", copy}, copy, folder.File("page.b64"), true);
            if (!locked || !base64.ok) {
                state.SkipWithError(locked ? "base64 failed" : report.detail.c_str());
                break;
            }
            pageSize = std::filesystem::file_size(path);
            state.SetIterationTime(seconds);
            lockSeconds += seconds;
            base64Seconds += base64.seconds;
        }
        state.counters["base64_ms"] = 1000 * base64Seconds / double(state.iterations());
        state.counters["lock_per_base64"] = lockSeconds / base64Seconds;
        state.counters["page_per_source"] = double(pageSize) / double(size);
        state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(size));
    }

    // A run of 1,000 users and the master password at the full 600,000 iterations, on every core: its set-up
    // time, and the characters its key table adds to every page beside a single-password run's page.
    void StrongRunOfAThousandUsers(benchmark::State& state)
    {
        constexpr std::size_t users = 1000;
        const std::string content = SamplePage(64 << 10);
        std::string error;
        const std::optional<Strong::Run> single = MakeRun(0, error);
        std::string singlePage;
        if (!single || !single->buildPage(content, Encrypthtml::ProtectPage, 0, {}, singlePage, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        std::size_t gain = 0;
        for (auto _ : state) {
            const auto start = std::chrono::steady_clock::now();
            const std::optional<Strong::Run> run = MakeRun(users, error);
            state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            std::string page;
            if (!run || !run->buildPage(content, Encrypthtml::ProtectPage, 0, {}, page, error)) {
                state.SkipWithError(error.c_str());
                break;
            }
            gain = page.size() - singlePage.size();
        }
        state.counters["cores"] = std::thread::hardware_concurrency();
        state.counters["key_table_bytes"] = double((users + 1) * Strong::EntrySize);
        state.counters["page_gain_chars"] = double(gain);
    }

    // 2,000 pages of 4 KB, each flushed to disk before its rename (flush:1) or not (flush:0), locked one after
    // the other or by several threads at once (as the command's --jobs does): what the flushes cost a large batch
    // of small pages. Threads that flush at the same time share the disk's commits.
    void ManySmallPages(benchmark::State& state)
    {
        constexpr int pageCount = 2000;
        const int threadCount = int(state.range(1));
        const std::string content = SamplePage(4096);
        const BenchFolder folder;
        SafeFile::SetFlushing(state.range(0) != 0);
        double seconds = 0;
        for (auto _ : state) {
            for (int i = 0; i < pageCount; ++i) {
                Write(folder.File("p" + std::to_string(i) + ".html"), content);
            }
            sync();
            const auto start = std::chrono::steady_clock::now();
            std::atomic<bool> failed{false};
            std::vector<std::thread> threads;
            for (int t = 0; t < threadCount; ++t) {
                threads.emplace_back([&, t] {
                    for (int i = t; i < pageCount; i += threadCount) {
                        std::string error;
                        if (!LockSession(folder.File("p" + std::to_string(i) + ".html"), error)) {
                            failed = true;
                        }
                    }
                });
            }
            for (std::thread& thread : threads) {
                thread.join();
            }
            const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            state.SetIterationTime(elapsed);
            seconds += elapsed;
            if (failed) {
                state.SkipWithError("a page could not be locked");
                break;
            }
        }
        SafeFile::SetFlushing(true);
        state.counters["ms_per_page"] = 1000 * seconds / double(state.iterations() * pageCount);
    }
} // namespace

BENCHMARK(LockPageFile)->Arg(1 << 10)->Arg(64 << 10)->Arg(16 << 20)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BuildPageInMemory)->Arg(1 << 10)->Arg(64 << 10)->Arg(16 << 20)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(ColdCommandBesideBase64)
    ->ArgNames({"size", "strong"})
    ->ArgsProduct({{16 << 20, 100 << 20}, {0, 1}})
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(StrongLockBesideBase64)
    ->ArgNames({"size", "content"})
    ->ArgsProduct({{16 << 20}, {0, 1, 2}})
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(StrongRunOfAThousandUsers)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(ManySmallPages)
    ->ArgNames({"flush", "threads"})
    ->ArgsProduct({{1, 0}, {1, 4}})
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (argc > 4 && std::string_view(argv[1]) == "--measure") {
        return Measure(argv[2], argv[3], argv + 4);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
