// The file list page: adding, removing, saving and loading the files to lock.

#include "ui/main.h"

#include "jobs/addfolder.h"
#include "jobs/filelistfile.h"
#include "jobs/filerow.h"
#include "ui/prompts.h"

#include <QDir>
#include <QTreeWidget>

namespace
{
    const QString s_pageFilter = QStringLiteral("HTML files (*.htm *.html);;All files (*)");
} // namespace

void TFormMain::TbnAddFileClick()
{
    const QStringList names = Prompts::OpenFileNames(this, s_pageFilter);
    if (names.isEmpty()) {
        return;
    }
    QStringList paths;
    for (const QString& name : names) {
        paths.append(QDir::toNativeSeparators(name));
    }
    FileList.addAll(paths);
    RebuildFileListView();
}

void TFormMain::TbnAddFolderClick()
{
    if (FormAddFolder->exec() != QDialog::Accepted) {
        return;
    }
    FileList.addAll(ScanFolder(FormAddFolder->folderText(), FormAddFolder->includeSubFolders()));
    RebuildFileListView();
}

void TFormMain::TbnDelFileClick()
{
    FileList.removeAll(FileRow::TakeSelected(LvwFileList));
}

void TFormMain::TbnDelAllClick()
{
    FileList.clear();
    LvwFileList->clear();
}

void TFormMain::TbnSaveFileListClick()
{
    const QString path = Prompts::SaveFileName(this, FileListFile::Filter, FileListFile::DefaultSuffix);
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!FileListFile::Save(FileList, path, &error)) {
        Prompts::Error(this, error);
    }
}

void TFormMain::TbnLoadFileListClick()
{
    const QString path = Prompts::OpenFileName(this, FileListFile::Filter);
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!FileListFile::Load(FileList, path, &error)) {
        Prompts::Error(this, error);
        return;
    }
    RebuildFileListView();
}

void TFormMain::RebuildFileListView()
{
    FileRow::Fill(LvwFileList, FileList.paths(), this);
}
