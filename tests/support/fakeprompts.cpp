#include "tests/support/fakeprompts.h"

namespace
{
    template <typename T> T TakeFirst(QList<T>& queue, T whenEmpty = T())
    {
        return queue.isEmpty() ? whenEmpty : queue.takeFirst();
    }
} // namespace

FakePrompts::FakePrompts()
{
    Prompts::SetHooks(this);
}

FakePrompts::~FakePrompts()
{
    Prompts::SetHooks(nullptr);
}

QStringList FakePrompts::shownTexts() const
{
    QStringList texts;
    for (const Prompts::Shown& s : shown) {
        texts.append(s.text);
    }
    return texts;
}

void FakePrompts::clear()
{
    shown.clear();
    confirmAnswers.clear();
    openFileAnswers.clear();
    saveFileAnswers.clear();
    directoryAnswers.clear();
    opened.clear();
}

int FakePrompts::answerMessage(const Prompts::Shown& s)
{
    shown.append(s);
    // 0 is Yes in a question and the only button of every other box; 1 is No.
    switch (s.kind) {
    case Prompts::Kind::Confirm:
        return TakeFirst(confirmAnswers, 0);
    case Prompts::Kind::WarningQuestion:
        return TakeFirst(confirmAnswers, 1);
    default:
        return 0;
    }
}

QStringList FakePrompts::answerOpenFileNames(const QString&)
{
    return TakeFirst(openFileAnswers);
}

QString FakePrompts::answerSaveFileName(const QString&, const QString&)
{
    return TakeFirst(saveFileAnswers);
}

QString FakePrompts::answerDirectory()
{
    return TakeFirst(directoryAnswers);
}

bool FakePrompts::openUrl(const QUrl& url)
{
    opened.append(url);
    return true;
}
