// LockPage throughput: pages of 1 KB, 64 KB and 16 MB, read, locked and written through the file system, and
// the in-memory page building alone. Then the command: a cold quillgate-lock process on a 16 MB and a 100 MB page
// beside base64 -w0 of the same page, with the time and peak memory of each process; and what flushing every file
// to disk costs over 2,000 small pages, on one thread and on four. The files go to the temporary folder (TMPDIR,
// else /tmp).

#include "engine/encrypthtml.h"
#include "engine/safefile.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
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

    // Runs a program (its output to output) through Measure. The input file is first dropped from the page cache,
    // so that each process starts cold.
    ProcessRun RunProcess(const std::vector<std::string>& command, const std::string& input, const std::string& output)
    {
        const int inputFd = open(input.c_str(), O_RDONLY);
        if (inputFd >= 0) {
            fdatasync(inputFd);
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
    void ColdCommandBesideBase64(benchmark::State& state)
    {
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
            const ProcessRun lock = RunProcess(
                {QUILLGATE_LOCK_COMMAND, "--password-file", passwordFile, "--relock", "yes", "--quiet", path},
                path,
                folder.File("lock.out"));
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
    ->Arg(16 << 20)
    ->Arg(100 << 20)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
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
