#pragma once

// Adding the HTML files of a folder: the dialog that names the folder and the scan that finds the files.

#include <QDialog>
#include <QString>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

// Whether a file name counts as a page: Encrypthtml::IsPageFileName on its UTF-8 bytes.
bool IsPageFileName(const QString& name);

// The paths of the pages in folder and, with includeSubFolders, in all its subfolders, depth first. Hidden files
// and folders count; links to folders are not entered, so link cycles end; folders that cannot be read give
// nothing. One trailing separator is dropped first, and paths are folder + separator + name, so a relative folder
// gives relative paths and a root "/" gives "/a.htm". An empty folder text gives nothing.
QStringList ScanFolder(const QString& folder, bool includeSubFolders);

class TFormAddFolder : public QDialog
{
    Q_OBJECT

public:
    explicit TFormAddFolder(QWidget* parent = nullptr);

    QLabel* LblFolder = nullptr;
    // Its edit text is the folder text; its items are the folders confirmed so far in this run.
    QComboBox* CmbFolder = nullptr;
    QPushButton* BtnBrowse = nullptr;
    QCheckBox* ChkIncludeSubFolder = nullptr;
    QPushButton* BtnOK = nullptr;
    QPushButton* BtnCancel = nullptr;

    QString folderText() const;
    bool includeSubFolders() const;

public slots:
    // Accepts when the folder text names an existing folder, adding it to the history; warns otherwise.
    void BtnOKClick();
    // Puts the folder chosen in the folder chooser into the folder text.
    void BtnBrowseClick();

private:
    void FormCreate();
};

extern TFormAddFolder* FormAddFolder;
