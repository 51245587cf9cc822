// The user list page of the wizard: adding, editing, removing, saving and loading users through its tool bar.

#include "settings/userpassword.h"
#include "tests/support/fakeprompts.h"
#include "tests/support/modalhelper.h"
#include "ui/main.h"

#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <functional>
#include <memory>

namespace
{
    struct DialogAnswer
    {
        QString name;
        QString password;
        bool ok = true;
    };

    const QString s_alreadyThere = QStringLiteral("The user is already in the list.");
} // namespace

class MainUsersTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void addSortsAndShowsTheRows();
    void addTrimsBlanks();
    void refusedAddShowsTheErrorBox();
    void cancelChangesNothing();
    void editWithoutSelectionWarns();
    void editWithoutChangeKeepsTheSelection();
    void editThatKeepsTheName();
    void refusedEditRestoresTheOldEntry();
    void editRewritesLoadedBlanks();
    void removeTakesTheSelectedUserOnly();
    void removeLeavesNoRowSelected();
    void keyboardFindsACurrentRow();
    void editShowsALongLoadedPasswordWhole();
    void removeAllEmptiesListAndRows();
    void saveThenLoadGivesTheSameUsers();
    void failedLoadKeepsListAndRows();
    void failedSaveReportsTheFile();
    void cancelledFileDialogsChangeNothing();

private:
    // Presses the tool button; when the user dialog opens, records its caption and texts, then answers it.
    bool pressWithDialog(QToolButton* button, const DialogAnswer& answer);
    bool addUser(const QString& name, const QString& password);
    void loadBytes(const QByteArray& bytes);
    void select(int row);
    QStringList rows() const;

    std::unique_ptr<FakePrompts> m_prompts;
    std::unique_ptr<TFormMain> m_form;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_seenCaption;
    QString m_seenName;
    QString m_seenPassword;
};

void MainUsersTest::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void MainUsersTest::init()
{
    m_prompts = std::make_unique<FakePrompts>();
    m_form = std::make_unique<TFormMain>();
    FormUserPassword = new TFormUserPassword(m_form.get());
    m_dir = std::make_unique<QTemporaryDir>();
}

void MainUsersTest::cleanup()
{
    m_form.reset();
    FormUserPassword = nullptr;
    m_prompts.reset();
    m_dir.reset();
}

bool MainUsersTest::pressWithDialog(QToolButton* button, const DialogAnswer& answer)
{
    WhenModal<TFormUserPassword> whenShown([&](TFormUserPassword* dialog) {
        m_seenCaption = dialog->windowTitle();
        m_seenName = dialog->LblUser->text();
        m_seenPassword = dialog->LblPassword->text();
        dialog->LblUser->setText(answer.name);
        dialog->LblPassword->setText(answer.password);
        QTest::mouseClick(answer.ok ? dialog->BtnOk : dialog->BtnCancel, Qt::LeftButton);
    });
    button->click();
    return whenShown.seen();
}

bool MainUsersTest::addUser(const QString& name, const QString& password)
{
    return pressWithDialog(m_form->TbnAddUser, {name, password});
}

void MainUsersTest::loadBytes(const QByteArray& bytes)
{
    const QString path = m_dir->filePath(QStringLiteral("loaded.ust"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    m_prompts->openFileAnswers.append(QStringList{path});
    m_form->TbnLoadUser->click();
}

void MainUsersTest::select(int row)
{
    m_form->LvwUserList->topLevelItem(row)->setSelected(true);
}

QStringList MainUsersTest::rows() const
{
    QStringList texts;
    for (int i = 0; i < m_form->LvwUserList->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = m_form->LvwUserList->topLevelItem(i);
        texts.append(row->text(0) + QLatin1Char('\t') + row->text(1));
    }
    return texts;
}

void MainUsersTest::addSortsAndShowsTheRows()
{
    QVERIFY(addUser(QStringLiteral("mike"), QStringLiteral("secret1")));
    QCOMPARE(m_seenCaption, QStringLiteral("Add User"));
    QVERIFY(addUser(QStringLiteral("adam"), QStringLiteral("secret2")));
    // The boxes start empty at every add.
    QCOMPARE(m_seenName, QString());
    QCOMPARE(m_seenPassword, QString());
    const QStringList expected{"adam\tsecret2", "mike\tsecret1"};
    QCOMPARE(m_form->UserList.entries(), expected);
    QCOMPARE(rows(), expected);
    QVERIFY(m_form->LvwUserList->selectedItems().isEmpty());
    QVERIFY(m_prompts->shown.isEmpty());
}

void MainUsersTest::addTrimsBlanks()
{
    QVERIFY(addUser(QStringLiteral("  anna \t"), QStringLiteral(" secret 1  ")));
    QCOMPARE(m_form->UserList.entries(), QStringList{"anna\tsecret 1"});
}

void MainUsersTest::refusedAddShowsTheErrorBox()
{
    QVERIFY(addUser(QStringLiteral("anna"), QStringLiteral("secret1")));
    select(0);
    QVERIFY(addUser(QStringLiteral("anna"), QStringLiteral("secret2")));
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].kind, Prompts::Kind::Plain);
    QCOMPARE(m_prompts->shown[0].title, QStringLiteral("Error!"));
    QCOMPARE(m_prompts->shown[0].text, s_alreadyThere);
    QCOMPARE(m_form->UserList.entries(), QStringList{"anna\tsecret1"});
    QCOMPARE(rows(), QStringList{"anna\tsecret1"});
    QCOMPARE(m_form->LvwUserList->selectedItems().size(), 1);
}

