#pragma once

// The paths to lock: sorted by the user's locale with letter case ignored, free of duplicates.

#include <QCollator>
#include <QString>
#include <QStringList>

class FileList
{
public:
    FileList();

    const QStringList& paths() const;
    int count() const;
    bool isEmpty() const;
    const QString& at(int index) const;

    // Sorts one path in; false when an entry equal apart from letter case exists (that entry stays).
    bool add(const QString& path);
    // Sorts many paths in at once (one sort and a merge, not one insertion each).
    void addAll(const QStringList& paths);
    // Removes the entry equal to path apart from letter case; false when there is none.
    bool remove(const QString& path);
    void clear();
    int indexOf(const QString& path) const;

private:
    QStringList m_paths;
    QCollator m_collator;
};
