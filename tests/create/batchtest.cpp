// The batch run over a list of files, and the texts it reports, with real files in a temporary folder.

#include "jobs/batch.h"
#include "engine/userlogins.h"
#include "tests/support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Encrypthtml::LockStatus;
using Encrypthtml::RelockChoice;

namespace
{
    const QByteArray s_page = "<html><body><p>Hello</p></body></html>\r\n";

    class BatchTest : public ::testing::Test
    {
    protected:
        QTemporaryDir m_dir;

        QString path(const QString& name) const
        {
            return m_dir.filePath(name);
        }

        QString write(const QString& name, const QByteArray& content = s_page) const
        {
            QFile file(path(name));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(content);
            return file.fileName();
        }

        static QByteArray read(const QString& file)
        {
            return TestFiles::Read(file);
        }

        static bool isLocked(const QString& file)
        {
            return TestFiles::IsLocked(file);
        }

        static Batch::Settings settings(bool backup = false)
        {
            Batch::Settings s;
            s.password = "secret-7";
            s.backup = [backup] {
                return backup;
            };
            return s;
        }

        // Runs the batch; every relock question takes the next answer and is recorded.
        Batch::Result run(const QStringList& paths,
                          const Batch::Settings& s,
                          std::vector<RelockChoice> answers = {},
                          std::vector<std::string>* questions = nullptr)
        {
            std::size_t next = 0;
            const auto ask = [&](const std::string& question) {
                if (questions != nullptr) {
                    questions->push_back(question);
                }
                return next < answers.size() ? answers[next++] : RelockChoice::Yes;
            };
            m_done.clear();
            return Batch::Run(paths, s, ask, [this](int index, const Batch::FileResult& file) {
                m_done.push_back({index, file.locked});
            });
        }

        std::vector<std::pair<int, bool>> m_done;
    };

