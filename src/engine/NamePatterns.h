#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// One include or exclude list of a job, read once for a whole analysis. A pattern
// is one of three kinds:
// - "/" first: a path below the root ("/file1.txt", "/My Document/works"): the
//   file of that path, and every file below a folder of that path;
// - with "*" (any run of characters) or "?" (one character): the whole file name,
//   "*.txt" for every text file;
// - anything else: a piece of the file name, matched anywhere in it, in the same
//   letter case; an empty pattern matches nothing.
// Wildcards also work in paths, where they never match the separator "/".
class TNamePatterns
{
public:
    explicit TNamePatterns(const QStringList& patterns);

    // True when some pattern names a path: the caller must then give the folder.
    bool NeedsFolder() const { return !Paths.isEmpty(); }

    // True when a pattern matches the file `name` in `folder`, the folder's path
    // below the root without a "/" at either end (empty for the root itself).
    bool Matches(QStringView name, QStringView folder) const;

    // `*` and `?` against the whole text; neither matches "/".
    static bool WildcardMatch(QStringView pattern, QStringView text);

private:
    bool MatchesPath(QStringView name, QStringView folder) const;

    QStringList Fragments;
    QStringList Wildcards;
    // Without their first "/" and any last one.
    QStringList Paths;
};
