#include "engine/UFileAnalyze.h"

#include "engine/FileNameText.h"
#include "engine/RunProgress.h"
#include "engine/UFileOper.h"
#include "engine/UWinFile.h"
#include "engine/WorkerMessages.h"
#include "jobs/UTSyncTask.h"

#include <QHashFunctions>

#include <algorithm>
#include <cstring>
#include <thread>
#include <utility>

TFileAnalyze::TFileAnalyze(const TSyncTask& task, const std::atomic<bool>& cancel,
                           QObject* receiver, TRunProgress& progress, int progressIntervalMs)
    : Receiver(receiver), Task(task), Cancel(cancel), Progress(progress),
      ProgressIntervalMs(progressIntervalMs)
{
}

TFileAnalyze::~TFileAnalyze()
{
    wait();
}

bool TFileAnalyze::IsCancelled() const
{
    return Cancel.load(std::memory_order_relaxed);
}

void TFileAnalyze::Report(const std::function<void()>& call)
{
    RunOnReceiverThread(Receiver, call);
}

void TFileAnalyze::run()
{
    ConnectResult = CheckFolders();
    if (ConnectResult != 0) {
        Report([this] { Progress.ConnectFailed(ConnectResult); });
        return;
    }
    ComparedCount = 0;
    BuildTrees();
    const qint64 total =
        qint64(LeftTree->FileCount(TScanTree::Root)) + RightTree->FileCount(TScanTree::Root);
    Report([this, total] { Progress.PhaseStarted(TRunPhase::Comparing, total); });
    Clock.start();
    CompareTree->SideUnreadable =
        LeftTree->IsUnreadable(TScanTree::Root) || RightTree->IsUnreadable(TScanTree::Root);
    CompareFolders(*LeftTree, TScanTree::Root, *RightTree, TScanTree::Root, CompareTree.get());
    // The rows are built from the comparison tree alone.
    LeftTree.reset();
    RightTree.reset();
    if (!SyncStateFolder.isEmpty() && !IsCancelled())
        ApplyLastSync();
}

// Reads the record of the last sync, marks the comparison tree with it, and
// writes it back when the analysis changed it.
void TFileAnalyze::ApplyLastSync()
{
    StateFile = std::make_unique<TSyncStateFile>(SyncStateFolder, Task.LFolder.FolerAllName,
                                                 Task.RFolder.FolerAllName);
    TSyncState record = StateFile->Load(StateReadError);
    TSyncVerdicts verdicts(record, FiltersByNameOnly);
    verdicts.Apply(*CompareTree);
    SinceSync = verdicts.Counts();
    SinceSyncItems = verdicts.TakeMarked();
    if (verdicts.Changed() && !IsCancelled())
        StateFile->Save(record, StateWriteError);
}

qint32 TFileAnalyze::CheckFolders() const
{
    qint32 r = 0;
    if (Task.LFolder.DeviceType == SideDevice::LocalFolder &&
        TWinFile::CheckFolder(Task.LFolder) == 1)
        r = 1;
    if (Task.RFolder.DeviceType == SideDevice::LocalFolder &&
        TWinFile::CheckFolder(Task.RFolder) == 1)
        r = 2;
    return r;
}

void TFileAnalyze::BuildTrees()
{
    LeftTree = std::make_unique<TScanTree>();
    RightTree = std::make_unique<TScanTree>();
    CompareTree = std::make_unique<TFileAttri>();
    Filter = std::make_unique<TBeenTortured>(Task);

    TWinFile leftScan;
    TWinFile rightScan;
    leftScan.CancelFlag = &Cancel;
    rightScan.CancelFlag = &Cancel;
    const bool scanLeft = Task.LFolder.DeviceType == SideDevice::LocalFolder;
    const bool scanRight = Task.RFolder.DeviceType == SideDevice::LocalFolder;
    if (scanLeft && scanRight) {
        // The two sides usually lie on different disks or machines: scanning them
        // at the same time hides the latency of one behind the other.
        std::thread left([&] { leftScan.ScanRoot(Task.LFolder, *LeftTree, *Filter); });
        rightScan.ScanRoot(Task.RFolder, *RightTree, *Filter);
        left.join();
    } else if (scanLeft) {
        leftScan.ScanRoot(Task.LFolder, *LeftTree, *Filter);
    } else if (scanRight) {
        rightScan.ScanRoot(Task.RFolder, *RightTree, *Filter);
    }
    UnreadableFolders = leftScan.UnreadableFolders + rightScan.UnreadableFolders;
    UnreadableReasons = leftScan.UnreadableReasons;
    UnreadableReasons.insert(rightScan.UnreadableReasons);
    BadNames = leftScan.BadNames + rightScan.BadNames;
    FolderLinks = leftScan.FolderLinks + rightScan.FolderLinks;
    IncludeListLeftOutAll =
        !IsCancelled() && leftScan.NotInIncludeList + rightScan.NotInIncludeList > 0 &&
        LeftTree->FileCount(TScanTree::Root) == 0 && RightTree->FileCount(TScanTree::Root) == 0;
    SpecialFiles = leftScan.SpecialFiles + rightScan.SpecialFiles;
    FiltersByNameOnly = Filter->JudgesByNameOnly();
    Filter.reset();
}

