#include "jobs/filerow.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>
#include <QTreeWidget>
#include <QTreeWidgetItem>

namespace
{
    constexpr qint64 s_repaintIntervalMs = 50;

    QChar Separator(FileRow::PathStyle style)
    {
        return style == FileRow::PathStyle::Windows ? QLatin1Char('\\') : QLatin1Char('/');
    }

    bool IsDelimiter(QChar c, FileRow::PathStyle style)
    {
        return c == Separator(style) || (style == FileRow::PathStyle::Windows && c == QLatin1Char(':'));
    }
} // namespace

namespace FileRow
{
    SplitPath Split(const QString& path, PathStyle style)
    {
        qsizetype at = path.size() - 1;
        while (at >= 0 && !IsDelimiter(path.at(at), style)) {
            --at;
        }
        if (at < 0) {
            return {QString(), path};
        }
        // A separator right after the start, a ":" or another separator belongs to the folder (a root, a
        // drive, a doubled separator); any other is the join between folder and name and is dropped.
        const bool keepDelimiter = at == 0 || path.at(at) != Separator(style) || IsDelimiter(path.at(at - 1), style);
        return {path.left(keepDelimiter ? at + 1 : at), path.mid(at + 1)};
    }

    QString Join(const QString& folder, const QString& name, PathStyle style)
    {
        if (folder.isEmpty() || IsDelimiter(folder.back(), style)) {
            return folder + name;
        }
        return folder + Separator(style) + name;
    }

    QString SizeText(qint64 bytes)
    {
        return QString::number(bytes / 1000) + QLatin1String("KB");
    }

    Row Make(const QString& path)
    {
        const SplitPath parts = Split(path);
        const QFileInfo info(path);
        return {parts.name, parts.folder, SizeText(info.isFile() ? info.size() : 0)};
    }

    QTreeWidgetItem* NewItem(const QString& path)
    {
        const Row row = Make(path);
        return new QTreeWidgetItem(QStringList{row.name, row.folder, row.size});
    }

    void Fill(QTreeWidget* view, const QStringList& paths, QWidget* window)
    {
        view->clear();
        QList<QTreeWidgetItem*> batch;
        QElapsedTimer sinceRepaint;
        sinceRepaint.start();
        for (const QString& path : paths) {
            batch.append(NewItem(path));
            if (sinceRepaint.elapsed() >= s_repaintIntervalMs) {
                view->addTopLevelItems(batch);
                batch.clear();
                window->repaint();
                sinceRepaint.restart();
            }
        }
        view->addTopLevelItems(batch);
    }

    QStringList TakeSelected(QTreeWidget* view)
    {
        QStringList paths;
        QList<QTreeWidgetItem*> selected;
        for (int i = 0; i < view->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = view->topLevelItem(i);
            if (item->isSelected()) {
                paths.append(Join(item->text(1), item->text(0)));
                selected.append(item);
            }
        }
        if (selected.isEmpty()) {
            return paths;
        }
        // Taking every row out and putting the rest back is linear; deleting rows one by one in place costs a
        // search of the view per row.
        const QSet<QTreeWidgetItem*> gone(selected.cbegin(), selected.cend());
        QList<QTreeWidgetItem*> kept;
        for (QTreeWidgetItem* item : view->invisibleRootItem()->takeChildren()) {
            if (!gone.contains(item)) {
                kept.append(item);
            }
        }
        view->addTopLevelItems(kept);
        qDeleteAll(selected);
        return paths;
    }
} // namespace FileRow
