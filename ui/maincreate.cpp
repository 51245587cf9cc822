// Batch creation: locking every listed file with the chosen settings.

#include "jobs/batch.h"
#include "jobs/filerow.h"
#include "jobs/progressbar.h"
#include "settings/passwordsettings.h"
#include "settings/userlist.h"
#include "ui/main.h"
#include "uikit/prompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QTimer>
#include <QTreeWidget>

#include <atomic>
#include <exception>
#include <memory>
#include <optional>
#include <thread>

namespace
{
    // How long the windows may go without a repaint while a batch runs.
    constexpr qint64 s_repaintInterval = 40; // ms

    bool IsUserInput(QEvent::Type type)
    {
        switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::ContextMenu:
            return true;
        default:
            return false;
        }
    }

    // While a batch runs the windows are repainted but take no input: input that arrives meanwhile (and a
    // click on a close box) is dropped rather than acted on after the run. Only a modal box, the relock
    // question, takes input, and the window let through with open() (the progress window while the keys of a
    // strong run are derived, so that they can be cancelled).
    class InputBlocker : public QObject
    {
    public:
        // Lets input reach window (nullptr: none).
        void open(QWidget* window)
        {
            m_open = window;
        }

        InputBlocker()
        {
            qApp->installEventFilter(this);
        }

        ~InputBlocker() override
        {
            // Input held back by the repaints is delivered now, and dropped here, before the filter goes.
            QCoreApplication::processEvents();
            qApp->removeEventFilter(this);
        }

        bool eventFilter(QObject* watched, QEvent* event) override
        {
            auto* widget = qobject_cast<QWidget*>(watched);
            const bool blocked = IsUserInput(event->type()) || (event->type() == QEvent::Close && event->spontaneous());
            if (!widget || !blocked) {
                return false;
            }
            const QWidget* modal = QApplication::activeModalWidget();
            if (m_open && (widget == m_open || m_open->isAncestorOf(widget))) {
                return false;
            }
            return !modal || (widget != modal && !modal->isAncestorOf(widget));
        }

    private:
        QPointer<QWidget> m_open;
    };

    // Shows the progress window for one run and destroys it at the end of the run, however the run ends.
    class ProgressWindow
    {
    public:
        ProgressWindow(QWidget* owner, int fileCount)
        {
            FormProgressBar = new TFormProgressBar(owner);
            FormProgressBar->showFiles(fileCount);
            FormProgressBar->show();
        }

        ~ProgressWindow()
        {
            delete FormProgressBar;
            FormProgressBar = nullptr;
        }

        ProgressWindow(const ProgressWindow&) = delete;
        ProgressWindow& operator=(const ProgressWindow&) = delete;
    };

    // The rows and the bar position of a run, handed to the windows at each repaint rather than one by one.
    class RunView
    {
    public:
        explicit RunView(QTreeWidget* rows) : m_rows(rows)
        {
            m_sinceRepaint.start();
        }

        ~RunView()
        {
            qDeleteAll(m_pending);
        }

        void fileLocked(int index, const QString& path)
        {
            m_pending.append(FileRow::NewItem(path));
            m_position = index + 1;
        }

        // Brings both windows up to date and lets them paint; throttled unless forced.
        void repaint(bool force)
        {
            if (!force && m_sinceRepaint.elapsed() < s_repaintInterval) {
                return;
            }
            flush();
            // Pending window-system events first (exposure, moves), then paint both windows at once: the
            // platform's own update requests may wait for a later turn of the event loop.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            m_rows->window()->repaint();
            FormProgressBar->repaint();
            m_sinceRepaint.restart();
        }

        // Puts the waiting rows into the list and the bar at its position.
        void flush()
        {
            if (!m_pending.isEmpty()) {
                m_rows->addTopLevelItems(m_pending);
                m_pending.clear();
            }
            FormProgressBar->ProgressBarCreate->setValue(m_position);
        }

    private:
        QTreeWidget* m_rows;
        QList<QTreeWidgetItem*> m_pending;
        int m_position = 0;
        QElapsedTimer m_sinceRepaint;
    };

    // Makes the strong run of a batch: the keys are derived on a worker thread (Strong::Run spreads them over
    // every core) while this thread keeps the windows painted and the progress window's Cancel working. Nothing,
    // with the reason, when no run was made; the reason is empty when the user cancelled. An exception from the
    // worker is thrown again here, after the worker has ended.
    std::optional<Strong::Run> DeriveStrongRun(Strong::RunOptions options, InputBlocker& blocker, QString& reason)
    {
        std::atomic<std::size_t> derived = 0;
        std::atomic<bool> stop = false;
        options.progress = [&derived, &stop](std::size_t done, std::size_t) {
            derived = done;
            return !stop;
        };
        FormProgressBar->showDerivation(static_cast<int>(options.users.size() + 1));
        blocker.open(FormProgressBar);

        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&derived, &stop] {
            FormProgressBar->ProgressBarCreate->setValue(static_cast<int>(derived.load()));
            stop = stop || FormProgressBar->cancelRequested();
        });
        poll.start(s_repaintInterval);

        std::optional<Strong::Run> run;
        std::string error;
        std::exception_ptr failure;
        std::thread worker([&] {
            try {
                run = Strong::Run::make(options, error);
            } catch (...) {
                failure = std::current_exception();
            }
            // Queued, so it ends the loop even when the worker finishes before the loop has started.
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        loop.exec();
        worker.join();
        poll.stop();
        blocker.open(nullptr);
        if (failure) {
            std::rethrow_exception(failure);
        }
        if (!run) {
            reason = stop ? QString() : QString::fromStdString(error);
        }
        return run;
    }
} // namespace

