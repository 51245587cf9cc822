// The whole job through the wizard, as a user does it: files added on "Step 1", user/password mode with a master
// password and two users added through the user dialog, Session protection and the Blue colour, Create. The
// locked pages and what the wizard told the user are left in QUILLGATE_E2E_DIR for the browser half of the test
// (endtoend.test.mjs). Then Create runs twice more over the same files for the relock question; the backups of
// the first run ("Create backup files" is on from the start) hold the pages unlocked and are kept. Last, the same
// job with Strong encryption chosen on "Step 3" locks new files, left in QUILLGATE_E2E_DIR/strong.

#include "settings/userpassword.h"
#include "tests/engine/strongreader.h"
#include "tests/support/fakeprompts.h"
#include "tests/support/testfiles.h"
#include "ui/application.h"
#include "ui/main.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <string>

namespace
{
    const QString s_master = QStringLiteral("Quill-master-42");
    const QList<QPair<QString, QString>> s_users = {
        {QStringLiteral("alice"), QStringLiteral("Alice-Pass1")},
        {QStringLiteral("bruno"), QStringLiteral("Bruno-Pass22")},
    };
    const QStringList s_pages = {
        QStringLiteral("about.html"), QStringLiteral("index.html"), QStringLiteral("news.html")};

    QByteArray Content(const QString& name)
    {
        return QStringLiteral(
                   "<html><head><title>%1</title></head><body><h1 id=\"content\">Page %1</h1></body></html>\r\n")
            .arg(name)
            .toLatin1();
    }

    using TestFiles::Read;

    // Writes the test's pages into folder; returns their paths in the order of s_pages.
    QStringList WritePages(const QString& folder)
    {
        QStringList paths;
        for (const QString& name : s_pages) {
            const QString path = QDir(folder).filePath(name);
            if (!TestFiles::Write(path, Content(name))) {
                qFatal("cannot write the fixture %s", qPrintable(path));
            }
            paths.append(path);
        }
        return paths;
    }

    void WriteJob(const QString& path, const QJsonObject& job)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write(QJsonDocument(job).toJson()) > 0);
    }
} // namespace

class EndToEndTest : public QObject
{
    Q_OBJECT

private:
    FakePrompts m_prompts;

    static void back(QWidget* expectedPage)
    {
        QVERIFY(FormMain->BtnBack->isEnabled());
        QTest::mouseClick(FormMain->BtnBack, Qt::LeftButton);
        QTRY_VERIFY(expectedPage->isVisible());
    }

    static void next(QWidget* expectedPage)
    {
        QVERIFY(FormMain->BtnNext->isEnabled());
        QTest::mouseClick(FormMain->BtnNext, Qt::LeftButton);
        QTRY_VERIFY(expectedPage->isVisible());
    }

    static void choose(QComboBox* box, int index)
    {
        box->setFocus();
        while (box->currentIndex() < index) {
            QTest::keyClick(box, Qt::Key_Down);
        }
        QCOMPARE(box->currentIndex(), index);
    }

    // Adds a user through the dialog, typed as a user types: the dialog is modal, so it is filled from inside its
    // own event loop.
    static void addUser(const QString& name, const QString& password)
    {
        bool done = false;
        QTimer::singleShot(0, FormUserPassword, [&] {
            QTRY_VERIFY(FormUserPassword->isVisible());
            auto* user = FormUserPassword->findChild<QLineEdit*>(QStringLiteral("LblUser"));
            auto* pass = FormUserPassword->findChild<QLineEdit*>(QStringLiteral("LblPassword"));
            auto* ok = FormUserPassword->findChild<QPushButton*>(QStringLiteral("BtnOk"));
            QVERIFY(user && pass && ok);
            QTest::keyClicks(user, name);
            QTest::keyClicks(pass, password);
            QTest::mouseClick(ok, Qt::LeftButton);
            done = true;
        });
        QTest::mouseClick(FormMain->TbnAddUser, Qt::LeftButton);
        QTRY_VERIFY(done);
        QTRY_VERIFY(!FormUserPassword->isVisible());
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        QVERIFY(Startup::CreateWindows());
        FormMain->show();
        QVERIFY(QTest::qWaitForWindowExposed(FormMain));
    }