void MainUsersTest::cancelChangesNothing()
{
    QVERIFY(addUser(QStringLiteral("anna"), QStringLiteral("secret1")));
    QVERIFY(pressWithDialog(m_form->TbnAddUser, {QStringLiteral("bob"), QStringLiteral("secret2"), false}));
    select(0);
    QVERIFY(pressWithDialog(m_form->TbnEditUser, {QStringLiteral("bob"), QStringLiteral("secret2"), false}));
    WhenModal<TFormUserPassword> escape([](TFormUserPassword* dialog) {
        QTest::keyClick(dialog->LblUser, Qt::Key_Escape);
    });
    m_form->TbnAddUser->click();
    QVERIFY(escape.seen());
    QCOMPARE(m_form->UserList.entries(), QStringList{"anna\tsecret1"});
    QCOMPARE(rows(), QStringList{"anna\tsecret1"});
    QCOMPARE(m_form->LvwUserList->selectedItems().size(), 1);
    QVERIFY(m_prompts->shown.isEmpty());
}

void MainUsersTest::editWithoutSelectionWarns()
{
    QVERIFY(addUser(QStringLiteral("anna"), QStringLiteral("secret1")));
    m_form->TbnEditUser->click();
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].kind, Prompts::Kind::Plain);
    QCOMPARE(m_prompts->shown[0].title, QStringLiteral("Warning"));
    QCOMPARE(m_prompts->shown[0].text, QStringLiteral("You should select a user first!"));
    QVERIFY(FormUserPassword->isHidden());
}

void MainUsersTest::editWithoutChangeKeepsTheSelection()
{
    QVERIFY(addUser(QStringLiteral("anna"), QStringLiteral("secret1")));
    QVERIFY(addUser(QStringLiteral("bob"), QStringLiteral("secret2")));
    select(1);
    QVERIFY(pressWithDialog(m_form->TbnEditUser, {QStringLiteral("bob"), QStringLiteral("secret2")}));
    QCOMPARE(m_seenCaption, QStringLiteral("Edit User"));
    QCOMPARE(m_seenName, QStringLiteral("bob"));
    QCOMPARE(m_seenPassword, QStringLiteral("secret2"));
    QCOMPARE(m_form->LvwUserList->selectedItems().size(), 1);
    QCOMPARE(m_form->LvwUserList->selectedItems()[0], m_form->LvwUserList->topLevelItem(1));
    QCOMPARE(m_form->UserList.entries(), (QStringList{"anna\tsecret1", "bob\tsecret2"}));
}

void MainUsersTest::editThatKeepsTheName()
{
    QVERIFY(addUser(QStringLiteral("anna"), QStringLiteral("secret1")));
    QVERIFY(addUser(QStringLiteral("bob"), QStringLiteral("secret2")));
    select(0);
    QVERIFY(pressWithDialog(m_form->TbnEditUser, {QStringLiteral("anna"), QStringLiteral("changed1")}));
    const QStringList expected{"anna\tchanged1", "bob\tsecret2"};
    QCOMPARE(m_form->UserList.entries(), expected);
    QCOMPARE(rows(), expected);
    QVERIFY(m_prompts->shown.isEmpty());
}

