// The wizard window: its initial state, the two page sequences, the password settings and their check,
// keyboard and screen-reader access, closing, and the error display for a failing handler.

#include "settings/passwordsettings.h"
#include "tests/support/fakeprompts.h"
#include "ui/aboutbox.h"
#include "ui/application.h"
#include "ui/linklabel.h"
#include "ui/main.h"
#include "uikit/handlers.h"
#include "uikit/strings.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QTreeWidget>

#include <memory>
#include <stdexcept>

namespace
{
    const QString s_userPreview = QStringLiteral("[ User: \"default\"   Password: \"Rb4vTqLm9Xe\" ]");
    const QString s_singlePreview = QStringLiteral("[password is \"pvkmsto\"]");
    const QString s_mismatch = QStringLiteral("Password and password confirmation don't match!");
    const QString s_length = QStringLiteral("Password should consist of 6--25 characters.");

    // Values the table compares that are not Qt properties of the control.
    QVariant Observe(QObject* object, const QByteArray& name)
    {
        auto* widget = qobject_cast<QWidget*>(object);
        if (name == "shown") {
            return !widget->isHidden();
        }
        if (name == "class") {
            return QString::fromLatin1(object->metaObject()->className());
        }
        if (name == "underline") {
            return widget->font().underline();
        }
        if (name == "cursor") {
            return int(widget->cursor().shape());
        }
        if (name == "colour") {
            return widget->palette().color(widget->foregroundRole()).name();
        }
        if (name == "items") {
            auto* combo = qobject_cast<QComboBox*>(object);
            QStringList items;
            for (int i = 0; i < combo->count(); ++i) {
                items.append(combo->itemText(i));
            }
            return items;
        }
        if (name == "columns") {
            auto* view = qobject_cast<QTreeWidget*>(object);
            QStringList columns;
            for (int i = 0; i < view->columnCount(); ++i) {
                columns.append(view->headerItem()->text(i));
            }
            return columns;
        }
        if (name == "sortable") {
            auto* view = qobject_cast<QTreeWidget*>(object);
            return view->isSortingEnabled() || view->header()->sectionsClickable();
        }
        if (name == "picture") {
            return !qobject_cast<QLabel*>(object)->pixmap().isNull();
        }
        if (name == "icon") {
            return !qobject_cast<QAbstractButton*>(object)->icon().isNull();
        }
        return object->property(name.constData());
    }

    QString WithLength(int length)
    {
        return QString(length, QLatin1Char('a'));
    }
} // namespace

// A handler that fails: first with a standard exception, then with something else.
class Thrower : public QObject
{
    Q_OBJECT

public slots:
    void Fail()
    {
        if (m_calls++ == 0) {
            throw std::runtime_error("Cannot create file /nowhere/list.lst");
        }
        throw 42;
    }

private:
    int m_calls = 0;
};

class MainWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void initialState_data();
    void initialState();
    void initialFields();
    void windowFrame();
    void listsGrowWithTheWindow();
    void cutCellsShowTheirWholeTextAsToolTip();
    void pageSequences_data();
    void pageSequences();
    void switchingTypeTakesEffectOnNextMove();
    void codeSelectionRunsNoHandler();
    void passwordRule_data();
    void passwordRule();
    void passwordCheckOnNext_data();
    void passwordCheckOnNext();
    void backNeverChecks();
    void typeSwitchKeepsBothPanels();
    void hideSwitches();
    void columnWidths();
    void toolImagesHaveHotForm();
    void accessibleNames();
    void focusOrder();
    void encryptionFromTheKeyboard();
    void spaceOnNextNeverReachesExit();
    void enterAndEscapePressNoButton();
    void exitAndCloseBoxEndWithoutQuestion();
    void handlerExceptionReachesErrorDisplay();
    void aboutBoxCentredOnScreen();

private:
    void walkTo(int step);

    std::unique_ptr<FakePrompts> m_prompts;
    std::unique_ptr<TFormMain> m_form;
};

