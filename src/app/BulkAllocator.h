#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace quarrow {

// The allocator of the few arrays of tens of megabytes a computation over a million rows
// fills (the track record's trades and returns). Fresh memory costs the system a page
// fault per 4 KiB page it hands out, 7,000 for 28 MB, and in a virtual machine a fault
// is dear: on Linux such an array asks for transparent huge pages, one fault per 2 MiB,
// which took the whole track record from 1.0 s to well under it. Smaller arrays, and other
// systems, take the ordinary allocator.
template <class T>
class BulkAllocator {
public:
    using value_type = T;

    BulkAllocator() = default;
    template <class U>
    BulkAllocator(const BulkAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        // As std::allocator: a count no array can have is refused, not wrapped around.
        if (count > (static_cast<std::size_t>(PTRDIFF_MAX) - kHugePage) / sizeof(T))
            throw std::bad_array_new_length();
        const std::size_t bytes = count * sizeof(T);
#ifdef __linux__
        if (bytes >= kBulk) {
            void* memory = std::aligned_alloc(kHugePage, rounded(bytes));
            if (!memory)
                throw std::bad_alloc();
            // Advice only: where the system keeps huge pages off, the array simply gets small ones.
            ::madvise(memory, rounded(bytes), MADV_HUGEPAGE);
            return static_cast<T*>(memory);
        }
#endif
        return static_cast<T*>(::operator new(bytes));
    }

    void deallocate(T* memory, [[maybe_unused]] std::size_t count) noexcept {
#ifdef __linux__
        if (count * sizeof(T) >= kBulk) {
            std::free(memory);
            return;
        }
#endif
        ::operator delete(memory);
    }

    friend bool operator==(const BulkAllocator&, const BulkAllocator&) {
        return true;
    }

private:
    static constexpr std::size_t kHugePage = 2 * 1024 * 1024;
    // Below this an array gets its pages in a few faults anyway.
    static constexpr std::size_t kBulk = 4 * 1024 * 1024;

    static std::size_t rounded(std::size_t bytes) {
        return (bytes + kHugePage - 1) / kHugePage * kHugePage;
    }
};

}  // namespace quarrow
