// Start-up: the main window and the dialogs it reuses, each held in its global, and what the globals hold once
// a main window has gone, as when a test builds the windows again.

#include "ui/application.h"
#include "jobs/addfolder.h"
#include "settings/userpassword.h"
#include "ui/aboutbox.h"
#include "ui/main.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

class ApplicationTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void dialogGlobalsGoWithTheirMainWindow();
    void windowsBuiltAgainKeepTheirOwnDialogs();

private:
    // Each dialog global is set and holds a dialog of window.
    static void verifyDialogsOf(const TFormMain* window);
    static void verifyDialogsGone();
};

void ApplicationTest::cleanup()
{
    delete FormMain;
}

void ApplicationTest::verifyDialogsOf(const TFormMain* window)
{
    QVERIFY(FormAddFolder);
    QVERIFY(FormAboutBox);
    QVERIFY(FormUserPassword);
    QCOMPARE(FormAddFolder->parentWidget(), window);
    QCOMPARE(FormAboutBox->parentWidget(), window);
    QCOMPARE(FormUserPassword->parentWidget(), window);
}

void ApplicationTest::verifyDialogsGone()
{
    // Only the pointers are compared: a global left behind points at freed memory.
    QVERIFY2(!FormAddFolder, "FormAddFolder points at a deleted dialog");
    QVERIFY2(!FormAboutBox, "FormAboutBox points at a deleted dialog");
    QVERIFY2(!FormUserPassword, "FormUserPassword points at a deleted dialog");
}

void ApplicationTest::dialogGlobalsGoWithTheirMainWindow()
{
    QVERIFY(Startup::CreateWindows());
    verifyDialogsOf(FormMain);
    delete FormMain;
    QVERIFY(!FormMain);
    verifyDialogsGone();
}

void ApplicationTest::windowsBuiltAgainKeepTheirOwnDialogs()
{
    QVERIFY(Startup::CreateWindows());
    TFormMain* first = FormMain;
    QVERIFY(Startup::CreateWindows());
    TFormMain* second = FormMain;

    // The first windows going must not take the second ones' dialogs with them.
    delete first;
    QCOMPARE(FormMain, second);
    verifyDialogsOf(second);
    bool shown = false;
    QTimer::singleShot(0, FormAboutBox, [&shown] {
        shown = QApplication::activeModalWidget() == FormAboutBox;
        FormAboutBox->accept();
    });
    second->BtnAbout->click();
    QVERIFY(shown);

    delete second;
    verifyDialogsGone();
}

QTEST_MAIN(ApplicationTest)
#include "applicationtest.moc"
