#include "uikit/prompts.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace
{
    Prompts::Hooks* s_hooks = nullptr;

    // Shows one modal box and returns the index of the pressed button in the order of the captions. The
    // buttons share one role so that the button box keeps them in that order on every desktop; Enter presses the
    // default button, and closing the box without a button (Escape, close box) presses the escape button.
    int ShowBox(QWidget* parent,
                const Prompts::Shown& shown,
                QMessageBox::Icon icon,
                const QStringList& captions,
                int defaultIndex,
                int escapeIndex)
    {
        if (s_hooks) {
            return s_hooks->answerMessage(shown);
        }
        QMessageBox box(icon, shown.title, QString(), QMessageBox::NoButton, parent);
        // Paths and user names in a message could pass for markup: the text is shown as it is.
        box.setTextFormat(Qt::PlainText);
        box.setText(shown.text);
        QList<QPushButton*> buttons;
        for (const QString& caption : captions) {
            buttons.append(box.addButton(caption, QMessageBox::ActionRole));
        }
        box.setDefaultButton(buttons.at(defaultIndex));
        box.setEscapeButton(buttons.at(escapeIndex));
        box.exec();
        const int pressed = static_cast<int>(buttons.indexOf(static_cast<QPushButton*>(box.clickedButton())));
        return pressed < 0 ? escapeIndex : pressed;
    }

    void ShowOk(QWidget* parent, Prompts::Kind kind, const QString& title, const QString& text, QMessageBox::Icon icon)
    {
        ShowBox(parent, {kind, title, text}, icon, {QStringLiteral("OK")}, 0, 0);
    }
} // namespace

namespace Prompts
{
    void Warning(QWidget* parent, const QString& text)
    {
        ShowOk(parent, Kind::Warning, QStringLiteral("Warning"), text, QMessageBox::Warning);
    }

    void Plain(QWidget* parent, const QString& title, const QString& text)
    {
        ShowOk(parent, Kind::Plain, title, text, QMessageBox::NoIcon);
    }

    void Information(QWidget* parent, const QString& text)
    {
        ShowOk(parent, Kind::Information, QStringLiteral("Information"), text, QMessageBox::Information);
    }

    Encrypthtml::RelockChoice ConfirmRelock(QWidget* parent, const QString& text)
    {
        static const Encrypthtml::RelockChoice choices[] = {Encrypthtml::RelockChoice::Yes,
                                                            Encrypthtml::RelockChoice::No,
                                                            Encrypthtml::RelockChoice::NoToAll,
                                                            Encrypthtml::RelockChoice::YesToAll};
        const int pressed = ShowBox(parent,
                                    {Kind::Confirm, QStringLiteral("Confirm"), text},
                                    QMessageBox::Question,
                                    {QStringLiteral("&Yes"),
                                     QStringLiteral("&No"),
                                     QStringLiteral("N&o to All"),
                                     QStringLiteral("Yes to &All")},
                                    0,
                                    0);
        // An answer outside the four buttons counts as Yes, like a box closed without a button.
        return pressed >= 0 && pressed < 4 ? choices[pressed] : Encrypthtml::RelockChoice::Yes;
    }

    bool WarningQuestion(QWidget* parent, const QString& text)
    {
        const int pressed = ShowBox(parent,
                                    {Kind::WarningQuestion, QStringLiteral("Warning"), text},
                                    QMessageBox::Warning,
                                    {QStringLiteral("&Yes"), QStringLiteral("&No")},
                                    1,
                                    1);
        return pressed == 0;
    }

    void Error(QWidget* parent, const QString& message)
    {
        const QString title = ApplicationTitle(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
        ShowOk(parent, Kind::Error, title, message + QLatin1Char('.'), QMessageBox::Critical);
    }

    QStringList OpenFileNames(QWidget* parent, const QString& filter)
    {
        if (s_hooks) {
            return s_hooks->answerOpenFileNames(filter);
        }
        return QFileDialog::getOpenFileNames(parent, QString(), QString(), filter);
    }

    QString OpenFileName(QWidget* parent, const QString& filter)
    {
        if (s_hooks) {
            const QStringList names = s_hooks->answerOpenFileNames(filter);
            return names.isEmpty() ? QString() : names.first();
        }
        return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
    }

    QString SaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix)
    {
        if (s_hooks) {
            return s_hooks->answerSaveFileName(filter, defaultSuffix);
        }
        // An instance rather than the static helper, which ignores the default suffix.
        QFileDialog dialog(parent);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setNameFilter(filter);
        dialog.setDefaultSuffix(defaultSuffix);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
        while (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            const QString name = dialog.selectedFiles().first();
            const QFileInfo info(name);
            if (!info.exists() || info.isWritable()) {
                return name;
            }
            // A read-only target would only fail later, after the user has moved on: refuse it here.
            Warning(parent,
                    QStringLiteral("%1\nThis file is set to read-only.\nTry again with a different file name.")
                        .arg(QDir::toNativeSeparators(name)));
        }
        return {};
    }

    QString ExistingDirectory(QWidget* parent, const QString& caption)
    {
        if (s_hooks) {
            return s_hooks->answerDirectory();
        }
        return QFileDialog::getExistingDirectory(parent, caption);
    }

    bool OpenUrl(const QUrl& url)
    {
        if (s_hooks) {
            return s_hooks->openUrl(url);
        }
        return QDesktopServices::openUrl(url);
    }

    bool OpenPath(const QString& path)
    {
        // A relative path (from a relative folder text) means the working folder's file, as the shell reads it.
        return OpenUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    }

    QString ApplicationTitle(const QString& programFileName)
    {
        const QString name = programFileName.section(QLatin1Char('.'), 0, 0);
        if (name.isEmpty()) {
            return name;
        }
        return name.left(1) + name.mid(1).toLower();
    }

    void SetHooks(Hooks* hooks)
    {
        s_hooks = hooks;
    }
} // namespace Prompts
