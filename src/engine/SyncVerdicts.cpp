#include "engine/SyncVerdicts.h"

#include "common/AsciiText.h"
#include "engine/UFileStructure.h"

#include <QByteArray>

#include <algorithm>

namespace {

// The name's UTF-8 bytes, as the scan and the record hold them; names of
// plain ASCII, most of them, without a conversion.
void Utf8Of(const QString& text, std::string& out)
{
    const qsizetype size = text.size();
    out.resize(size_t(size));
    if (AsciiText::Narrow(QStringView(text).utf16(), size, out.data()) == size)
        return;
    const QByteArray bytes = text.toUtf8();
    out.assign(bytes.constData(), size_t(bytes.size()));
}

// The side holds a file (not a folder), and the side is absent.
bool IsFile(qint8 attr)
{
    return attr != -1 && (attr & FileAttribute::Directory) == 0;
}

bool IsAbsent(qint8 attr)
{
    return attr == -1;
}

TSyncState::TSides SidesOf(const TFileAttri& file)
{
    return TSyncState::TSides{file.LeftSize, file.LeftExactTime, file.RightSize,
                              file.RightExactTime};
}

bool InStep(const TFileAttri& file)
{
    return file.State == CompareState::Same && IsFile(file.LeftAttr) && IsFile(file.RightAttr) &&
           file.LeftSize == file.RightSize && (file.SinceSync & SyncMark::Conflict) == 0 &&
           !file.SideUnreadable;
}

} // namespace

TSyncVerdicts::TSyncVerdicts(TSyncState& record, bool absenceIsDeletion)
    : Record(record), AbsenceIsDeletion(absenceIsDeletion)
{
}

void TSyncVerdicts::Apply(TFileAttri& root)
{
    Visited.assign(Record.Folders().size(), false);
    std::string path;
    ApplyFolder(root, path, root.SideUnreadable);
    DropFoldersGone();
    if (!NewFolders.empty())
        RecordChanged = true;
    Record.AddFolders(std::move(NewFolders));
    NewFolders.clear();
}

// One folder of the tree against its entries; `path` is the folder below the
// roots, and is given back as it came.
void TSyncVerdicts::ApplyFolder(TFileAttri& folder, std::string& path, bool unreadable)
{
    if (unreadable)
        Unreadable.insert(path);
    const qint32 index = Record.FindFolder(path);
    if (index >= 0)
        Visited[size_t(index)] = true;
    TSyncState::TFolder* entries = index >= 0 ? &Record.Folders()[size_t(index)] : nullptr;
    std::vector<bool> matched(entries != nullptr ? entries->Entries().size() : 0, false);
    TSyncState::TFolder added;
    added.Path = path;
    for (const auto& child : folder.Children) {
        TFileAttri& item = *child;
        if (item.Kind == ItemKind::Folder) {
            const size_t length = path.size();
            if (!path.empty())
                path += '/';
            std::string name;
            Utf8Of(item.ItemName, name);
            path += name;
            ApplyFolder(item, path, item.SideUnreadable);
            path.resize(length);
            continue;
        }
        Utf8Of(item.ItemName, Name);
        const qint32 found = entries != nullptr ? entries->Find(Name) : -1;
        TSyncState::TSides* entry =
            found >= 0 ? &entries->Entries()[size_t(found)].Values : nullptr;
        if (found >= 0)
            matched[size_t(found)] = true;
        item.SinceSync = Judge(item, entry);
        Count(item.SinceSync);
        constexpr quint8 Told = SyncMark::Conflict | SyncMark::DeletedLeft | SyncMark::DeletedRight;
        if (item.SinceSync & Told)
            Marked.push_back({path.empty() ? Name : path + '/' + Name, item.SinceSync});
        if (!InStep(item))
            continue;
        const TSyncState::TSides now = SidesOf(item);
        if (entry == nullptr) {
            added.Append(Name, now);
        } else if (!(*entry == now)) {
            *entry = now;
            RecordChanged = true;
        }
    }
    // Names missing from a folder that was listed completely on both sides
    // are gone from both.
    if (entries != nullptr && !unreadable)
        DropUnmatched(*entries, matched);
    if (!added.Entries().empty())
        AddEntries(index, added);
}

