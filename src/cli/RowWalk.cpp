#include "cli/RowWalk.h"

#include "engine/UFileStructure.h"
#include "engine/UResultRow.h"

namespace {

bool IsItemOfRow(const TFileAttri& item, const TResultRow& row)
{
    if ((item.Kind == ItemKind::Folder) != (row.Kind == ItemKind::Folder) ||
        item.ItemName != row.Name)
        return false;
    if (row.Kind == ItemKind::Folder)
        return true;
    return item.State == row.State && item.LeftTime == row.LeftTime &&
           item.RightTime == row.RightTime;
}

void WalkChildren(const TResultRow& parent, const TFileAttri* folder, int depth,
                  const QString& parentPath, const std::function<void(const TRowVisit&)>& visit)
{
    size_t next = 0;
    for (int i = 0; i < parent.ChildCount(); ++i) {
        const TResultRow& row = *parent.Child(i);
        const TFileAttri* item = nullptr;
        if (folder != nullptr) {
            for (size_t k = next; k < folder->Children.size(); ++k) {
                if (IsItemOfRow(*folder->Children[k], row)) {
                    item = folder->Children[k].get();
                    next = k + 1;
                    break;
                }
            }
        }
        const QString path =
            parentPath.isEmpty() ? row.Name : parentPath + QLatin1Char('/') + row.Name;
        const qint32 folderState = row.Kind == ItemKind::Folder && item != nullptr
                                       ? item->State
                                       : CompareState::NotCompared;
        visit(TRowVisit{row, depth, path, folderState});
        if (row.Kind == ItemKind::Folder)
            WalkChildren(row, item, depth + 1, path, visit);
    }
}

} // namespace

void WalkRows(const TResultRow& root, const TFileAttri* compareRoot,
              const std::function<void(const TRowVisit&)>& visit)
{
    WalkChildren(root, compareRoot, 0, QString(), visit);
}
