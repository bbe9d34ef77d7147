#include "engine/UFileAnalyze.h"

#include "engine/UFileOper.h"
#include "engine/UWinFile.h"
#include "jobs/UTSyncTask.h"

#include <QHashFunctions>

#include <thread>

TFileAnalyze::TFileAnalyze(TSyncTask& task, QObject* pageWindow, TMessageHandler handler,
                           Completion completion, int progressIntervalMs)
    : PageWindow(pageWindow), Task(task), Handler(std::move(handler)),
      OnFinished(std::move(completion)), ProgressIntervalMs(progressIntervalMs)
{
    StartSelfDeletingWorker(this, pageWindow, [this] {
        if (OnFinished)
            OnFinished(*this);
    });
}

TFileAnalyze::~TFileAnalyze()
{
    wait();
}

bool TFileAnalyze::IsCancelled() const
{
    return Task.Cancelled.load(std::memory_order_relaxed);
}

void TFileAnalyze::Send(int message, qint64 wParam, qint64 lParam)
{
    SendWorkerMessage(PageWindow, Handler, message, wParam, lParam);
}

void TFileAnalyze::run()
{
    ConnectResult = CheckFolders();
    if (ConnectResult != 0) {
        Send(WM_CONNECT_FAILED, ConnectResult, 0);
        return;
    }
    ComparedCount = 0;
    BuildTrees();
    Send(WM_PROGRESS, qint64(LeftTree->FileCount) + RightTree->FileCount, 0);
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
    leftScan.CancelFlag = &Task.Cancelled;
    rightScan.CancelFlag = &Task.Cancelled;
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
    Filter.reset();
}

void TFileAnalyze::ReportComparedCount()
{
    const qint64 now = Clock.elapsed();
    if (ProgressIntervalMs > 0 && LastProgressMs >= 0 && now - LastProgressMs < ProgressIntervalMs)
        return;
    LastProgressMs = now;
    Send(WM_PROGRESS, 0, ComparedCount);
}

void TFileAnalyze::Pair(TFileAttri* l, TFileAttri* r, TFileAttri* compare)
{
    r->Matched = true;
    auto node = std::make_unique<TFileAttri>();
    TFileAttri* p = node.get();
    p->State = l->FileTime > r->FileTime   ? CompareState::LeftNewer
               : l->FileTime < r->FileTime ? CompareState::RightNewer
                                           : CompareState::Same;
    p->Kind = l->IsFolder;
    p->ItemName = l->FileName;
    p->LeftTime = l->FileTime;
    p->LeftSize = l->FileSize;
    p->LeftAttr = l->FileAttr;
    p->LeftPath = l->FullPath;
    p->RightTime = r->FileTime;
    p->RightSize = r->FileSize;
    p->RightAttr = r->FileAttr;
    p->RightPath = r->FullPath;
    p->SideUnreadable = compare->SideUnreadable || l->Unreadable || r->Unreadable;
    if (l->IsFolder == 1) {
        CompareFolders(l, r, p);
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

void TFileAnalyze::AddOneSided(TFileAttri* item, bool left, TFileAttri* compare)
{
    auto node = std::make_unique<TFileAttri>();
    TFileAttri* p = node.get();
    p->State = left ? CompareState::LeftOnly : CompareState::RightOnly;
    p->Kind = item->IsFolder;
    p->ItemName = item->FileName;
    p->SideUnreadable = compare->SideUnreadable || item->Unreadable;
    if (left) {
        p->LeftTime = item->FileTime;
        p->LeftAttr = item->FileAttr;
        p->LeftSize = item->FileSize;
        p->LeftPath = item->FullPath;
    } else {
        p->RightTime = item->FileTime;
        p->RightAttr = item->FileAttr;
        p->RightSize = item->FileSize;
        p->RightPath = item->FullPath;
    }
    qint32& sideCount = left ? compare->LeftCount : compare->RightCount;
    if (item->IsFolder == 1) {
        TFileAttri empty;
        if (left)
            CompareFolders(item, &empty, p);
        else
            CompareFolders(&empty, item, p);
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
    const auto& lefts = left->Children;
    const auto& rights = right->Children;
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

        TFileAttri* l = lefts[j].get();
        Slot& slot = slotOf(QStringView(l->FileName), leftHashes[j]);
        if (slot.Head < 0) {
            AddOneSided(l, true, compare);
            continue;
        }
        TFileAttri* r = rights[size_t(slot.Head)].get();
        slot.Head = next[size_t(slot.Head)];
        Pair(l, r, compare);
    }
    for (const auto& r : rights) {
        if (IsCancelled())
            return;
        if (!r->Matched)
            AddOneSided(r.get(), false, compare);
    }
    ReportComparedCount();
}

void TFileAnalyze::CompareFolders(TFileAttri* left, TFileAttri* right, TFileAttri* compare)
{
    compare->LeftCount = 0;
    compare->RightCount = 0;
    compare->FileCount = 0;
    if (left->ChildCount == 0) {
        for (const auto& r : right->Children) {
            if (IsCancelled())
                break;
            AddOneSided(r.get(), false, compare);
        }
    } else if (right->ChildCount == 0) {
        for (const auto& l : left->Children) {
            if (IsCancelled())
                break;
            AddOneSided(l.get(), true, compare);
        }
    } else {
        PairChildren(left, right, compare);
    }
    left->ClearChildren();
    right->ClearChildren();
}
