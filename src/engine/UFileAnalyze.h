#pragma once

#include "engine/ScanTree.h"
#include "engine/SyncStateFile.h"
#include "engine/SyncVerdicts.h"
#include "engine/UFileStructure.h"

#include <QElapsedTimer>
#include <QHash>
#include <QStringList>

#include <QThread>
#include <functional>

#include <atomic>
#include <memory>
#include <vector>

class TBeenTortured;
class TRunProgress;
class TSyncTask;

// An analysis of one job in its own thread: checks both folders, scans both sides
// (at the same time, one thread each) with the job's filters and merges the scan
// trees into a comparison tree, which it then marks with what changed since the
// last sync, as the record of the two folders tells (read and updated on this
// thread once the scan trees are gone, so that the peak of the memory stays
// that of the comparison). It reports the start of the comparison, its
// progress and an unreachable side to the progress interface, on the receiver's
// thread while it waits. The job is the run's own copy and the cancel flag the
// run's; neither may change while the thread runs.
class TFileAnalyze : public QThread
{
    Q_OBJECT

public:
    // Comparison progress is reported at most every progressIntervalMs (0: after
    // every pair of folders). The thread starts with start().
    TFileAnalyze(const TSyncTask& task, const std::atomic<bool>& cancel, QObject* receiver,
                 TRunProgress& progress, int progressIntervalMs = 50);
    ~TFileAnalyze() override;

    // 0 when both sides can be reached, 1 when the left cannot, 2 when the right
    // cannot (also when neither can).
    qint32 CheckFolders() const;
    void BuildTrees();
    // Merges the children of a left and a right scan folder (items of the two
    // scan trees) into the comparison node, recursively.
    void CompareFolders(const TScanTree& left, quint32 leftFolder, const TScanTree& right,
                        quint32 rightFolder, TFileAttri* compare);

    // The comparison tree; null when a side could not be reached. The caller owns it.
    std::unique_ptr<TFileAttri> TakeCompareTree() { return std::move(CompareTree); }

    QObject* const Receiver;
    qint32 ComparedCount = 0;
    const TSyncTask& Task;
    std::unique_ptr<TBeenTortured> Filter;

    std::unique_ptr<TScanTree> LeftTree;
    std::unique_ptr<TScanTree> RightTree;
    std::unique_ptr<TFileAttri> CompareTree;
    // Result of CheckFolders; the analysis has a result only when it is 0.
    qint32 ConnectResult = 0;
    // Folders that could not be listed; what lies below them is never copied.
    QStringList UnreadableFolders;
    QHash<QString, QString> UnreadableReasons;
    // Items left out because their names are not valid UTF-8.
    QStringList BadNames;
    // Links to folders, not followed: what they lead to is left out.
    QStringList FolderLinks;
    // The include list left out every file that the other filters let through
    // (and there was at least one): the job compares nothing.
    bool IncludeListLeftOutAll = false;
    // Items that are no file or folder, never copied.
    QStringList SpecialFiles;

    // The folder of the records of the last syncs; empty: none is read or
    // written. Set before the thread starts.
    QString SyncStateFolder;
    // The record's file, once the comparison is complete.
    std::unique_ptr<TSyncStateFile> StateFile;
    // Why the record could not be read (it was then taken as missing), and why
    // it could not be written; empty when it could.
    QString StateReadError;
    QString StateWriteError;
    // What the marks of the last sync counted.
    TSyncVerdicts::TCounts SinceSync;
    // The conflicts and deletions the record told of.
    std::vector<TSyncVerdicts::TMarked> SinceSyncItems;

protected:
    void run() override;

private:
    bool IsCancelled() const;
    void Report(const std::function<void()>& call);
    // The children of one folder of one side: none when the folder is absent.
    struct TScanFolder
    {
        const TScanTree& Tree;
        TScanTree::TChildRange Children;
    };
    void Merge(const TScanFolder& left, const TScanFolder& right, TFileAttri* compare);
    void Pair(const TScanTree& leftTree, quint32 l, const TScanTree& rightTree, quint32 r,
              TFileAttri* compare);
    void AddOneSided(const TScanTree& tree, quint32 item, bool left, TFileAttri* compare);
    void PairChildren(const TScanFolder& left, const TScanFolder& right, TFileAttri* compare);
    void MatchChildren(const TScanFolder& left, const TScanFolder& right,
                       std::vector<qint32>& match, std::vector<quint8>& paired);
    void ReportComparedCount();
    void ApplyLastSync();
    void NameChildren(TFileAttri& folder, size_t first);

    const std::atomic<bool>& Cancel;
    TRunProgress& Progress;
    int ProgressIntervalMs;
    qint64 LastProgressMs = -1;
    // The filters leave out a file on both sides alike (TBeenTortured::JudgesByNameOnly).
    bool FiltersByNameOnly = true;
    QElapsedTimer Clock;
    // The scan item of each comparison node added, in the order added, for
    // the folders being merged: a folder names its children once they are
    // all made, in one block of text (TFileNameText::DecodeSharing).
    std::vector<std::pair<const TScanTree*, quint32>> NameSources;
    std::vector<std::string_view> NameBytes;
};