void MainWindowTest::init()
{
    m_prompts = std::make_unique<FakePrompts>();
    m_form = std::make_unique<TFormMain>();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void MainWindowTest::cleanup()
{
    m_form.reset();
    m_prompts.reset();
}

void MainWindowTest::walkTo(int step)
{
    while (m_form->CurrentStep < step) {
        const int before = m_form->CurrentStep;
        QTest::mouseClick(m_form->BtnNext, Qt::LeftButton);
        QVERIFY2(m_form->CurrentStep == before + 1, "Next did not move on");
    }
}

void MainWindowTest::initialState_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("expected");
    const auto row = [](const char* object, const char* property, const QVariant& expected) {
        QTest::addRow("%s %s", object, property) << QString::fromLatin1(object) << QByteArray(property) << expected;
    };
    const QString navy = QStringLiteral("#000080");
    const int hand = int(Qt::PointingHandCursor);

    row("FormMain", "windowTitle", "Quillgate " QUILLGATE_VERSION);
    row("ImgLogo", "picture", true);
    row("BevelLine", "frameShape", int(QFrame::HLine));
    row("BtnHelp", "text", "Help");
    row("BtnHelp", "icon", true);
    row("BtnBack", "text", "Back");
    row("BtnBack", "enabled", false);
    row("BtnNext", "text", "Next");
    row("BtnNext", "enabled", true);
    row("BtnExit", "text", "Exit");
    row("BtnExit", "enabled", true);

    row("PnlStep0", "shown", true);
    row("PnlStep1", "shown", false);
    row("PnlStep2", "shown", false);
    row("PnlUserList", "shown", false);
    row("PnlStep3", "shown", false);
    row("PnlStep4", "shown", false);

    row("LblStep0Logo", "text", "Welcome to Quillgate Wizard!");
    row("LblStep0Features",
        "text",
        "Quillgate is a powerful tool designed to create encrypted and password protected web pages and whole web "
        "site, unlike other similar tools which always use very simple algorithm, Quillgate use strong encryption "
        "algorithms to provide best security.\nThis wizard will help you create encrypted and password protected web "
        "pages or whole web site in just a few clicks!");
    row("LblStep0Features", "wordWrap", true);
    row("LblStep0Copyright", "text", "Copyright \u00a9 2026 Orvantic Software Inc.");
    row("LblStep0Website", "text", "https://www.orvantic.example/quillgate");
    row("LblStep0Website", "underline", true);
    row("LblStep0Website", "cursor", hand);
    row("LblStep0Email", "text", "support@orvantic.example");
    row("LblStep0Email", "underline", true);
    row("LblStep0Email", "cursor", hand);
    row("BtnAbout", "text", "About");
    row("BtnAbout", "icon", true);

    row("LblStep1Logo", "text", "Step 1");
    row("LblStep1Content", "text", "Please select web pages to protect.");
    row("TBarStep1", "class", "QToolBar");
    row("TbnAddFile", "toolTip", "Add file");
    row("TbnAddFile", "autoRaise", true);
    row("TbnAddFile", "iconSize", QSize(32, 32));
    row("TbnAddFolder", "toolTip", "Add folder");
    row("TbnDelFile", "toolTip", "Delete file");
    row("TbnDelAll", "toolTip", "Delete all");
    row("TbnSeperator", "frameShape", int(QFrame::VLine));
    row("TbnSaveFileList", "toolTip", "Save file list");
    row("TbnLoadFileList", "toolTip", "Load file list");
    row("ChkBackupFile", "text", "Create backup files");
    row("ChkBackupFile", "checked", true);
    row("LvwFileList", "columns", QStringList{"FileName", "Path", "Size"});
    row("LvwFileList", "selectionMode", int(QAbstractItemView::ExtendedSelection));
    row("LvwFileList", "selectionBehavior", int(QAbstractItemView::SelectRows));
    row("LvwFileList", "rootIsDecorated", false);
    row("LvwFileList", "sortable", false);
    row("LvwFileList", "editTriggers", int(QAbstractItemView::NoEditTriggers));

    row("LblStep2Logo", "text", "Step 2");
    row("LblStep2Content",
        "text",
        "Select password type: For single password type, type a password for the pages you want to protect; For "
        "user/password type, type master password, and define user/password list in the next step. ");
    row("CmbPasswordType", "items", QStringList{"single password", "user/password"});
    row("CmbPasswordType", "currentIndex", 0);
    row("CmbPasswordType", "editable", false);
    row("PnlSinglePassword", "shown", true);
    row("PnlUserPassword", "shown", false);
    row("LblPassword", "text", "Password:");
    row("EditPassword", "text", "pvkmsto");
    row("EditPassword", "maxLength", 25);
    row("EditPassword", "echoMode", int(QLineEdit::Normal));
    row("LblConfirmPassword", "text", "Confirm password:");
    row("EditConfirmPassword", "text", "pvkmsto");
    row("EditConfirmPassword", "maxLength", 25);
    row("EditConfirmPassword", "echoMode", int(QLineEdit::Normal));
    row("LblPasswordLimit", "text", "[6--25 characters]");
    row("LblPasswordLimit", "colour", navy);
    row("ChkNotShowPassword", "text", "Don't show password.");
    row("ChkNotShowPassword", "checked", false);
    row("LblMasterPassword", "text", "Master Password");
    row("EditMasterPassword", "text", "pvkmsto");
    row("EditMasterPassword", "maxLength", 25);
    row("EditMasterPassword", "echoMode", int(QLineEdit::Normal));
    row("LblConfirmMasterPassword", "text", "Confirm Master Password:");
    row("EditConfirmMasterPassword", "text", "pvkmsto");
    row("EditConfirmMasterPassword", "maxLength", 25);
    row("EditConfirmMasterPassword", "echoMode", int(QLineEdit::Normal));
    row("LblMasterPasswordLimit", "text", "[6--25 characters]");
    row("LblMasterPasswordLimit", "colour", navy);
    row("ChkNotShowMasterPassword", "text", "Don't show password.");
    row("ChkNotShowMasterPassword", "checked", false);
    row("LblMasterPasswordContent",
        "text",
        "Master password is used to encrypt html pages. It should be known only by the administrator, and no users "
        "will ever need to know it. ");
    row("LblMasterPasswordContent", "wordWrap", true);

    row("LblAddUserList", "text", "Add User List");
    row("LblAddUserContent",
        "text",
        "Edit User List: you can add user, del user, edit user, save user list to lst file, load user list from "
        "file;");
    row("TbrAddUser", "class", "QToolBar");
    row("TbnAddUser", "toolTip", "Add user");
    row("TbnEditUser", "toolTip", "Edit user");
    row("TbnDelUser", "toolTip", "Remove user");
    row("TbnDelAllUser", "toolTip", "Remove all users");
    row("ToolButton6", "frameShape", int(QFrame::VLine));
    row("TbnSaveUser", "toolTip", "Save user list to lst file");
    row("TbnLoadUser", "toolTip", "Load user list from lst file");
    row("LvwUserList", "columns", QStringList{"User", "Password"});
    row("LvwUserList", "selectionMode", int(QAbstractItemView::SingleSelection));
    row("LvwUserList", "selectionBehavior", int(QAbstractItemView::SelectRows));
    row("LvwUserList", "sortable", false);
    row("LvwUserList", "editTriggers", int(QAbstractItemView::NoEditTriggers));
    row("LblUserPasswordContent",
        "text",
        "\"Save user list to list file\" will save the user/password list in a text file, so you can load it again "
        "when you want to lock another html file with the same user list.");

    row("LblStep3Logo", "text", "Step 3");
    row("LblStep3Content", "text", "Select protection type and color for your web pages.");
    row("LblProtectionType", "text", "Protection Type:");
    row("CmbProtectionType", "items", QStringList{"Page", "Session", "Cookie"});
    row("CmbProtectionType", "currentIndex", 0);
    row("CmbProtectionType", "editable", false);
    row("LblProtectionContent",
        "text",
        "Page selected: use this protectin type to protect your web pages. Every time you enter a protected web "
        "page, a password is needed.");
    row("LblPageColor", "text", "Page Color:");
    row("CmbPageColor", "items", QStringList{"White", "Black", "Yellow", "Blue"});
    row("CmbPageColor", "currentIndex", 0);
    row("CmbPageColor", "editable", false);
    row("BtnColorPreview", "text", "Preview");
    row("LblPreviewPassword", "text", s_singlePreview);
    row("LblPreviewPassword", "colour", navy);
    row("LblEncryption", "text", "Encryption:");
    row("CmbEncryption", "items", QStringList{"Classic (compatible)", "Strong (AES-256)"});
    row("CmbEncryption", "currentIndex", 0);
    row("CmbEncryption", "editable", false);
    row("LblEncryptionContent",
        "text",
        "Classic: opens in every browser, but only hides the page from casual readers: a copy of it lets a guesser "
        "test passwords quickly.");

    row("LblStep4Logo", "text", "Step 4");
    row("LblStep4Content",
        "text",
        "Click \"Create\" button to create encrypted and password protected web pages. You can preview the selected "
        "file by clicking \"Preview\" button.");
    row("TbarStep4", "class", "QToolBar");
    row("TbnShow", "toolTip", "Preview Selected File");
    row("BtnCreate", "text", "Create");
    row("BtnCreate", "toolTip", "Create Encrypted Html Files");
    row("LvwFileShow", "columns", QStringList{"FileName", "Path", "Encrypted size"});
    row("LvwFileShow", "selectionMode", int(QAbstractItemView::SingleSelection));
    row("LvwFileShow", "selectionBehavior", int(QAbstractItemView::SelectRows));
    row("LvwFileShow", "sortable", false);
    row("LvwFileShow", "editTriggers", int(QAbstractItemView::NoEditTriggers));
}

