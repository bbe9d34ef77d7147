#include "cli/RowWalk.h"

#include "engine/UResultRow.h"

namespace {

void WalkChildren(const TResultRow& parent, int depth, const QString& parentPath,
                  const std::function<void(const TRowVisit&)>& visit)
{
    for (int i = 0; i < parent.ChildCount(); ++i) {
        const TResultRow& row = *parent.Child(i);
        const QString path =
            parentPath.isEmpty() ? row.Name : parentPath + QLatin1Char('/') + row.Name;
        const qint32 folderState =
            row.Kind == ItemKind::Folder ? qint32(row.State) : CompareState::NotCompared;
        visit(TRowVisit{row, depth, path, folderState});
        if (row.Kind == ItemKind::Folder)
            WalkChildren(row, depth + 1, path, visit);
    }
}

} // namespace

void WalkRows(const TResultRow& root, const std::function<void(const TRowVisit&)>& visit)
{
    WalkChildren(root, 0, QString(), visit);
}
