// Benchmarks of the engine: pairing of wide folders, whole analyses and sync
// runs of two folders, with the time taken and the peak memory of the process,
// and the record of the last sync of many files.
#include "BenchOutput.h"
#include "engine/RunProgress.h"
#include "engine/SyncStateFile.h"
#include "engine/SyncVerdicts.h"
#include "engine/UFileAnalyze.h"
#include "jobs/UTSyncTask.h"
#include "rows/RowBuilder.h"
#include "run/RunDriver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <malloc.h>
#include <unistd.h>

namespace {

// A scan tree whose root holds n files with distinct names, in a shuffled order.
std::unique_ptr<TScanTree> WideFolder(int n, quint32 seed)
{
    std::vector<int> order(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        order[size_t(i)] = i;
    QRandomGenerator random(seed);
    std::shuffle(order.begin(), order.end(), random);
    auto tree = std::make_unique<TScanTree>();
    char name[32];
    for (int i : order) {
        const int length = std::snprintf(name, sizeof name, "file-%07d.dat", i);
        tree->AddChild(TScanTree::Root, std::string_view(name, size_t(length)), false, 1000 + i % 3,
                       0, FileAttribute::Archive);
    }
    tree->Finish();
    return tree;
}

// Reads a buffer twice the size of the last-level cache (at least 256 MB), so
// that every measurement starts from the same cold caches whatever the size of
// the trees just built. A smaller buffer leaves the small trees in a large cache,
// and the pairing of 20,000 files then looks twice as fast as it is.
void EvictCaches()
{
    static std::vector<char> buffer(
        std::max(size_t(256) << 20, size_t(std::max(0L, ::sysconf(_SC_LEVEL3_CACHE_SIZE))) * 2), 1);
    volatile long sum = 0;
    for (size_t i = 0; i < buffer.size(); i += 64)
        sum = sum + buffer[i];
}

// Two folders of one size, built once and paired in many rounds; the best
// round counts, so that a neighbour on the machine that disturbs some of them
// does not decide the figure.
struct TPairingSize
{
    int Files = 0;
    std::unique_ptr<TScanTree> Left;
    std::unique_ptr<TScanTree> Right;
    double Best = 1e9;

    void Round(TFileAnalyze& analysis)
    {
        TFileAttri compare;
        EvictCaches();
        QElapsedTimer timer;
        timer.start();
        analysis.CompareFolders(*Left, TScanTree::Root, *Right, TScanTree::Root, &compare);
        Best = std::min(Best, double(timer.nsecsElapsed()) / 1e9);
        if (compare.FileCount != Files) {
            Out() << "pairing went wrong: " << compare.FileCount << " of " << Files << Qt::endl;
            std::exit(1);
        }
    }
};

int Pairing()
{
    // Freed memory stays in the process, so that every size reuses the memory
    // of its earlier rounds instead of the larger ones paying for fresh pages
    // from the system each round (which the allocator would return otherwise).
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    // The comparison runs on this thread: the analysis object only holds it.
    TSyncTask job;
    QObject receiver;
    TRunProgress silent;
    TFileAnalyze analysis(job, job.Cancelled, &receiver, silent);
    // 20,000 against 200,000 is the figure asked for; 200,000 against 2,000,000
    // shows the growth once neither size fits in the processor's caches.
    for (bool sameOrder : {false, true}) {
        Out() << (sameOrder ? "both sides listed in the same order\n"
                            : "each side listed in its own random order\n");
        std::array<TPairingSize, 3> sizes;
        int files = 20000;
        for (TPairingSize& size : sizes) {
            size.Files = files;
            size.Left = WideFolder(files, 1);
            size.Right = WideFolder(files, sameOrder ? 1 : 2);
            files *= 10;
        }
        // The sizes take turns, so that a slower spell of the machine falls on
        // all of them rather than on one size's rounds: 41, 21 and 11 rounds,
        // the most of the short ones, which a neighbour disturbs the most.
        for (int round = 0; round < 41; ++round) {
            sizes[0].Round(analysis);
            if (round % 2 == 0)
                sizes[1].Round(analysis);
            if (round % 4 == 0)
                sizes[2].Round(analysis);
        }
        double previous = 0;
        for (const TPairingSize& size : sizes) {
            Out() << QStringLiteral("  pairing %1 files per side: %2 s (%3 ns per file)")
                         .arg(size.Files, 7)
                         .arg(size.Best, 0, 'f', 4)
                         .arg(size.Best * 1e9 / size.Files, 0, 'f', 0);
            if (previous > 0)
                Out() << QStringLiteral(", %1 times the time of a tenth of the files")
                             .arg(size.Best / previous, 0, 'f', 2);
            Out() << Qt::endl;
            previous = size.Best;
        }
    }
    return 0;
}

// A run driver that keeps the records of the last syncs in the folder, or none
// without one.
void KeepRecords(TRunDriver& run, const QString& records)
{
    run.KeepSyncState = !records.isEmpty();
    run.SyncStateFolder = records;
}

int Analyze(const QString& left, const QString& right, const QString& records)
{
    const auto job = NewLocalJob(QStringLiteral("bench"), left, right);
    TRunProgress silent;
    TRunDriver run(silent);
    KeepRecords(run, records);
    QElapsedTimer timer;
    timer.start();
    if (run.StartAnalysis(*job) != 0)
        return 3;
    run.Wait();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (!run.CompareTree)
        return 3;
    const TFileAttri& tree = *run.CompareTree;
    Out() << QStringLiteral("analysis: %1 s, files %2, changes %3, peak memory %4 MiB\n")
                 .arg(seconds, 0, 'f', 3)
                 .arg(tree.FileCount)
                 .arg(tree.LeftCount + tree.RightCount)
                 .arg(double(PeakRssKiB()) / 1024.0, 0, 'f', 1);
    return 0;
}

int Sync(const QString& left, const QString& right, const QString& records)
{
    const auto job = NewLocalJob(QStringLiteral("bench"), left, right);
    // BRENVALE_BENCH_VERIFY=1: every copy is read back and compared.
    if (qEnvironmentVariableIntValue("BRENVALE_BENCH_VERIFY") == 1)
        job->ForcedOrVerified = TSyncTask::VerifiedCopies;
    TRunProgress silent;
    TRunDriver run(silent);
    KeepRecords(run, records);
    QElapsedTimer timer;
    timer.start();
    if (!run.Analyze(*job, TRowBuilder::Mode::Changes) || !run.Sync(*job))
        return 3;
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    Out() << QStringLiteral("analysis and sync: %1 s, copied %2, errors %3\n")
                 .arg(seconds, 0, 'f', 3)
                 .arg(run.SyncDoneCount)
                 .arg(run.SyncErrorCount);
    return run.SyncErrorCount == 0 ? 0 : 1;
}

// A record of `files` pairs as a tree of folders of 50 files leaves it (the
// layout of bench/make_tree.py), with the comparison tree of an analysis that
// finds them all unchanged. Sizes and times are drawn at random, times to the
// nanosecond within a year: the least a record can share between entries.
struct TRecordedTree
{
    TSyncState Record;
    std::unique_ptr<TFileAttri> Tree = std::make_unique<TFileAttri>();
};

TRecordedTree RecordedTree(const TSyncStateFile& file, int files)
{
    TRecordedTree made{file.Empty()};
    QRandomGenerator random(7);
    const int folders = std::max(1, files / 50);
    const int tops = std::max(1, int(std::sqrt(double(folders))));
    std::vector<TSyncState::TFolder> list;
    std::vector<TFileAttri*> topNodes;
    for (int t = 0; t < tops; ++t) {
        auto top = std::make_unique<TFileAttri>();
        top->Kind = ItemKind::Folder;
        top->ItemName = QString::asprintf("top%04d", t);
        topNodes.push_back(made.Tree->AddChild(std::move(top)));
    }
    constexpr qint64 Year = 365LL * 24 * 3600 * 1000000000;
    for (int f = 0, written = 0; f < folders; ++f) {
        auto sub = std::make_unique<TFileAttri>();
        sub->Kind = ItemKind::Folder;
        sub->ItemName = QString::asprintf("sub%05d", f);
        TSyncState::TFolder folder;
        folder.Path = QStringLiteral("top%1/%2")
                          .arg(f % tops, 4, 10, QLatin1Char('0'))
                          .arg(sub->ItemName)
                          .toStdString();
        const int count = f < folders - 1 ? files / folders : files - written;
        for (int i = 0; i < count; ++i, ++written) {
            const qint64 size = random.bounded(qint64(1) << 24);
            const qint64 time = 1'700'000'000'000'000'000 + random.bounded(Year);
            auto node = std::make_unique<TFileAttri>();
            node->ItemName = QString::asprintf("file%06d.dat", i);
            node->State = CompareState::Same;
            node->LeftAttr = node->RightAttr = FileAttribute::Archive;
            node->LeftSize = node->RightSize = size;
            node->LeftExactTime = node->RightExactTime = time;
            folder.Append(node->ItemName.toStdString(), {size, time, size, time});
            sub->AddChild(std::move(node));
        }
        list.push_back(std::move(folder));
        topNodes[size_t(f % tops)]->AddChild(std::move(sub));
    }
    made.Record.AddFolders(std::move(list));
    return made;
}

double Seconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

// The record of many files: its bytes on the disk per file, and the time to
// write it, to read it and to mark an analysis of the files with it.
int Record(int files)
{
    QTemporaryDir records;
    const TSyncStateFile file(records.path(), QStringLiteral("/bench/left"),
                              QStringLiteral("/bench/right"));
    TRecordedTree made = RecordedTree(file, files);
    QString error;
    QElapsedTimer timer;
    timer.start();
    if (!file.Save(made.Record, error))
        return 3;
    const double write = Seconds(timer);
    const qint64 bytes = QFileInfo(file.Path()).size();
    timer.restart();
    TSyncState read = file.Load(error);
    const double load = Seconds(timer);
    if (!error.isEmpty() || read.EntryCount() != files)
        return 3;
    timer.restart();
    TSyncVerdicts verdicts(read, true);
    verdicts.Apply(*made.Tree);
    const double apply = Seconds(timer);
    TSyncState none = file.Empty();
    timer.restart();
    TSyncVerdicts first(none, true);
    first.Apply(*made.Tree);
    const double firstContact = Seconds(timer);
    Out()
        << QStringLiteral("record of %1 files: %2 bytes on the disk, %3 bytes per file\n")
               .arg(files)
               .arg(bytes)
               .arg(double(bytes) / files, 0, 'f', 1)
        << QStringLiteral("  write (encode, compress, flush, rename): %1 s\n").arg(write, 0, 'f', 3)
        << QStringLiteral("  read (read, check, unpack, decode): %1 s\n").arg(load, 0, 'f', 3)
        << QStringLiteral("  apply to the analysis of the same files, none changed: %1 s "
                          "(marked %2, record changed: %3)\n")
               .arg(apply, 0, 'f', 3)
               .arg(verdicts.Counts().Recorded)
               .arg(verdicts.Changed() ? QStringLiteral("yes") : QStringLiteral("no"))
        << QStringLiteral("  apply on first contact (every pair recorded anew): %1 s\n")
               .arg(firstContact, 0, 'f', 3);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 2 && args[1] == QStringLiteral("pairing"))
        return Pairing();
    // RECORDS: the folder of the records of the last syncs; without it, the
    // runs keep none.
    const QString records = args.size() == 5 ? args[4] : QString();
    if ((args.size() == 4 || args.size() == 5) && args[1] == QStringLiteral("analyze"))
        return Analyze(args[2], args[3], records);
    if ((args.size() == 4 || args.size() == 5) && args[1] == QStringLiteral("sync"))
        return Sync(args[2], args[3], records);
    if ((args.size() == 2 || args.size() == 3) && args[1] == QStringLiteral("record"))
        return Record(args.size() == 3 ? args[2].toInt() : 1000000);
    QTextStream(stderr) << "usage: brenvale-bench pairing | analyze LEFT RIGHT [RECORDS] | "
                           "sync LEFT RIGHT [RECORDS] | record [FILES]\n";
    return 2;
}