void MainWindowTest::initialState()
{
    QFETCH(QString, object);
    QFETCH(QByteArray, property);
    QFETCH(QVariant, expected);

    QObject* found = object == m_form->objectName() ? m_form.get() : m_form->findChild<QObject*>(object);
    QVERIFY2(found, qPrintable(QStringLiteral("no control named %1").arg(object)));
    QVariant actual = Observe(found, property);
    QVERIFY2(actual.isValid(), qPrintable(QStringLiteral("%1 has no %2").arg(object, property)));
    if (expected.typeId() == QMetaType::Int && actual.canConvert<int>()) {
        actual = actual.toInt(); // enumerations
    }
    QCOMPARE(actual, expected);
}

void MainWindowTest::initialFields()
{
    QCOMPARE(m_form->PasswordType, 2000);
    QCOMPARE(m_form->ProtectionType, 1000);
    QCOMPARE(m_form->PageColor, 0xFFFFFF);
    QCOMPARE(m_form->Encryption, Batch::Encryption::Classic);
    QCOMPARE(m_form->CurrentStep, 0);
    QVERIFY(m_form->FileList.isEmpty());
    QVERIFY(m_form->UserList.isEmpty());
}

void MainWindowTest::windowFrame()
{
    const Qt::WindowFlags flags = m_form->windowFlags();
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(flags & Qt::WindowMaximizeButtonHint);
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    // The designed size is the start size and the least; the window may grow beyond it.
    QCOMPARE(m_form->size(), m_form->minimumSize());
    QVERIFY(m_form->maximumWidth() > m_form->width() && m_form->maximumHeight() > m_form->height());
    QVERIFY(m_form->width() >= 507);
    QVERIFY(m_form->height() >= 300);
    QVERIFY(m_form->screen()->availableGeometry().contains(m_form->geometry()));

    // The designed size holds every page at its full size, so a page switch never moves anything.
    const QSize before = m_form->size();
    for (int step = 1; step <= 4; ++step) {
        QTest::mouseClick(m_form->BtnNext, Qt::LeftButton);
        QCOMPARE(m_form->size(), before);
    }
    m_form->CmbPasswordType->setCurrentIndex(1);
    m_form->CmbPasswordTypeChange();
    m_form->CmbProtectionType->setCurrentIndex(1);
    m_form->CmbProtectionTypeChange();
    m_form->CmbEncryption->setCurrentIndex(1);
    m_form->CmbEncryptionChange();
    QApplication::processEvents();
    QCOMPARE(m_form->size(), before);
}

