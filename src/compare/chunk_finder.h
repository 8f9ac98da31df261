#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

namespace scrivane {

// Answers, for the chunks of a piece S (cut every `minlen` bytes, the last one perhaps
// shorter), "where does this chunk first occur in the partner piece T", where places already
// claimed by a match are unavailable: an occurrence that overlaps a claimed byte does not
// count. This is what a left-to-right scan of T from its first byte finds once every matched
// stretch of T has been blotted out with a value no text byte can take.
//
// T is indexed once: a rolling hash over all of T picks out the places where some full-length
// chunk of S may start, and those places are kept per chunk hash in text order. Each distinct
// chunk content keeps a cursor into its list; claims only ever remove occurrences, so a
// cursor never moves backwards. The short last chunk is searched for directly.
//
// Long chunks (1000 bytes and more) are looked up without visiting every place of T: T's
// 32-byte grams are taken every `step` bytes only, step being at most chunk length - 31, so
// the window of any occurrence of a chunk holds exactly one sampled gram whole, at some
// offset below step. Looking up each of the chunk's first `step` grams among the samples
// therefore names every place the chunk may occur; each is checked byte for byte, and the
// chunk's list keeps the true occurrences in text order. On text so repetitive that the
// places to check grow past a budget, the rolling index is built instead.
// Positions are 0-based here.
class ChunkFinder {
  public:
    // Building the index is most of the work on long pieces: `progress` hears the share of it
    // done, now and then (it may throw to stop the building).
    using IndexProgress = std::function<void(double done)>;
    ChunkFinder(std::string_view s, std::string_view t, std::int64_t minlen,
                const IndexProgress& progress = {});

    // First available occurrence in T of chunk `chunk` (0-based), or -1.
    std::int64_t find(std::int64_t chunk);

    // T[pos, pos + length) is taken by a match. Claims come in increasing order of `pos`.
    void claim(std::int64_t pos, std::int64_t length);

    // True when T[pos] lies in a claimed stretch.
    bool claimed(std::int64_t pos) const;

    // First claimed position at or after `pos`, or T's length when there is none.
    std::int64_t firstClaimedFrom(std::int64_t pos) const;

    // Last claimed position at or before `pos`, or -1 when there is none.
    std::int64_t lastClaimedUpTo(std::int64_t pos) const;

  private:
    std::int64_t findFull(std::int64_t chunk);
    std::int64_t findLast() const;
    void buildIndex(const IndexProgress& progress);
    // The sampled index for long chunks; false, leaving the index empty, past its budget.
    bool buildSampledIndex();

    std::string_view s_;
    std::string_view t_;
    std::int64_t minlen_;
    std::int64_t fullChunks_;

    // Per full chunk: its content slot. Per slot: a representative chunk, the hash group
    // whose candidate list it walks, and its cursor into that list.
    std::vector<std::uint32_t> chunkSlot_;
    std::vector<std::uint32_t> slotGroup_;
    std::vector<std::uint64_t> slotCursor_;
    // Candidate start positions in T, grouped by chunk hash, each group in text order.
    std::vector<std::uint64_t> groupStart_;
    std::vector<std::int64_t> candidates_;

    // Claimed stretches [first, second), sorted and merged.
    std::vector<std::pair<std::int64_t, std::int64_t>> claims_;
};

}  // namespace scrivane