    void cleanupTestCase()
    {
        delete FormMain;
    }

    void wizardLocksTheFilesAndAsksBeforeLockingThemAgain()
    {
        const QString outputDir = qEnvironmentVariable("QUILLGATE_E2E_DIR");
        QVERIFY2(!outputDir.isEmpty(), "QUILLGATE_E2E_DIR is not set; run this test through ctest");
        QDir output(outputDir);
        QVERIFY(output.removeRecursively());
        QVERIFY(QDir().mkpath(outputDir + QStringLiteral("/site")));

        QTemporaryDir work;
        QVERIFY(work.isValid());
        const QStringList paths = WritePages(work.path());

        // Welcome, then "Step 1": the files.
        QVERIFY(FormMain->PnlStep0->isVisible());
        const QString singlePreview = FormMain->LblPreviewPassword->text();
        next(FormMain->PnlStep1);
        m_prompts.openFileAnswers = {paths};
        QTest::mouseClick(FormMain->TbnAddFile, Qt::LeftButton);
        QCOMPARE(FormMain->LvwFileList->topLevelItemCount(), 3);

        // "Step 2": user/password with a master password.
        next(FormMain->PnlStep2);
        choose(FormMain->CmbPasswordType, 1);
        QTRY_VERIFY(FormMain->EditMasterPassword->isVisible());
        // The boxes come filled in: the user selects their text and types over it.
        for (QLineEdit* box : {FormMain->EditMasterPassword, FormMain->EditConfirmMasterPassword}) {
            QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(box, s_master);
            QCOMPARE(box->text(), s_master);
        }

        // The user list.
        next(FormMain->PnlUserList);
        for (const auto& [name, password] : s_users) {
            addUser(name, password);
        }
        QCOMPARE(FormMain->LvwUserList->topLevelItemCount(), 2);

        // "Step 3": Session, Blue.
        next(FormMain->PnlStep3);
        choose(FormMain->CmbProtectionType, 1);
        choose(FormMain->CmbPageColor, 3);
        QCOMPARE(FormMain->ProtectionType, 1001);
        QCOMPARE(FormMain->PageColor, 0xFF0000);
        const QString userPreview = FormMain->LblPreviewPassword->text();

        // "Step 4": Create.
        next(FormMain->PnlStep4);
        QVERIFY(m_prompts.shown.isEmpty());
        QTest::mouseClick(FormMain->BtnCreate, Qt::LeftButton);
        QCOMPARE(m_prompts.shownTexts(), QStringList{QStringLiteral("3 file(s) have been encrypted.")});
        QCOMPARE(FormMain->LvwFileShow->topLevelItemCount(), 3);

        QJsonArray users;
        for (const auto& [name, password] : s_users) {
            users.append(QJsonArray{name, password});
        }
        QList<QByteArray> locked;
        for (int i = 0; i < paths.size(); ++i) {
            locked.append(Read(paths.at(i)));
            QVERIFY(QFile::copy(paths.at(i), output.filePath(QStringLiteral("site/") + s_pages.at(i))));
        }
        const QJsonObject job{{QStringLiteral("pages"), QJsonArray::fromStringList(s_pages)},
                              {QStringLiteral("users"), users},
                              {QStringLiteral("master"), s_master},
                              {QStringLiteral("singlePreview"), singlePreview},
                              {QStringLiteral("userPreview"), userPreview}};
        WriteJob(output.filePath(QStringLiteral("job.json")), job);

        // Again: No to All at the first file leaves all three as they are.
        m_prompts.clear();
        m_prompts.confirmAnswers = {2};
        QTest::mouseClick(FormMain->BtnCreate, Qt::LeftButton);
        QCOMPARE(m_prompts.shown.size(), 2);
        QCOMPARE(m_prompts.shown.at(0).kind, Prompts::Kind::Confirm);
        QVERIFY(m_prompts.shown.at(0).text.contains(paths.first()));
        QCOMPARE(m_prompts.shown.at(1).text, QStringLiteral("0 file(s) have been encrypted."));
        for (int i = 0; i < paths.size(); ++i) {
            QCOMPARE(Read(paths.at(i)), locked.at(i));
        }

        // And again: the question comes back, and Yes to All locks all three once more. The backups still hold the
        // pages unlocked, so they are kept as they are, and the wizard says so after the count.
        m_prompts.clear();
        m_prompts.confirmAnswers = {3};
        QTest::mouseClick(FormMain->BtnCreate, Qt::LeftButton);
        QCOMPARE(m_prompts.shown.size(), 3);
        QCOMPARE(m_prompts.shown.at(0).kind, Prompts::Kind::Confirm);
        QCOMPARE(m_prompts.shown.at(1).text, QStringLiteral("3 file(s) have been encrypted."));
        QCOMPARE(m_prompts.shown.at(2).kind, Prompts::Kind::Information);
        QStringList backups;
        for (int i = 0; i < paths.size(); ++i) {
            QVERIFY(Read(paths.at(i)) != locked.at(i));
            QCOMPARE(Read(paths.at(i) + QStringLiteral(".bak")), Content(s_pages.at(i)));
            backups.append(QDir::toNativeSeparators(paths.at(i) + QStringLiteral(".bak")));
        }
        QCOMPARE(m_prompts.shown.at(2).text,
                 QStringLiteral("These backup files hold their pages unlocked and were kept as they are; the pages "
                                "were locked again without a new backup:\n\n")
                     + backups.join(QLatin1Char('\n')));
    }