void MainUsersTest::refusedEditRestoresTheOldEntry()
{
    QVERIFY(addUser(QStringLiteral("anna"), QStringLiteral("secret1")));
    QVERIFY(addUser(QStringLiteral("bob"), QStringLiteral("secret2")));
    select(1);
    QVERIFY(pressWithDialog(m_form->TbnEditUser, {QStringLiteral("anna"), QStringLiteral("secret3")}));
    QCOMPARE(m_prompts->shownTexts(), QStringList{s_alreadyThere});
    QCOMPARE(m_prompts->shown[0].title, QStringLiteral("Error!"));
    const QStringList expected{"anna\tsecret1", "bob\tsecret2"};
    QCOMPARE(m_form->UserList.entries(), expected);
    QCOMPARE(rows(), expected);
    QVERIFY(m_form->LvwUserList->selectedItems().isEmpty());
}

void MainUsersTest::editRewritesLoadedBlanks()
{
    loadBytes(" anna \t secret1 \r\n");
    select(0);
    QVERIFY(pressWithDialog(m_form->TbnEditUser, {QStringLiteral(" anna "), QStringLiteral(" secret1 ")}));
    QCOMPARE(m_form->UserList.entries(), QStringList{"anna\tsecret1"});
    QCOMPARE(rows(), QStringList{"anna\tsecret1"});
}

void MainUsersTest::removeTakesTheSelectedUserOnly()
{
    loadBytes("anna\tsecret1\r\nanna\tsecret1\r\nbob\tsecret2\r\n");
    m_form->TbnDelUser->click();
    QCOMPARE(m_form->UserList.count(), 3);
    select(1);
    m_form->TbnDelUser->click();
    const QStringList expected{"anna\tsecret1", "bob\tsecret2"};
    QCOMPARE(m_form->UserList.entries(), expected);
    QCOMPARE(rows(), expected);
    QVERIFY(m_prompts->shown.isEmpty());
}

void MainUsersTest::removeLeavesNoRowSelected()
{
    loadBytes("anna\tsecret1\r\nbob\tsecret2\r\ncarl\tsecret3\r\n");
    // As a click does: the row becomes current and selected.
    m_form->LvwUserList->setCurrentItem(m_form->LvwUserList->topLevelItem(1));
    m_form->TbnDelUser->click();
    QVERIFY(m_form->LvwUserList->selectedItems().isEmpty());
    // So a second press removes nobody, and Edit asks for a selection.
    m_form->TbnDelUser->click();
    m_form->TbnEditUser->click();
    const QStringList expected{"anna\tsecret1", "carl\tsecret3"};
    QCOMPARE(m_form->UserList.entries(), expected);
    QCOMPARE(rows(), expected);
    QCOMPARE(m_prompts->shownTexts(), QStringList{QStringLiteral("You should select a user first!")});
}

void MainUsersTest::keyboardFindsACurrentRow()
{
    // Without a current row the focused list shows no focus at all; with one, Space picks it.
    loadBytes("anna\tsecret1\r\nbob\tsecret2\r\ncarl\tsecret3\r\n");
    QCOMPARE(m_form->LvwUserList->currentItem(), m_form->LvwUserList->topLevelItem(0));
    QVERIFY(m_form->LvwUserList->selectedItems().isEmpty());
    QTest::keyClick(m_form->LvwUserList, Qt::Key_Space);
    m_form->TbnDelUser->click();
    QCOMPARE(m_form->UserList.entries(), (QStringList{"bob\tsecret2", "carl\tsecret3"}));
    QCOMPARE(m_form->LvwUserList->currentItem(), m_form->LvwUserList->topLevelItem(0));
    QVERIFY(m_form->LvwUserList->selectedItems().isEmpty());
}

