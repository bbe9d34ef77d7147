#pragma once

#include <QString>
#include <QtGlobal>

#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The record of the last sync of one pair of folders: for every file pair that
// was in step, its path below the two roots and what both sides looked like
// then (size and exact last-write time). What changed since is what differs
// from it now.
//
// Entries are grouped by folder, and a folder's names lie in one text of raw
// UTF-8 bytes, as the scan holds them: a million entries take some 60 MB. The
// folders are kept in the byte order of their paths and each folder's entries
// in the byte order of their names, so that both are found by a binary search
// and the file can share the start of a name with the one before it.
class TSyncState
{
public:
    // Both sides of one pair: sizes in bytes, times in nanoseconds since the epoch.
    struct TSides
    {
        qint64 LeftSize = 0;
        qint64 LeftTime = 0;
        qint64 RightSize = 0;
        qint64 RightTime = 0;
        bool operator==(const TSides&) const = default;
    };

    struct TEntry
    {
        quint32 NameOffset = 0;
        quint32 NameLength = 0;
        TSides Values;
    };

    // The entries of one folder.
    class TFolder
    {
    public:
        // The folder below the roots: "" for the roots themselves, else names
        // joined by "/", with none at either end.
        std::string Path;

        std::string_view Name(const TEntry& entry) const
        {
            return std::string_view(Names.data() + entry.NameOffset, entry.NameLength);
        }
        const std::vector<TEntry>& Entries() const { return Items; }
        std::vector<TEntry>& Entries() { return Items; }
        // The entry of the name, or -1.
        qint32 Find(std::string_view name) const;
        // Appends an entry; the names must come in byte order.
        void Append(std::string_view name, const TSides& values);
        // Puts the entries in the byte order of their names, the later of two
        // equal names winning.
        void Sort();
        // Gives back the room kept for entries yet to come.
        void Fit();
        // Removes the entry of the name, wherever it stands; the name's bytes
        // stay until the folder is sorted. False when there is none.
        bool Remove(std::string_view name);

    private:
        std::string Names;
        std::vector<TEntry> Items;
    };

    // A pair to record: its path below the roots ("/" between names) and its sides.
    struct TPair
    {
        std::string Path;
        TSides Values;
    };

    // Pairs to record, gathered folder by folder as they come. The pairs of one
    // folder mostly come one after the other, from the few copiers that take
    // turns, so the last few folders are kept at hand, and a folder that drops
    // out of them gives back the room it kept for more; each pair takes its
    // entry and its name's bytes, no path of its own.
    class TPairs
    {
    public:
        TPairs() = default;
        TPairs(TPairs&&) = default;
        TPairs& operator=(TPairs&&) = default;
        TPairs(const TPairs&) = delete;
        TPairs& operator=(const TPairs&) = delete;

        void Add(std::string_view path, const TSides& values);
        // Takes back the pair added for the path; false when there is none.
        bool Remove(std::string_view path);
        bool IsEmpty() const { return Gathered.empty(); }

    private:
        friend class TSyncState;
        TFolder& FolderOf(std::string_view folderPath);

        std::map<std::string, TFolder, std::less<>> Gathered;
        // The folders of the last pairs, the latest first; each path the map's key.
        struct TRecent
        {
            std::string_view Path;
            TFolder* Folder = nullptr;
        };
        std::array<TRecent, 8> Recent{};
    };

    TSyncState() = default;
    // The canonical paths of the two roots (see TSyncStateFile).
    TSyncState(const QString& leftRoot, const QString& rightRoot);

    const QString& LeftRoot() const { return Left; }
    const QString& RightRoot() const { return Right; }
    bool IsEmpty() const { return FolderList.empty(); }
    qint64 EntryCount() const;

    const std::vector<TFolder>& Folders() const { return FolderList; }
    std::vector<TFolder>& Folders() { return FolderList; }
    // The folder of the path, or -1.
    qint32 FindFolder(std::string_view path) const;
    // The sides of the pair at the path below the roots, or null.
    const TSides* Find(std::string_view path) const;

    // Records the pairs, in place of their entries where they have one.
    void Record(TPairs pairs);
    void Record(const std::vector<TPair>& pairs);
    // Adds folders that are not in the record yet, each with its entries in
    // order, and puts all folders back in order.
    void AddFolders(std::vector<TFolder> folders);
    // Removes the folders for which drop is set (one flag per folder) and the
    // folders left without entries.
    void DropFolders(const std::vector<bool>& drop);

    // Splits a path below the roots into its folder and its name.
    static void Split(std::string_view path, std::string_view& folder, std::string_view& name);

private:
    void SortFolders();

    QString Left;
    QString Right;
    std::vector<TFolder> FolderList;
};