void MainWindowTest::listsGrowWithTheWindow()
{
    // The user list page is in the sequence only in user/password mode.
    m_form->CmbPasswordType->setCurrentIndex(1);
    m_form->CmbPasswordTypeChange();
    const QList<std::pair<int, QTreeWidget*>> lists{
        {1, m_form->LvwFileList}, {3, m_form->LvwUserList}, {5, m_form->LvwFileShow}};
    struct Measure
    {
        QSize size;
        QList<int> columns;
    };
    const auto measure = [this, &lists] {
        QList<Measure> measures;
        for (const auto& [step, view] : lists) {
            m_form->ShowStep(step);
            QApplication::processEvents();
            Measure m{view->size(), {}};
            for (int i = 0; i < view->columnCount(); ++i) {
                m.columns.append(view->columnWidth(i));
            }
            measures.append(m);
        }
        return measures;
    };
    const QList<Measure> designed = measure();
    // The side picture fills the pages' height, above the rule, and is not stretched further.
    const QRect logo = m_form->ImgLogo->geometry();
    QVERIFY(logo.bottom() < m_form->BevelLine->geometry().top());
    const QSize growth(300, 200);
    m_form->resize(m_form->size() + growth);
    const QList<Measure> grown = measure();
    QCOMPARE(m_form->ImgLogo->geometry(), logo);

    for (int i = 0; i < lists.size(); ++i) {
        const QString name = lists.at(i).second->objectName();
        // All the new width; at least the new height (a wrapped text above may need fewer lines now).
        QCOMPARE(grown[i].size.width() - designed[i].size.width(), growth.width());
        QVERIFY2(grown[i].size.height() - designed[i].size.height() >= growth.height(), qPrintable(name));
        // The second column (Path, or Password) takes all the new width; the others keep theirs.
        QCOMPARE(grown[i].columns[1] - designed[i].columns[1], growth.width());
        for (int column : {0, 2}) {
            if (column < designed[i].columns.size()) {
                QVERIFY2(grown[i].columns[column] == designed[i].columns[column], qPrintable(name));
            }
        }
        // At the designed size the columns fill the list.
        int total = 0;
        for (int width : designed[i].columns) {
            total += width;
        }
        QVERIFY2(total == lists.at(i).second->viewport()->width() - growth.width(), qPrintable(name));
    }

    // Never smaller than designed.
    m_form->resize(100, 100);
    QCOMPARE(m_form->size(), m_form->minimumSize());
}