void MainUsersTest::editShowsALongLoadedPasswordWhole()
{
    const QString longPassword(30, u'p');
    loadBytes("anna\t" + longPassword.toLatin1() + "\r\n");
    select(0);
    QString shown;
    bool stayedOpen = false;
    WhenModal<TFormUserPassword> edit([&](TFormUserPassword* dialog) {
        shown = dialog->LblPassword->text();
        QTest::mouseClick(dialog->BtnOk, Qt::LeftButton);
        stayedOpen = dialog->isVisible();
        QTest::mouseClick(dialog->BtnCancel, Qt::LeftButton);
    });
    m_form->TbnEditUser->click();
    QVERIFY(edit.seen());
    // Not cut to 25 characters and stored so: the dialog refuses the length, and the entry stays as loaded.
    QCOMPARE(shown, longPassword);
    QVERIFY(stayedOpen);
    QCOMPARE(m_prompts->shownTexts(), QStringList{QStringLiteral("Password should consist of 6--25 characters.")});
    QCOMPARE(m_form->UserList.entries(), QStringList{"anna\t" + longPassword});

    // The next showing takes at most 25 typed characters again.
    int maxLength = 0;
    WhenModal<TFormUserPassword> add([&](TFormUserPassword* dialog) {
        maxLength = dialog->LblPassword->maxLength();
        QTest::mouseClick(dialog->BtnCancel, Qt::LeftButton);
    });
    m_form->TbnAddUser->click();
    QVERIFY(add.seen());
    QCOMPARE(maxLength, 25);
}

void MainUsersTest::removeAllEmptiesListAndRows()
{
    m_form->TbnDelAllUser->click();
    QVERIFY(m_form->UserList.isEmpty());
    QVERIFY(addUser(QStringLiteral("anna"), QStringLiteral("secret1")));
    QVERIFY(addUser(QStringLiteral("bob"), QStringLiteral("secret2")));
    m_form->TbnDelAllUser->click();
    QVERIFY(m_form->UserList.isEmpty());
    QCOMPARE(m_form->LvwUserList->topLevelItemCount(), 0);
}

void MainUsersTest::saveThenLoadGivesTheSameUsers()
{
    QVERIFY(addUser(QStringLiteral("bob"), QStringLiteral("secret2")));
    QVERIFY(addUser(QStringLiteral("anna"), QStringLiteral("secret1")));
    const QString path = m_dir->filePath(QStringLiteral("users.ust"));
    m_prompts->saveFileAnswers.append(path);
    m_form->TbnSaveUser->click();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("anna\tsecret1\r\nbob\tsecret2\r\n"));

    // A load replaces the users on screen.
    m_form->TbnDelAllUser->click();
    QVERIFY(addUser(QStringLiteral("carl"), QStringLiteral("secret3")));
    m_prompts->openFileAnswers.append(QStringList{path});
    m_form->TbnLoadUser->click();
    const QStringList expected{"anna\tsecret1", "bob\tsecret2"};
    QCOMPARE(m_form->UserList.entries(), expected);
    QCOMPARE(rows(), expected);
    QVERIFY(m_prompts->shown.isEmpty());
}

void MainUsersTest::failedLoadKeepsListAndRows()
{
    QVERIFY(addUser(QStringLiteral("anna"), QStringLiteral("secret1")));
    const QString path = m_dir->filePath(QStringLiteral("missing.ust"));
    m_prompts->openFileAnswers.append(QStringList{path});
    m_form->TbnLoadUser->click();
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].kind, Prompts::Kind::Error);
    QCOMPARE(m_prompts->shown[0].text, QStringLiteral("Cannot open file %1.").arg(QDir::toNativeSeparators(path)));
    QCOMPARE(m_form->UserList.entries(), QStringList{"anna\tsecret1"});
    QCOMPARE(rows(), QStringList{"anna\tsecret1"});
}

void MainUsersTest::failedSaveReportsTheFile()
{
    QVERIFY(addUser(QStringLiteral("anna"), QStringLiteral("secret1")));
    const QString path = m_dir->filePath(QStringLiteral("no-such-folder/users.ust"));
    m_prompts->saveFileAnswers.append(path);
    m_form->TbnSaveUser->click();
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].kind, Prompts::Kind::Error);
    QCOMPARE(m_prompts->shown[0].text, QStringLiteral("Cannot create file %1.").arg(QDir::toNativeSeparators(path)));
    QCOMPARE(m_form->UserList.entries(), QStringList{"anna\tsecret1"});
}

void MainUsersTest::cancelledFileDialogsChangeNothing()
{
    QVERIFY(addUser(QStringLiteral("anna"), QStringLiteral("secret1")));
    m_form->TbnSaveUser->click();
    m_form->TbnLoadUser->click();
    QCOMPARE(m_form->UserList.entries(), QStringList{"anna\tsecret1"});
    QCOMPARE(rows(), QStringList{"anna\tsecret1"});
    QVERIFY(m_prompts->shown.isEmpty());
    QVERIFY(QDir(m_dir->path()).isEmpty());
}

QTEST_MAIN(MainUsersTest)

#include "mainuserstest.moc"