void TFileAnalyze::ReportComparedCount()
{
    const qint64 now = Clock.elapsed();
    if (ProgressIntervalMs > 0 && LastProgressMs >= 0 && now - LastProgressMs < ProgressIntervalMs)
        return;
    LastProgressMs = now;
    const qint64 compared = ComparedCount;
    Report([this, compared] { Progress.Progressed(compared); });
}

namespace {

// Records one side of a scan item in its comparison node.
void TakeSide(TFileAttri& node, const TScanTree& tree, quint32 item, bool left)
{
    (left ? node.LeftTime : node.RightTime) = tree.Item(item).Time;
    (left ? node.LeftSize : node.RightSize) = tree.Size(item);
    (left ? node.LeftAttr : node.RightAttr) = qint8(tree.Item(item).Attr);
    (left ? node.LeftExactTime : node.RightExactTime) = tree.ExactTime(item);
}

// The comparison node of a scan item, with the item's side recorded; its
// folder gives it its name (NameChildren).
std::unique_ptr<TFileAttri> NodeOf(const TScanTree& tree, quint32 item, bool left)
{
    auto node = std::make_unique<TFileAttri>();
    node->Kind = tree.IsFolder(item) ? ItemKind::Folder : ItemKind::File;
    TakeSide(*node, tree, item, left);
    return node;
}

quint32 HashOf(std::string_view name)
{
    return quint32(qHash(QByteArrayView(name.data(), qsizetype(name.size()))));
}

} // namespace

void TFileAnalyze::Pair(const TScanTree& leftTree, quint32 l, const TScanTree& rightTree, quint32 r,
                        TFileAttri* compare)
{
    auto node = NodeOf(leftTree, l, true);
    TFileAttri* p = node.get();
    TakeSide(*p, rightTree, r, false);
    p->State = p->LeftTime > p->RightTime   ? CompareState::LeftNewer
               : p->LeftTime < p->RightTime ? CompareState::RightNewer
                                            : CompareState::Same;
    p->SideUnreadable =
        compare->SideUnreadable || leftTree.IsUnreadable(l) || rightTree.IsUnreadable(r);
    if (leftTree.IsFolder(l)) {
        // A file met by a folder has no children: the folder's are one-sided.
        Merge(TScanFolder{leftTree, leftTree.Children(l)},
              TScanFolder{rightTree, rightTree.Children(r)}, p);
        compare->LeftCount += p->LeftCount;
        compare->RightCount += p->RightCount;
        compare->FileCount += p->FileCount;
    } else {
        if (p->State == CompareState::RightNewer)
            ++compare->LeftCount;
        if (p->State == CompareState::LeftNewer)
            ++compare->RightCount;
        ++compare->FileCount;
        ++ComparedCount;
    }
    compare->AddChild(std::move(node));
    NameSources.emplace_back(&leftTree, l);
}

void TFileAnalyze::AddOneSided(const TScanTree& tree, quint32 item, bool left, TFileAttri* compare)
{
    auto node = NodeOf(tree, item, left);
    TFileAttri* p = node.get();
    p->State = left ? CompareState::LeftOnly : CompareState::RightOnly;
    p->SideUnreadable = compare->SideUnreadable || tree.IsUnreadable(item);
    qint32& sideCount = left ? compare->LeftCount : compare->RightCount;
    if (tree.IsFolder(item)) {
        const TScanFolder present{tree, tree.Children(item)};
        const TScanFolder absent{tree, TScanTree::TChildRange{0, 0}};
        Merge(left ? present : absent, left ? absent : present, p);
        sideCount += left ? p->LeftCount : p->RightCount;
        compare->FileCount += p->FileCount;
    } else {
        ++ComparedCount;
        ++sideCount;
        ++compare->FileCount;
    }
    compare->AddChild(std::move(node));
    NameSources.emplace_back(&tree, item);
}

