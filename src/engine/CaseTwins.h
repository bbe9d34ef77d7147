#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <string>
#include <unordered_map>

// Finds the paths of a run that a side whose folders ignore letter case cannot
// keep apart: "Dir/x" and "dir/x", or "A.txt" and "a.txt", would land in one
// file there, and later runs would copy one over the other. Such paths are not
// copied in either direction.
//
// The spellings of every path of the run are gathered, and for each one also
// the spellings the side's folders already hold along it (an equal file is no
// row of the run, yet it takes the name). A path is a twin when one of its
// folders or its name has more than one spelling.
class TCaseTwins
{
public:
    // root: the root folder of a side whose folders ignore case.
    explicit TCaseTwins(const QString& root);

    // Adds a path of the run, relative to the root.
    void Add(const QString& relative);
    // True when the path has a twin; valid once every path was added.
    [[nodiscard]] bool IsTwin(const QString& relative) const;

    // True when the folder's file system finds a name whatever its letter case.
    [[nodiscard]] static bool IgnoresCase(int folderFd);

private:
    void AddSpelling(const QString& spelling);
    void AddSpellingsOnDisk(const QStringList& parts);
    const QStringList& Listing(const QString& folder);

    QString Root;
    // Spellings of every path and folder, by their case-folded form.
    QHash<QString, QSet<QString>> Spellings;
    // Names in the side's folders already read, by relative folder path.
    QHash<QString, QStringList> Listings;
};