void MainWindowTest::cutCellsShowTheirWholeTextAsToolTip()
{
    QString folder;
    for (int i = 0; i < 20; ++i) {
        folder += QStringLiteral("/a-folder-with-a-long-name");
    }
    m_form->FileList.add(folder + QStringLiteral("/a.htm"));
    m_form->rebuildFileListView();
    walkTo(1);
    QTreeWidget* view = m_form->LvwFileList;
    const auto tipAt = [view](int column) {
        const QPoint at(view->header()->sectionViewportPosition(column) + 4,
                        view->visualItemRect(view->topLevelItem(0)).center().y());
        QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
        QApplication::sendEvent(view->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    // Cells whose text fits have no tip (asked first: a tip, once shown, takes a moment to go).
    QCOMPARE(tipAt(0), QString());
    QCOMPARE(tipAt(2), QString());
    QCOMPARE(tipAt(1), folder);
}

void MainWindowTest::pageSequences_data()
{
    QTest::addColumn<int>("typeIndex");
    QTest::addColumn<QStringList>("pages");
    QTest::newRow("Single password: five pages")
        << 0 << QStringList{"PnlStep0", "PnlStep1", "PnlStep2", "PnlStep3", "PnlStep4"};
    QTest::newRow("User/password: the user list after the password page")
        << 1 << QStringList{"PnlStep0", "PnlStep1", "PnlStep2", "PnlUserList", "PnlStep3", "PnlStep4"};
}

void MainWindowTest::pageSequences()
{
    QFETCH(int, typeIndex);
    QFETCH(QStringList, pages);
    const QStringList all{"PnlStep0", "PnlStep1", "PnlStep2", "PnlUserList", "PnlStep3", "PnlStep4"};
    const int last = static_cast<int>(pages.size()) - 1;

    const auto check = [&](int step) {
        QCOMPARE(m_form->CurrentStep, step);
        for (const QString& name : all) {
            QCOMPARE(m_form->findChild<QWidget*>(name)->isVisible(), name == pages.at(step));
        }
        QCOMPARE(m_form->BtnBack->isEnabled(), step != 0);
        QCOMPARE(m_form->BtnNext->isEnabled(), step != last);
    };

    check(0);
    for (int step = 1; step <= last; ++step) {
        if (step == 3) {
            // Choose the type on the password page, as the user does.
            m_form->CmbPasswordType->setCurrentIndex(typeIndex);
            emit m_form->CmbPasswordType->activated(typeIndex);
        }
        QTest::mouseClick(m_form->BtnNext, Qt::LeftButton);
        check(step);
    }
    // Next on the last page is disabled; called anyway it stays there.
    m_form->BtnNextClick();
    check(last);
    for (int step = last - 1; step >= 0; --step) {
        QTest::mouseClick(m_form->BtnBack, Qt::LeftButton);
        check(step);
    }
    m_form->BtnBackClick();
    check(0);
    QVERIFY(m_prompts->shown.isEmpty());
}

void MainWindowTest::switchingTypeTakesEffectOnNextMove()
{
    walkTo(2);
    QTest::keyClick(m_form->CmbPasswordType, Qt::Key_Down);
    QCOMPARE(m_form->PasswordType, 2001);
    QVERIFY(m_form->PnlStep2->isVisible());
    QTest::mouseClick(m_form->BtnNext, Qt::LeftButton);
    QVERIFY(m_form->PnlUserList->isVisible());
    QTest::mouseClick(m_form->BtnBack, Qt::LeftButton);
    QVERIFY(m_form->PnlStep2->isVisible());
    QTest::keyClick(m_form->CmbPasswordType, Qt::Key_Up);
    QCOMPARE(m_form->PasswordType, 2000);
    QTest::mouseClick(m_form->BtnNext, Qt::LeftButton);
    QVERIFY(m_form->PnlStep3->isVisible());
    QVERIFY(!m_form->PnlUserList->isVisible());
    QCOMPARE(m_form->CurrentStep, 3);
}

void MainWindowTest::codeSelectionRunsNoHandler()
{
    m_form->CmbPasswordType->setCurrentIndex(1);
    QCOMPARE(m_form->PasswordType, 2000);
    QCOMPARE(m_form->LblPreviewPassword->text(), s_singlePreview);
}

void MainWindowTest::passwordRule_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<QString>("message"); // empty: accepted
    QTest::newRow("Blanks around are trimmed before comparing") << "  abcdef  "
                                                                << "abcdef"
                                                                << "";
    QTest::newRow("Control characters around are trimmed") << "\tabcdef\r\n"
                                                           << "abcdef\x01"
                                                           << "";
    QTest::newRow("Blanks around do not count") << "  abcde  "
                                                << "  abcde  " << s_length;
    QTest::newRow("Twenty-five characters between blanks pass") << " " + WithLength(25) + " " << WithLength(25) << "";
    QTest::newRow("Blanks inside stay") << "abc def"
                                        << "abcdef" << s_mismatch;
    QTest::newRow("Letter case counts") << "Abcdef"
                                        << "abcdef" << s_mismatch;
    QTest::newRow("A mismatch is reported before the length") << "abc"
                                                              << "abd" << s_mismatch;
    QTest::newRow("Both empty: the length") << ""
                                            << "" << s_length;
    QTest::newRow("Blanks only: the length") << "   "
                                             << "" << s_length;
}

void MainWindowTest::passwordRule()
{
    QFETCH(QString, password);
    QFETCH(QString, confirmation);
    QFETCH(QString, message);
    QCOMPARE(PasswordSettings::CheckPasswordPair(password, confirmation).value_or(QString()), message);
}

void MainWindowTest::passwordCheckOnNext_data()
{
    QTest::addColumn<int>("typeIndex");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<QString>("otherPassword");
    QTest::addColumn<QString>("otherConfirmation");
    QTest::addColumn<QString>("message"); // empty: Next moves on
    QTest::newRow("Single: the initial passwords pass") << 0 << "pvkmsto"
                                                        << "pvkmsto"
                                                        << "pvkmsto"
                                                        << "pvkmsto"
                                                        << "";
    QTest::newRow("Single: the master pair is not looked at") << 0 << "secret1"
                                                              << "secret1"
                                                              << ""
                                                              << "x"
                                                              << "";
    QTest::newRow("Single: mismatch") << 0 << "secret1"
                                      << "secret2"
                                      << "ok"
                                      << "ok" << s_mismatch;
    QTest::newRow("Single: too short") << 0 << "abc"
                                       << "abc"
                                       << "masterkey"
                                       << "masterkey" << s_length;
    QTest::newRow("User: the initial passwords pass") << 1 << "pvkmsto"
                                                      << "pvkmsto"
                                                      << "pvkmsto"
                                                      << "pvkmsto"
                                                      << "";
    QTest::newRow("User: the single pair is not looked at") << 1 << "masterkey"
                                                            << "masterkey"
                                                            << ""
                                                            << ""
                                                            << "";
    QTest::newRow("User: mismatch") << 1 << "masterkey"
                                    << "Masterkey"
                                    << "same12"
                                    << "same12" << s_mismatch;
    QTest::newRow("User: twenty-five pass") << 1 << WithLength(25) << WithLength(25) << ""
                                            << ""
                                            << "";
}

void MainWindowTest::passwordCheckOnNext()
{
    QFETCH(int, typeIndex);
    QFETCH(QString, password);
    QFETCH(QString, confirmation);
    QFETCH(QString, otherPassword);
    QFETCH(QString, otherConfirmation);
    QFETCH(QString, message);

    walkTo(2);
    if (typeIndex == 1) {
        QTest::keyClick(m_form->CmbPasswordType, Qt::Key_Down);
    }
    const bool single = typeIndex == 0;
    QLineEdit* edit = single ? m_form->EditPassword : m_form->EditMasterPassword;
    QLineEdit* confirm = single ? m_form->EditConfirmPassword : m_form->EditConfirmMasterPassword;
    edit->setText(password);
    confirm->setText(confirmation);
    (single ? m_form->EditMasterPassword : m_form->EditPassword)->setText(otherPassword);
    (single ? m_form->EditConfirmMasterPassword : m_form->EditConfirmPassword)->setText(otherConfirmation);
    confirm->setFocus();

    QTest::mouseClick(m_form->BtnNext, Qt::LeftButton);
    if (message.isEmpty()) {
        QVERIFY(m_prompts->shown.isEmpty());
        QCOMPARE(m_form->CurrentStep, 3);
        return;
    }
    QCOMPARE(m_prompts->shown.size(), 1);
    QCOMPARE(m_prompts->shown.first().kind, Prompts::Kind::Warning);
    QCOMPARE(m_prompts->shown.first().title, QStringLiteral("Warning"));
    QCOMPARE(m_prompts->shown.first().text, message);
    QCOMPARE(m_form->CurrentStep, 2);
    QVERIFY(m_form->PnlStep2->isVisible());
    QCOMPARE(edit->text(), password);
    QCOMPARE(confirm->text(), confirmation);
}

void MainWindowTest::backNeverChecks()
{
    walkTo(2);
    m_form->EditPassword->setText(QStringLiteral("abc"));
    m_form->EditConfirmPassword->setText(QStringLiteral("xyz"));
    QTest::mouseClick(m_form->BtnBack, Qt::LeftButton);
    QCOMPARE(m_form->CurrentStep, 1);
    QVERIFY(m_prompts->shown.isEmpty());
}

void MainWindowTest::typeSwitchKeepsBothPanels()
{
    walkTo(2);
    m_form->EditPassword->setText(QStringLiteral("single1"));
    m_form->EditConfirmPassword->setText(QStringLiteral("single2"));
    m_form->ChkNotShowPassword->setChecked(true);

    QTest::keyClick(m_form->CmbPasswordType, Qt::Key_Down);
    QCOMPARE(m_form->PasswordType, 2001);
    QVERIFY(!m_form->PnlSinglePassword->isVisible());
    QVERIFY(m_form->PnlUserPassword->isVisible());
    QCOMPARE(m_form->LblPreviewPassword->text(), s_userPreview);
    m_form->EditMasterPassword->setText(QStringLiteral("master1"));
    m_form->EditConfirmMasterPassword->setText(QStringLiteral("master2"));

    QTest::keyClick(m_form->CmbPasswordType, Qt::Key_Up);
    QCOMPARE(m_form->PasswordType, 2000);
    QVERIFY(m_form->PnlSinglePassword->isVisible());
    QVERIFY(!m_form->PnlUserPassword->isVisible());
    QCOMPARE(m_form->LblPreviewPassword->text(), s_singlePreview);
    QCOMPARE(m_form->EditPassword->text(), QStringLiteral("single1"));
    QCOMPARE(m_form->EditConfirmPassword->text(), QStringLiteral("single2"));
    QCOMPARE(m_form->EditMasterPassword->text(), QStringLiteral("master1"));
    QCOMPARE(m_form->EditConfirmMasterPassword->text(), QStringLiteral("master2"));
    QVERIFY(m_form->ChkNotShowPassword->isChecked());
    QCOMPARE(m_form->CurrentStep, 2);
}

void MainWindowTest::hideSwitches()
{
    walkTo(2);
    QTest::mouseClick(
        m_form->ChkNotShowPassword, Qt::LeftButton, {}, QPoint(4, m_form->ChkNotShowPassword->height() / 2));
    QVERIFY(m_form->ChkNotShowPassword->isChecked());
    m_form->EditPassword->clear();
    QTest::keyClicks(m_form->EditPassword, QStringLiteral("typed 9"));
    for (QLineEdit* edit : {m_form->EditPassword, m_form->EditConfirmPassword}) {
        QCOMPARE(edit->echoMode(), QLineEdit::Password);
        QVERIFY(edit->displayText() != edit->text());
        QCOMPARE(edit->displayText().size(), edit->text().size());
    }
    QCOMPARE(m_form->EditPassword->text(), QStringLiteral("typed 9"));
    // The other switch's boxes stay in clear text.
    QCOMPARE(m_form->EditMasterPassword->echoMode(), QLineEdit::Normal);
    QCOMPARE(m_form->EditConfirmMasterPassword->echoMode(), QLineEdit::Normal);

    m_form->ChkNotShowPassword->setChecked(false);
    QCOMPARE(m_form->EditPassword->displayText(), QStringLiteral("typed 9"));
    QCOMPARE(m_form->EditConfirmPassword->echoMode(), QLineEdit::Normal);

    m_form->ChkNotShowMasterPassword->setChecked(true);
    QCOMPARE(m_form->EditMasterPassword->echoMode(), QLineEdit::Password);
    QCOMPARE(m_form->EditConfirmMasterPassword->echoMode(), QLineEdit::Password);
    QCOMPARE(m_form->EditPassword->echoMode(), QLineEdit::Normal);
}

void MainWindowTest::columnWidths()
{
    // The designed widths, wider only where the caption would be cut; the second column, which takes the room
    // left in its list, is at least that wide at the designed size.
    m_form->CmbPasswordType->setCurrentIndex(1);
    m_form->CmbPasswordTypeChange();
    const QList<std::tuple<int, QTreeWidget*, QList<int>>> designed{{1, m_form->LvwFileList, {100, 200, 60}},
                                                                    {3, m_form->LvwUserList, {80, 140}},
                                                                    {5, m_form->LvwFileShow, {100, 170, 90}}};
    for (const auto& [step, view, widths] : designed) {
        m_form->ShowStep(step);
        QApplication::processEvents();
        QCOMPARE(view->columnCount(), widths.size());
        for (int i = 0; i < view->columnCount(); ++i) {
            const int needed = view->header()->sectionSizeHint(i);
            QVERIFY2(needed <= view->columnWidth(i), qPrintable(view->objectName() + " cuts a caption"));
            if (i == 1) {
                QVERIFY2(view->columnWidth(i) >= qMax(widths.at(i), needed), qPrintable(view->objectName()));
            } else {
                QCOMPARE(view->columnWidth(i), qMax(widths.at(i), needed));
            }
        }
    }
}

void MainWindowTest::toolImagesHaveHotForm()
{
    for (QToolButton* button : m_form->findChildren<QToolButton*>()) {
        if (button->objectName().startsWith(QLatin1String("qt_"))) {
            continue; // the tool bars' own extension buttons
        }
        const QImage normal = button->icon().pixmap(QSize(32, 32), QIcon::Normal).toImage();
        const QImage hot = button->icon().pixmap(QSize(32, 32), QIcon::Active).toImage();
        QVERIFY2(!normal.isNull() && normal.size() == QSize(32, 32), qPrintable(button->objectName()));
        QVERIFY2(hot != normal, qPrintable(button->objectName() + " has no hot form"));
    }
}

void MainWindowTest::accessibleNames()
{
    const auto nameOf = [](QWidget* widget) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        return accessible ? accessible->text(QAccessible::Name) : QString();
    };
    const auto all = m_form->findChildren<QWidget*>();
    for (QWidget* widget : all) {
        if (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty()) {
            continue;
        }
        QVERIFY2(!nameOf(widget).isEmpty(), qPrintable(widget->objectName() + " has no accessible name"));
    }
    for (auto* button : m_form->findChildren<QToolButton*>()) {
        if (!button->objectName().isEmpty()) {
            QCOMPARE(nameOf(button), button->toolTip());
        }
    }
    // An edit box is named by its label. A combo box on Linux tells its choice as its name and its label
    // through the labelled-by relation.
    for (auto* label : m_form->findChildren<QLabel*>()) {
        QWidget* buddy = label->buddy();
        if (!buddy) {
            continue;
        }
        QCOMPARE(buddy->accessibleName(), label->text());
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(buddy);
        bool labelled = false;
        for (const auto& relation : accessible->relations(QAccessible::Label)) {
            labelled = labelled || relation.first->object() == label;
        }
        QVERIFY2(labelled, qPrintable(buddy->objectName() + " is not labelled by its label"));
    }
    QCOMPARE(nameOf(m_form->EditConfirmMasterPassword), QStringLiteral("Confirm Master Password:"));
    QCOMPARE(nameOf(m_form->TbnSaveUser), QStringLiteral("Save user list to lst file"));
    QCOMPARE(nameOf(m_form->BtnNext), QStringLiteral("Next"));
    QCOMPARE(nameOf(m_form->ChkBackupFile), QStringLiteral("Create backup files"));

    QAccessibleInterface* link = QAccessible::queryAccessibleInterface(m_form->LblStep0Website);
    QCOMPARE(link->role(), QAccessible::Link);
    QCOMPARE(link->text(QAccessible::Name), QStringLiteral("https://www.orvantic.example/quillgate"));
    QVERIFY(link->actionInterface());
    QVERIFY(link->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
}

void MainWindowTest::focusOrder()
{
    QList<QWidget*> order;
    QWidget* widget = m_form->BtnHelp;
    do {
        if (widget->isVisibleTo(m_form.get()) && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus)) {
            order.append(widget);
        }
        widget = widget->nextInFocusChain();
    } while (widget != m_form->BtnHelp && order.size() < 200);
    // Back is disabled on the welcome page.
    QCOMPARE(order.mid(0, 3), (QList<QWidget*>{m_form->BtnHelp, m_form->BtnNext, m_form->BtnExit}));
    QCOMPARE(order.mid(3), (QList<QWidget*>{m_form->LblStep0Website, m_form->LblStep0Email, m_form->BtnAbout}));

    walkTo(1);
    QVERIFY(m_form->BtnBack->nextInFocusChain() == m_form->BtnNext);
    QVERIFY(m_form->BtnHelp->nextInFocusChain() == m_form->BtnBack);

    // The keyboard alone reaches the link and presses it.
    m_form->BtnBack->click();
    m_form->LblStep0Email->setFocus();
    bool pressed = false;
    connect(m_form->LblStep0Email, &LinkLabel::clicked, this, [&pressed] {
        pressed = true;
    });
    QTest::keyClick(m_form->LblStep0Email, Qt::Key_Space);
    QVERIFY(pressed);
}

