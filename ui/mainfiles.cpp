// The file list page: adding, removing, saving and loading the files to lock.

#include "ui/main.h"

#include "jobs/addfolder.h"
#include "jobs/filelistfile.h"
#include "jobs/filerow.h"
#include "uikit/handlers.h"
#include "uikit/prompts.h"

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
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
    rebuildFileListView();
}

void TFormMain::TbnAddFolderClick()
{
    if (FormAddFolder->exec() != QDialog::Accepted) {
        return;
    }
    LeftOutPages leftOut;
    addPages(Addfolder::ScanFolder(FormAddFolder->folderText(), FormAddFolder->includeSubFolders(), &leftOut), leftOut);
}

void TFormMain::LvwFileListDragDrop(const QList<QUrl>& urls)
{
    LeftOutPages leftOut;
    addPages(Addfolder::DroppedPages(urls, &leftOut), leftOut);
}

void TFormMain::addPages(const QStringList& paths, const LeftOutPages& leftOut)
{
    FileList.addAll(paths);
    rebuildFileListView();
    // After the rebuild, so the list behind the box already shows what was added.
    if (!leftOut.isEmpty()) {
        Prompts::Warning(this, leftOut.message());
    }
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != LvwFileList->viewport()) {
        return QWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!drop->mimeData()->hasUrls() || !(drop->possibleActions() & Qt::CopyAction)) {
            return false;
        }
        // Always a copy: a file manager deletes the files of an accepted move.
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        if (event->type() == QEvent::Drop) {
            Handlers::Run([this, drop] {
                LvwFileListDragDrop(drop->mimeData()->urls());
            });
        }
        return true;
    }
    default:
        return false;
    }
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
    rebuildFileListView();
}

void TFormMain::rebuildFileListView()
{
    FileRow::Fill(LvwFileList, FileList.paths(), this);
}
