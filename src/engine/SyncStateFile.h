#pragma once

#include "engine/SyncState.h"

#include <QString>

#include <functional>

// The file that holds the record of the last sync of one pair of folders.
//
// Every pair has its own file in the folder of records, named after a hash of
// its two canonical roots (blanks trimmed, links resolved, no "/" at the end),
// left before right. The file holds both roots too, and one that names other
// roots is not taken: a folder renamed, or another folder put in its place,
// starts without a record rather than with another pair's.
//
// A record is written whole to a temporary file beside it, flushed to the disk
// and renamed over the old one: a crash leaves the old record or the new one,
// never a part of either. The runs of one pair of folders never overlap (their
// trees are locked), so neither do the writes of its record.
class TSyncStateFile
{
public:
    TSyncStateFile(const QString& folder, const QString& leftRoot, const QString& rightRoot);

    const QString& Path() const { return FilePath; }
    const QString& LeftRoot() const { return Left; }
    const QString& RightRoot() const { return Right; }

    // An empty record of the pair.
    TSyncState Empty() const { return TSyncState(Left, Right); }
    // Reads the record. A missing file is the first contact of the two folders:
    // an empty record and no error. A file that cannot be read, is damaged or
    // names other roots also gives an empty record, and error says why.
    TSyncState Load(QString& error) const;
    // Writes the record, which must be of this pair; false, with the reason,
    // when it could not be written (the old record then stays).
    bool Save(const TSyncState& state, QString& error) const;

    // Test seam: runs once the temporary file is written and flushed, just
    // before it replaces the record.
    std::function<void()> BeforeReplace;

    // The root as records name it.
    static QString CanonicalRoot(const QString& root);

private:
    void RemoveStaleTemporaries() const;
    bool WriteTemporary(const QByteArray& bytes, QByteArray& temporary, QString& error) const;

    QString Folder;
    QString Left;
    QString Right;
    QString FilePath;
};
