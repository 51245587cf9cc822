// LockPage throughput: pages of 1 KB, 64 KB and 16 MB, read, locked and written through the file system, and
// the in-memory page building alone. The files go to the temporary folder (TMPDIR, else /tmp).

#include "engine/encrypthtml.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>

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

    void LockPageFile(benchmark::State& state)
    {
        const std::string content = SamplePage(std::size_t(state.range(0)));
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() / ("quillgate-bench-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(folder);
        const std::string path = (folder / "page.html").string();
        for (auto _ : state) {
            state.PauseTiming();
            Write(path, content);
            state.ResumeTiming();
            int answer = Encrypthtml::RelockAsk;
            Encrypthtml::LockReport report;
            if (!Encrypthtml::LockPage(path,
                                       "pvkmsto",
                                       false,
                                       Encrypthtml::ProtectSession,
                                       Encrypthtml::ColorWhite,
                                       Encrypthtml::SinglePassword,
                                       answer,
                                       {},
                                       {},
                                       &report)) {
                state.SkipWithError(report.detail.c_str());
                break;
            }
        }
        state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(content.size()));
        std::filesystem::remove_all(folder);
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
} // namespace

BENCHMARK(LockPageFile)->Arg(1 << 10)->Arg(64 << 10)->Arg(16 << 20)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BuildPageInMemory)->Arg(1 << 10)->Arg(64 << 10)->Arg(16 << 20)->Unit(benchmark::kMicrosecond)->UseRealTime();

BENCHMARK_MAIN();
