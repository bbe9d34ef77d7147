#include "engine/UFileAnalyze.h"

#include "engine/RunProgress.h"
#include "engine/UFileOper.h"
#include "engine/UWinFile.h"
#include "engine/WorkerMessages.h"
#include "jobs/UTSyncTask.h"

#include <QHashFunctions>

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
    const qint64 total = qint64(LeftTree->FileCount) + RightTree->FileCount;
    Report([this, total] { Progress.PhaseStarted(TRunPhase::Comparing, total); });
    Clock.start();
    CompareTree->SideUnreadable = LeftTree->Unreadable || RightTree->Unreadable;
    CompareFolders(LeftTree.get(), RightTree.get(), CompareTree.get());
}

qint32 TFileAnalyze::CheckFolders() const
{
    qint32 r = 0;
    if (Task.LFolder.DeviceType == 1 && TWinFile::CheckFolder(Task.LFolder) == 1)
        r = 1;
    if (Task.RFolder.DeviceType == 1 && TWinFile::CheckFolder(Task.RFolder) == 1)
        r = 2;
    return r;
}

void TFileAnalyze::BuildTrees()
{
    LeftTree = std::make_unique<TFileAttri>();
    RightTree = std::make_unique<TFileAttri>();
    CompareTree = std::make_unique<TFileAttri>();
    Filter = std::make_unique<TBeenTortured>(Task);

    TWinFile leftScan;
    TWinFile rightScan;
    leftScan.CancelFlag = &Cancel;
    rightScan.CancelFlag = &Cancel;
    const bool scanLeft = Task.LFolder.DeviceType == 1;
    const bool scanRight = Task.RFolder.DeviceType == 1;
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
    BadNames = leftScan.BadNames + rightScan.BadNames;
    FolderLinks = leftScan.FolderLinks + rightScan.FolderLinks;
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

// The comparison consumes the scan trees folder by folder, so a scan node becomes
// the comparison node of its item instead of being copied and freed: an analysis
// allocates no node of its own, and texts are not shared and released again. The
// node leaves its slot; its children move into `scan`, the stand-in for the item's
// scan node while its folder is merged, together with its scan-role flags.
std::unique_ptr<TFileAttri> Recycle(std::unique_ptr<TFileAttri>& slot, TFileAttri& scan)
{
    std::unique_ptr<TFileAttri> node = std::move(slot);
    scan.Children = std::move(node->Children);
    node->Children.clear();
    scan.ChildCount = std::exchange(node->ChildCount, 0);
    scan.IsFolder = std::exchange(node->IsFolder, 0);
    scan.Unreadable = std::exchange(node->Unreadable, false);
    node->Matched = false;
    node->FileCount = 0;
    node->ItemName = std::move(node->FileName);
    return node;
}

// Moves the scan-role time, size, attributes and path of a recycled node to one
// side of its comparison role.
void TakeSide(TFileAttri& node, bool left)
{
    (left ? node.LeftTime : node.RightTime) = std::exchange(node.FileTime, 0);
    (left ? node.LeftSize : node.RightSize) = std::exchange(node.FileSize, 0);
    (left ? node.LeftAttr : node.RightAttr) = std::exchange(node.FileAttr, 0);
    (left ? node.LeftPath : node.RightPath) = std::move(node.FullPath);
}

} // namespace

