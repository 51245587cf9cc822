#pragma once

// Answers the program's prompts in tests: records every box shown and hands out queued answers.
// Installs itself on construction and uninstalls on destruction. An empty queue answers "cancel"
// (no file, no folder) and, for a question, what closing its box answers: Yes to the relock question, No to a
// warning question.

#include "uikit/prompts.h"

#include <QList>

class FakePrompts : public Prompts::Hooks
{
public:
    FakePrompts();
    ~FakePrompts() override;

    QList<Prompts::Shown> shown;
    QList<int> confirmAnswers; // the buttons pressed in the questions (Confirm, WarningQuestion), in the order asked
    QList<QStringList> openFileAnswers; // for OpenFileNames and OpenFileName (first name)
    QStringList saveFileAnswers;
    QStringList directoryAnswers;
    QList<QUrl> opened;

    QStringList shownTexts() const;
    void clear();

    int answerMessage(const Prompts::Shown& s) override;
    QStringList answerOpenFileNames(const QString& filter) override;
    QString answerSaveFileName(const QString& filter, const QString& defaultSuffix) override;
    QString answerDirectory() override;
    bool openUrl(const QUrl& url) override;
};
