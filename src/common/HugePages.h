#pragma once

#include <cstddef>
#include <new>

// Memory for large arrays that are read at random. Blocks of 2 MiB or more are
// laid on 2 MiB bounds and offered to the kernel for transparent huge pages
// (where the system grants them to regions that ask), so that reading them at
// random walks the page tables less often; smaller blocks come from the heap.
namespace HugePages {

constexpr std::size_t Size = std::size_t(2) << 20;

void* Allocate(std::size_t bytes, std::size_t alignment);
void Free(void* block, std::size_t bytes, std::size_t alignment) noexcept;

} // namespace HugePages

// The same as an allocator, for a std::vector.
template <typename T> class THugePageAllocator
{
public:
    using value_type = T;

    THugePageAllocator() = default;
    template <typename U> THugePageAllocator(const THugePageAllocator<U>&) noexcept {}

    T* allocate(std::size_t n)
    {
        return static_cast<T*>(HugePages::Allocate(n * sizeof(T), alignof(T)));
    }
    void deallocate(T* block, std::size_t n) noexcept
    {
        HugePages::Free(block, n * sizeof(T), alignof(T));
    }

    template <typename U> bool operator==(const THugePageAllocator<U>&) const noexcept
    {
        return true;
    }
};