void TFileAnalyze::Pair(std::unique_ptr<TFileAttri>& leftSlot, TFileAttri* r, TFileAttri* compare)
{
    r->Matched = true;
    TFileAttri scanLeft;
    auto node = Recycle(leftSlot, scanLeft);
    TFileAttri* p = node.get();
    TakeSide(*p, true);
    p->State = p->LeftTime > r->FileTime   ? CompareState::LeftNewer
               : p->LeftTime < r->FileTime ? CompareState::RightNewer
                                           : CompareState::Same;
    p->Kind = scanLeft.IsFolder;
    p->RightTime = r->FileTime;
    p->RightSize = r->FileSize;
    p->RightAttr = r->FileAttr;
    // The right name stays: the name table of the folder still points into it.
    p->RightPath = std::move(r->FullPath);
    p->SideUnreadable = compare->SideUnreadable || scanLeft.Unreadable || r->Unreadable;
    if (scanLeft.IsFolder == 1) {
        CompareFolders(&scanLeft, r, p);
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
}

// No name probe reads a one-sided item once it is added (left ones were never in
// the name table, right ones come after every probe), so its node is recycled.
void TFileAnalyze::AddOneSided(std::unique_ptr<TFileAttri>& slot, bool left, TFileAttri* compare)
{
    TFileAttri scan;
    auto node = Recycle(slot, scan);
    TFileAttri* p = node.get();
    TakeSide(*p, left);
    p->State = left ? CompareState::LeftOnly : CompareState::RightOnly;
    p->Kind = scan.IsFolder;
    p->SideUnreadable = compare->SideUnreadable || scan.Unreadable;
    qint32& sideCount = left ? compare->LeftCount : compare->RightCount;
    if (scan.IsFolder == 1) {
        TFileAttri empty;
        if (left)
            CompareFolders(&scan, &empty, p);
        else
            CompareFolders(&empty, &scan, p);
        sideCount += left ? p->LeftCount : p->RightCount;
        compare->FileCount += p->FileCount;
    } else {
        ++ComparedCount;
        ++sideCount;
        ++compare->FileCount;
    }
    compare->AddChild(std::move(node));
}

// Pairs each left child with the first unmatched right child of the same name, in
// left order. Names are compared exactly: on this system "d" and " d" are two
// files, and pairing them would copy one over the other and then the other,
// taken as one-sided, over the first. The right children go into an open-addressing table keyed
// by name, each name holding its right children in listing order, so a folder of
// n entries costs O(n) instead of O(n^2).
//
// Wide folders do not fit in the processor's caches, and the right children are
// met in left order, which is random to them. The slots therefore carry the name's
// hash and characters (a probe touches nothing else), and the loop over the left
// children fetches the slots and right children a few steps ahead.
void TFileAnalyze::PairChildren(TFileAttri* left, TFileAttri* right, TFileAttri* compare)
{
    auto& lefts = left->Children;
    auto& rights = right->Children;
    struct Slot
    {
        const QChar* Name = nullptr;
        qsizetype Length = 0;
        quint32 Hash = 0;
        qint32 First = -1; // -1: the slot is free
        qint32 Head = -1;  // the next right child of this name not yet paired
        qint32 Tail = -1;
    };
    size_t capacity = 16;
    while (capacity < rights.size() + rights.size() / 2)
        capacity *= 2;
    const size_t mask = capacity - 1;
    std::vector<Slot> table(capacity);
    std::vector<qint32> next(rights.size(), -1);

    // The slot of a name: its own, or the free one where it would go.
    auto slotOf = [&](QStringView name, quint32 hash) -> Slot& {
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot& slot = table[i];
            if (slot.First < 0 ||
                (slot.Hash == hash && QStringView(slot.Name, slot.Length) == name))
                return slot;
        }
    };
    for (qint32 i = 0; i < qint32(rights.size()); ++i) {
        const QStringView name = QStringView(rights[size_t(i)]->FileName);
        const quint32 hash = quint32(qHash(name));
        Slot& slot = slotOf(name, hash);
        if (slot.First < 0) {
            slot = Slot{name.data(), name.size(), hash, i, i, i};
        } else {
            next[size_t(slot.Tail)] = i;
            slot.Tail = i;
        }
    }

    std::vector<quint32> leftHashes(lefts.size());
    for (size_t j = 0; j < lefts.size(); ++j)
        leftHashes[j] = quint32(qHash(QStringView(lefts[j]->FileName)));
    constexpr size_t SlotAhead = 16;
    constexpr size_t ChildAhead = 8;
    for (size_t j = 0; j < lefts.size(); ++j) {
        if (IsCancelled())
            return;
        if (j + SlotAhead < lefts.size())
            __builtin_prefetch(&table[leftHashes[j + SlotAhead] & mask]);
        if (j + ChildAhead < lefts.size()) {
            const Slot& ahead = table[leftHashes[j + ChildAhead] & mask];
            if (ahead.Head >= 0) {
                __builtin_prefetch(ahead.Name);
                __builtin_prefetch(rights[size_t(ahead.Head)].get());
            }
        }

        Slot& slot = slotOf(QStringView(lefts[j]->FileName), leftHashes[j]);
        if (slot.Head < 0) {
            AddOneSided(lefts[j], true, compare);
            continue;
        }
        TFileAttri* r = rights[size_t(slot.Head)].get();
        slot.Head = next[size_t(slot.Head)];
        Pair(lefts[j], r, compare);
    }
    for (auto& r : rights) {
        if (IsCancelled())
            return;
        if (!r->Matched)
            AddOneSided(r, false, compare);
    }
    ReportComparedCount();
}

void TFileAnalyze::CompareFolders(TFileAttri* left, TFileAttri* right, TFileAttri* compare)
{
    compare->LeftCount = 0;
    compare->RightCount = 0;
    compare->FileCount = 0;
    // Mostly the same names stand on both sides: room for the larger side saves
    // the vector's regrowth in wide folders.
    compare->Children.reserve(std::max(left->Children.size(), right->Children.size()));
    if (left->ChildCount == 0) {
        for (auto& r : right->Children) {
            if (IsCancelled())
                break;
            AddOneSided(r, false, compare);
        }
    } else if (right->ChildCount == 0) {
        for (auto& l : left->Children) {
            if (IsCancelled())
                break;
            AddOneSided(l, true, compare);
        }
    } else {
        PairChildren(left, right, compare);
    }
    left->ClearChildren();
    right->ClearChildren();
}
