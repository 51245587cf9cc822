// The user dialog: its controls, its checks on OK, the keyboard and the focus at each showing.

#include "settings/userpassword.h"
#include "tests/support/fakeprompts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

class UserPasswordTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void controls();
    void okChecks_data();
    void okChecks();
    void passwordBoxTakesNo26thCharacter();
    void enterPressesOk();
    void escapeCancels();
    void nameBoxHasTheFocusAtEachShowing();

private:
    // Types the texts, presses OK and tells whether the dialog closed with the OK result.
    bool pressOk(const QString& name, const QString& password);

    std::unique_ptr<FakePrompts> m_prompts;
    std::unique_ptr<TFormUserPassword> m_dialog;
};

void UserPasswordTest::init()
{
    m_prompts = std::make_unique<FakePrompts>();
    m_dialog = std::make_unique<TFormUserPassword>();
    m_dialog->setWindowTitle(QStringLiteral("Add User"));
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
}

void UserPasswordTest::cleanup()
{
    m_dialog.reset();
    m_prompts.reset();
}

bool UserPasswordTest::pressOk(const QString& name, const QString& password)
{
    m_dialog->LblUser->setText(name);
    m_dialog->LblPassword->setText(password);
    QTest::mouseClick(m_dialog->BtnOk, Qt::LeftButton);
    return m_dialog->isHidden() && m_dialog->result() == QDialog::Accepted;
}

void UserPasswordTest::controls()
{
    QCOMPARE(m_dialog->LblUserLabel->text(), QStringLiteral("User:"));
    QCOMPARE(m_dialog->LblUserLabel->buddy(), m_dialog->LblUser);
    QCOMPARE(m_dialog->LblUser->accessibleName(), QStringLiteral("User:"));
    QCOMPARE(m_dialog->LblUser->maxLength(), 32767);
    QCOMPARE(m_dialog->LblPasswordLabel->text(), QStringLiteral("Password:"));
    QCOMPARE(m_dialog->LblPasswordLabel->buddy(), m_dialog->LblPassword);
    QCOMPARE(m_dialog->LblPassword->accessibleName(), QStringLiteral("Password:"));
    QCOMPARE(m_dialog->LblPassword->maxLength(), 25);
    QCOMPARE(m_dialog->LblPassword->echoMode(), QLineEdit::Normal);
    QCOMPARE(m_dialog->LblPasswordLimit->text(), QStringLiteral("[6--25 characters]"));
    QCOMPARE(m_dialog->LblPasswordLimit->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    QCOMPARE(m_dialog->BtnOk->text(), QStringLiteral("OK"));
    QCOMPARE(m_dialog->BtnOk->accessibleName(), QStringLiteral("OK"));
    QVERIFY(m_dialog->BtnOk->isDefault());
    QCOMPARE(m_dialog->BtnCancel->text(), QStringLiteral("Cancel"));
    QCOMPARE(m_dialog->BtnCancel->accessibleName(), QStringLiteral("Cancel"));
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Add User"));
    // Fixed size, with room for at least the designed client area.
    QCOMPARE(m_dialog->minimumSize(), m_dialog->maximumSize());
    QVERIFY(m_dialog->width() >= 267 && m_dialog->height() >= 113);
}

void UserPasswordTest::okChecks_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("warning"); // empty: accepted

    const QString noName = QStringLiteral("Please input the user name.");
    const QString badLength = QStringLiteral("Password should consist of 6--25 characters.");
    QTest::newRow("An empty name is refused first") << QString() << QStringLiteral("x") << noName;
    QTest::newRow("A name of blanks is empty") << QStringLiteral("   ") << QStringLiteral("secret1") << noName;
    QTest::newRow("Blanks do not count") << QStringLiteral("anna") << QStringLiteral(" 12345   ") << badLength;
    QTest::newRow("Twenty-five characters are accepted") << QStringLiteral("anna") << QString(25, u'x') << QString();
    QTest::newRow("A pair longer than the page can read is refused")
        << QString(232, u'n') << QString(25, u'p')
        << QStringLiteral("The user name and the password together should not exceed 256 characters: the page could "
                          "never open for a longer pair.");
}

void UserPasswordTest::okChecks()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, warning);

    QCOMPARE(pressOk(name, password), warning.isEmpty());
    if (warning.isEmpty()) {
        QVERIFY(m_prompts->shown.isEmpty());
        return;
    }
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].kind, Prompts::Kind::Warning);
    QCOMPARE(m_prompts->shown[0].text, warning);
    // The dialog stays open with the texts as typed, so they can be corrected.
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(m_dialog->LblUser->text(), name);
    QCOMPARE(m_dialog->LblPassword->text(), password);
}

void UserPasswordTest::passwordBoxTakesNo26thCharacter()
{
    m_dialog->LblPassword->setFocus();
    QTest::keyClicks(m_dialog->LblPassword, QString(26, u'k'));
    QCOMPARE(m_dialog->LblPassword->text(), QString(25, u'k'));
}

void UserPasswordTest::enterPressesOk()
{
    m_dialog->LblUser->setText(QStringLiteral("anna"));
    m_dialog->LblPassword->setText(QStringLiteral("secret1"));
    QTest::keyClick(m_dialog->LblPassword, Qt::Key_Return);
    QVERIFY(m_dialog->isHidden());
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
}

void UserPasswordTest::escapeCancels()
{
    m_dialog->LblUser->setText(QStringLiteral("anna"));
    m_dialog->LblPassword->setText(QStringLiteral("secret1"));
    QTest::keyClick(m_dialog->LblUser, Qt::Key_Escape);
    QVERIFY(m_dialog->isHidden());
    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
    QVERIFY(m_prompts->shown.isEmpty());
}

void UserPasswordTest::nameBoxHasTheFocusAtEachShowing()
{
    QCOMPARE(m_dialog->focusWidget(), m_dialog->LblUser);
    m_dialog->LblPassword->setFocus();
    QCOMPARE(m_dialog->focusWidget(), m_dialog->LblPassword);
    m_dialog->hide();
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
    QCOMPARE(m_dialog->focusWidget(), m_dialog->LblUser);
}

QTEST_MAIN(UserPasswordTest)

#include "userpasswordtest.moc"
