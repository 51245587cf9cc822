#include "jobs/addfolder.h"
#include "tests/support/fakeprompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class AddFolderTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsWithTheWorkingFolderAndSubfoldersOn();
    void everyControlHasItsTextAndAccessibleName();
    void okWithAnExistingFolderAcceptsAndRemembersIt();
    void historyHoldsAFolderOnceApartFromCaseAndInOrder();
    void missingFolderWarnsAndStaysOpen_data();
    void missingFolderWarnsAndStaysOpen();
    void cancelKeepsTheTypedTextButNotInTheHistory();
    void browseFillsTheTextOnly();
    void enterPressesOkAndEscCancels();

private:
    // Shows the dialog without a nested loop; the result shows in result() once it closes.
    void showWith(const QString& text);

    std::unique_ptr<TFormAddFolder> m_dialog;
    std::unique_ptr<FakePrompts> m_prompts;
    QTemporaryDir m_dir;
};

void AddFolderTest::init()
{
    QVERIFY(m_dir.isValid());
    m_prompts = std::make_unique<FakePrompts>();
    m_dialog = std::make_unique<TFormAddFolder>();
}

void AddFolderTest::cleanup()
{
    m_dialog.reset();
    m_prompts.reset();
}

void AddFolderTest::showWith(const QString& text)
{
    m_dialog->setResult(QDialog::Rejected);
    m_dialog->CmbFolder->setEditText(text);
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
}

void AddFolderTest::startsWithTheWorkingFolderAndSubfoldersOn()
{
    QCOMPARE(m_dialog->folderText(), QDir::toNativeSeparators(QDir::currentPath()));
    QVERIFY(m_dialog->includeSubFolders());
    QCOMPARE(m_dialog->CmbFolder->count(), 0);
    QVERIFY(m_dialog->CmbFolder->isEditable());
    QCOMPARE(m_dialog->CmbFolder->insertPolicy(), QComboBox::NoInsert);
    // It opens at its designed place on the screen, and keeps it from one showing to the next.
    for (int showing = 0; showing < 2; ++showing) {
        showWith(m_dir.path());
        QCOMPARE(m_dialog->pos(), QPoint(302, 201));
        m_dialog->hide();
    }
}

void AddFolderTest::everyControlHasItsTextAndAccessibleName()
{
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Add Folder"));
    QCOMPARE(m_dialog->LblFolder->text(), QStringLiteral("Add html files in the folder:"));
    QCOMPARE(m_dialog->CmbFolder->accessibleName(), m_dialog->LblFolder->text());
    QCOMPARE(m_dialog->BtnBrowse->text(), QStringLiteral("Browse"));
    QCOMPARE(m_dialog->BtnBrowse->toolTip(), QStringLiteral("Browse For Folder"));
    QCOMPARE(m_dialog->ChkIncludeSubFolder->text(), QStringLiteral("Include Sub Folders"));
    QVERIFY(m_dialog->BtnOK->isDefault());
    for (QWidget* control :
         QList<QWidget*>{m_dialog->BtnBrowse, m_dialog->ChkIncludeSubFolder, m_dialog->BtnOK, m_dialog->BtnCancel}) {
        QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
        QVERIFY(control->focusPolicy() & Qt::TabFocus);
    }
    for (const char* name : {"LblFolder", "CmbFolder", "BtnBrowse", "ChkIncludeSubFolder", "BtnOK", "BtnCancel"}) {
        QVERIFY2(m_dialog->findChild<QWidget*>(QString::fromLatin1(name)), name);
    }
}

void AddFolderTest::okWithAnExistingFolderAcceptsAndRemembersIt()
{
    showWith(m_dir.path());
    m_dialog->BtnOK->click();
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->CmbFolder->count(), 1);
    QCOMPARE(m_dialog->CmbFolder->itemText(0), m_dir.path());
    QCOMPARE(m_dialog->folderText(), m_dir.path());
    QVERIFY(m_prompts->shown.isEmpty());
}

void AddFolderTest::historyHoldsAFolderOnceApartFromCaseAndInOrder()
{
    const QString upper = m_dir.filePath("Web");
    const QString lower = m_dir.filePath("web");
    const QString other = m_dir.filePath("other");
    for (const QString& folder : {upper, lower, other}) {
        QVERIFY(QDir().mkpath(folder));
    }
    for (const QString& folder : {other, upper, lower, other}) {
        showWith(folder);
        m_dialog->BtnOK->click();
        QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    }
    QCOMPARE(m_dialog->CmbFolder->count(), 2);
    QCOMPARE(m_dialog->CmbFolder->itemText(0), other);
    QCOMPARE(m_dialog->CmbFolder->itemText(1), upper);
}

void AddFolderTest::missingFolderWarnsAndStaysOpen_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("a folder that is not there") << m_dir.filePath("nowhere");
    QTest::newRow("the empty text") << QString();
    QTest::newRow("blanks are not trimmed") << QStringLiteral(" ") + m_dir.path();
    QFile file(m_dir.filePath("page.htm"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QTest::newRow("a file is not a folder") << file.fileName();
}

void AddFolderTest::missingFolderWarnsAndStaysOpen()
{
    QFETCH(QString, text);
    showWith(text);
    m_dialog->BtnOK->click();
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(m_dialog->folderText(), text);
    QCOMPARE(m_dialog->CmbFolder->count(), 0);
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown[0].kind, Prompts::Kind::Warning);
    QCOMPARE(m_prompts->shown[0].text, QStringLiteral("The folder ") + text + QStringLiteral(" does not exist!"));
}

void AddFolderTest::cancelKeepsTheTypedTextButNotInTheHistory()
{
    showWith(m_dir.path());
    m_dialog->BtnCancel->click();
    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->folderText(), m_dir.path());
    QCOMPARE(m_dialog->CmbFolder->count(), 0);
}

void AddFolderTest::browseFillsTheTextOnly()
{
    showWith(QStringLiteral("typed"));
    m_prompts->directoryAnswers = {m_dir.path()};
    m_dialog->BtnBrowse->click();
    QCOMPARE(m_dialog->folderText(), m_dir.path());
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(m_dialog->CmbFolder->count(), 0);

    // A cancelled chooser answers nothing and leaves the text alone.
    m_dialog->BtnBrowse->click();
    QCOMPARE(m_dialog->folderText(), m_dir.path());
}

void AddFolderTest::enterPressesOkAndEscCancels()
{
    showWith(m_dir.filePath("nowhere"));
    m_dialog->CmbFolder->lineEdit()->setFocus();
    QTest::keyClick(m_dialog->CmbFolder->lineEdit(), Qt::Key_Return);
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_dialog->CmbFolder->count(), 0);
    QVERIFY(m_dialog->isVisible());

    m_dialog->CmbFolder->setEditText(m_dir.path());
    QTest::keyClick(m_dialog->CmbFolder->lineEdit(), Qt::Key_Return);
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QCOMPARE(m_dialog->CmbFolder->count(), 1);

    showWith(m_dir.path());
    QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
}

QTEST_MAIN(AddFolderTest)
#include "addfoldertest.moc"
