// The programs' operator new and delete (the editor, scrivane-compare and the benchmarks).
// A 100 MB document or comparison lives in several blocks of its size (the file as read, the
// stored text, the editor's text and style buffers, the undo snapshot, the compared texts and
// the output), each touched from one end to the other soon after it is taken; filling them in
// 4 KB pages, a fault each, took half of the opening time. Blocks of kLargeBlock and more
// therefore get mappings of their own, aligned to 2 MB and marked for transparent huge pages,
// which the kernel fills a 2 MB page at a time; smaller blocks come from malloc as usual.
// Every block starts with a header that tells delete which kind it is.
// Sanitizer builds keep the sanitizer's own allocator, which must see every block: the build
// leaves this file out there, and the guard below covers flags given by hand.

#include "memory/large_blocks.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SCRIVANE_KEEP_ALLOCATOR 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define SCRIVANE_KEEP_ALLOCATOR 1
#endif

#ifndef SCRIVANE_KEEP_ALLOCATOR

namespace {

using scrivane::memory::kLargeBlock;
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::uint64_t kMapped = 0x5343'4D41'5050'4544ULL;  // a mapped block's mark

// 16 bytes, so that what follows keeps malloc's alignment.
struct alignas(16) Header {
    std::size_t length;  // of the whole mapping, header included (mapped blocks only)
    std::uint64_t kind;  // kMapped or 0
};
static_assert(sizeof(Header) == 16);
static_assert(sizeof(Header) >= __STDCPP_DEFAULT_NEW_ALIGNMENT__);

void* mapped(std::size_t size) noexcept {
    if (size > SIZE_MAX - sizeof(Header) - 2 * kHugePage) return nullptr;
    const std::size_t length = (size + sizeof(Header) + kHugePage - 1) / kHugePage * kHugePage;
    // One huge page more than needed, so that an aligned stretch fits; the rest goes back.
    void* base = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(base);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    if (aligned > start) ::munmap(base, aligned - start);
    const std::uintptr_t end = start + length + kHugePage;
    if (end > aligned + length)
        ::munmap(reinterpret_cast<void*>(aligned + length), end - aligned - length);
    void* block = reinterpret_cast<void*>(aligned);
    ::madvise(block, length, MADV_HUGEPAGE);  // only a hint: without it, plain pages
    auto* header = static_cast<Header*>(block);
    header->length = length;
    header->kind = kMapped;
    return header + 1;
}

void* allocate(std::size_t size) noexcept {
    if (size >= kLargeBlock) return mapped(size);
    if (size > SIZE_MAX - sizeof(Header)) return nullptr;
    auto* header = static_cast<Header*>(std::malloc(size + sizeof(Header)));
    if (header == nullptr) return nullptr;
    header->length = 0;
    header->kind = 0;
    return header + 1;
}

void* allocateOrThrow(std::size_t size) {
    while (true) {
        if (void* p = allocate(size == 0 ? 1 : size)) return p;
        const std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) throw std::bad_alloc();
        handler();
    }
}

void release(void* p) noexcept {
    if (p == nullptr) return;
    Header* header = static_cast<Header*>(p) - 1;
    if (header->kind == kMapped) {
        ::munmap(header, header->length);
    } else {
        std::free(header);
    }
}

}  // namespace

void* operator new(std::size_t size) {
    return allocateOrThrow(size);
}
void* operator new[](std::size_t size) {
    return allocateOrThrow(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size == 0 ? 1 : size);
}
void operator delete(void* p) noexcept {
    release(p);
}
void operator delete[](void* p) noexcept {
    release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    release(p);
}

#endif  // SCRIVANE_KEEP_ALLOCATOR
