#include "jobs/filelist.h"

#include <QLocale>

#include <algorithm>

namespace
{
    // The one ordering of the list. The collator alone is not enough: it treats some different texts as equal
    // (control characters are ignorable, full-width letters match their plain forms), and equality here decides
    // that a path is dropped. So collator ties are broken by the case-folded texts, which differ exactly when
    // the paths differ apart from letter case.
    int
    ComparePaths(const QCollatorSortKey& keyA, const QString& pathA, const QCollatorSortKey& keyB, const QString& pathB)
    {
        const int byCollation = keyA.compare(keyB);
        if (byCollation != 0) {
            return byCollation;
        }
        return QString::compare(pathA.toCaseFolded(), pathB.toCaseFolded(), Qt::CaseSensitive);
    }

    struct Incoming
    {
        QCollatorSortKey key;
        qsizetype index;
    };
} // namespace

FileList::FileList() : m_collator(QLocale())
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

int FileList::lowerBound(const QCollatorSortKey& key, const QString& path) const
{
    int low = 0;
    int high = count();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (ComparePaths(m_keys[size_t(middle)], m_paths.at(middle), key, path) < 0) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

bool FileList::holdsAt(int index, const QCollatorSortKey& key, const QString& path) const
{
    return index < count() && ComparePaths(m_keys[size_t(index)], m_paths.at(index), key, path) == 0;
}

int FileList::indexOf(const QString& path) const
{
    const QCollatorSortKey key = sortKey(path);
    const int index = lowerBound(key, path);
    return holdsAt(index, key, path) ? index : -1;
}

bool FileList::add(const QString& path)
{
    const QCollatorSortKey key = sortKey(path);
    const int index = lowerBound(key, path);
    if (holdsAt(index, key, path)) {
        return false;
    }
    m_paths.insert(index, path);
    m_keys.insert(m_keys.begin() + index, key);
    return true;
}

void FileList::addAll(const QStringList& paths)
{
    std::vector<Incoming> incoming;
    incoming.reserve(size_t(paths.size()));
    for (qsizetype i = 0; i < paths.size(); ++i) {
        incoming.push_back({sortKey(paths.at(i)), i});
    }
    const auto compare = [&paths](const Incoming& a, const Incoming& b) {
        return ComparePaths(a.key, paths.at(a.index), b.key, paths.at(b.index));
    };
    // Stable, so of equal paths the first given leads its run and is the one unique keeps.
    std::stable_sort(incoming.begin(), incoming.end(), [&compare](const Incoming& a, const Incoming& b) {
        return compare(a, b) < 0;
    });
    incoming.erase(std::unique(incoming.begin(),
                               incoming.end(),
                               [&compare](const Incoming& a, const Incoming& b) {
                                   return compare(a, b) == 0;
                               }),
                   incoming.end());

    QStringList mergedPaths;
    std::vector<QCollatorSortKey> mergedKeys;
    mergedPaths.reserve(m_paths.size() + qsizetype(incoming.size()));
    mergedKeys.reserve(m_keys.size() + incoming.size());
    size_t own = 0;
    size_t next = 0;
    while (own < m_keys.size() || next < incoming.size()) {
        // Negative: the listed entry comes first; zero: the same path, and the listed spelling stays.
        const int order = own == m_keys.size() ? 1
            : next == incoming.size()
            ? -1
            : ComparePaths(m_keys[own], m_paths.at(qsizetype(own)), incoming[next].key, paths.at(incoming[next].index));
        if (order <= 0) {
            mergedPaths.append(m_paths.at(qsizetype(own)));
            mergedKeys.push_back(m_keys[own]);
            ++own;
            if (order == 0) {
                ++next;
            }
        } else {
            mergedPaths.append(paths.at(incoming[next].index));
            mergedKeys.push_back(incoming[next].key);
            ++next;
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
