// Adding a folder of 100,000 pages to the wizard (not a test): the folder scan, sorting the paths into the file
// list, and rebuilding the shown file list view of the real window on the offscreen platform, each alone and
// all three together as the "Add folder" button does them.

#include "jobs/addfolder.h"
#include "jobs/filelist.h"
#include "ui/main.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <memory>

namespace
{
    constexpr int s_pageCount = 100000;
    constexpr int s_pagesPerFolder = 1000;

    // The generated folder: 100 subfolders of 1000 small pages each, beside a few files the scan skips.
    class PageFolder
    {
    public:
        PageFolder()
        {
            for (int i = 0; i < s_pageCount; ++i) {
                const QString folder =
                    m_dir.filePath(QStringLiteral("site%1").arg(i / s_pagesPerFolder, 3, 10, QLatin1Char('0')));
                if (i % s_pagesPerFolder == 0) {
                    QDir().mkpath(folder);
                    QFile notes(folder + QStringLiteral("/notes.txt"));
                    notes.open(QIODevice::WriteOnly);
                }
                QFile page(folder + QStringLiteral("/Page%1.html").arg(i));
                page.open(QIODevice::WriteOnly);
                page.write("<html><body>page</body></html>");
            }
        }

        QString path() const
        {
            return m_dir.path();
        }

    private:
        QTemporaryDir m_dir;
    };

    const PageFolder& Pages()
    {
        static const PageFolder pages;
        return pages;
    }

    // The wizard window on the file list page, shown so that the rebuild really paints. It lives in main(),
    // inside the application's lifetime.
    TFormMain* s_window = nullptr;

    TFormMain& Window()
    {
        return *s_window;
    }

    std::unique_ptr<TFormMain> ShowFileListPage()
    {
        auto window = std::make_unique<TFormMain>();
        window->ShowStep(1);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get())) {
            qFatal("the window was never shown");
        }
        return window;
    }

    void ScanFolderOnly(benchmark::State& state)
    {
        for (auto _ : state) {
            const QStringList found = Addfolder::ScanFolder(Pages().path(), true);
            if (found.size() != s_pageCount) {
                state.SkipWithError("the scan missed pages");
            }
        }
    }
    BENCHMARK(ScanFolderOnly)->Unit(benchmark::kMillisecond)->Iterations(3);

    void AddAllOnly(benchmark::State& state)
    {
        const QStringList found = Addfolder::ScanFolder(Pages().path(), true);
        for (auto _ : state) {
            FileList list;
            list.addAll(found);
            benchmark::DoNotOptimize(list.count());
        }
    }
    BENCHMARK(AddAllOnly)->Unit(benchmark::kMillisecond)->Iterations(3);

    void RebuildViewOnly(benchmark::State& state)
    {
        TFormMain& window = Window();
        window.FileList.clear();
        window.FileList.addAll(Addfolder::ScanFolder(Pages().path(), true));
        for (auto _ : state) {
            window.rebuildFileListView();
            QApplication::processEvents();
        }
        if (window.LvwFileList->topLevelItemCount() != s_pageCount) {
            state.SkipWithError("the view misses rows");
        }
    }
    BENCHMARK(RebuildViewOnly)->Unit(benchmark::kMillisecond)->Iterations(3);

    // What TbnAddFolderClick does after the dialog: scan, add, rebuild, from an empty list.
    void AddFolderOfPages(benchmark::State& state)
    {
        TFormMain& window = Window();
        for (auto _ : state) {
            state.PauseTiming();
            window.TbnDelAllClick();
            QApplication::processEvents();
            state.ResumeTiming();
            window.FileList.addAll(Addfolder::ScanFolder(Pages().path(), true));
            window.rebuildFileListView();
            QApplication::processEvents();
        }
        state.counters["pages"] = double(window.FileList.count());
    }
    BENCHMARK(AddFolderOfPages)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    Pages();
    const std::unique_ptr<TFormMain> window = ShowFileListPage();
    s_window = window.get();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
