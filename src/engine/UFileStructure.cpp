#include "engine/UFileStructure.h"

TFileAttri* TFileAttri::AddChild(std::unique_ptr<TFileAttri> child)
{
    Children.push_back(std::move(child));
    ++ChildCount;
    return Children.back().get();
}

void TFileAttri::ClearChildren()
{
    Children.clear();
    ChildCount = 0;
}
