#include "tests/support/fakeprompts.h"

namespace
{
    template <typename T> T TakeFirst(QList<T>& queue)
    {
        return queue.isEmpty() ? T() : queue.takeFirst();
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
    // 0 is Yes for the relock question and the only button of every other box.
    return s.kind == Prompts::Kind::Confirm ? TakeFirst(confirmAnswers) : 0;
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