// On "Step 3" Tab goes from the colour and Preview on to the encryption below them; the arrow keys choose, and the
// choice stays while the user moves back and forth.
void MainWindowTest::encryptionFromTheKeyboard()
{
    walkTo(3);
    m_form->CmbProtectionType->setFocus();
    for (QWidget* next : {static_cast<QWidget*>(m_form->CmbPageColor),
                          static_cast<QWidget*>(m_form->BtnColorPreview),
                          static_cast<QWidget*>(m_form->CmbEncryption)}) {
        QTest::keyClick(m_form->focusWidget(), Qt::Key_Tab);
        QCOMPARE(m_form->focusWidget(), next);
    }
    QTest::keyClick(m_form->CmbEncryption, Qt::Key_Down);
    QCOMPARE(m_form->Encryption, Batch::Encryption::Strong);
    QCOMPARE(m_form->LblEncryptionContent->text(), Strings::LoadStr(512));
    m_form->BtnBackClick();
    m_form->BtnNextClick();
    m_form->BtnNextClick();
    m_form->BtnBackClick();
    QVERIFY(m_form->PnlStep3->isVisible());
    QCOMPARE(m_form->CmbEncryption->currentIndex(), 1);
    QCOMPARE(m_form->Encryption, Batch::Encryption::Strong);
    QTest::keyClick(m_form->CmbEncryption, Qt::Key_Up);
    QCOMPARE(m_form->Encryption, Batch::Encryption::Classic);
}

