// The shell layer: the string table, the application title, the real message boxes and the save dialog, and
// the fake that answers them in other tests.

#include "tests/support/fakeprompts.h"
#include "tests/support/modalhelper.h"
#include "uikit/prompts.h"
#include "uikit/strings.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace
{
    struct SeenBox
    {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QStringList buttons; // left to right
    };

    QList<QAbstractButton*> ButtonsLeftToRight(QMessageBox* box)
    {
        QList<QAbstractButton*> buttons = box->buttons();
        std::sort(buttons.begin(), buttons.end(), [box](QAbstractButton* a, QAbstractButton* b) {
            return a->mapTo(box, QPoint()).x() < b->mapTo(box, QPoint()).x();
        });
        return buttons;
    }

    SeenBox Describe(QMessageBox* box)
    {
        SeenBox seen{box->windowTitle(), box->text(), box->icon(), {}};
        for (QAbstractButton* button : ButtonsLeftToRight(box)) {
            seen.buttons.append(button->text());
        }
        return seen;
    }
} // namespace

class ShellTest : public QObject
{
    Q_OBJECT

private slots:
    void stringTableKeepsTextsExactly();
    void applicationTitle_data();
    void applicationTitle();
    void okBoxes_data();
    void okBoxes();
    void confirmBoxButtons_data();
    void confirmBoxButtons();
    void warningQuestionButtons_data();
    void warningQuestionButtons();
    void saveDialogAddsDefaultSuffix();
    void fakeAnswersInOrderThenCancels();
    void boxTextIsShownAsWritten();
    void relativePathOpensFromTheWorkingFolder();
};

void ShellTest::stringTableKeepsTextsExactly()
{
    QCOMPARE(Strings::LoadStr(1), QStringLiteral("Quillgate " QUILLGATE_VERSION));
    QCOMPARE(Strings::LoadStr(11), QStringLiteral("Version " QUILLGATE_VERSION));
    // The maker's notice line is one text in two places.
    QCOMPARE(Strings::LoadStr(12), Strings::LoadStr(202));
    QVERIFY(Strings::LoadStr(203).contains(QStringLiteral("best security.\nThis wizard")));
    QVERIFY(Strings::LoadStr(402).endsWith(QStringLiteral("next step. ")));
    QVERIFY(Strings::LoadStr(508).contains(QStringLiteral("uses  cookies")));
    QCOMPARE(Strings::LoadStr(509), QStringLiteral("[password is \"pvkmsto\"]"));
    QVERIFY(Strings::LoadStr(101).isEmpty());
    QVERIFY(Strings::LoadStr(0).isEmpty());
    QVERIFY(Strings::LoadStr(99999).isEmpty());
}

void ShellTest::applicationTitle_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("title");
    QTest::newRow("A plain lower-case name stays") << "quillgate"
                                                   << "quillgate";
    QTest::newRow("Letters after the first go to lower case") << "QUILLGATE.EXE"
                                                              << "Quillgate";
    QTest::newRow("The name ends at the first dot") << "QuillGate.tar.gz"
                                                    << "Quillgate";
    QTest::newRow("Other characters stay") << "Tst_UI-2"
                                           << "Tst_ui-2";
    QTest::newRow("A name that starts with a dot is empty") << ".hidden"
                                                            << "";
    QTest::newRow("No name") << ""
                             << "";
}

void ShellTest::applicationTitle()
{
    QFETCH(QString, fileName);
    QFETCH(QString, title);
    QCOMPARE(Prompts::ApplicationTitle(fileName), title);
}

void ShellTest::okBoxes_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("icon");
    const QString program = Prompts::ApplicationTitle(QCoreApplication::applicationFilePath().section('/', -1));
    QTest::newRow("Warning") << int(Prompts::Kind::Warning) << "Warning"
                             << "Too short" << int(QMessageBox::Warning);
    QTest::newRow("Plain") << int(Prompts::Kind::Plain) << "Error!"
                           << "Exists" << int(QMessageBox::NoIcon);
    QTest::newRow("Information") << int(Prompts::Kind::Information) << "Information"
                                 << "Done" << int(QMessageBox::Information);
    QTest::newRow("Error adds a full stop")
        << int(Prompts::Kind::Error) << program << "Cannot write a.lst." << int(QMessageBox::Critical);
}