quint8 TSyncVerdicts::Judge(const TFileAttri& file, const TSyncState::TSides* entry) const
{
    if (entry == nullptr || file.SideUnreadable)
        return 0;
    const bool leftFile = IsFile(file.LeftAttr);
    const bool rightFile = IsFile(file.RightAttr);
    // A folder in the place of the file on one side: no verdict on the pair.
    if ((!leftFile && !IsAbsent(file.LeftAttr)) || (!rightFile && !IsAbsent(file.RightAttr)))
        return 0;
    quint8 marks = SyncMark::Recorded;
    const bool changedLeft =
        leftFile && (file.LeftSize != entry->LeftSize || file.LeftExactTime != entry->LeftTime);
    const bool changedRight = rightFile && (file.RightSize != entry->RightSize ||
                                            file.RightExactTime != entry->RightTime);
    const bool deletedLeft = AbsenceIsDeletion && !leftFile;
    const bool deletedRight = AbsenceIsDeletion && !rightFile;
    // Two edits that the comparison finds the same are no conflict: nothing is
    // copied between them, so neither can be lost.
    const bool sameNow = leftFile && rightFile && file.State == CompareState::Same;
    if (changedLeft)
        marks |= SyncMark::ChangedLeft;
    if (changedRight)
        marks |= SyncMark::ChangedRight;
    if (deletedLeft)
        marks |= SyncMark::DeletedLeft;
    if (deletedRight)
        marks |= SyncMark::DeletedRight;
    if ((changedLeft && changedRight && !sameNow) || (changedLeft && deletedRight) ||
        (changedRight && deletedLeft))
        marks |= SyncMark::Conflict;
    return marks;
}

void TSyncVerdicts::Count(quint8 marks)
{
    Totals.Recorded += (marks & SyncMark::Recorded) != 0;
    Totals.ChangedLeft += (marks & SyncMark::ChangedLeft) != 0;
    Totals.ChangedRight += (marks & SyncMark::ChangedRight) != 0;
    Totals.DeletedLeft += (marks & SyncMark::DeletedLeft) != 0;
    Totals.DeletedRight += (marks & SyncMark::DeletedRight) != 0;
    Totals.Conflicts += (marks & SyncMark::Conflict) != 0;
}

void TSyncVerdicts::DropUnmatched(TSyncState::TFolder& folder, const std::vector<bool>& matched)
{
    if (std::find(matched.begin(), matched.end(), false) == matched.end())
        return;
    TSyncState::TFolder kept;
    kept.Path = std::move(folder.Path);
    for (size_t i = 0; i < matched.size(); ++i) {
        const TSyncState::TEntry& entry = folder.Entries()[i];
        if (matched[i])
            kept.Append(folder.Name(entry), entry.Values);
    }
    folder = std::move(kept);
    RecordChanged = true;
}

// Pairs newly in step in the folder at the index of the record (-1: a folder
// the record does not hold yet).
void TSyncVerdicts::AddEntries(qint32 index, TSyncState::TFolder& added)
{
    RecordChanged = true;
    if (index < 0) {
        added.Sort();
        NewFolders.push_back(std::move(added));
        return;
    }
    TSyncState::TFolder& folder = Record.Folders()[size_t(index)];
    for (const TSyncState::TEntry& entry : added.Entries())
        folder.Append(added.Name(entry), entry.Values);
    folder.Sort();
}

// A folder the tree does not hold is gone from both sides, unless it lies
// below one that could not be listed.
bool TSyncVerdicts::UnderUnreadable(std::string_view path) const
{
    if (Unreadable.empty())
        return false;
    for (;;) {
        if (Unreadable.find(path) != Unreadable.end())
            return true;
        if (path.empty())
            return false;
        const size_t slash = path.rfind('/');
        path = slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
    }
}

void TSyncVerdicts::DropFoldersGone()
{
    std::vector<bool> drop(Visited.size(), false);
    const std::vector<TSyncState::TFolder>& folders = Record.Folders();
    for (size_t i = 0; i < Visited.size(); ++i) {
        drop[i] = !Visited[i] && !UnderUnreadable(folders[i].Path);
        RecordChanged = RecordChanged || drop[i] || folders[i].Entries().empty();
    }
    Record.DropFolders(drop);
}
