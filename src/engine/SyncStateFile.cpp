#include "engine/SyncStateFile.h"

#include "common/WholeIo.h"

#include "engine/SyncStateFormat.h"
#include "jobs/UTSyncTask.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char Extension[] = ".state";
// The temporary file of a write: the record's name, six random letters, this.
constexpr char TemporaryEnd[] = ".tmp";
// The body of a record unpacks to at most 4 GB (its length has 32 bits).
constexpr qint64 LargestFile = qint64(1) << 32;

QString SystemReason(const char* what)
{
    return QString::fromUtf8(what) + QStringLiteral(": ") +
           QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

TSyncStateFile::TSyncStateFile(const QString& folder, const QString& leftRoot,
                               const QString& rightRoot)
    : Folder(QDir::cleanPath(folder)), Left(CanonicalRoot(leftRoot)),
      Right(CanonicalRoot(rightRoot))
{
    const QByteArray roots = Left.toUtf8() + '\0' + Right.toUtf8();
    const QByteArray hash = QCryptographicHash::hash(roots, QCryptographicHash::Sha256);
    FilePath = Folder + QLatin1Char('/') + QString::fromLatin1(hash.left(16).toHex()) +
               QLatin1String(Extension);
}

QString TSyncStateFile::CanonicalRoot(const QString& root)
{
    const QString trimmed = TrimBlanksAndControls(root);
    const QString canonical = QFileInfo(trimmed).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QFileInfo(trimmed).absoluteFilePath()) : canonical;
}

TSyncState TSyncStateFile::Load(QString& error) const
{
    error.clear();
    const int fd = ::open(QFile::encodeName(FilePath).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT)
            error = SystemReason("the file cannot be opened");
        return Empty();
    }
    struct stat st;
    QByteArray bytes;
    if (::fstat(fd, &st) != 0) {
        error = SystemReason("the file cannot be read");
    } else if (qint64(st.st_size) > LargestFile) {
        error = SyncStateFormat::DamagedText();
    } else {
        bytes.resize(qsizetype(st.st_size));
        bool shortened = false;
        if (!WholeIo::ReadAll(fd, bytes.data(), bytes.size(), &shortened))
            error = shortened ? SyncStateFormat::DamagedText()
                              : SystemReason("the file cannot be read");
    }
    ::close(fd);
    if (!error.isEmpty())
        return Empty();
    TSyncState state;
    if (!SyncStateFormat::Decode(bytes, state, error))
        return Empty();
    if (state.LeftRoot() != Left || state.RightRoot() != Right) {
        error = QStringLiteral("the file belongs to other folders");
        return Empty();
    }
    return state;
}

bool TSyncStateFile::Save(const TSyncState& state, QString& error) const
{
    error.clear();
    if (state.LeftRoot() != Left || state.RightRoot() != Right) {
        error = QStringLiteral("the record belongs to other folders");
        return false;
    }
    if (!QDir().mkpath(Folder)) {
        error = QStringLiteral("cannot make the folder ") + Folder;
        return false;
    }
    RemoveStaleTemporaries();
    QByteArray temporary;
    if (!WriteTemporary(SyncStateFormat::Encode(state), temporary, error))
        return false;
    if (BeforeReplace)
        BeforeReplace();
    if (::rename(temporary.constData(), QFile::encodeName(FilePath).constData()) != 0) {
        error = SystemReason("cannot replace the record");
        ::unlink(temporary.constData());
        return false;
    }
    // The new name is on the disk only once its folder is.
    const int folderFd =
        ::open(QFile::encodeName(Folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        ::fsync(folderFd);
        ::close(folderFd);
    }
    return true;
}

// Writes the bytes to a new temporary file beside the record and flushes it;
// `temporary` is its path.
bool TSyncStateFile::WriteTemporary(const QByteArray& bytes, QByteArray& temporary,
                                    QString& error) const
{
    temporary = QFile::encodeName(FilePath) + ".XXXXXX" + TemporaryEnd;
    const int fd = ::mkostemps(temporary.data(), int(sizeof TemporaryEnd - 1), O_CLOEXEC);
    if (fd < 0) {
        error = SystemReason("cannot create a file beside the record");
        return false;
    }
    const bool written = WholeIo::WriteAll(fd, bytes.constData(), bytes.size()) && ::fsync(fd) == 0;
    if (!written)
        error = SystemReason("cannot write the record");
    if (::close(fd) != 0 && written)
        error = SystemReason("cannot write the record");
    if (error.isEmpty())
        return true;
    ::unlink(temporary.constData());
    return false;
}

// A write that a crash or a kill ended leaves its temporary file; the next
// write of the same record removes it.
void TSyncStateFile::RemoveStaleTemporaries() const
{
    const QFileInfo record(FilePath);
    QDir folder(Folder);
    const QStringList stale = folder.entryList(
        {record.fileName() + QStringLiteral(".??????") + QLatin1String(TemporaryEnd)},
        QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : stale)
        folder.remove(name);
}
