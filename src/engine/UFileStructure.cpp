#include "engine/UFileStructure.h"

TFileAttri* TFileAttri::AddChild(std::unique_ptr<TFileAttri> child)
{
    Children.push_back(std::move(child));
    ++ChildCount;
    return Children.back().get();
}

void TFileAttri::ClearChildren()
{
    TChildFileAttrilist().swap(Children);
    ChildCount = 0;
}

static_assert(sizeof(TFileAttri) <= 112, "the comparison node is meant to take 112 bytes");