void MainWindowTest::spaceOnNextNeverReachesExit()
{
    // Space held on Next walks to the last page; there Next is disabled and the focus must not land on Exit.
    m_form->BtnNext->setFocus();
    for (int press = 0; press < 4; ++press) {
        QTest::keyClick(m_form->focusWidget(), Qt::Key_Space);
    }
    QCOMPARE(m_form->CurrentStep, 4);
    QCOMPARE(m_form->focusWidget(), m_form->BtnBack);
    QTest::keyClick(m_form->focusWidget(), Qt::Key_Space);
    QVERIFY(m_form->isVisible());
    QCOMPARE(m_form->CurrentStep, 3);
}

void MainWindowTest::enterAndEscapePressNoButton()
{
    walkTo(2);
    m_form->EditPassword->setFocus();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QTest::keyClick(m_form->EditPassword, key);
        QCOMPARE(m_form->CurrentStep, 2);
        QVERIFY(m_form->isVisible());
    }
    m_form->BtnNext->setFocus();
    QTest::keyClick(m_form->BtnNext, Qt::Key_Return);
    QCOMPARE(m_form->CurrentStep, 2);
    QVERIFY(m_prompts->shown.isEmpty());
}

void MainWindowTest::exitAndCloseBoxEndWithoutQuestion()
{
    m_form->FileList.add(QStringLiteral("/site/a.html"));
    QTest::mouseClick(m_form->BtnExit, Qt::LeftButton);
    QVERIFY(!m_form->isVisible());
    m_form->show();
    QVERIFY(m_form->close());
    QVERIFY(m_prompts->shown.isEmpty());
}

