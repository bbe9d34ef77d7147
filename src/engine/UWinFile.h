#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include <sys/stat.h>

class TBeenTortured;
class TFolderSource;
class TScanTree;
struct stat;

// The local file system: checking and scanning a side, and copying one file in
// pieces of 1 MB with the overwritten version kept in "__Save__" on request.
//
// A copy never damages its target: the pieces go into a temporary file in the
// target's folder, which replaces the target by a rename only once it is complete
// and carries the source's time and permissions. Temporary files have names of a
// reserved form, are never listed by a scan, are locked by the copy that writes
// them, and are removed by the next copy into their folder once no copy holds
// them.
class TWinFile
{
public:
    static constexpr qint64 PieceBytes = 1048576;
    // Names starting with this belong to copies in progress (or left by a crash).
    static constexpr char TempPrefix[] = ".__FileSync__";

    enum class Transfer : qint8
    {
        Copied,
        ReadFailed,
        WriteFailed
    };

    // 1 when the path (trimmed) names no existing folder, 0 when it does.
    [[nodiscard]] static qint32 CheckFolder(const TFolderSource& side);
    // Scans the side's root folder into the new tree.
    void ScanRoot(const TFolderSource& side, TScanTree& tree, const TBeenTortured& filter);
    // Appends a child to the new tree's root for every item of the folder that
    // passes the filters, recursively; returns the number of files found below it.
    qint32 ScanFolder(const QString& path, TScanTree& tree, const TBeenTortured& filter);

    // Size of the file (links followed), -1 when there is no such file.
    static qint64 QueryFileSize(const QString& path);
    // Creates every missing folder of the relative path's folder part below the root.
    static void MakeFolders(const QString& relative, const QString& root);

    // One copy as the sync run orders it.
    struct TCopyOrder
    {
        QString Source;
        QString Target;
        QString TargetRoot;
        // The target's path below TargetRoot where the caller has it at hand;
        // empty: taken from Target.
        QString Relative;
        // The target root, opened by the caller for many copies; -1: opened here.
        int TargetRootFd = -1;
        bool KeepOldVersion = false;
        // The analysis found no file at the target: a file there now was never
        // compared with the source (one the filters left out, or one made since)
        // and is not overwritten unless its version is kept.
        bool TargetWasAbsent = false;
        // The analysis found the target with this size and packed time; a target
        // that differs from them now is not replaced.
        bool TargetKnown = false;
        qint64 TargetSize = 0;
        qint32 TargetTime = 0;
        // The new file is read back from the disk and compared with the source
        // before it takes the target's place; a difference fails the copy and
        // leaves the old target as it was.
        bool Verify = false;
    };

    // Copies one file. The target takes the source's exact time and its
    // permission bits. Nothing is written outside the target root, and no link
    // on the target's path is followed.
    [[nodiscard]] Transfer TransferFile(const TCopyOrder& order);
    // Keeps the target, which the analysis saw as the order says, as its kept
    // version in the root's "__Save__" (in place of an older one) and takes it
    // from its place, by one rename within the root: for a file deleted on the
    // other side since the last sync. The source is not read.
    [[nodiscard]] Transfer SaveAway(const TCopyOrder& order);
    // The same for a caller that recorded nothing of the target. The time and
    // attributes are those the analysis recorded; the copy reads the source's own.
    [[nodiscard]] Transfer TransferFile(const QString& sourcePath, const QString& targetPath,
                                        const QString& targetRoot, qint32 sourceTime,
                                        qint32 sourceAttr, bool keepOldVersion,
                                        bool targetWasAbsent = false);
    // Reads the next PieceSize bytes of the source into the buffer.
    [[nodiscard]] bool ReadPiece(std::vector<char>& buffer, int sourceFd);
    // Appends the buffer's PieceSize bytes to the open temporary file.
    [[nodiscard]] bool WritePiece(const std::vector<char>& buffer);
    // Copies the next piece of the source to the end of the temporary file inside
    // the kernel, without passing it through memory of ours. False when the system
    // cannot: the piece is then read and written through the buffer, which also
    // tells a read error from a write error.
    bool CopyPiece(int sourceFd);
    // Passes over the current piece, in the source and the temporary file,
    // when the source holds no data there (a hole of a sparse file).
    bool SkipHole(int sourceFd);

    // True for names of exactly the form of the copy's temporary files.
    static bool IsTemporaryName(const char* name);
    // Names no scan reads: "." and "..", the kept versions' "__Save__", the
    // program's own "__FileSync__" and a copy's temporary files.
    static bool IsReservedName(const char* name);
    // Removes the temporary names no copy holds from the kept versions'
    // folders that mirror these folders (relative to the root, "" the root
    // itself). For a run's start, before any copy keeps a version.
    static void CleanSaveFolders(int rootFd, const std::vector<std::string>& folders);

    // Where the kept version of the target lies: root ⊕ "__Save__" ⊕ relative path.
    static QString BackupPath(const QString& targetPath, const QString& targetRoot);

    // What the scan records of an item, from its name and status: the packed
    // local last-write time, the size (0 for a folder), the attribute bits and
    // the exact last-write time.
    struct TItemRecord
    {
        qint32 Time = -1;
        qint64 Size = 0;
        qint32 Attr = -1;
        qint64 ExactTime = 0;
    };
    static TItemRecord RecordOf(const char* name, const struct stat& st);
    // A time of the system in nanoseconds since the epoch; times beyond the
    // years 1678 to 2261 are held at those bounds.
    static qint64 NanosecondsOf(const struct timespec& time);

    // Transfer state of the current file.
    qint64 PieceNo = 0;
    qint32 PieceCount = 0;
    qint64 PieceSize = 0;

