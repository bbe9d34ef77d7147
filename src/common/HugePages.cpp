#include "common/HugePages.h"

#include <cstdlib>
#include <sys/mman.h>

namespace HugePages {

void* Allocate(std::size_t bytes, std::size_t alignment)
{
    if (bytes < Size)
        return ::operator new(bytes, std::align_val_t(alignment));
    const std::size_t rounded = (bytes + Size - 1) / Size * Size;
    void* block = std::aligned_alloc(Size, rounded);
    if (block == nullptr)
        throw std::bad_alloc();
    // Only advice: where the system has no huge pages to give, the block is
    // made of ordinary pages.
    ::madvise(block, rounded, MADV_HUGEPAGE);
    return block;
}

void Free(void* block, std::size_t bytes, std::size_t alignment) noexcept
{
    if (bytes < Size)
        ::operator delete(block, std::align_val_t(alignment));
    else
        std::free(block);
}

} // namespace HugePages
