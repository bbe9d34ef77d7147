#include "engine/SyncState.h"

#include <algorithm>
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

void TSyncState::TFolder::Fit()
{
    Items.shrink_to_fit();
    Names.shrink_to_fit();
}

// Entries are taken back rarely (a copy the disk lost), and not in order: a
// look through the folder, from the last entry, is enough.
bool TSyncState::TFolder::Remove(std::string_view name)
{
    for (size_t i = Items.size(); i-- > 0;) {
        if (Name(Items[i]) == name) {
            Items.erase(Items.begin() + std::ptrdiff_t(i));
            return true;
        }
    }
    return false;
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

void TSyncState::TPairs::Add(std::string_view path, const TSides& values)
{
    std::string_view folderPath;
    std::string_view name;
    Split(path, folderPath, name);
    FolderOf(folderPath).Append(name, values);
}

TSyncState::TFolder& TSyncState::TPairs::FolderOf(std::string_view folderPath)
{
    for (auto at = Recent.begin(); at != Recent.end() && at->Folder != nullptr; ++at) {
        if (at->Path == folderPath) {
            std::rotate(Recent.begin(), at, at + 1);
            return *Recent.front().Folder;
        }
    }
    auto found = Gathered.find(folderPath);
    if (found == Gathered.end())
        found = Gathered.emplace(std::string(folderPath), TFolder()).first;
    if (Recent.back().Folder != nullptr)
        Recent.back().Folder->Fit();
    std::rotate(Recent.begin(), Recent.end() - 1, Recent.end());
    Recent.front() = TRecent{found->first, &found->second};
    return found->second;
}

bool TSyncState::TPairs::Remove(std::string_view path)
{
    std::string_view folderPath;
    std::string_view name;
    Split(path, folderPath, name);
    const auto found = Gathered.find(folderPath);
    return found != Gathered.end() && found->second.Remove(name);
}

void TSyncState::Record(const std::vector<TPair>& pairs)
{
    TPairs gathered;
    for (const TPair& pair : pairs)
        gathered.Add(pair.Path, pair.Values);
    Record(std::move(gathered));
}

void TSyncState::Record(TPairs pairs)
{
    std::vector<TFolder> added;
    for (auto& [path, folder] : pairs.Gathered) {
        // Every pair of the folder was taken back.
        if (folder.Entries().empty())
            continue;
        const qint32 index = FindFolder(path);
        if (index < 0) {
            folder.Path = path;
            folder.Sort();
            added.push_back(std::move(folder));
            continue;
        }
        TFolder& recorded = FolderList[size_t(index)];
        for (const TEntry& entry : folder.Entries())
            recorded.Append(folder.Name(entry), entry.Values);
        recorded.Sort();
        // The gathered folder's room goes back as soon as it is taken in.
        folder = TFolder();
    }
    AddFolders(std::move(added));
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
