#pragma once

// The wizard window: it holds the whole job (its controls and the fields below) and every handler of the
// wizard's pages. Handlers are grouped into files by the page they serve: main.cpp (start-up, navigation,
// password settings), mainfiles.cpp (file list), mainusers.cpp (user list), mainoptions.cpp (options,
// previews, help, links, About), maincreate.cpp (batch creation).

#include "engine/encrypthtml.h"
#include "jobs/batch.h"
#include "jobs/filelist.h"
#include "settings/passwordsettings.h"
#include "settings/userlist.h"

#include <QUrl>
#include <QWidget>

class LeftOutPages;
class LinkLabel;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolBar;
class QToolButton;
class QTreeWidget;

class TFormMain : public QWidget
{
    Q_OBJECT

public:
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // The job. The string lists are members, so they exist before any handler runs and die with the window.
    ::FileList FileList;
    ::UserList UserList;
    int PasswordType = Encrypthtml::SinglePassword; // or Encrypthtml::UserPassword
    int ProtectionType = Encrypthtml::ProtectPage; // or ProtectSession, ProtectCookie
    int PageColor = Encrypthtml::ColorWhite; // 0x00BBGGRR: ColorWhite, ColorBlack, ColorYellow or ColorBlue
    Batch::Encryption Encryption = Batch::Encryption::Classic; // the page format
    int CurrentStep = -1; // index of the visible page in the present page sequence

    // Fixed controls.
    QLabel* ImgLogo = nullptr;
    QFrame* BevelLine = nullptr;
    QPushButton* BtnHelp = nullptr;
    QPushButton* BtnBack = nullptr;
    QPushButton* BtnNext = nullptr;
    QPushButton* BtnExit = nullptr;

    // Welcome page.
    QWidget* PnlStep0 = nullptr;
    QLabel* LblStep0Logo = nullptr;
    QLabel* LblStep0Features = nullptr;
    QLabel* LblStep0Copyright = nullptr;
    LinkLabel* LblStep0Website = nullptr;
    LinkLabel* LblStep0Email = nullptr;
    QPushButton* BtnAbout = nullptr;

    // "Step 1": the files.
    QWidget* PnlStep1 = nullptr;
    QLabel* LblStep1Logo = nullptr;
    QLabel* LblStep1Content = nullptr;
    QToolBar* TBarStep1 = nullptr;
    QToolButton* TbnAddFile = nullptr;
    QToolButton* TbnAddFolder = nullptr;
    QToolButton* TbnDelFile = nullptr;
    QToolButton* TbnDelAll = nullptr;
    QFrame* TbnSeperator = nullptr;
    QToolButton* TbnSaveFileList = nullptr;
    QToolButton* TbnLoadFileList = nullptr;
    QCheckBox* ChkBackupFile = nullptr;
    QTreeWidget* LvwFileList = nullptr;

    // "Step 2": the password.
    QWidget* PnlStep2 = nullptr;
    QLabel* LblStep2Logo = nullptr;
    QLabel* LblStep2Content = nullptr;
    QComboBox* CmbPasswordType = nullptr;
    QWidget* PnlSinglePassword = nullptr;
    QLabel* LblPassword = nullptr;
    QLineEdit* EditPassword = nullptr;
    QLabel* LblConfirmPassword = nullptr;
    QLineEdit* EditConfirmPassword = nullptr;
    QLabel* LblPasswordLimit = nullptr;
    QCheckBox* ChkNotShowPassword = nullptr;
    QWidget* PnlUserPassword = nullptr;
    QLabel* LblMasterPassword = nullptr;
    QLineEdit* EditMasterPassword = nullptr;
    QLabel* LblConfirmMasterPassword = nullptr;
    QLineEdit* EditConfirmMasterPassword = nullptr;
    QLabel* LblMasterPasswordLimit = nullptr;
    QCheckBox* ChkNotShowMasterPassword = nullptr;
    QLabel* LblMasterPasswordContent = nullptr;

    // The user list page (user/password mode only).
    QWidget* PnlUserList = nullptr;
    QLabel* LblAddUserList = nullptr;
    QLabel* LblAddUserContent = nullptr;
    QToolBar* TbrAddUser = nullptr;
    QToolButton* TbnAddUser = nullptr;
    QToolButton* TbnEditUser = nullptr;
    QToolButton* TbnDelUser = nullptr;
    QToolButton* TbnDelAllUser = nullptr;
    QFrame* ToolButton6 = nullptr;
    QToolButton* TbnSaveUser = nullptr;
    QToolButton* TbnLoadUser = nullptr;
    QTreeWidget* LvwUserList = nullptr;
    QLabel* LblUserPasswordContent = nullptr;

