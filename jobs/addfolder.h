#pragma once

// Adding the HTML files of a folder: the dialog that names the folder and the scan that finds the files.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <utility>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

// The pages a scan or a drop had to leave out because their names are not text in the system encoding: Qt
// would hold such a name as other text (QFile::decodeName does not give back the same bytes), and the locker
// would be handed a path that names another file or none. Counted by folder, so the user can be told where.
class LeftOutPages
{
public:
    // Counts path, as the file system's bytes, under its folder.
    void add(const QByteArray& path);
    bool isEmpty() const;
    // One line per folder, in the order met: "N file(s) in FOLDER were left out: ...".
    QString message() const;

private:
    QList<std::pair<QByteArray, int>> m_folders;
};

// The folder scan and the drop of the module Addfolder, beside its dialog.
namespace Addfolder
{
    // The paths of the pages in folder and, with includeSubFolders, in all its subfolders, by the engine's one scan
    // rule (PageScan::ScanFolder): hidden files and folders count; links are neither listed nor entered, so a link
    // cannot lead the locker out of the folder and link cycles end; folders that cannot be read give nothing. One
    // trailing separator is dropped first, and paths are folder + separator + name, so a relative folder gives
    // relative paths. An empty folder text gives nothing. Pages whose names Qt cannot hold go to leftOut.
    QStringList ScanFolder(const QString& folder, bool includeSubFolders, LeftOutPages* leftOut = nullptr);

    // The pages among files and folders dropped from a file manager (local file URLs), as Add file and Add folder
    // with subfolders would take them: a dropped page file (a link too, since the user named it), and the pages of
    // a dropped folder. Other files and other URLs are passed over.
    QStringList DroppedPages(const QList<QUrl>& urls, LeftOutPages* leftOut);
} // namespace Addfolder

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
