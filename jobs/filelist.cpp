#include "jobs/filelist.h"

#include <QFile>
#include <QLocale>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace
{
    // The one ordering of the list. The collator alone is not enough: it treats some different texts as equal
    // (control characters are ignorable, full-width letters match their plain forms), and equality here decides
    // which paths may be one entry. So collator ties are broken by the case-folded texts, which differ exactly
    // when the paths differ apart from letter case.
    int CompareIgnoringCase(const QCollatorSortKey& keyA,
                            const QString& pathA,
                            const QCollatorSortKey& keyB,
                            const QString& pathB)
    {
        const int byCollation = keyA.compare(keyB);
        if (byCollation != 0) {
            return byCollation;
        }
        return QString::compare(pathA.toCaseFolded(), pathB.toCaseFolded(), Qt::CaseSensitive);
    }

    // The order within a run of paths equal apart from letter case.
    bool ExactlyBefore(const QString& a, const QString& b)
    {
        return QString::compare(a, b, Qt::CaseSensitive) < 0;
    }

    std::filesystem::path FileSystemPath(const QString& path)
    {
        return std::filesystem::path(QFile::encodeName(path).toStdString());
    }

    struct Incoming
    {
        QCollatorSortKey key;
        qsizetype index;
    };

    struct Entry
    {
        QString path;
        QCollatorSortKey key;
    };
} // namespace

FileList::FileList(Identity identity) : m_collator(QLocale()), m_identity(identity)
{
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
}

const QStringList& FileList::paths() const
{
    return m_paths;
}

int FileList::count() const
{
    return int(m_paths.size());
}

bool FileList::isEmpty() const
{
    return m_paths.isEmpty();
}

const QString& FileList::at(int index) const
{
    return m_paths.at(index);
}

QCollatorSortKey FileList::sortKey(const QString& path) const
{
    // Keys are made from the case-folded text: for the "C" locale Qt's keys are plain code units and would keep
    // letter case apart; for the other locales folding first changes nothing, case is ignored anyway.
    return m_collator.sortKey(path.toCaseFolded());
}

FileList::Run FileList::runOf(const QCollatorSortKey& key, const QString& path) const
{
    int low = 0;
    int high = count();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (CompareIgnoringCase(m_keys[size_t(middle)], m_paths.at(middle), key, path) < 0) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    // A run holds more than one entry only where files differ in letter case alone: a short walk.
    int end = low;
    while (end < count() && CompareIgnoringCase(m_keys[size_t(end)], m_paths.at(end), key, path) == 0) {
        ++end;
    }
    return {low, end};
}

bool FileList::isSameEntry(const QString& listed, const QString& path) const
{
    if (m_identity == Identity::IgnoreCase || listed == path) {
        return true;
    }
    // False when either is missing (two missing paths of other text are other entries) or cannot be examined.
    std::error_code error;
    return std::filesystem::equivalent(FileSystemPath(listed), FileSystemPath(path), error);
}

int FileList::find(const Run& run, const QString& path) const
{
    for (int i = run.first; i < run.end; ++i) {
        if (isSameEntry(m_paths.at(i), path)) {
            return i;
        }
    }
    return -1;
}

int FileList::indexOf(const QString& path) const
{
    return find(runOf(sortKey(path), path), path);
}

bool FileList::add(const QString& path)
{
    const QCollatorSortKey key = sortKey(path);
    const Run run = runOf(key, path);
    if (find(run, path) >= 0) {
        return false;
    }
    int at = run.first;
    while (at < run.end && ExactlyBefore(m_paths.at(at), path)) {
        ++at;
    }
    m_paths.insert(at, path);
    m_keys.insert(m_keys.begin() + at, key);
    return true;
}

void FileList::addAll(const QStringList& paths)
{
    std::vector<Incoming> incoming;
    incoming.reserve(size_t(paths.size()));
    for (qsizetype i = 0; i < paths.size(); ++i) {
        incoming.push_back({sortKey(paths.at(i)), i});
    }
    // Stable, so paths equal apart from letter case stay in the order given and the first given is kept.
    std::stable_sort(incoming.begin(), incoming.end(), [&paths](const Incoming& a, const Incoming& b) {
        return CompareIgnoringCase(a.key, paths.at(a.index), b.key, paths.at(b.index)) < 0;
    });

    QStringList mergedPaths;
    std::vector<QCollatorSortKey> mergedKeys;
    mergedPaths.reserve(m_paths.size() + qsizetype(incoming.size()));
    mergedKeys.reserve(m_keys.size() + incoming.size());
    size_t own = 0;
    size_t next = 0;
    // One run at a time: the listed entries and the incoming paths equal apart from letter case to whichever
    // of the two heads sorts first.
    while (own < m_keys.size() || next < incoming.size()) {
        const bool listedLeads = next == incoming.size()
            || (own < m_keys.size()
                && CompareIgnoringCase(
                       m_keys[own], m_paths.at(qsizetype(own)), incoming[next].key, paths.at(incoming[next].index))
                    <= 0);
        const Entry head = listedLeads ? Entry{m_paths.at(qsizetype(own)), m_keys[own]}
                                       : Entry{paths.at(incoming[next].index), incoming[next].key};
        std::vector<Entry> run;
        while (own < m_keys.size()
               && CompareIgnoringCase(m_keys[own], m_paths.at(qsizetype(own)), head.key, head.path) == 0) {
            run.push_back({m_paths.at(qsizetype(own)), m_keys[own]});
            ++own;
        }
        const size_t listed = run.size();
        for (; next < incoming.size()
             && CompareIgnoringCase(incoming[next].key, paths.at(incoming[next].index), head.key, head.path) == 0;
             ++next) {
            const QString& path = paths.at(incoming[next].index);
            if (std::none_of(run.cbegin(), run.cend(), [this, &path](const Entry& kept) {
                    return isSameEntry(kept.path, path);
                })) {
                run.push_back({path, incoming[next].key});
            }
        }
        if (run.size() > listed) {
            std::sort(run.begin(), run.end(), [](const Entry& a, const Entry& b) {
                return ExactlyBefore(a.path, b.path);
            });
        }
        for (Entry& entry : run) {
            mergedPaths.append(std::move(entry.path));
            mergedKeys.push_back(std::move(entry.key));
        }
    }
    m_paths = std::move(mergedPaths);
    m_keys = std::move(mergedKeys);
}

bool FileList::remove(const QString& path)
{
    const int index = indexOf(path);
    if (index < 0) {
        return false;
    }
    m_paths.removeAt(index);
    m_keys.erase(m_keys.begin() + index);
    return true;
}

int FileList::removeAll(const QStringList& paths)
{
    std::vector<bool> gone(size_t(count()), false);
    int removed = 0;
    for (const QString& path : paths) {
        const int index = indexOf(path);
        if (index >= 0 && !gone[size_t(index)]) {
            gone[size_t(index)] = true;
            ++removed;
        }
    }
    if (removed == 0) {
        return 0;
    }
    QStringList keptPaths;
    std::vector<QCollatorSortKey> keptKeys;
    keptPaths.reserve(count() - removed);
    keptKeys.reserve(size_t(count() - removed));
    for (int i = 0; i < count(); ++i) {
        if (!gone[size_t(i)]) {
            keptPaths.append(m_paths.at(i));
            keptKeys.push_back(m_keys[size_t(i)]);
        }
    }
    m_paths = std::move(keptPaths);
    m_keys = std::move(keptKeys);
    return removed;
}

void FileList::clear()
{
    m_paths.clear();
    m_keys.clear();
}
