#include "engine/ScanTree.h"

#include "engine/FileNameText.h"

#include <limits>

static_assert(sizeof(TScanTree::TItem) == 32, "a scan item is meant to take 32 bytes");

TScanTree::TScanTree(quint32 maxItems) : MaxItems(maxItems)
{
    TItem root;
    root.Flags = FolderFlag;
    root.Children = TChildRange{0, 0};
    Items.push_back(root);
}

quint32 TScanTree::AddChild(quint32 folder, std::string_view name, bool isFolder, qint32 time,
                            qint64 size, qint32 attr, qint64 exactTime)
{
    const size_t index = Items.size();
    if (index >= MaxItems || Names.size() + name.size() > std::numeric_limits<quint32>::max() ||
        name.size() > std::numeric_limits<quint16>::max())
        return Full;
    if (!IsFolder(folder))
        qFatal("Only a folder has children");
    TChildRange& range = Items[folder].Children;
    if (range.Count == 0)
        range.First = quint32(index);
    else if (size_t(range.First) + range.Count != index)
        qFatal("The children of a scanned folder must be added one after the other");
    ++range.Count;

    TItem item;
    item.NameOffset = quint32(Names.size());
    item.NameLength = quint16(name.size());
    item.Flags = isFolder ? FolderFlag : 0;
    item.Attr = quint8(attr);
    item.Time = time;
    item.ExactTime = exactTime;
    if (isFolder)
        item.Children = TChildRange{0, 0};
    else
        item.Size = size;
    Names.append(name);
    Items.push_back(item);
    return quint32(index);
}

void TScanTree::Finish()
{
    Items.shrink_to_fit();
    Names.shrink_to_fit();
}

QString TScanTree::Name(quint32 index) const
{
    return TFileNameText::Decode(NameBytes(index));
}