// Pairs each left child with the first unmatched right child of the same name, in
// left order. Names are compared exactly, byte for byte (the scan keeps only
// valid UTF-8, whose bytes are equal exactly when the names are): on this system
// "d" and " d" are two files, and pairing them would copy one over the other and
// then the other, taken as one-sided, over the first.
//
// The pairs are found first (MatchChildren), then the comparison nodes are made
// in left order, and the right children left over in right order. The right
// items met in left order are random to their tree: they are fetched a batch
// ahead, a batch at a time. Where the tree is wider than the processor's table
// of pages can map, fetching an item first looks up its page, which holds up
// the fetches behind it; a batch of fetches one after the other lets those
// look-ups overlap, where fetches spread between the work of each child wait
// for them one by one.
void TFileAnalyze::PairChildren(const TScanFolder& left, const TScanFolder& right,
                                TFileAttri* compare)
{
    const TScanTree& leftTree = left.Tree;
    const TScanTree& rightTree = right.Tree;
    const quint32 leftFirst = left.Children.First;
    const quint32 rightFirst = right.Children.First;
    std::vector<qint32> match;
    std::vector<quint8> paired;
    MatchChildren(left, right, match, paired);
    if (IsCancelled())
        return;
    constexpr size_t Ahead = 16;
    for (size_t j = 0; j < match.size(); ++j) {
        if (IsCancelled())
            return;
        if (j % Ahead == 0) {
            const size_t end = std::min(j + 2 * Ahead, match.size());
            for (size_t t = j + Ahead; t < end; ++t)
                if (match[t] >= 0)
                    __builtin_prefetch(&rightTree.Item(rightFirst + quint32(match[t])));
        }
        const quint32 l = leftFirst + quint32(j);
        if (match[j] < 0)
            AddOneSided(leftTree, l, true, compare);
        else
            Pair(leftTree, l, rightTree, rightFirst + quint32(match[j]), compare);
    }
    for (size_t i = 0; i < paired.size(); ++i) {
        if (IsCancelled())
            return;
        if (!paired[i])
            AddOneSided(rightTree, rightFirst + quint32(i), false, compare);
    }
    ReportComparedCount();
}

namespace {

// A child of one side in a partition: its name, the name's hash and its
// position among the folder's children.
struct TPartEntry
{
    // Where the name lies among the partition's names (a folder's names take
    // less than the tree's 4 GB of text).
    quint32 Offset;
    quint32 Length;
    quint32 Hash;
    qint32 Index;
};

// One side's children grouped by the top bits of their names' hashes, keeping
// their order within each group; Starts[b] is where group b begins. The names
// are copied beside each other in the groups' order: a group's names are then
// read from one short run of memory, not from all over the side's text.
struct TPartition
{
    std::vector<TPartEntry> Entries;
    std::vector<size_t> Starts;
    std::vector<char> Names;
    // Per child in listing order, its group.
    std::vector<quint8> Groups;

    void Fill(const TScanTree& tree, TScanTree::TChildRange children, unsigned bits)
    {
        const size_t groups = size_t(1) << bits;
        auto groupOf = [bits](quint32 hash) { return bits == 0 ? 0 : size_t(hash >> (32 - bits)); };
        std::vector<quint32> hashes(children.Count);
        std::vector<quint16> lengths(children.Count);
        std::vector<size_t> bytes(groups + 1, 0);
        Starts.assign(groups + 1, 0);
        Groups.resize(children.Count);
        for (quint32 i = 0; i < children.Count; ++i) {
            const std::string_view name = tree.NameBytes(children.First + i);
            hashes[i] = HashOf(name);
            lengths[i] = quint16(name.size());
            const size_t group = groupOf(hashes[i]);
            Groups[i] = quint8(group);
            ++Starts[group + 1];
            bytes[group + 1] += name.size();
        }
        for (size_t b = 0; b < groups; ++b) {
            Starts[b + 1] += Starts[b];
            bytes[b + 1] += bytes[b];
        }
        std::vector<size_t> fill(Starts.begin(), Starts.end() - 1);
        Entries.resize(children.Count);
        Names.resize(bytes[groups]);
        // The names are taken from the block they form in the tree, which
        // is read once more in its order, without the children's items.
        const char* name = tree.ChildNames(children).data();
        for (quint32 i = 0; i < children.Count; ++i) {
            const size_t group = Groups[i];
            const size_t length = lengths[i];
            std::memcpy(Names.data() + bytes[group], name, length);
            Entries[fill[group]++] =
                TPartEntry{quint32(bytes[group]), quint32(length), hashes[i], qint32(i)};
            bytes[group] += length;
            name += length;
        }
    }