    TEST_F(BatchTest, LocksEveryFileInOrderAndSkipsMissingOnesSilently)
    {
        const QStringList paths = {write("a.html"), path("gone.html"), write("c.html")};
        const Batch::Result result = run(paths, settings());

        EXPECT_EQ(result.count, 2);
        ASSERT_EQ(result.files.size(), 3u);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(result.files[i].path, paths[i]);
        }
        EXPECT_TRUE(result.files[0].locked);
        EXPECT_FALSE(result.files[1].locked);
        EXPECT_EQ(result.files[1].report.status, LockStatus::Missing);
        EXPECT_FALSE(result.files[1].isFailure());
        EXPECT_TRUE(result.files[2].locked);
        EXPECT_TRUE(isLocked(paths[0]));
        EXPECT_TRUE(isLocked(paths[2]));
        EXPECT_FALSE(QFile::exists(paths[1]));
        // The callback hears of every file, in order, once.
        const std::vector<std::pair<int, bool>> expected = {{0, true}, {1, false}, {2, true}};
        EXPECT_EQ(m_done, expected);
        EXPECT_TRUE(Batch::FailureText(result).isEmpty());
    }

    TEST_F(BatchTest, EmptyListLocksNothing)
    {
        const Batch::Result result = run({}, settings());
        EXPECT_EQ(result.count, 0);
        EXPECT_TRUE(result.files.empty());
        EXPECT_EQ(Batch::CountText(result.count), QStringLiteral("0 file(s) have been encrypted."));
    }

    TEST_F(BatchTest, CountTextSeparatesTheNumberWithOneBlank)
    {
        EXPECT_EQ(Batch::CountText(3), QStringLiteral("3 file(s) have been encrypted."));
        EXPECT_EQ(Batch::CountText(10000), QStringLiteral("10000 file(s) have been encrypted."));
    }

    // Four files of which the first three are already locked and the last is not.
    TEST_F(BatchTest, NoToAllSkipsTheRestOfTheRunAndTheNextRunAsksAgain)
    {
        const QStringList paths = {write("a.html"), write("b.html"), write("c.html"), write("d.html")};
        run(paths.mid(0, 3), settings());
        const QByteArray lockedB = read(paths[1]);

        std::vector<std::string> questions;
        Batch::Result result = run(paths, settings(), {RelockChoice::NoToAll}, &questions);
        EXPECT_EQ(questions.size(), 1u);
        EXPECT_NE(questions[0].find(QFile::encodeName(paths[0]).toStdString()), std::string::npos);
        EXPECT_EQ(result.count, 1);
        EXPECT_TRUE(result.files[3].locked);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(result.files[i].report.status, LockStatus::Declined) << i;
            EXPECT_FALSE(result.files[i].isFailure());
        }
        EXPECT_EQ(read(paths[1]), lockedB);

        // A new run starts at "ask" again.
        questions.clear();
        result = run(
            paths, settings(), {RelockChoice::No, RelockChoice::No, RelockChoice::No, RelockChoice::No}, &questions);
        EXPECT_EQ(questions.size(), 4u);
        EXPECT_EQ(result.count, 0);
    }

    TEST_F(BatchTest, YesToAllRelocksTheRestOfTheRunWithoutAsking)
    {
        const QStringList paths = {write("a.html"), write("b.html"), write("c.html")};
        run(paths, settings());
        const QByteArray once = read(paths[2]);

        std::vector<std::string> questions;
        Batch::Result result = run(paths, settings(), {RelockChoice::YesToAll}, &questions);
        EXPECT_EQ(questions.size(), 1u);
        EXPECT_EQ(result.count, 3);
        EXPECT_NE(read(paths[2]), once);
        EXPECT_TRUE(isLocked(paths[2]));

        // No answers a single file and keeps asking for the next.
        questions.clear();
        result = run(paths, settings(), {RelockChoice::No, RelockChoice::Yes, RelockChoice::No}, &questions);
        EXPECT_EQ(questions.size(), 3u);
        EXPECT_EQ(result.count, 1);
        EXPECT_TRUE(result.files[1].locked);
    }

    TEST_F(BatchTest, BackupFlagIsReadBeforeEachFile)
    {
        const QStringList paths = {write("a.html"), write("b.html"), write("c.html")};
        Batch::Settings s = settings();
        int asked = 0;
        s.backup = [&asked] {
            return asked++ % 2 == 0; // on, off, on
        };
        run(paths, s);
        EXPECT_EQ(asked, 3);
        EXPECT_EQ(read(paths[0] + ".bak"), s_page);
        EXPECT_FALSE(QFile::exists(paths[1] + ".bak"));
        EXPECT_EQ(read(paths[2] + ".bak"), s_page);
    }

    TEST_F(BatchTest, BackupOffMakesNoCopies)
    {
        const QStringList paths = {write("a.html"), write("b.html")};
        run(paths, settings(false));
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files).size(), 2);
    }

    // Files the locker cannot read, or whose backup it cannot make, are left as they were and named with why.
    TEST_F(BatchTest, ReadAndWriteFailuresAreListedWithTheirReasons)
    {
        ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder.html")));
        const QString unreadable = path("folder.html");
        const QString noBackup = write("b.html");
        ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("b.html.bak/inside")));
        const QString fine = write("c.html");

        const Batch::Result result = run({unreadable, noBackup, fine}, settings(true));

        EXPECT_EQ(result.count, 1);
        EXPECT_EQ(result.files[0].report.status, LockStatus::ReadFailed);
        EXPECT_EQ(result.files[1].report.status, LockStatus::BackupFailed);
        EXPECT_TRUE(result.files[0].isFailure());
        EXPECT_TRUE(result.files[1].isFailure());
        EXPECT_EQ(read(noBackup), s_page);

        const QString text = Batch::FailureText(result);
        EXPECT_TRUE(text.startsWith(QStringLiteral("These 2 files could not be locked:"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QDir::toNativeSeparators(unreadable) + QStringLiteral(": could not be read")));
        EXPECT_TRUE(text.contains(QDir::toNativeSeparators(noBackup) + QStringLiteral(": its backup copy")));
        EXPECT_FALSE(text.contains(QDir::toNativeSeparators(fine)));
    }

    TEST_F(BatchTest, WriteFailureIsListed)
    {
        // A read-only page is refused by the locker (its own test has the cases); the batch names it.
        const QString readOnly = write("a.html");
        ASSERT_TRUE(
            QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        const Batch::Result result = run({readOnly}, settings());
        EXPECT_EQ(result.count, 0);
        EXPECT_EQ(result.files[0].report.status, LockStatus::WriteFailed);
        EXPECT_TRUE(Batch::FailureText(result).startsWith(QStringLiteral("This file could not be locked:\n\n")
                                                          + QDir::toNativeSeparators(readOnly)
                                                          + QStringLiteral(": could not be written")));
        EXPECT_EQ(read(readOnly), s_page);
    }

    TEST_F(BatchTest, FailureListIsCutShortWithACount)
    {
        Batch::Result result;
        for (int i = 0; i < 5; ++i) {
            Batch::FileResult file;
            file.path = QStringLiteral("/site/p%1.html").arg(i);
            file.report.status = LockStatus::ReadFailed;
            result.files.push_back(file);
        }
        const QString text = Batch::FailureText(result, 3);
        EXPECT_TRUE(text.contains(QStringLiteral("p2.html")));
        EXPECT_FALSE(text.contains(QStringLiteral("p3.html")));
        EXPECT_TRUE(text.endsWith(QStringLiteral("\n... and 2 more.")));
    }

    // A page locked again keeps a backup that holds it unlocked, the only plain copy, and the run names it; a
    // backup that holds a locked page, or a new one, is made as usual.
    TEST_F(BatchTest, PlainBackupsOfRelockedPagesAreKeptAndNamed)
    {
        const QString plainBackup = write("a.html");
        const QString lockedBackup = write("b.html");
        run({plainBackup}, settings(true));
        run({lockedBackup}, settings(false));
        const QByteArray lockedB = read(lockedBackup);
        const QString fresh = write("c.html");

        const Batch::Result result = run({plainBackup, lockedBackup, fresh}, settings(true));

        EXPECT_EQ(result.count, 3);
        EXPECT_TRUE(result.files[0].report.backupKept);
        EXPECT_FALSE(result.files[1].report.backupKept);
        EXPECT_FALSE(result.files[2].report.backupKept);
        EXPECT_EQ(read(plainBackup + ".bak"), s_page);
        EXPECT_EQ(read(lockedBackup + ".bak"), lockedB);
        EXPECT_EQ(read(fresh + ".bak"), s_page);
        EXPECT_EQ(Batch::KeptBackupsText(result),
                  QStringLiteral("These backup files hold their pages unlocked and were kept as they are; the pages "
                                 "were locked again without a new backup:\n\n")
                      + QDir::toNativeSeparators(plainBackup + ".bak"));

        // Relocked once more, the plain copy is still kept; a run that made every backup anew names none.
        EXPECT_FALSE(Batch::KeptBackupsText(run({plainBackup}, settings(true))).isEmpty());
        EXPECT_EQ(read(plainBackup + ".bak"), s_page);
        EXPECT_TRUE(Batch::KeptBackupsText(run({write("d.html")}, settings(true))).isEmpty());
    }

    const QString s_omittedHeading =
        QStringLiteral("These users were left out of the locked pages and cannot log in:\n\n");

    // The locker's own omissions: a user whose name and password are too long for the page, named once however many
    // pages left them out.
    TEST_F(BatchTest, OmittedUsersAreNamedOnceWithWhy)
    {
        const QString longName(250, QLatin1Char('n'));
        Batch::Settings s = settings();
        s.passwordType = Encrypthtml::UserPassword;
        s.userList = {"anna\tanna-pass-1", QStringLiteral("%1\tlong-pass-1").arg(longName).toStdString()};

        const Batch::Result result = run({write("a.html"), write("b.html")}, s);
        EXPECT_EQ(result.count, 2);
        EXPECT_EQ(Batch::OmittedUsersText(result),
                  s_omittedHeading + longName + QStringLiteral(": ")
                      + QString::fromStdString(UserLogins::BarText(UserLogins::Bar::KeyUnusable)));

        s.userList.pop_back();
        EXPECT_TRUE(Batch::OmittedUsersText(run({write("c.html")}, s)).isEmpty());
    }

    TEST_F(BatchTest, UsersLeftOutBeforeLockingComeFirstWithTheirReasons)
    {
        const QString longName(250, QLatin1Char('n'));
        Batch::Settings s = settings();
        s.passwordType = Encrypthtml::UserPassword;
        s.userList = {QStringLiteral("%1\tlong-pass-1").arg(longName).toStdString()};
        const QString before = QStringLiteral(u"\u5f20\u4e09: the page reads a character of the name as a TAB");
        s.leftOutUsers = {before};

        EXPECT_EQ(Batch::OmittedUsersText(run({write("a.html")}, s)),
                  s_omittedHeading + before + QLatin1Char('\n') + longName + QStringLiteral(": ")
                      + QString::fromStdString(UserLogins::BarText(UserLogins::Bar::KeyUnusable)));

        // Nothing locked, or a single-password run, locks no user out of any page.
        EXPECT_TRUE(Batch::OmittedUsersText(run({QStringLiteral("/no/such/page.html")}, s)).isEmpty());
        s.passwordType = Encrypthtml::SinglePassword;
        s.userList.clear();
        EXPECT_TRUE(Batch::OmittedUsersText(run({write("b.html")}, s)).isEmpty());
    }
} // namespace