void ShellTest::okBoxes()
{
    QFETCH(int, kind);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(int, icon);

    SeenBox seen;
    WhenModal<QMessageBox> answer([&seen](QMessageBox* box) {
        seen = Describe(box);
        QTest::keyClick(box, Qt::Key_Return);
    });
    switch (Prompts::Kind(kind)) {
    case Prompts::Kind::Warning:
        Prompts::Warning(nullptr, text);
        break;
    case Prompts::Kind::Plain:
        Prompts::Plain(nullptr, title, text);
        break;
    case Prompts::Kind::Information:
        Prompts::Information(nullptr, text);
        break;
    default:
        Prompts::Error(nullptr, QStringLiteral("Cannot write a.lst"));
        break;
    }
    QVERIFY(answer.seen());
    QCOMPARE(seen.title, title);
    QCOMPARE(seen.text, text);
    QCOMPARE(int(seen.icon), icon);
    QCOMPARE(seen.buttons, QStringList{"OK"});
}

void ShellTest::confirmBoxButtons_data()
{
    QTest::addColumn<int>("press"); // index left to right; -1 Escape, -2 the close box
    QTest::addColumn<int>("choice");
    QTest::newRow("Yes") << 0 << int(Encrypthtml::RelockChoice::Yes);
    QTest::newRow("No") << 1 << int(Encrypthtml::RelockChoice::No);
    QTest::newRow("No to All") << 2 << int(Encrypthtml::RelockChoice::NoToAll);
    QTest::newRow("Yes to All") << 3 << int(Encrypthtml::RelockChoice::YesToAll);
    QTest::newRow("Escape counts as Yes") << -1 << int(Encrypthtml::RelockChoice::Yes);
    QTest::newRow("The close box counts as Yes") << -2 << int(Encrypthtml::RelockChoice::Yes);
}

void ShellTest::confirmBoxButtons()
{
    QFETCH(int, press);
    QFETCH(int, choice);

    SeenBox seen;
    WhenModal<QMessageBox> answer([&seen, press](QMessageBox* box) {
        seen = Describe(box);
        if (press >= 0) {
            QTest::mouseClick(ButtonsLeftToRight(box).at(press), Qt::LeftButton);
        } else if (press == -1) {
            QTest::keyClick(box, Qt::Key_Escape);
        } else {
            box->close();
        }
    });
    const auto result = Prompts::ConfirmRelock(nullptr, QStringLiteral("a.html is locked already. Lock again?"));
    QVERIFY(answer.seen());
    QCOMPARE(int(result), choice);
    QCOMPARE(seen.title, QStringLiteral("Confirm"));
    QCOMPARE(seen.text, QStringLiteral("a.html is locked already. Lock again?"));
    QCOMPARE(seen.icon, QMessageBox::Question);
    QCOMPARE(seen.buttons, (QStringList{"&Yes", "&No", "N&o to All", "Yes to &All"}));
}

void ShellTest::warningQuestionButtons_data()
{
    QTest::addColumn<int>("press"); // index left to right; -1 Escape, -2 the close box, -3 Enter
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes") << 0 << true;
    QTest::newRow("No") << 1 << false;
    QTest::newRow("Enter presses No") << -3 << false;
    QTest::newRow("Escape counts as No") << -1 << false;
    QTest::newRow("The close box counts as No") << -2 << false;
}

void ShellTest::warningQuestionButtons()
{
    QFETCH(int, press);
    QFETCH(bool, yes);

    SeenBox seen;
    WhenModal<QMessageBox> answer([&seen, press](QMessageBox* box) {
        seen = Describe(box);
        if (press >= 0) {
            QTest::mouseClick(ButtonsLeftToRight(box).at(press), Qt::LeftButton);
        } else if (press == -1) {
            QTest::keyClick(box, Qt::Key_Escape);
        } else if (press == -3) {
            QTest::keyClick(box, Qt::Key_Return);
        } else {
            box->close();
        }
    });
    QCOMPARE(Prompts::WarningQuestion(nullptr, QStringLiteral("Lock them anyway?")), yes);
    QVERIFY(answer.seen());
    QCOMPARE(seen.title, QStringLiteral("Warning"));
    QCOMPARE(seen.text, QStringLiteral("Lock them anyway?"));
    QCOMPARE(seen.icon, QMessageBox::Warning);
    QCOMPARE(seen.buttons, (QStringList{"&Yes", "&No"}));
}