void TFormMain::BtnCreateClick()
{
    const QString password = EffectivePassword();
    if (!PasswordSettings::IsLengthValid(password)) {
        Prompts::Warning(this, PasswordSettings::LengthMessage());
        return;
    }
    if (!confirmLockPassword(password)) {
        return;
    }

    Batch::Settings settings;
    settings.password = PasswordSettings::ToEngineBytes(password);
    settings.backup = [this] {
        return ChkBackupFile->isChecked();
    };
    settings.protectionType = ProtectionType;
    settings.pageColor = PageColor;
    settings.passwordType = PasswordType;
    const bool strongPages = Encryption == Batch::Encryption::Strong;
    // Who of the user list can log in is decided by the command's rule, for the format of the run: a user who never
    // could is left out and named after the run, and a list the pages cannot take (nobody could log in, or a name
    // given twice on strong pages) locks nothing.
    const UserList::Logins logins =
        UserList.logins(strongPages ? UserLogins::Format::Strong : UserLogins::Format::Classic);
    if (PasswordType == Encrypthtml::UserPassword) {
        if (logins.refusal) {
            Prompts::Warning(this, *logins.refusal);
            return;
        }
        settings.leftOutUsers = logins.leftOut;
    }
    // A strong run holds the keys of every user itself (see below): the classic page's user entries are not needed.
    if (!strongPages) {
        settings.userList = logins.engineEntries();
    }

    std::optional<Strong::Run> strong;
    bool noRun = false; // a strong batch whose run was not made touches no file
    QString notMade; // why (empty: the user cancelled)
    Batch::Result result;
    {
        InputBlocker blocker;
        const ProgressWindow progress(this, FileList.count());
        if (strongPages) {
            const QStringList users = PasswordType == Encrypthtml::UserPassword ? logins.entries : QStringList();
            strong = DeriveStrongRun(Batch::StrongRunOptions(password, users), blocker, notMade);
            settings.strong = strong ? &*strong : nullptr;
            noRun = !strong;
            FormProgressBar->showFiles(FileList.count());
        }
        if (!noRun) {
            LvwFileShow->clear();
            RunView view(LvwFileShow);
            view.repaint(true);
            const auto ask = [this, &view](const std::string& question) {
                view.flush();
                return Prompts::ConfirmRelock(this, QString::fromStdString(question));
            };
            result = Batch::Run(FileList.paths(), settings, ask, [&view](int index, const Batch::FileResult& file) {
                if (file.locked) {
                    view.fileLocked(index, file.path);
                }
                view.repaint(false);
            });
            view.flush();
        }
    }

    if (noRun) {
        if (notMade.isEmpty()) {
            Prompts::Information(this, QStringLiteral("Cancelled: no file has been changed."));
        } else {
            Prompts::Warning(
                this,
                QStringLiteral("The keys of the strong pages could not be made (%1). No file has been changed.")
                    .arg(notMade));
        }
        return;
    }
    Prompts::Information(this, Batch::CountText(result.count));
    const QString kept = Batch::KeptBackupsText(result);
    if (!kept.isEmpty()) {
        Prompts::Information(this, kept);
    }
    for (const QString& warning : {Batch::FailureText(result), Batch::OmittedUsersText(result)}) {
        if (!warning.isEmpty()) {
            Prompts::Warning(this, warning);
        }
    }
}