void MainWindowTest::handlerExceptionReachesErrorDisplay()
{
    Thrower thrower;
    QPushButton button(QStringLiteral("Save"), m_form.get());
    button.show();
    Handlers::Connect(&button, &QPushButton::clicked, &thrower, &Thrower::Fail);
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::mouseClick(&button, Qt::LeftButton);

    QCOMPARE(m_prompts->shown.size(), 2);
    const QString title = Prompts::ApplicationTitle(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    QCOMPARE(m_prompts->shown.at(0).kind, Prompts::Kind::Error);
    QCOMPARE(m_prompts->shown.at(0).title, title);
    QCOMPARE(m_prompts->shown.at(0).text, QStringLiteral("Cannot create file /nowhere/list.lst."));
    QCOMPARE(m_prompts->shown.at(1).text, QStringLiteral("."));
    // The program goes on.
    QTest::mouseClick(m_form->BtnNext, Qt::LeftButton);
    QCOMPARE(m_form->CurrentStep, 1);
}

void MainWindowTest::aboutBoxCentredOnScreen()
{
    // Over the main window a dialog would be centred on the window; the About box is centred on the screen,
    // at every showing.
    TFormAboutBox about(m_form.get());
    const QPoint screenCentre = m_form->screen()->availableGeometry().center();
    QVERIFY((m_form->geometry().center() - screenCentre).manhattanLength() > 20);
    for (const QPoint& windowPlace : {QPoint(149, 149), QPoint(0, 0)}) {
        m_form->move(windowPlace);
        QPoint shownCentre;
        QTimer::singleShot(0, &about, [&about, &shownCentre] {
            shownCentre = about.frameGeometry().center();
            about.accept();
        });
        about.exec();
        QVERIFY2((shownCentre - screenCentre).manhattanLength() <= 2,
                 qPrintable(QStringLiteral("centred at %1,%2").arg(shownCentre.x()).arg(shownCentre.y())));
    }
}

int main(int argc, char** argv)
{
    Application application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "mainwindowtest.moc"