    std::string_view NameBytes(const TPartEntry& entry) const
    {
        return std::string_view(Names.data() + entry.Offset, entry.Length);
    }

    // Values kept per entry, put into the children's listing order. A group's
    // entries stand in listing order, so the next child's value is the next one
    // of its group: each group is read in turn from its own run, where writing
    // the values straight into listing order would meet the list at random.
    template <typename T>
    void ToListingOrder(const std::vector<T>& byEntry, std::vector<T>& byChild) const
    {
        std::vector<size_t> cursor(Starts.begin(), Starts.end() - 1);
        byChild.resize(Groups.size());
        for (size_t i = 0; i < Groups.size(); ++i)
            byChild[i] = byEntry[cursor[Groups[i]]++];
    }
};

} // namespace

// For each left child, the position of the right child it pairs with (-1: none),
// and which right children are paired.
//
// Wide folders do not fit in the processor's caches, and a table of all the
// right names would be probed at random. Both sides are therefore split by
// their names' hashes into groups of a few thousand (names that are equal fall
// into the same group, in their listing order), and each group is paired
// through a small open-addressing table that stays in the cache: the time grows
// with the number of children and not faster. Each name of the table holds its
// right children in listing order.
void TFileAnalyze::MatchChildren(const TScanFolder& left, const TScanFolder& right,
                                 std::vector<qint32>& match, std::vector<quint8>& paired)
{
    const TScanTree& leftTree = left.Tree;
    const TScanTree& rightTree = right.Tree;
    const size_t rights = right.Children.Count;
    constexpr size_t GroupSize = 4096;
    constexpr unsigned MaxBits = 8;
    static_assert(MaxBits <= 8, "a child's group is kept in a byte");
    unsigned bits = 0;
    while (bits < MaxBits && (rights >> bits) > GroupSize)
        ++bits;
    TPartition leftPart;
    TPartition rightPart;
    leftPart.Fill(leftTree, left.Children, bits);
    rightPart.Fill(rightTree, right.Children, bits);
    const std::vector<TPartEntry>& lefts = leftPart.Entries;
    const std::vector<TPartEntry>& rightEntries = rightPart.Entries;
    const std::vector<size_t>& leftStarts = leftPart.Starts;
    const std::vector<size_t>& rightStarts = rightPart.Starts;

    struct Slot
    {
        // The name, in the right side's partition.
        quint32 Offset = 0;
        quint32 Length = 0;
        quint32 Hash = 0;
        // Positions in the group's entries: the next right child of this name
        // not yet paired, and the last one (-1: the slot is free).
        qint32 Head = -1;
        qint32 Tail = -1;
        // The next right child's position among the folder's children: a
        // left child pairs without a further look into the entries.
        qint32 HeadIndex = -1;
    };
    std::vector<Slot> table;
    // The right child found for each left one, and whether each right one was
    // found, in the partitions' order.
    std::vector<qint32> found(lefts.size(), -1);
    std::vector<quint8> taken(rights, 0);
    // Per position in the group's entries, the next right child of the same
    // name: kept per group, so that it stays in the cache with the table.
    std::vector<qint32> next;
    constexpr size_t Ahead = 8;
    for (size_t group = 0; group + 1 < rightStarts.size(); ++group) {
        if (IsCancelled())
            return;
        const size_t rightBegin = rightStarts[group];
        const size_t rightEnd = rightStarts[group + 1];
        size_t capacity = 16;
        while (capacity < (rightEnd - rightBegin) * 3 / 2)
            capacity *= 2;
        const size_t mask = capacity - 1;
        table.assign(capacity, Slot{});
        next.assign(rightEnd - rightBegin, -1);
        // The slot of a name: its own, or the free one where it would go.
        auto slotOf = [&](std::string_view name, quint32 hash) -> Slot& {
            for (size_t i = hash & mask;; i = (i + 1) & mask) {
                Slot& slot = table[i];
                if (slot.Tail < 0 || (slot.Hash == hash && slot.Length == name.size() &&
                                      std::memcmp(rightPart.Names.data() + slot.Offset, name.data(),
                                                  name.size()) == 0))
                    return slot;
            }
        };
        // The slots are met at random: they are fetched ahead. The group's
        // names, which the left names are compared with at random, are
        // brought in on the way, in their order.
        for (size_t k = rightBegin; k < rightEnd; ++k) {
            if (k + Ahead < rightEnd) {
                __builtin_prefetch(&table[rightEntries[k + Ahead].Hash & mask]);
                __builtin_prefetch(rightPart.Names.data() + rightEntries[k + Ahead].Offset);
            }
            const qint32 at = qint32(k - rightBegin);
            const TPartEntry& entry = rightEntries[k];
            Slot& slot = slotOf(rightPart.NameBytes(entry), entry.Hash);
            if (slot.Tail < 0) {
                slot = Slot{entry.Offset, entry.Length, entry.Hash, at, at, entry.Index};
            } else {
                next[size_t(slot.Tail)] = at;
                slot.Tail = at;
            }
        }
        // Each left name's slot is fetched ahead, and then, once it is there,
        // the right name it holds, which the comparison reads.
        const size_t leftEnd = leftStarts[group + 1];
        for (size_t k = leftStarts[group]; k < leftEnd; ++k) {
            if (k + Ahead < leftEnd)
                __builtin_prefetch(&table[lefts[k + Ahead].Hash & mask]);
            if (k + Ahead / 2 < leftEnd)
                __builtin_prefetch(rightPart.Names.data() +
                                   table[lefts[k + Ahead / 2].Hash & mask].Offset);
            Slot& slot = slotOf(leftPart.NameBytes(lefts[k]), lefts[k].Hash);
            if (slot.Tail < 0 || slot.Head < 0)
                continue;
            const qint32 i = slot.HeadIndex;
            found[k] = i;
            taken[rightBegin + size_t(slot.Head)] = 1;
            // Mostly a name stands once on a side.
            slot.Head = slot.Head == slot.Tail ? -1 : next[size_t(slot.Head)];
            if (slot.Head >= 0)
                slot.HeadIndex = rightEntries[rightBegin + size_t(slot.Head)].Index;
        }
    }
    leftPart.ToListingOrder(found, match);
    rightPart.ToListingOrder(taken, paired);
}

