#pragma once

// The paths to lock: sorted by the user's locale with letter case ignored, free of duplicates.

#include <QCollator>
#include <QString>
#include <QStringList>

#include <vector>

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
    // Sorts many paths in at once (one sort and a merge, not one insertion each). Of paths equal apart from
    // letter case the one already listed stays, else the first given.
    void addAll(const QStringList& paths);
    // Removes the entry equal to path apart from letter case; false when there is none.
    bool remove(const QString& path);
    // Removes the entries equal to any of paths apart from letter case; returns how many went.
    int removeAll(const QStringList& paths);
    void clear();
    int indexOf(const QString& path) const;

private:
    QCollatorSortKey sortKey(const QString& path) const;
    // The first index whose entry does not sort before path.
    int lowerBound(const QCollatorSortKey& key, const QString& path) const;
    // Whether the entry at index (a lowerBound result) is path apart from letter case.
    bool holdsAt(int index, const QCollatorSortKey& key, const QString& path) const;

    QStringList m_paths;
    // m_keys[i] is the collation key of m_paths[i], made once when the entry comes in.
    std::vector<QCollatorSortKey> m_keys;
    QCollator m_collator;
};
