// A batch of many small pages through the real Create button on the offscreen platform: the total time, and the
// longest time the windows went without painting while it ran (the time they look frozen).
//
// Usage: bench-ui-batch [file count, default 10000]

#include "jobs/progressbar.h"
#include "tests/support/fakeprompts.h"
#include "ui/main.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

namespace
{
    // Notes the time of every paint of the main window or the progress window while a batch runs.
    class PaintClock : public QObject
    {
    public:
        explicit PaintClock(const QElapsedTimer& clock) : m_clock(clock)
        {
            qApp->installEventFilter(this);
        }

        ~PaintClock() override
        {
            qApp->removeEventFilter(this);
        }

        bool eventFilter(QObject* watched, QEvent* event) override
        {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (event->type() == QEvent::Paint && widget
                && (widget->window() == FormMain || (FormProgressBar && widget->window() == FormProgressBar))) {
                const qint64 now = m_clock.elapsed();
                if (now != m_last) {
                    m_longestGap = std::max(m_longestGap, now - m_last);
                    m_longGaps += now - m_last > 100 ? 1 : 0;
                    m_last = now;
                    ++m_paints;
                }
            }
            return false;
        }

        // Counts the stretch from the last paint to the end of the run too.
        void stop()
        {
            m_longestGap = std::max(m_longestGap, m_clock.elapsed() - m_last);
        }

        qint64 longestGap() const
        {
            return m_longestGap;
        }

        int paints() const
        {
            return m_paints;
        }

        int longGaps() const
        {
            return m_longGaps;
        }

    private:
        const QElapsedTimer& m_clock;
        qint64 m_last = 0;
        qint64 m_longestGap = 0;
        int m_paints = 0;
        int m_longGaps = 0;
    };

    // Stops the clock when the count box comes, which is the end of the run.
    class TimedPrompts : public FakePrompts
    {
    public:
        std::function<void()> onInformation;

        int answerMessage(const Prompts::Shown& s) override
        {
            if (s.kind == Prompts::Kind::Information) {
                onInformation();
            }
            return FakePrompts::answerMessage(s);
        }
    };
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;

    QTemporaryDir dir;
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        QFile page(dir.filePath(QStringLiteral("page%1.html").arg(i, 5, 10, QLatin1Char('0'))));
        if (!page.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(page.fileName()));
            return 1;
        }
        page.write(QStringLiteral("<html><body><h1>Page %1</h1><p>A small page of a big site.</p></body></html>\r\n")
                       .arg(i)
                       .toLatin1());
        paths.append(page.fileName());
    }

    FormMain = new TFormMain;
    FormMain->resize(640, 480);
    FormMain->show();
    FormMain->FileList.addAll(paths);
    FormMain->EditPassword->setText(QStringLiteral("bench-pass"));
    QCoreApplication::processEvents();

    TimedPrompts prompts;
    QElapsedTimer clock;
    PaintClock paints(clock);
    qint64 total = 0;
    std::clock_t cpu = 0;
    prompts.onInformation = [&] {
        total = clock.elapsed();
        cpu = std::clock() - cpu;
        paints.stop();
    };
    clock.start();
    cpu = std::clock();
    FormMain->BtnCreate->click();

    QTextStream out(stdout);
    out << "files: " << count << "\n"
        << "result: " << prompts.shownTexts().value(0) << "\n"
        << "rows: " << FormMain->LvwFileShow->topLevelItemCount() << "\n"
        << "total: " << total << " ms (" << (total > 0 ? count * 1000 / total : 0) << " files/s)\n"
        << "paints of the two windows during the run: " << paints.paints() << "\n"
        << "longest gap between paints: " << paints.longestGap() << " ms\n"
        << "gaps over 100 ms: " << paints.longGaps()
        << "\n"
        // Far less processor time than wall time means the machine was busy with other work meanwhile.
        << "processor time of the run: " << cpu * 1000 / CLOCKS_PER_SEC << " ms\n";
    delete FormMain;
    return 0;
}