void TFileAnalyze::CompareFolders(const TScanTree& left, quint32 leftFolder, const TScanTree& right,
                                  quint32 rightFolder, TFileAttri* compare)
{
    Merge(TScanFolder{left, left.Children(leftFolder)},
          TScanFolder{right, right.Children(rightFolder)}, compare);
}

// A folder's names lie in one block of text, not one allocation each: a
// million names take some 30 MB less.
void TFileAnalyze::NameChildren(TFileAttri& folder, size_t first)
{
    NameBytes.clear();
    for (size_t i = first; i < NameSources.size(); ++i)
        NameBytes.push_back(NameSources[i].first->NameBytes(NameSources[i].second));
    // The merge added the folder's last children, one per source; each takes
    // its name as it is decoded, the children a few steps ahead fetched.
    const size_t count = NameBytes.size();
    const auto children = folder.Children.end() - std::ptrdiff_t(count);
    constexpr size_t Ahead = 8;
    TFileNameText::DecodeSharing(NameBytes, [&](size_t i, QString&& name) {
        if (i + Ahead < count)
            __builtin_prefetch(children[std::ptrdiff_t(i + Ahead)].get(), 1);
        children[std::ptrdiff_t(i)]->ItemName = std::move(name);
    });
    NameSources.resize(first);
}

void TFileAnalyze::Merge(const TScanFolder& left, const TScanFolder& right, TFileAttri* compare)
{
    // The nodes this merge adds follow the sources of the folders above.
    const size_t firstSource = NameSources.size();
    compare->LeftCount = 0;
    compare->RightCount = 0;
    compare->FileCount = 0;
    const TScanTree::TChildRange lefts = left.Children;
    const TScanTree::TChildRange rights = right.Children;
    // Mostly the same names stand on both sides: room for the larger side saves
    // the vector's regrowth in wide folders.
    compare->Children.reserve(std::max(lefts.Count, rights.Count));
    if (lefts.Count == 0) {
        for (quint32 i = rights.First; i < rights.First + rights.Count; ++i) {
            if (IsCancelled())
                break;
            AddOneSided(right.Tree, i, false, compare);
        }
    } else if (rights.Count == 0) {
        for (quint32 i = lefts.First; i < lefts.First + lefts.Count; ++i) {
            if (IsCancelled())
                break;
            AddOneSided(left.Tree, i, true, compare);
        }
    } else {
        PairChildren(left, right, compare);
    }
    NameChildren(*compare, firstSource);
}
