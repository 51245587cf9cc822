#pragma once

// How a path is shown in a list view row: file name, folder, and size in thousands of bytes with "KB". The file
// list page and the result list of a batch both use it.

#include <QString>
#include <QStringList>
#include <QtGlobal>

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace FileRow
{
    // Windows paths split at "\" and ":", POSIX paths at "/".
    enum class PathStyle
    {
        Windows,
        Posix
    };
#ifdef Q_OS_WIN
    inline constexpr PathStyle NativeStyle = PathStyle::Windows;
#else
    inline constexpr PathStyle NativeStyle = PathStyle::Posix;
#endif

    struct SplitPath
    {
        QString folder;
        QString name;
    };

    // The name is everything after the last delimiter. The folder is everything before it, with the delimiter
    // kept when it is a ":", when the folder would otherwise be empty, or when the character before it is a
    // separator or a ":" (so C:\a.htm gives C:\, C:a.htm gives C:, /a.htm gives /). No delimiter: empty folder.
    SplitPath Split(const QString& path, PathStyle style = NativeStyle);
    // The inverse of Split: the folder, a separator unless the folder is empty or ends in a delimiter, the name.
    QString Join(const QString& folder, const QString& name, PathStyle style = NativeStyle);

    // Bytes / 1000, remainder dropped, then "KB": 999 gives 0KB, 1000 and 1999 give 1KB.
    QString SizeText(qint64 bytes);

    struct Row
    {
        QString name;
        QString folder;
        QString size;
    };
    // The row of a path, with the size the file has now; 0KB when it is missing or cannot be read.
    Row Make(const QString& path);

    // A view item with the columns name, folder, size.
    QTreeWidgetItem* NewItem(const QString& path);

    // Replaces the rows of view by one per path. So that a long list visibly grows, rows are added in batches
    // and window is repainted between them, at most about every 50 ms.
    void Fill(QTreeWidget* view, const QStringList& paths, QWidget* window);

    // Deletes the selected rows and returns their paths, put back together by Join, in view order.
    QStringList TakeSelected(QTreeWidget* view);
} // namespace FileRow