void ShellTest::saveDialogAddsDefaultSuffix()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QString suffix;
    WhenModal<QFileDialog> answer([&](QFileDialog* dialog) {
        suffix = dialog->defaultSuffix();
        dialog->setDirectory(folder.path());
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(QStringLiteral("files"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    const QString chosen = Prompts::SaveFileName(nullptr, QStringLiteral("List files (*.lst)"), QStringLiteral("lst"));
    QVERIFY(answer.seen());
    QCOMPARE(suffix, QStringLiteral("lst"));
    QCOMPARE(chosen, folder.filePath(QStringLiteral("files.lst")));
}

void ShellTest::fakeAnswersInOrderThenCancels()
{
    FakePrompts fake;
    fake.confirmAnswers = {2, 0, 3};
    fake.openFileAnswers = {{"/a.html", "/b.html"}};
    fake.saveFileAnswers = {"/list.lst"};
    fake.directoryAnswers = {"/site"};

    // The questions share one queue; once it is empty, each gets what closing its box would answer.
    QCOMPARE(Prompts::ConfirmRelock(nullptr, "q1"), Encrypthtml::RelockChoice::NoToAll);
    QVERIFY(Prompts::WarningQuestion(nullptr, "q2"));
    QCOMPARE(Prompts::ConfirmRelock(nullptr, "q3"), Encrypthtml::RelockChoice::YesToAll);
    QCOMPARE(Prompts::ConfirmRelock(nullptr, "q4"), Encrypthtml::RelockChoice::Yes);
    QVERIFY(!Prompts::WarningQuestion(nullptr, "q5"));
    Prompts::Warning(nullptr, "w");
    QCOMPARE(Prompts::OpenFileName(nullptr, "*"), QStringLiteral("/a.html"));
    QVERIFY(Prompts::OpenFileNames(nullptr, "*").isEmpty());
    QCOMPARE(Prompts::SaveFileName(nullptr, "*", "lst"), QStringLiteral("/list.lst"));
    QVERIFY(Prompts::SaveFileName(nullptr, "*", "lst").isEmpty());
    QCOMPARE(Prompts::ExistingDirectory(nullptr, "Browse"), QStringLiteral("/site"));
    QVERIFY(Prompts::ExistingDirectory(nullptr, "Browse").isEmpty());
    QVERIFY(Prompts::OpenPath(QStringLiteral("/site/a.html")));

    QCOMPARE(fake.shownTexts(), (QStringList{"q1", "q2", "q3", "q4", "q5", "w"}));
    QCOMPARE(fake.shown.at(5).title, QStringLiteral("Warning"));
    QCOMPARE(fake.opened, QList<QUrl>{QUrl::fromLocalFile("/site/a.html")});
}

void ShellTest::relativePathOpensFromTheWorkingFolder()
{
    FakePrompts fake;
    QVERIFY(Prompts::OpenPath(QStringLiteral("web/a.htm")));
    QCOMPARE(fake.opened, QList<QUrl>{QUrl::fromLocalFile(QDir::current().absoluteFilePath("web/a.htm"))});
}

void ShellTest::boxTextIsShownAsWritten()
{
    // Messages carry file paths and user names, which may look like markup; a box shows them as they are.
    const QString text = QStringLiteral("Cannot open file /site/<b>new</b> &amp; old.html");
    QString read;
    WhenModal<QMessageBox> answer([&read](QMessageBox* box) {
        const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        read = QAccessible::queryAccessibleInterface(const_cast<QLabel*>(label))->text(QAccessible::Name);
        QTest::keyClick(box, Qt::Key_Return);
    });
    Prompts::Plain(nullptr, QStringLiteral("Error!"), text);
    QVERIFY(answer.seen());
    QCOMPARE(read, text);
}

QTEST_MAIN(ShellTest)
#include "shelltest.moc"
