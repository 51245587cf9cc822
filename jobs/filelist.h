#pragma once

// The paths to lock: sorted by the user's locale with letter case ignored, free of duplicates.

#include <QCollator>
#include <QString>
#include <QStringList>

#include <vector>

class FileList
{
public:
    // When two paths that differ only in letter case are one entry (paths that differ otherwise never are).
    enum class Identity
    {
        // Always: the file system ignores letter case, so they name one file (Windows).
        IgnoreCase,
        // Only when they name the same file: the same device and inode when both exist, else the same text. A
        // file system that tells letter case apart may hold Index.html and index.html side by side, and
        // dropping one would leave it unlocked.
        SameFile
    };
#ifdef Q_OS_WIN
    static constexpr Identity NativeIdentity = Identity::IgnoreCase;
#else
    static constexpr Identity NativeIdentity = Identity::SameFile;
#endif

    explicit FileList(Identity identity = NativeIdentity);

    const QStringList& paths() const;
    int count() const;
    bool isEmpty() const;
    const QString& at(int index) const;

    // Sorts one path in; false when it is an entry already (that entry stays).
    bool add(const QString& path);
    // Sorts many paths in at once (one sort and a merge, not one insertion each). Of paths that are one entry
    // the one already listed stays, else the first given.
    void addAll(const QStringList& paths);
    // Removes the entry that path is; false when there is none.
    bool remove(const QString& path);
    // Removes the entries that any of paths are; returns how many went.
    int removeAll(const QStringList& paths);
    void clear();
    int indexOf(const QString& path) const;

private:
    // The entries equal to a path apart from letter case lie together, ordered among themselves by their exact
    // text; first and end bound them.
    struct Run
    {
        int first;
        int end;
    };

    QCollatorSortKey sortKey(const QString& path) const;
    Run runOf(const QCollatorSortKey& key, const QString& path) const;
    // Whether listed and path, equal apart from letter case, are one entry under m_identity.
    bool isSameEntry(const QString& listed, const QString& path) const;
    // The entry in run that path is, or -1.
    int find(const Run& run, const QString& path) const;

    QStringList m_paths;
    // m_keys[i] is the collation key of m_paths[i], made once when the entry comes in.
    std::vector<QCollatorSortKey> m_keys;
    QCollator m_collator;
    Identity m_identity;
};