    // "Step 3": protection type and colour.
    QWidget* PnlStep3 = nullptr;
    QLabel* LblStep3Logo = nullptr;
    QLabel* LblStep3Content = nullptr;
    QLabel* LblProtectionType = nullptr;
    QComboBox* CmbProtectionType = nullptr;
    QLabel* LblProtectionContent = nullptr;
    QLabel* LblPageColor = nullptr;
    QComboBox* CmbPageColor = nullptr;
    QPushButton* BtnColorPreview = nullptr;
    QLabel* LblPreviewPassword = nullptr;
    QLabel* LblEncryption = nullptr;
    QComboBox* CmbEncryption = nullptr;
    QLabel* LblEncryptionContent = nullptr;

    // "Step 4": create.
    QWidget* PnlStep4 = nullptr;
    QLabel* LblStep4Logo = nullptr;
    QLabel* LblStep4Content = nullptr;
    QToolBar* TbarStep4 = nullptr;
    QToolButton* TbnShow = nullptr;
    QPushButton* BtnCreate = nullptr;
    QTreeWidget* LvwFileShow = nullptr;

    // The pages of the present sequence, which follows PasswordType; index 2 is the password page in both.
    QList<QWidget*> stepPages() const;
    // The password box and its confirmation for the present PasswordType: the single pair for SinglePassword, the
    // master pair otherwise.
    QLineEdit* passwordBox() const;
    QLineEdit* confirmationBox() const;
    // The password that locks the pages: the present type's password, trimmed.
    QString EffectivePassword() const;

public slots:
    void FormCreate();
    // Makes page n of the present sequence the visible page and enables Back and Next for it.
    void ShowStep(int n);
    // Judges the pair of the present password type; shows the refusal and returns false when it fails.
    bool CheckPassword();
    void BtnBackClick();
    void BtnNextClick();
    void BtnExitClick();
    void CmbPasswordTypeChange();
    void ChkNotShowPasswordClick();
    void ChkNotShowMasterPasswordClick();

    // File list (mainfiles.cpp). rebuildFileListView shows LvwFileList anew from FileList after any change.
    void TbnAddFileClick();
    void TbnAddFolderClick();
    void TbnDelFileClick();
    void TbnDelAllClick();
    void TbnSaveFileListClick();
    void TbnLoadFileListClick();
    // Adds the pages among files and folders dropped onto LvwFileList from a file manager.
    void LvwFileListDragDrop(const QList<QUrl>& urls);
    void rebuildFileListView();

    // User list (mainusers.cpp). FillUserListView shows LvwUserList anew from UserList after any change.
    void TbnAddUserClick();
    void TbnEditUserClick();
    void TbnDelUserClick();
    void TbnDelAllUserClick();
    void TbnSaveUserClick();
    void TbnLoadUserClick();
    void FillUserListView();

    // Batch creation (maincreate.cpp).
    void BtnCreateClick();

    // Options, previews, help, links and About (mainoptions.cpp).
    void CmbProtectionTypeChange();
    void CmbPageColorChange();
    void CmbEncryptionChange();
    void BtnColorPreviewClick();
    void TbnShowClick();
    void BtnHelpClick();
    void LblStep0WebsiteClick();
    void LblStep0EmailClick();
    void BtnAboutClick();

protected:
    // Takes the drops onto LvwFileList's viewport (mainfiles.cpp).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Adds paths found by a scan or a drop, shows them, and then tells of the pages that had to be left out.
    void addPages(const QStringList& paths, const LeftOutPages& leftOut);
    // Whether Create may lock with password (the effective password). The password boxes start with the sample
    // pages' password, which every copy of the program shows: pages are locked with it only after a Yes.
    bool confirmLockPassword(const QString& password);
    void buildWindow();
    QWidget* buildStep0();
    QWidget* buildStep1();
    QWidget* buildStep2();
    QWidget* buildUserList();
    QWidget* buildStep3();
    QWidget* buildStep4();
    void connectHandlers();
    void placeOnScreen();
};

extern TFormMain* FormMain;
