// Create and the sample password: the password boxes start with the password of the shipped sample pages, which
// every copy of the program shows, so Create asks before it locks pages with it.

#include "engine/encrypthtml.h"
#include "jobs/progressbar.h"
#include "tests/support/fakeprompts.h"
#include "tests/support/testfiles.h"
#include "ui/main.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace
{
    const QString s_question = QStringLiteral("The pages would open with the sample password \"pvkmsto\" that every "
                                              "copy of this program shows. Lock them with it anyway?");
    const QString s_lockedOne = QStringLiteral("1 file(s) have been encrypted.");
    const QByteArray s_page = "<html><body><p>Our own page</p></body></html>\r\n";
} // namespace

class SamplePasswordTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void createAsksOnlyBeforeLockingWithTheSamplePassword_data();
    void createAsksOnlyBeforeLockingWithTheSamplePassword();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakePrompts> m_prompts;
    std::unique_ptr<TFormMain> m_window;
};

void SamplePasswordTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_prompts = std::make_unique<FakePrompts>();
    m_window = std::make_unique<TFormMain>();
}

void SamplePasswordTest::cleanup()
{
    m_window.reset();
    m_prompts.reset();
    m_dir.reset();
}

void SamplePasswordTest::createAsksOnlyBeforeLockingWithTheSamplePassword_data()
{
    // A null text leaves its box as the window starts.
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("single");
    QTest::addColumn<QString>("master");
    QTest::addColumn<bool>("asks");
    const QString own = QStringLiteral("own-pass");
    QTest::newRow("The boxes as they start") << int(Encrypthtml::SinglePassword) << QString() << QString() << true;
    QTest::newRow("Blanks around it still lock with it")
        << int(Encrypthtml::SinglePassword) << QStringLiteral(" pvkmsto\t") << own << true;
    QTest::newRow("User mode with the master password as it starts")
        << int(Encrypthtml::UserPassword) << own << QString() << true;
    QTest::newRow("A password of one's own") << int(Encrypthtml::SinglePassword) << own << QString() << false;
    QTest::newRow("User mode locks with the master password only")
        << int(Encrypthtml::UserPassword) << QString() << own << false;
    QTest::newRow("Other letter case is another password")
        << int(Encrypthtml::SinglePassword) << QStringLiteral("PVKMSTO") << QString() << false;
}

void SamplePasswordTest::createAsksOnlyBeforeLockingWithTheSamplePassword()
{
    QFETCH(int, type);
    QFETCH(QString, single);
    QFETCH(QString, master);
    QFETCH(bool, asks);
    const QString page = m_dir->filePath(QStringLiteral("index.html"));
    QVERIFY(TestFiles::Write(page, s_page));
    m_window->FileList.add(page);
    m_window->CmbPasswordType->setCurrentIndex(type == Encrypthtml::SinglePassword ? 0 : 1);
    m_window->CmbPasswordTypeChange();
    if (!single.isNull()) {
        m_window->EditPassword->setText(single);
    }
    if (!master.isNull()) {
        m_window->EditMasterPassword->setText(master);
    }
    // User mode locks nothing for a list in which nobody could log in.
    m_window->UserList.append(UserList::makeEntry(QStringLiteral("anna"), QStringLiteral("anna-pass")));
    // Backups are on, as at start: an answer of No must not leave one behind either.
    QVERIFY(m_window->ChkBackupFile->isChecked());

    if (asks) {
        m_prompts->confirmAnswers = {1};
        m_window->BtnCreate->click();
        QCOMPARE(m_prompts->shown.size(), 1);
        QCOMPARE(m_prompts->shown.first().kind, Prompts::Kind::WarningQuestion);
        QCOMPARE(m_prompts->shown.first().title, QStringLiteral("Warning"));
        QCOMPARE(m_prompts->shown.first().text, s_question);
        QCOMPARE(TestFiles::Read(page), s_page);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("index.html")});
        QCOMPARE(m_window->LvwFileShow->topLevelItemCount(), 0);
        QVERIFY(!FormProgressBar);
        m_prompts->clear();
        m_prompts->confirmAnswers = {0};
    }

    m_window->BtnCreate->click();
    QCOMPARE(m_prompts->shownTexts(), asks ? QStringList({s_question, s_lockedOne}) : QStringList{s_lockedOne});
    QVERIFY(TestFiles::IsLocked(page));
    QCOMPARE(m_window->LvwFileShow->topLevelItemCount(), 1);
}

QTEST_MAIN(SamplePasswordTest)
#include "samplepasswordtest.moc"
