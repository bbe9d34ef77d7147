#include "engine/SyncState.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <utility>

qint32 TSyncState::TFolder::Find(std::string_view name) const
{
    const auto found = std::lower_bound(
        Items.begin(), Items.end(), name,
        [this](const TEntry& entry, std::string_view wanted) { return Name(entry) < wanted; });
    if (found == Items.end() || Name(*found) != name)
        return -1;
    return qint32(found - Items.begin());
}

void TSyncState::TFolder::Append(std::string_view name, const TSides& values)
{
    Items.push_back(TEntry{quint32(Names.size()), quint32(name.size()), values});
    Names.append(name);
}

void TSyncState::TFolder::Sort()
{
    std::vector<quint32> order(Items.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [this](quint32 a, quint32 b) { return Name(Items[a]) < Name(Items[b]); });
    TFolder sorted;
    sorted.Path = std::move(Path);
    sorted.Items.reserve(Items.size());
    sorted.Names.reserve(Names.size());
    for (size_t i = 0; i < order.size(); ++i) {
        // Of equal names, the one added last stands.
        if (i + 1 < order.size() && Name(Items[order[i]]) == Name(Items[order[i + 1]]))
            continue;
        const TEntry& entry = Items[order[i]];
        sorted.Append(Name(entry), entry.Values);
    }
    *this = std::move(sorted);
}

TSyncState::TSyncState(const QString& leftRoot, const QString& rightRoot)
    : Left(leftRoot), Right(rightRoot)
{
}

qint64 TSyncState::EntryCount() const
{
    qint64 count = 0;
    for (const TFolder& folder : FolderList)
        count += qint64(folder.Entries().size());
    return count;
}

qint32 TSyncState::FindFolder(std::string_view path) const
{
    const auto found = std::lower_bound(
        FolderList.begin(), FolderList.end(), path,
        [](const TFolder& folder, std::string_view wanted) { return folder.Path < wanted; });
    if (found == FolderList.end() || found->Path != path)
        return -1;
    return qint32(found - FolderList.begin());
}

const TSyncState::TSides* TSyncState::Find(std::string_view path) const
{
    std::string_view folderPath;
    std::string_view name;
    Split(path, folderPath, name);
    const qint32 folder = FindFolder(folderPath);
    if (folder < 0)
        return nullptr;
    const TFolder& entries = FolderList[size_t(folder)];
    const qint32 entry = entries.Find(name);
    return entry < 0 ? nullptr : &entries.Entries()[size_t(entry)].Values;
}

void TSyncState::Split(std::string_view path, std::string_view& folder, std::string_view& name)
{
    const size_t slash = path.rfind('/');
    folder = slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
    name = slash == std::string_view::npos ? path : path.substr(slash + 1);
}

void TSyncState::Record(std::vector<TPair> pairs)
{
    std::vector<bool> touched(FolderList.size(), false);
    std::map<std::string, TFolder, std::less<>> added;
    for (const TPair& pair : pairs) {
        std::string_view folderPath;
        std::string_view name;
        Split(pair.Path, folderPath, name);
        const qint32 folder = FindFolder(folderPath);
        if (folder >= 0) {
            FolderList[size_t(folder)].Append(name, pair.Values);
            touched[size_t(folder)] = true;
            continue;
        }
        auto fresh = added.find(folderPath);
        if (fresh == added.end()) {
            fresh = added.emplace(std::string(folderPath), TFolder()).first;
            fresh->second.Path = fresh->first;
        }
        fresh->second.Append(name, pair.Values);
    }
    for (size_t i = 0; i < FolderList.size(); ++i) {
        if (touched[i])
            FolderList[i].Sort();
    }
    std::vector<TFolder> folders;
    for (auto& [path, folder] : added) {
        folder.Sort();
        folders.push_back(std::move(folder));
    }
    AddFolders(std::move(folders));
}

void TSyncState::AddFolders(std::vector<TFolder> folders)
{
    if (folders.empty())
        return;
    FolderList.reserve(FolderList.size() + folders.size());
    for (TFolder& folder : folders)
        FolderList.push_back(std::move(folder));
    SortFolders();
}

void TSyncState::DropFolders(const std::vector<bool>& drop)
{
    size_t kept = 0;
    for (size_t i = 0; i < FolderList.size(); ++i) {
        if ((i < drop.size() && drop[i]) || FolderList[i].Entries().empty())
            continue;
        if (kept != i)
            FolderList[kept] = std::move(FolderList[i]);
        ++kept;
    }
    FolderList.resize(kept);
}

void TSyncState::SortFolders()
{
    std::sort(FolderList.begin(), FolderList.end(),
              [](const TFolder& a, const TFolder& b) { return a.Path < b.Path; });
}
