// The program's allocator for C++ objects: malloc, with large blocks asking the kernel for
// 2 MB pages. A 100 MB document lives in several blocks of its size (the file as read, the
// stored text, the editor's text and style buffers, the undo snapshot); filling each of them
// page by page in 4 KB pages took half of the opening time. Linked into the program and the
// benchmarks only, and not into sanitizer builds, whose own allocator must see every block.
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kLargeBlock = std::size_t{8} << 20;
constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;

// Large pages for the whole 2 MB pages inside the block, before any of them is touched; a
// kernel that does not offer them ignores the advice.
void preferLargePages(void* block, std::size_t size) {
    const auto begin = reinterpret_cast<std::uintptr_t>(block);
    const auto from = (begin + kLargePage - 1) & ~(kLargePage - 1);
    const auto to = (begin + size) & ~(kLargePage - 1);
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

}  // namespace

void* operator new(std::size_t size) {
    for (;;) {
        if (void* block = std::malloc(size == 0 ? 1 : size)) {
            if (size >= kLargeBlock) preferLargePages(block, size);
            return block;
        }
        const std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) throw std::bad_alloc();
        handler();
    }
}

void operator delete(void* block) noexcept {
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