    // From "Step 4" of the job above back to "Step 1": new files, the same users and settings, Strong encryption
    // chosen from the keyboard on "Step 3", Create.
    void wizardLocksStrongPages()
    {
        const QString outputDir = qEnvironmentVariable("QUILLGATE_E2E_DIR") + QStringLiteral("/strong");
        QVERIFY(QDir(outputDir).removeRecursively());
        QVERIFY(QDir().mkpath(outputDir));
        QTemporaryDir work;
        QVERIFY(work.isValid());
        const QStringList paths = WritePages(work.path());

        QVERIFY(FormMain->PnlStep4->isVisible());
        for (QWidget* page : {FormMain->PnlStep3, FormMain->PnlUserList, FormMain->PnlStep2, FormMain->PnlStep1}) {
            back(page);
        }
        QTest::mouseClick(FormMain->TbnDelAll, Qt::LeftButton);
        m_prompts.clear();
        m_prompts.openFileAnswers = {paths};
        QTest::mouseClick(FormMain->TbnAddFile, Qt::LeftButton);
        QCOMPARE(FormMain->LvwFileList->topLevelItemCount(), 3);
        next(FormMain->PnlStep2);
        next(FormMain->PnlUserList);
        next(FormMain->PnlStep3);
        choose(FormMain->CmbEncryption, 1);
        QCOMPARE(FormMain->Encryption, Batch::Encryption::Strong);

        next(FormMain->PnlStep4);
        QTest::mouseClick(FormMain->BtnCreate, Qt::LeftButton);
        QCOMPARE(m_prompts.shownTexts(), QStringList{QStringLiteral("3 file(s) have been encrypted.")});
        QCOMPARE(FormMain->LvwFileShow->topLevelItemCount(), 3);
        for (int i = 0; i < paths.size(); ++i) {
            // A locked page that the master password opens to its content (no content when it does not open).
            QVERIFY2(TestFiles::IsLocked(paths.at(i)), qPrintable(paths.at(i)));
            const std::string page = Read(paths.at(i)).toStdString();
            QCOMPARE(QByteArray::fromStdString(StrongReader::Open(page, "", s_master.toStdString()).content),
                     Content(s_pages.at(i)));
            QVERIFY(QFile::copy(paths.at(i), outputDir + QLatin1Char('/') + s_pages.at(i)));
        }
    }
};

QTEST_MAIN(EndToEndTest)
#include "endtoendtest.moc"
