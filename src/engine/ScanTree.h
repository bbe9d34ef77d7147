#pragma once

#include "common/HugePages.h"

#include <QString>
#include <QtGlobal>

#include <string>
#include <string_view>
#include <vector>

// What a scan found on one side, held compactly: an analysis of a million files
// holds two of these at its peak, next to the comparison tree.
//
// Every item is one small record in one vector, and every name lies in one text
// of raw UTF-8 bytes (the scan keeps only names that are valid UTF-8). Item 0 is
// the root folder, which has no name. The children of a folder are consecutive
// items: the scan appends a folder's whole listing before it enters any of its
// subfolders. No path is stored; a path is the root's path and the names of the
// folders on the way down.
class TScanTree
{
public:
    static constexpr quint32 Root = 0;

    // The flag bits of an item.
    static constexpr quint8 FolderFlag = 1;
    // A folder that could not be listed (or not completely), or a link to a
    // folder, which is never entered: its children are not the truth.
    static constexpr quint8 UnreadableFlag = 2;

    struct TChildRange
    {
        quint32 First;
        quint32 Count;
    };

    // 32 bytes, and laid out on 32-byte bounds: an item read at random takes
    // one cache line, never two. A million files on two sides take 64 MB here.
    struct alignas(32) TItem
    {
        quint32 NameOffset = 0;
        quint16 NameLength = 0;
        quint8 Flags = 0;
        // The attribute bits (FileAttribute), all below 64.
        quint8 Attr = 0;
        // The packed local last-write time.
        qint32 Time = 0;
        // A folder's files below it that passed the filters (0 for a file). It
        // fills what would be padding before the 8-byte union.
        qint32 FileCount = 0;
        union {
            qint64 Size = 0;      // a file's size
            TChildRange Children; // a folder's children
        };
        // The exact last-write time, in nanoseconds since the epoch: what tells
        // a file unchanged since the last sync, where the packed time is too
        // coarse.
        qint64 ExactTime = 0;
    };

    // maxItems: the most items the tree holds, the root included (a smaller
    // bound than the widths allow is for tests).
    explicit TScanTree(quint32 maxItems = Full);

    // What AddChild returns when the tree is full.
    static constexpr quint32 Full = 0xFFFFFFFFu;

    // Appends an item to the folder's children and returns its index, or Full
    // when the tree can hold no more (item indices and name offsets are 32 bits
    // wide: some hundred million items). The children of one folder must be
    // appended one after the other, with no other item between them. The name is
    // valid UTF-8 of at most 65,535 bytes (file systems allow 255).
    quint32 AddChild(quint32 folder, std::string_view name, bool isFolder, qint32 time, qint64 size,
                     qint32 attr, qint64 exactTime = 0);
    // Gives back the room the vectors grew into beyond what they hold.
    void Finish();

    quint32 ItemCount() const { return quint32(Items.size()); }
    const TItem& Item(quint32 index) const { return Items[index]; }
    std::string_view NameBytes(quint32 index) const
    {
        const TItem& item = Items[index];
        return std::string_view(Names.data() + item.NameOffset, item.NameLength);
    }
    QString Name(quint32 index) const;
    // The names of a folder's children, one after another in the children's
    // order: each child's name is appended with it, and the children of a
    // folder are appended together.
    std::string_view ChildNames(TChildRange children) const
    {
        if (children.Count == 0)
            return {};
        const TItem& first = Items[children.First];
        const TItem& last = Items[children.First + children.Count - 1];
        return std::string_view(Names.data() + first.NameOffset,
                                last.NameOffset + last.NameLength - first.NameOffset);
    }
    bool IsFolder(quint32 index) const { return (Items[index].Flags & FolderFlag) != 0; }
    bool IsUnreadable(quint32 index) const { return (Items[index].Flags & UnreadableFlag) != 0; }
    // 0 for a folder.
    qint64 Size(quint32 index) const { return IsFolder(index) ? 0 : Items[index].Size; }
    // The children of a folder; none for a file.
    TChildRange Children(quint32 index) const
    {
        return IsFolder(index) ? Items[index].Children : TChildRange{0, 0};
    }
    qint32 FileCount(quint32 index) const { return Items[index].FileCount; }
    qint64 ExactTime(quint32 index) const { return Items[index].ExactTime; }

    void SetUnreadable(quint32 index) { Items[index].Flags |= UnreadableFlag; }
    void SetFileCount(quint32 index, qint32 count) { Items[index].FileCount = count; }

private:
    quint32 MaxItems;
    // Read at random when wide folders are paired.
    std::vector<TItem, THugePageAllocator<TItem>> Items;
    std::string Names;
};
