#pragma once

#include <QString>
#include <QTemporaryDir>

// A small file system of a given kind, made in an image file, attached to a
// loop device and mounted for one test, and taken down again when destroyed.
// Needs root, a free loop device and the kind's tools: Mount() says why not
// when the machine lacks one, for the test to skip with.
class ScratchFileSystem
{
public:
    enum class Kind
    {
        // A tmpfs of the size, no image: a drive that fills up.
        Tmpfs,
        Ext4,
        // ext4 with 128-byte inodes: whole seconds, and no time after January 2038.
        Ext4SmallInodes,
        // exFAT through FUSE (exfat-fuse): names found whatever their letter
        // case, times kept to two seconds.
        ExfatFuse
    };

    ScratchFileSystem() = default;
    ScratchFileSystem(const ScratchFileSystem&) = delete;
    ScratchFileSystem& operator=(const ScratchFileSystem&) = delete;
    ~ScratchFileSystem();

    // Makes and mounts a file system of sizeMb megabytes; the image lies in
    // imageFolder (a small tmpfs makes write-back fail when it fills up), or in
    // a temporary folder when empty. Empty on success, else why it could not.
    QString Mount(Kind kind, int sizeMb, const QString& imageFolder = QString());
    QString Path() const { return MountPoint.path(); }

private:
    bool Run(const QString& program, const QStringList& arguments);
    bool MountDevice();

    Kind FsKind = Kind::Ext4;
    QTemporaryDir ImageFolder;
    QTemporaryDir MountPoint;
    QString Image;
    QString Loop;
    bool Mounted = false;
};