    // Scan settings and findings. The scan stops early when the flag is set.
    const std::atomic<bool>* CancelFlag = nullptr;
    // Folders of one side listed at the same time.
    int ScanThreads = 4;
    // Folders that could not be listed (or not completely), and why, by folder.
    QStringList UnreadableFolders;
    QHash<QString, QString> UnreadableReasons;
    // Items left out because their name is not valid UTF-8, the bytes that are
    // not written as \xNN.
    QStringList BadNames;
    // Links to folders, which are never entered.
    QStringList FolderLinks;
    // Files that the include list alone left out.
    qint64 NotInIncludeList = 0;
    // Items that pass the filters but are no file or folder (FIFOs, sockets,
    // devices, links that lead nowhere): never copied, reading them could block.
    QStringList SpecialFiles;

    // The folders (root, "/" and the path below it) whose stale temporary files
    // were removed in one run, shared by the copiers of the run.
    class TCleanedFolders
    {
    public:
        // True for the first caller that names the folder below the root.
        bool Claim(const QString& root, const std::string& folder);

    private:
        std::mutex Lock;
        // Looked up before every copy: found without making a key.
        QHash<QString, std::unordered_set<std::string>> Names;
    };
    // Not owned; null: clean before every copy.
    TCleanedFolders* CleanedFolders = nullptr;
    // Why the last transfer failed, for logs that want more than the fixed texts.
    QString LastError;
    // Both files of the last copy: the source as the copy read it, the target
    // as it reads back once in place (its file system may have kept its time
    // less exactly than it was given). Known only after a copy whose target
    // could be read back as the file written.
    struct TCopiedFiles
    {
        bool Known = false;
        qint64 SourceSize = 0;
        qint64 SourceTime = 0;
        qint64 TargetSize = 0;
        qint64 TargetTime = 0;
    };
    TCopiedFiles Copied;
    // The last copy's target, read back, did not carry the source's time to
    // within two seconds (the coarsest resolution of the drives in use): its
    // file system does not keep the times it is given.
    bool TimeNotKept = false;
    // Test seam: when > 0, reading this piece fails as a real read error would.
    qint64 FailReadAtPiece = 0;
    // Test seam: runs after each piece was written, so that a test can change
    // the files at a known moment of the copy.
    std::function<void(qint64 pieceNo)> AfterPiece;
    // Copy pieces inside the kernel where the system can; false: always through
    // the buffer (the path taken where it cannot).
    bool KernelCopy = true;
    // Shared by the copies onto one side: the device of the sources the kernel
    // would not copy onto it (another file system); their later copies go
    // through the buffer without asking again. Not owned; null: asked per file.
    std::atomic<quint64>* CrossDeviceSource = nullptr;
    // Test seam: runs with the written file's descriptor once its data is on
    // the disk and before it is read back to be verified.
    std::function<void(int fd)> BeforeVerify;

private:
    // A folder a scan has still to list; its path ends with '/'.
    struct TScanJob
    {
        quint32 Folder;
        std::string Path;
    };
    // An item of a listing that passed the filters.
    struct TScanFound
    {
        std::string Name;
        TItemRecord Record;
        bool IsFolder;
        bool FolderLink;
    };
    struct TScanWork;
    enum class TListing
    {
        Complete,
        Incomplete
    };
    void ScanJobs(TScanWork& work);
    // What a listing found that is told, not compared.
    struct TLeftOut
    {
        QStringList BadNames;
        QStringList SpecialFiles;
        // Why the listing is incomplete.
        QString Reason;
        // Files that the include list alone left out.
        qint64 NotInIncludeList = 0;
    };
    // `rootLength`: the bytes of the root at the start of `path`.
    TListing ListFolder(const std::string& path, size_t rootLength, const TBeenTortured& filter,
                        std::vector<TScanFound>& found, TLeftOut& leftOut) const;
    void AddListing(TScanWork& work, const TScanJob& job, TListing listing,
                    const std::vector<TScanFound>& found, QString reason);
    static void CountFiles(TScanTree& tree);
    bool Cancelled() const;
    static void RemoveStaleTemporaries(int folderFd);
    static std::string TemporaryName();
    static int CreateTemporary(int folderFd, std::string& name);
    static bool PlaceWithoutReplacing(int folderFd, const std::string& temp,
                                      const std::string& name);
    Transfer Fail(Transfer kind, const QString& reason);
    Transfer FolderFailure(const QString& target, int rootFd);
    struct TOpenSource;
    Transfer WriteTemporary(const TCopyOrder& order, const TOpenSource& source, int folderFd,
                            std::string& temp, const std::string& name, int rootFd,
                            const std::string& folderPart);
    bool LinkUnnamed(int folderFd, const std::string& name);
    Transfer VerifyTemporary(const TCopyOrder& order, int sourceFd, qint64 size);
    void ReadBack(int folderFd, const std::string& name, const struct stat& source, bool linkedIn);
    Transfer CheckTarget(const TCopyOrder& order, int folderFd, const std::string& name,
                         bool& exists);
    Transfer PutInPlace(const TCopyOrder& order, int folderFd, std::string& temp,
                        const std::string& name, int rootFd, const std::string& folderPart);
    Transfer KeepOldVersion(const TCopyOrder& order, int folderFd, int saveFd,
                            const std::string& name, bool& movedAside);

    int TempFd = -1;
    // The device of the source being copied.
    quint64 SourceDevice = 0;
    // The new file as written, once it has its time and permission bits.
    struct stat TempStat
    {
    };
    bool TempStatKnown = false;
    // A failed piece copy could not be undone: the temporary file is unusable.
    bool TempBroken = false;
};
