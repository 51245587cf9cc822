#pragma once

// Every message box, file dialog, folder chooser and "open with the desktop" request of the program goes
// through these functions, so there is one place for each kind of box and tests can answer them.

#include "engine/encrypthtml.h"

#include <QString>
#include <QStringList>
#include <QUrl>

class QWidget;

namespace Prompts
{
    enum class Kind
    {
        Warning, // title "Warning", warning icon, OK: rejected input
        Plain, // caller's title ("Error!" or "Warning"), no icon, OK
        Information, // title "Information", information icon, OK
        Confirm, // title "Confirm", question icon, "&Yes", "&No", "N&o to All", "Yes to &All"
        WarningQuestion, // title "Warning", warning icon, "&Yes", "&No"; No is the default and the escape
        Error // the application's standard error display: message + ".", error icon, OK
    };

    struct Shown
    {
        Kind kind;
        QString title;
        QString text;
    };

    void Warning(QWidget* parent, const QString& text);
    void Plain(QWidget* parent, const QString& title, const QString& text);
    void Information(QWidget* parent, const QString& text);
    Encrypthtml::RelockChoice ConfirmRelock(QWidget* parent, const QString& text);
    // Asks before a step the user may not mean to take; true only for Yes (Enter and Escape answer No).
    bool WarningQuestion(QWidget* parent, const QString& text);
    void Error(QWidget* parent, const QString& message);

    // File dialogs; an empty result means the user cancelled. Filters are in Qt's form ("A (*.x);;B (*)").
    QStringList OpenFileNames(QWidget* parent, const QString& filter);
    QString OpenFileName(QWidget* parent, const QString& filter);
    // Asks before replacing an existing file; appends defaultSuffix when the typed name has no extension.
    QString SaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix);
    QString ExistingDirectory(QWidget* parent, const QString& caption);

    // Opens a local path or an address (http:, mailto:) with the desktop's associated program.
    bool OpenUrl(const QUrl& url);
    bool OpenPath(const QString& path);

    // The application's title for error boxes: the program file's name up to its first ".", every letter
    // after the first in lower case.
    QString ApplicationTitle(const QString& programFileName);

    // Test seam: while hooks are installed no real dialog opens and the hooks answer instead.
    class Hooks
    {
    public:
        virtual ~Hooks() = default;
        // Returns the button pressed: for Confirm 0 Yes, 1 No, 2 No to All, 3 Yes to All; for WarningQuestion 0 Yes,
        // 1 No; ignored otherwise.
        virtual int answerMessage(const Shown& shown) = 0;
        virtual QStringList answerOpenFileNames(const QString& filter) = 0;
        virtual QString answerSaveFileName(const QString& filter, const QString& defaultSuffix) = 0;
        virtual QString answerDirectory() = 0;
        virtual bool openUrl(const QUrl& url) = 0;
    };
    void SetHooks(Hooks* hooks);
} // namespace Prompts
