// The program's operator new and delete (linked into this test as into the programs): blocks
// of every size around the point where large blocks are handled apart, in every form of new,
// must be aligned, must not overlap, must keep their contents while others come and go, and
// each delete must give back what its new took.

#include "memory/large_blocks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace scrivane {
namespace {

constexpr std::size_t kLarge = memory::kLargeBlock;
constexpr std::size_t kMb = std::size_t{1} << 20;

// The four ways a block is asked for, and given back the matching way.
enum class Form { Plain, Array, NoThrow, NoThrowArray };

struct Block {
    unsigned char* data = nullptr;
    std::size_t size = 0;
    Form form = Form::Plain;
    unsigned char seed = 0;
};

Block take(std::size_t size, Form form, unsigned char seed) {
    void* p = nullptr;
    switch (form) {
        case Form::Plain:
            p = ::operator new(size);
            break;
        case Form::Array:
            p = new unsigned char[size];
            break;
        case Form::NoThrow:
            p = ::operator new(size, std::nothrow);
            break;
        case Form::NoThrowArray:
            p = new (std::nothrow) unsigned char[size];
            break;
    }
    return {static_cast<unsigned char*>(p), size, form, seed};
}

void give(const Block& b) {
    switch (b.form) {
        case Form::Plain:
            // Sized and unsized delete in turn.
            if (b.seed % 2 == 0) {
                ::operator delete(b.data, b.size);
            } else {
                ::operator delete(b.data);
            }
            break;
        case Form::Array:
            delete[] b.data;
            break;
        case Form::NoThrow:
            ::operator delete(b.data, std::nothrow);
            break;
        case Form::NoThrowArray:
            delete[] b.data;
            break;
    }
}

unsigned char byteAt(const Block& b, std::size_t i) {
    return static_cast<unsigned char>(b.seed + i * 131 + (i >> 12));
}

void fill(const Block& b) {
    for (std::size_t i = 0; i < b.size; ++i) b.data[i] = byteAt(b, i);
}

// The first byte that differs from what was written, or the size when none does.
std::size_t firstChanged(const Block& b) {
    for (std::size_t i = 0; i < b.size; ++i) {
        if (b.data[i] != byteAt(b, i)) return i;
    }
    return b.size;
}

std::vector<std::size_t> sizesAroundTheThreshold() {
    return {0,
            1,
            15,
            16,
            100,
            4096,
            200'000,  // glibc maps blocks of this size on its own
            kLarge - 17,
            kLarge - 16,
            kLarge - 1,
            kLarge,
            kLarge + 1,
            kLarge + 4096,
            2 * kMb - 16,
            2 * kMb,
            2 * kMb + 1,
            3 * kLarge + 5,
            9 * kMb + 123};
}

void expectApart(const std::vector<Block>& blocks) {
    std::vector<Block> sorted = blocks;
    std::sort(sorted.begin(), sorted.end(),
              [](const Block& a, const Block& b) { return a.data < b.data; });
    for (std::size_t i = 0; i + 1 < sorted.size(); ++i) {
        const auto end = reinterpret_cast<std::uintptr_t>(sorted[i].data) +
                         std::max<std::size_t>(sorted[i].size, 1);
        EXPECT_LE(end, reinterpret_cast<std::uintptr_t>(sorted[i + 1].data))
            << "a block of " << sorted[i].size << " bytes overlaps one of " << sorted[i + 1].size;
    }
}

TEST(LargeBlocksTest, BlocksAroundTheThresholdAreAlignedApartAndKeepTheirContents) {
    std::mt19937 random(7);
    std::vector<Block> live;
    unsigned char seed = 0;
    const auto takeAll = [&] {
        std::vector<std::size_t> sizes = sizesAroundTheThreshold();
        std::shuffle(sizes.begin(), sizes.end(), random);
        for (std::size_t size : sizes) {
            const Block b = take(size, static_cast<Form>(seed % 4), seed);
            ++seed;
            ASSERT_NE(b.data, nullptr) << size;
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b.data) % __STDCPP_DEFAULT_NEW_ALIGNMENT__,
                      0u)
                << "a block of " << size << " bytes";
            fill(b);
            live.push_back(b);
        }
    };
    for (int round = 0; round < 4; ++round) {
        takeAll();
        expectApart(live);
        for (const Block& b : live) {
            EXPECT_EQ(firstChanged(b), b.size) << "a block of " << b.size << " bytes";
        }
        // Give back about half, small and large mixed, then take a new set beside the rest.
        std::shuffle(live.begin(), live.end(), random);
        const std::size_t keep = live.size() / 2;
        for (std::size_t i = keep; i < live.size(); ++i) give(live[i]);
        live.resize(keep);
    }
    for (const Block& b : live) {
        EXPECT_EQ(firstChanged(b), b.size) << "a block of " << b.size << " bytes";
        give(b);
    }
}

TEST(LargeBlocksTest, GrowingPastTheThresholdCarriesTheContentAlong) {
    const auto word = [](std::size_t i) { return static_cast<std::uint32_t>(i * 2654435761u); };
    const auto letter = [](std::size_t i) { return static_cast<char>('a' + i % 26); };
    std::vector<std::uint32_t> words;
    const std::size_t wordCount = 3 * kLarge / sizeof(std::uint32_t) + 1;
    for (std::size_t i = 0; i < wordCount; ++i) words.push_back(word(i));
    std::string text;
    const std::size_t length = 3 * kLarge + 1;
    for (std::size_t i = 0; i < length; ++i) text.push_back(letter(i));
    for (std::size_t i = 0; i < wordCount; ++i) ASSERT_EQ(words[i], word(i)) << i;
    for (std::size_t i = 0; i < length; ++i) ASSERT_EQ(text[i], letter(i)) << i;
    // Back below the threshold: from a mapped block into malloc's.
    text.resize(kLarge / 2);
    text.shrink_to_fit();
    for (std::size_t i = 0; i < text.size(); ++i) ASSERT_EQ(text[i], letter(i)) << i;
    words.resize(kLarge / 2 / sizeof(std::uint32_t));
    words.shrink_to_fit();
    for (std::size_t i = 0; i < words.size(); ++i) ASSERT_EQ(words[i], word(i)) << i;
}

// What the kernel says of the mapping holding `address`: its VmFlags line from smaps.
std::string flagsOfMappingAt(std::uintptr_t address) {
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool inside = false;
    while (std::getline(smaps, line)) {
        std::uintptr_t from = 0;
        std::uintptr_t to = 0;
        char dash = 0;
        std::istringstream range(line);
        if (range >> std::hex >> from >> dash >> to && dash == '-' &&
            line.find(':') > line.find(' ')) {
            inside = from <= address && address < to;
        } else if (inside && line.rfind("VmFlags:", 0) == 0) {
            return line;
        }
    }
    return {};
}

TEST(LargeBlocksTest, LargeBlocksAskForLargePages) {
    if (!std::filesystem::exists("/sys/kernel/mm/transparent_hugepage/enabled")) {
        GTEST_SKIP() << "the kernel has no transparent huge pages";
    }
    const std::size_t size = std::max(kLarge, 8 * kMb) * 2;
    auto* block = static_cast<unsigned char*>(::operator new(size));
    std::memset(block, 1, size);
    const auto middle = reinterpret_cast<std::uintptr_t>(block) + size / 2;
    EXPECT_NE(flagsOfMappingAt(middle).find(" hg"), std::string::npos) << flagsOfMappingAt(middle);
    ::operator delete(block);
}

}  // namespace
}  // namespace scrivane
