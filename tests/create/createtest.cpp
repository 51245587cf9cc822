// Create on the "Step 4" page and the option, preview, help and About handlers, driven through the real window
// with the prompts answered by FakePrompts.

#include "engine/encrypthtml.h"
#include "jobs/filerow.h"
#include "jobs/progressbar.h"
#include "settings/passwordsettings.h"
#include "tests/engine/strongreader.h"
#include "tests/support/fakeprompts.h"
#include "tests/support/testfiles.h"
#include "ui/aboutbox.h"
#include "ui/main.h"
#include "uikit/strings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>

namespace
{
    const QString s_countSuffix = QStringLiteral(" file(s) have been encrypted.");
    const QString s_lengthWarning = QStringLiteral("Password should consist of 6--25 characters.");

    QByteArray Page(int bytes = 40)
    {
        QByteArray page = "<html><body><p>";
        page.append(QByteArray(bytes, 'x'));
        page.append("</p></body></html>\r\n");
        return page;
    }

    using TestFiles::IsLocked;
    using TestFiles::Read;

    QStringList Column(const QTreeWidget* view, int column)
    {
        QStringList texts;
        for (int i = 0; i < view->topLevelItemCount(); ++i) {
            texts.append(view->topLevelItem(i)->text(column));
        }
        return texts;
    }

    // Looks at the progress window whenever the relock question comes, and tries to click Create meanwhile.
    class ProbingPrompts : public FakePrompts
    {
    public:
        struct Look
        {
            bool visible = false;
            QString title;
            QString label;
            int maximum = -1;
            int value = -1;
        };
        QList<Look> looks;
        int lastValue = -1;

        int answerMessage(const Prompts::Shown& s) override
        {
            if (s.kind == Prompts::Kind::Confirm && FormProgressBar) {
                QProgressBar* bar = FormProgressBar->ProgressBarCreate;
                looks.append({FormProgressBar->isVisible(),
                              FormProgressBar->windowTitle(),
                              FormProgressBar->LblCreating->text(),
                              bar->maximum(),
                              bar->value()});
                if (looks.size() == 1) {
                    QObject::connect(bar, &QProgressBar::valueChanged, bar, [this](int value) {
                        lastValue = value;
                    });
                }
                // Input that arrives while the batch runs is dropped, not acted on later.
                QTest::mouseClick(FormMain->BtnCreate, Qt::LeftButton);
            }
            return FakePrompts::answerMessage(s);
        }
    };
} // namespace

class CreateTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakePrompts> m_prompts;

    QString write(const QString& name, const QByteArray& content = Page())
    {
        QFile file(m_dir->filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
            qFatal("cannot write the fixture %s", qPrintable(file.fileName()));
        }
        return file.fileName();
    }

    static void setFiles(const QStringList& paths)
    {
        FormMain->FileList.clear();
        FormMain->FileList.addAll(paths);
    }

    static void setPasswordType(int type)
    {
        FormMain->CmbPasswordType->setCurrentIndex(type == Encrypthtml::SinglePassword ? 0 : 1);
        FormMain->CmbPasswordTypeChange();
    }

    static void setEncryption(int index)
    {
        FormMain->CmbEncryption->setCurrentIndex(index);
        emit FormMain->CmbEncryption->activated(index);
    }

    static void create()
    {
        FormMain->BtnCreate->click();
    }

    static QString programFolder()
    {
        return QCoreApplication::applicationDirPath();
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        FormMain = new TFormMain;
        FormAboutBox = new TFormAboutBox(FormMain);
        FormMain->show();
        QVERIFY(QTest::qWaitForWindowExposed(FormMain));
    }

    void cleanupTestCase()
    {
        delete FormMain;
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_prompts = std::make_unique<FakePrompts>();
        setPasswordType(Encrypthtml::SinglePassword);
        FormMain->EditPassword->setText(QStringLiteral("secret-7"));
        FormMain->EditMasterPassword->clear();
        FormMain->UserList.clear();
        FormMain->ChkBackupFile->setChecked(false);
        FormMain->FileList.clear();
        FormMain->LvwFileShow->clear();
        setEncryption(0);
    }

    void cleanup()
    {
        m_prompts.reset();
        m_dir.reset();
    }

    void refusedPasswordLeavesEarlierRows_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("single");
        QTest::addColumn<QString>("master");
        const QString valid = QStringLiteral("valid-pass");
        QTest::newRow("Five characters are too few") << 2000 << QStringLiteral("12345") << valid;
        QTest::newRow("Blanks around do not count") << 2000 << QStringLiteral("  12345 \t") << valid;
        QTest::newRow("User mode checks the master password, not the single one")
            << 2001 << valid << QStringLiteral("short");
    }

    void refusedPasswordLeavesEarlierRows()
    {
        QFETCH(int, type);
        QFETCH(QString, single);
        QFETCH(QString, master);
        setFiles({write("a.html"), write("b.html")});
        create();
        QCOMPARE(FormMain->LvwFileShow->topLevelItemCount(), 2);
        const QStringList rowsBefore = Column(FormMain->LvwFileShow, 0);

        const QString untouched = write("c.html");
        setFiles({untouched});
        setPasswordType(type);
        FormMain->EditPassword->setText(single);
        FormMain->EditMasterPassword->setText(master);
        m_prompts->clear();
        create();

        QCOMPARE(m_prompts->shown.size(), 1);
        QCOMPARE(m_prompts->shown.first().kind, Prompts::Kind::Warning);
        QCOMPARE(m_prompts->shown.first().text, s_lengthWarning);
        QCOMPARE(Column(FormMain->LvwFileShow, 0), rowsBefore);
        QCOMPARE(Read(untouched), Page());
        QVERIFY(!FormProgressBar);
    }

    // The page written must be the one the locker makes for the trimmed password of the present type.
    void acceptedPasswordIsTrimmedAndPassed_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("single");
        QTest::addColumn<QString>("master");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Six characters") << 2000 << QStringLiteral("abcdef") << QString() << QStringLiteral("abcdef");
        QTest::newRow("Twenty-five characters")
            << 2000 << QString(25, QLatin1Char('z')) << QString() << QString(25, QLatin1Char('z'));
        QTest::newRow("Blanks around are dropped")
            << 2000 << QStringLiteral("  abc def \t") << QString() << QStringLiteral("abc def");
        QTest::newRow("User mode passes the master password")
            << 2001 << QString() << QStringLiteral(" master-pw ") << QStringLiteral("master-pw");
    }

    void acceptedPasswordIsTrimmedAndPassed()
    {
        QFETCH(int, type);
        QFETCH(QString, single);
        QFETCH(QString, master);
        QFETCH(QString, expected);
        const QString page = write("page.html");
        const QString reference = write("reference.html");
        setFiles({page});
        setPasswordType(type);
        FormMain->EditPassword->setText(single);
        FormMain->EditMasterPassword->setText(master);
        FormMain->UserList.append(UserList::makeEntry(QStringLiteral("anna"), QStringLiteral("anna-pass")));
        FormMain->CmbProtectionType->setCurrentIndex(2);
        FormMain->CmbProtectionTypeChange();
        FormMain->CmbPageColor->setCurrentIndex(3);
        FormMain->CmbPageColorChange();
        create();

        QCOMPARE(m_prompts->shownTexts(), QStringList{QStringLiteral("1") + s_countSuffix});
        int answer = Encrypthtml::RelockAsk;
        QVERIFY(Encrypthtml::LockPage(QFile::encodeName(reference).toStdString(),
                                      PasswordSettings::ToEngineBytes(expected),
                                      false,
                                      Encrypthtml::ProtectCookie,
                                      Encrypthtml::ColorBlue,
                                      type,
                                      answer,
                                      {"anna\tanna-pass"},
                                      {}));
        QCOMPARE(Read(page), Read(reference));
    }

    void acceptedRunReplacesRowsWithLockedSizes()
    {
        setFiles({write("a.html"), write("b.html")});
        create();
        QCOMPARE(FormMain->LvwFileShow->topLevelItemCount(), 2);

        const QByteArray content = Page(2500);
        const QString c = write("c.html", content);
        setFiles({c});
        m_prompts->clear();
        create();

        QCOMPARE(m_prompts->shownTexts(), QStringList{QStringLiteral("1") + s_countSuffix});
        QCOMPARE(m_prompts->shown.first().kind, Prompts::Kind::Information);
        QCOMPARE(FormMain->LvwFileShow->topLevelItemCount(), 1);
        const QTreeWidgetItem* row = FormMain->LvwFileShow->topLevelItem(0);
        const FileRow::Row expected = FileRow::Make(c);
        QCOMPARE(row->text(0), QStringLiteral("c.html"));
        QCOMPARE(row->text(1), expected.folder);
        QCOMPARE(row->text(2), FileRow::SizeText(QFileInfo(c).size()));
        QVERIFY(row->text(2) != FileRow::SizeText(content.size()));
    }

    void emptyListReportsZero()
    {
        create();
        QCOMPARE(m_prompts->shown.size(), 1);
        QCOMPARE(m_prompts->shown.first().kind, Prompts::Kind::Information);
        QCOMPARE(m_prompts->shown.first().title, QStringLiteral("Information"));
        QCOMPARE(m_prompts->shown.first().text, QStringLiteral("0 file(s) have been encrypted."));
        QCOMPARE(FormMain->LvwFileShow->topLevelItemCount(), 0);
        QVERIFY(!FormProgressBar);
    }

    void missingFileIsSkippedAndNotCounted()
    {
        const QString a = write("a.html");
        const QString c = write("c.html");
        setFiles({a, m_dir->filePath("b.html"), c});
        create();
        QCOMPARE(m_prompts->shownTexts(), QStringList{QStringLiteral("2") + s_countSuffix});
        QCOMPARE(Column(FormMain->LvwFileShow, 0), (QStringList{"a.html", "c.html"}));
        QVERIFY(IsLocked(a) && IsLocked(c));
    }

    void relockAnswersLastOneRun()
    {
        const QStringList paths = {write("a.html"), write("b.html"), write("c.html")};
        setFiles(paths);
        create();
        QList<QByteArray> once;
        for (const QString& path : paths) {
            once.append(Read(path));
        }

        // No to All at the first file: the others are skipped without a question.
        m_prompts->clear();
        m_prompts->confirmAnswers = {2};
        create();
        QCOMPARE(m_prompts->shown.size(), 2);
        QCOMPARE(m_prompts->shown.at(0).kind, Prompts::Kind::Confirm);
        QCOMPARE(m_prompts->shown.at(0).title, QStringLiteral("Confirm"));
        QCOMPARE(m_prompts->shown.at(0).text,
                 QStringLiteral("The html file %1 has been locked before, do you want to lock it again? ")
                     .arg(paths.first()));
        QCOMPARE(m_prompts->shown.at(1).text, QStringLiteral("0") + s_countSuffix);
        QCOMPARE(FormMain->LvwFileShow->topLevelItemCount(), 0);
        for (int i = 0; i < paths.size(); ++i) {
            QCOMPARE(Read(paths.at(i)), once.at(i));
        }

        // The next run asks again; Yes to All locks the rest without asking.
        m_prompts->clear();
        m_prompts->confirmAnswers = {3};
        create();
        QCOMPARE(m_prompts->shown.size(), 2);
        QCOMPARE(m_prompts->shown.at(0).kind, Prompts::Kind::Confirm);
        QCOMPARE(m_prompts->shown.at(1).text, QStringLiteral("3") + s_countSuffix);
        QCOMPARE(FormMain->LvwFileShow->topLevelItemCount(), 3);
        for (int i = 0; i < paths.size(); ++i) {
            QVERIFY(Read(paths.at(i)) != once.at(i));
            QVERIFY(IsLocked(paths.at(i)));
        }
    }

    void backupFollowsTheCheckBox()
    {
        const QString a = write("a.html");
        const QString b = write("b.html");
        setFiles({a, b});
        create();
        QVERIFY(!QFile::exists(a + ".bak"));
        QVERIFY(!QFile::exists(b + ".bak"));

        const QString c = write("c.html");
        setFiles({c});
        FormMain->ChkBackupFile->setChecked(true);
        create();
        QCOMPARE(Read(c + ".bak"), Page());
    }

    void progressWindowLastsOneRun()
    {
        m_prompts.reset();
        ProbingPrompts probing;
        const QStringList paths = {write("a.html"), write("b.html"), write("c.html")};
        setFiles({paths.at(1), paths.at(2)});
        create();
        QVERIFY(!FormProgressBar);
        probing.clear();

        setFiles(paths); // b and c are locked: two questions, answered Yes
        QSignalSpy clicks(FormMain->BtnCreate, &QPushButton::clicked);
        create();
        QVERIFY(!FormProgressBar);
        QCOMPARE(probing.looks.size(), 2);
        for (int i = 0; i < 2; ++i) {
            const ProbingPrompts::Look& look = probing.looks.at(i);
            QVERIFY(look.visible);
            QCOMPARE(look.title, QStringLiteral("Processing..."));
            QCOMPARE(look.label, QStringLiteral("Processing..."));
            QCOMPARE(look.maximum, 3);
            QCOMPARE(look.value, i + 1); // the files dealt with before the question
        }
        QCOMPARE(probing.lastValue, 3);
        // Only the click of this test started a run; the clicks during the run were dropped.
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(probing.shownTexts().last(), QStringLiteral("3") + s_countSuffix);
        QCOMPARE(probing.shownTexts().count(QStringLiteral("3") + s_countSuffix), 1);
    }

    // The real boxes, not the fake: while the batch holds input back from the windows, the relock question
    // still takes its clicks.
    void realQuestionBoxTakesClicksDuringRun()
    {
        const QStringList paths = {write("a.html"), write("b.html")};
        setFiles(paths);
        create();
        const QByteArray once = Read(paths.at(1));
        m_prompts.reset();

        QStringList pressed;
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, this, [&pressed] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                return;
            }
            const QString wanted =
                box->windowTitle() == QStringLiteral("Confirm") ? QStringLiteral("N&o to All") : QStringLiteral("OK");
            for (QAbstractButton* button : box->buttons()) {
                if (button->text() == wanted) {
                    pressed.append(box->windowTitle() + QLatin1Char(':') + box->text());
                    QTest::mouseClick(button, Qt::LeftButton);
                    return;
                }
            }
        });
        answerer.start(20);
        create();
        answerer.stop();

        QCOMPARE(pressed.size(), 2);
        QVERIFY(pressed.at(0).startsWith(QStringLiteral("Confirm:The html file ") + paths.at(0)));
        QCOMPARE(pressed.at(1), QStringLiteral("Information:0") + s_countSuffix);
        QCOMPARE(Read(paths.at(1)), once);
    }

    void unreadableFileIsNamedAfterTheCount()
    {
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder.html")));
        const QString folder = m_dir->filePath(QStringLiteral("folder.html"));
        setFiles({folder, write("b.html")});
        create();
        QCOMPARE(m_prompts->shown.size(), 2);
        QCOMPARE(m_prompts->shown.at(0).text, QStringLiteral("1") + s_countSuffix);
        QCOMPARE(m_prompts->shown.at(1).kind, Prompts::Kind::Warning);
        QVERIFY2(m_prompts->shown.at(1).text.contains(folder + QStringLiteral(": could not be read")),
                 qPrintable(m_prompts->shown.at(1).text));
        QCOMPARE(Column(FormMain->LvwFileShow, 0), QStringList{"b.html"});
    }

    void omittedUserIsNamed()
    {
        setPasswordType(Encrypthtml::UserPassword);
        FormMain->EditMasterPassword->setText(QStringLiteral("master-pw"));
        const QString longName(240, QLatin1Char('n'));
        FormMain->UserList.append(UserList::makeEntry(longName, QString(20, QLatin1Char('p'))));
        FormMain->UserList.append(UserList::makeEntry(QStringLiteral("anna"), QStringLiteral("anna-pass")));
        setFiles({write("a.html"), write("b.html")});
        create();
        QCOMPARE(m_prompts->shown.size(), 2);
        QCOMPARE(m_prompts->shown.at(0).text, QStringLiteral("2") + s_countSuffix);
        QCOMPARE(m_prompts->shown.at(1).kind, Prompts::Kind::Warning);
        QCOMPARE(m_prompts->shown.at(1).text.count(longName), 1);
    }

    // Who can log in is decided as the command decides it: a user who never could (here one without a password, as
    // a loaded list file may hold) is left out of the pages and named after the count, on either format, and a
    // list without anyone who could is refused before any file is touched.
    void usersWhoCannotLogInAreLeftOut_data()
    {
        QTest::addColumn<int>("encryption");
        QTest::addColumn<QStringList>("users");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QStringList>("admitted"); // the users the page opens for; none: the file is unchanged
        const QString anna = UserList::makeEntry(QStringLiteral("anna"), QStringLiteral("anna-pass"));
        const QString bob = UserList::makeEntry(QStringLiteral("bob"), QString());
        const QString noPassword = QStringLiteral("bob: the password is empty, and a page takes no empty password");
        const QStringList bobLeftOut = {
            QStringLiteral("1") + s_countSuffix,
            QStringLiteral("These users were left out of the locked pages and cannot log in:\n\n") + noPassword};
        QTest::newRow("Classic pages") << 0 << QStringList{anna, bob} << bobLeftOut << QStringList{anna};
        QTest::newRow("Strong pages") << 1 << QStringList{anna, bob} << bobLeftOut << QStringList{anna};
        QTest::newRow("Nobody could log in")
            << 0 << QStringList{bob}
            << QStringList{QStringLiteral("No user in the list could log in to the locked pages:\n\n") + noPassword
                           + QStringLiteral("\n\nNo file has been changed.")}
            << QStringList();
    }

    void usersWhoCannotLogInAreLeftOut()
    {
        QFETCH(int, encryption);
        QFETCH(QStringList, users);
        QFETCH(QStringList, texts);
        QFETCH(QStringList, admitted);
        setEncryption(encryption);
        setPasswordType(Encrypthtml::UserPassword);
        FormMain->EditMasterPassword->setText(QStringLiteral("master-pw"));
        FormMain->UserList.replaceAll(users);
        const QString page = write("page.html");
        setFiles({page});
        create();

        QCOMPARE(m_prompts->shownTexts(), texts);
        QCOMPARE(m_prompts->shown.last().kind, Prompts::Kind::Warning);
        if (admitted.isEmpty()) {
            QCOMPARE(Read(page), Page());
        } else if (encryption == 0) {
            const QString reference = write("reference.html");
            std::vector<std::string> entries;
            for (const QString& entry : admitted) {
                entries.push_back(PasswordSettings::ToEngineBytes(entry));
            }
            int answer = Encrypthtml::RelockAsk;
            QVERIFY(Encrypthtml::LockPage(QFile::encodeName(reference).toStdString(),
                                          "master-pw",
                                          false,
                                          FormMain->ProtectionType,
                                          FormMain->PageColor,
                                          Encrypthtml::UserPassword,
                                          answer,
                                          entries,
                                          {}));
            QCOMPARE(Read(page), Read(reference));
        } else {
            for (const QString& entry : admitted) {
                const StrongReader::Result opened = StrongReader::Open(Read(page).toStdString(),
                                                                       UserList::nameOf(entry).toStdString(),
                                                                       UserList::passwordOf(entry).toStdString());
                QCOMPARE(QByteArray::fromStdString(opened.content), Page());
            }
        }
    }

    // A strong run: the keys are made once, then every file of the list is locked with them, in the same batch
    // as classic pages (rows, count, backups); the choice stays for the next run.
    void strongRunLocksStrongPages()
    {
        setEncryption(1);
        FormMain->ChkBackupFile->setChecked(true);
        const QStringList paths = {write("a.html"), write("b.html")};
        setFiles({paths.at(0), m_dir->filePath("missing.html"), paths.at(1)});
        create();
        QCOMPARE(m_prompts->shownTexts(), QStringList{QStringLiteral("2") + s_countSuffix});
        QCOMPARE(Column(FormMain->LvwFileShow, 0), (QStringList{"a.html", "b.html"}));
        for (const QString& path : paths) {
            // A locked page (the relock question knows it) that opens with the password to the file's content (no
            // content when it does not open).
            QVERIFY2(IsLocked(path), qPrintable(path));
            QCOMPARE(QByteArray::fromStdString(StrongReader::Open(Read(path).toStdString(), "", "secret-7").content),
                     Page());
            QCOMPARE(Read(path + ".bak"), Page());
        }
        QVERIFY(!FormProgressBar);
        QCOMPARE(FormMain->Encryption, Batch::Encryption::Strong);
        QCOMPARE(FormMain->CmbEncryption->currentIndex(), 1);
    }

    // No strong run, no file touched: the user cancels while the keys are derived (with Cancel or Escape), or the
    // user list is refused before (two user names that are one in NFC form). The earlier result rows stay.
    void noStrongRunLeavesFilesUntouched_data()
    {
        QTest::addColumn<QString>("stop");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("message");
        const QStringList many = {"anna", "bert", "carl", "dora", "emil", "fred", "gina", "hugo"};
        const QString cancelled = QStringLiteral("Cancelled: no file has been changed.");
        QTest::newRow("Cancel") << QStringLiteral("click") << many << cancelled;
        QTest::newRow("Escape") << QStringLiteral("escape") << many << cancelled;
        QTest::newRow("one name twice in NFC form")
            << QString() << QStringList{QStringLiteral("Zo\u00eb"), QStringLiteral("Zoe\u0308")}
            << QStringLiteral("The user name \"Zoe\u0308\" is given twice, and strong pages take each user name once. "
                              "No file has been changed.");
    }

    void noStrongRunLeavesFilesUntouched()
    {
        QFETCH(QString, stop);
        QFETCH(QStringList, names);
        QFETCH(QString, message);
        const QString earlier = write("earlier.html");
        setFiles({earlier});
        create();
        m_prompts->clear();

        setEncryption(1);
        setPasswordType(Encrypthtml::UserPassword);
        FormMain->EditMasterPassword->setText(QStringLiteral("master-pw"));
        for (const QString& name : names) {
            FormMain->UserList.append(UserList::makeEntry(name, name + QStringLiteral("-pass")));
        }
        FormMain->ChkBackupFile->setChecked(true);
        const QStringList paths = {write("a.html"), write("b.html")};
        setFiles(paths);

        // Stops the derivation from the progress window, as the user would, once it shows the keys' progress.
        QString label;
        int maximum = -1;
        QTimer stopper;
        connect(&stopper, &QTimer::timeout, this, [&] {
            if (!FormProgressBar || !FormProgressBar->BtnCancel->isVisible() || !label.isEmpty()) {
                return;
            }
            label = FormProgressBar->LblCreating->text();
            maximum = FormProgressBar->ProgressBarCreate->maximum();
            if (stop == QStringLiteral("click")) {
                QTest::mouseClick(FormProgressBar->BtnCancel, Qt::LeftButton);
            } else {
                QTest::keyClick(FormProgressBar, Qt::Key_Escape);
            }
        });
        stopper.start(10);
        create();
        stopper.stop();

        QCOMPARE(m_prompts->shownTexts(), QStringList{message});
        if (!stop.isEmpty()) {
            QCOMPARE(label, QStringLiteral("Preparing the keys..."));
            QCOMPARE(maximum, names.size() + 1);
        }
        for (const QString& path : paths) {
            QCOMPARE(Read(path), Page());
            QVERIFY(!QFile::exists(path + ".bak"));
        }
        QCOMPARE(Column(FormMain->LvwFileShow, 0), QStringList{"earlier.html"});
        QVERIFY(!FormProgressBar);
    }

    void encryptionChange_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<Batch::Encryption>("code");
        QTest::addColumn<int>("textId");
        QTest::newRow("Strong") << 1 << Batch::Encryption::Strong << 512;
        QTest::newRow("Classic") << 0 << Batch::Encryption::Classic << 511;
        QTest::newRow("No selection counts as Classic") << -1 << Batch::Encryption::Classic << 511;
    }

    void encryptionChange()
    {
        QFETCH(int, index);
        QFETCH(Batch::Encryption, code);
        QFETCH(int, textId);
        setEncryption(index == 1 ? 0 : 1);
        setEncryption(index);
        QCOMPARE(FormMain->Encryption, code);
        QCOMPARE(FormMain->LblEncryptionContent->text(), Strings::LoadStr(textId));
    }

    void protectionTypeChange_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("textId");
        QTest::newRow("Session") << 1 << 1001 << 507;
        QTest::newRow("Cookie") << 2 << 1002 << 508;
        QTest::newRow("Page") << 0 << 1000 << 506;
        QTest::newRow("No selection counts as Page") << -1 << 1000 << 506;
    }

    void protectionTypeChange()
    {
        QFETCH(int, index);
        QFETCH(int, code);
        QFETCH(int, textId);
        FormMain->CmbProtectionType->setCurrentIndex(index == 0 ? 1 : 0);
        FormMain->CmbProtectionTypeChange();
        FormMain->CmbProtectionType->setCurrentIndex(index);
        emit FormMain->CmbProtectionType->activated(index);
        QCOMPARE(FormMain->ProtectionType, code);
        QCOMPARE(FormMain->LblProtectionContent->text(), Strings::LoadStr(textId));
    }

    void pageColorChange_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("code");
        QTest::newRow("Black") << 1 << 0x000000;
        QTest::newRow("Yellow") << 2 << 0x00FFFF;
        QTest::newRow("Blue") << 3 << 0xFF0000;
        QTest::newRow("White") << 0 << 0xFFFFFF;
        QTest::newRow("No selection counts as White") << -1 << 0xFFFFFF;
    }

    void pageColorChange()
    {
        QFETCH(int, index);
        QFETCH(int, code);
        FormMain->CmbPageColor->setCurrentIndex(index);
        emit FormMain->CmbPageColor->activated(index);
        QCOMPARE(FormMain->PageColor, code);
    }

    void previewOpensTheSamplePage_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("colour");
        QTest::addColumn<int>("protection");
        QTest::addColumn<int>("encryption");
        QTest::addColumn<QString>("page");
        QTest::newRow("Yellow, single password")
            << 2000 << 2 << 0 << 0 << QStringLiteral("/Templates/Yellow/index.html");
        QTest::newRow("Blue, users, whatever the protection")
            << 2001 << 3 << 2 << 0 << QStringLiteral("/Templates/Blue/index1.html");
        QTest::newRow("Black, users") << 2001 << 1 << 1 << 0 << QStringLiteral("/Templates/Black/index1.html");
        QTest::newRow("White, single password") << 2000 << 0 << 1 << 0 << QStringLiteral("/Templates/White/index.html");
        QTest::newRow("Strong, Yellow, single password")
            << 2000 << 2 << 0 << 1 << QStringLiteral("/Templates/Strong/Yellow/index.html");
        QTest::newRow("Strong, Blue, users")
            << 2001 << 3 << 1 << 1 << QStringLiteral("/Templates/Strong/Blue/index1.html");
    }

    void previewOpensTheSamplePage()
    {
        QFETCH(int, type);
        QFETCH(int, colour);
        QFETCH(int, protection);
        QFETCH(int, encryption);
        QFETCH(QString, page);
        setPasswordType(type);
        setEncryption(encryption);
        FormMain->CmbPageColor->setCurrentIndex(colour);
        FormMain->CmbPageColorChange();
        FormMain->CmbProtectionType->setCurrentIndex(protection);
        FormMain->CmbProtectionTypeChange();
        FormMain->BtnColorPreview->click();
        QCOMPARE(m_prompts->opened, QList<QUrl>{QUrl::fromLocalFile(programFolder() + page)});
        QVERIFY(m_prompts->shown.isEmpty());
    }

    void showWithoutSelectionWarns()
    {
        FormMain->TbnShow->click();
        QCOMPARE(m_prompts->shown.size(), 1);
        QCOMPARE(m_prompts->shown.first().kind, Prompts::Kind::Plain);
        QCOMPARE(m_prompts->shown.first().title, QStringLiteral("Warning"));
        QCOMPARE(m_prompts->shown.first().text, QStringLiteral("You should select a list file first!"));
        QVERIFY(m_prompts->opened.isEmpty());
    }

    void showOpensTheSelectedLockedPage()
    {
        const QString b = write("b.html");
        setFiles({write("a.html"), b});
        create();
        FormMain->LvwFileShow->setCurrentItem(FormMain->LvwFileShow->topLevelItem(1));
        m_prompts->clear();
        FormMain->TbnShow->click();
        QCOMPARE(m_prompts->opened, QList<QUrl>{QUrl::fromLocalFile(b)});
        QVERIFY(m_prompts->shown.isEmpty());
    }

    void helpAndLinks()
    {
        FormMain->BtnHelp->click();
        QCOMPARE(m_prompts->opened.value(0), QUrl::fromLocalFile(programFolder() + QStringLiteral("/help/index.html")));
        FormMain->LblStep0WebsiteClick();
        QCOMPARE(m_prompts->opened.value(1), QUrl(Strings::LoadStr(105)));
        FormMain->LblStep0EmailClick();
        QCOMPARE(m_prompts->opened.value(2).toString(), QStringLiteral("mailto:") + Strings::LoadStr(106));
        QCOMPARE(m_prompts->opened.size(), 3);
    }

    void aboutBoxShowsItsTextsAndClosesWithEnter()
    {
        QCOMPARE(FormAboutBox->windowTitle(), QStringLiteral("About"));
        QCOMPARE(FormAboutBox->ProductName->text(), Strings::LoadStr(10));
        QCOMPARE(FormAboutBox->Version->text(), Strings::LoadStr(11));
        QCOMPARE(FormAboutBox->Copyright->text(), Strings::LoadStr(12));
        QCOMPARE(FormAboutBox->Comments->text(), Strings::LoadStr(13));
        QVERIFY(FormAboutBox->Comments->wordWrap());
        QVERIFY(!FormAboutBox->ProgramIcon->pixmap().isNull());
        QCOMPARE(FormAboutBox->BtnOk->text(), QStringLiteral("OK"));
        QVERIFY(FormAboutBox->BtnOk->isDefault());

        bool shown = false;
        QTimer::singleShot(0, FormAboutBox, [&shown] {
            // Shown modally, with the legal note whole at whatever font size.
            const QLabel* note = FormAboutBox->Comments;
            shown = FormAboutBox->isVisible() && QApplication::activeModalWidget() == FormAboutBox
                && note->height() >= note->heightForWidth(note->width());
            QTest::keyClick(FormAboutBox, Qt::Key_Return);
        });
        FormMain->BtnAbout->click();
        QVERIFY(shown);
        QVERIFY(!FormAboutBox->isVisible());
        QCOMPARE(FormAboutBox->result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(CreateTest)
#include "createtest.moc"
