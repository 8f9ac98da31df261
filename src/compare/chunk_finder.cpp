#include "compare/chunk_finder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <functional>
#include <limits>

namespace scrivane {

namespace {

constexpr std::uint64_t kBase = 0x100000001B3ULL;  // odd, so every power is invertible mod 2^64
constexpr std::uint32_t kNoGroup = std::numeric_limits<std::uint32_t>::max();

std::uint64_t byteValue(char c) {
    return static_cast<unsigned char>(c) + 1U;
}

// Spreads the polynomial hash over all 64 bits: its low bits alone are weak.
std::uint64_t mix(std::uint64_t h) {
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ULL;
    h ^= h >> 29;
    return h;
}

std::uint64_t hashOf(const char* p, std::int64_t length) {
    std::uint64_t h = 0;
    for (std::int64_t i = 0; i < length; ++i) h = h * kBase + byteValue(p[i]);
    return h;
}

// Open-addressing map from chunk hash to group number, with a bit filter in front that keeps
// most positions of T from touching the table at all.
class HashGroups {
  public:
    explicit HashGroups(std::size_t expected) {
        const auto bits =
            static_cast<unsigned>(std::max<std::size_t>(4, std::bit_width(expected * 2)));
        keys_.assign(std::size_t{1} << bits, 0);
        groups_.assign(std::size_t{1} << bits, kNoGroup);
        filterBits_ = bits + 3;
        filter_.assign((std::size_t{1} << filterBits_) / 64, 0);
    }

    // The group of hash `h`, adding a new one when it is not there yet.
    std::uint32_t insert(std::uint64_t h) {
        const std::uint64_t m = mix(h);
        std::size_t i = slotOf(m);
        while (groups_[i] != kNoGroup) {
            if (keys_[i] == h) return groups_[i];
            i = (i + 1) & (keys_.size() - 1);
        }
        keys_[i] = h;
        groups_[i] = count_++;
        const std::uint64_t f = filterBit(h);
        filter_[f / 64] |= std::uint64_t{1} << (f % 64);
        return groups_[i];
    }

    // False only when `h` is surely not there; cheap enough for every window of a text.
    bool mayHold(std::uint64_t h) const {
        const std::uint64_t f = filterBit(h);
        return (filter_[f / 64] & (std::uint64_t{1} << (f % 64))) != 0;
    }

    std::uint32_t find(std::uint64_t h) const {
        if (!mayHold(h)) return kNoGroup;
        std::size_t i = slotOf(mix(h));
        while (groups_[i] != kNoGroup) {
            if (keys_[i] == h) return groups_[i];
            i = (i + 1) & (keys_.size() - 1);
        }
        return kNoGroup;
    }

    std::uint32_t count() const { return count_; }

    // Asks for the memory that mayHold(h), then find(h), will read, so that lookups made
    // one after another wait for it together rather than in turn.
    void prefetchFilter(std::uint64_t h) const { __builtin_prefetch(&filter_[filterBit(h) / 64]); }
    void prefetchSlot(std::uint64_t h) const {
        const std::size_t i = slotOf(mix(h));
        __builtin_prefetch(&keys_[i]);
        __builtin_prefetch(&groups_[i]);
    }

  private:
    std::size_t slotOf(std::uint64_t m) const { return m & (keys_.size() - 1); }
    // The filter needs fewer bits than the table: one multiplication spreads enough of them
    // to the top (the polynomial hash's top bits alone are weak for short chunks).
    std::uint64_t filterBit(std::uint64_t h) const {
        return (h * 0x9E3779B97F4A7C15ULL) >> (64 - filterBits_);
    }

    unsigned filterBits_ = 0;
    std::vector<std::uint64_t> keys_;
    std::vector<std::uint32_t> groups_;
    std::vector<std::uint64_t> filter_;
    std::uint32_t count_ = 0;
};

// hashOf for each of the first `chunks` chunks of s, four chunks at a time: the hash of one
// chunk is a chain of multiplications, and the four chains do not wait on each other.
std::vector<std::uint64_t> hashChunks(std::string_view s, std::int64_t minlen, std::size_t chunks) {
    std::vector<std::uint64_t> hashes(chunks);
    const auto* bytes = reinterpret_cast<const unsigned char*>(s.data());
    std::size_t c = 0;
    for (; c + 4 <= chunks; c += 4) {
        const unsigned char* p = bytes + static_cast<std::int64_t>(c) * minlen;
        std::uint64_t h0 = 0, h1 = 0, h2 = 0, h3 = 0;
        for (std::int64_t i = 0; i < minlen; ++i) {
            h0 = h0 * kBase + (p[i] + 1U);
            h1 = h1 * kBase + (p[i + minlen] + 1U);
            h2 = h2 * kBase + (p[i + 2 * minlen] + 1U);
            h3 = h3 * kBase + (p[i + 3 * minlen] + 1U);
        }
        hashes[c] = h0;
        hashes[c + 1] = h1;
        hashes[c + 2] = h2;
        hashes[c + 3] = h3;
    }
    for (; c < chunks; ++c)
        hashes[c] = hashOf(s.data() + static_cast<std::int64_t>(c) * minlen, minlen);
    return hashes;
}

// Rolls the window hash over T and calls onHit(stretch, group, position) for every window
// whose hash is a chunk's. T is cut into kStretches stretches rolled side by side: each step
// of one stretch waits on the multiplication of its previous step, and the stretches do not
// wait on each other. Within a stretch, positions come in text order; positions after the
// last stretch come last, as stretch kStretches.
constexpr int kStretches = 4;

// Every this many positions of a stretch, the roll tells how far it is.
constexpr std::int64_t kTellEvery = std::int64_t{1} << 16;

template <class OnHit, class Tell>
void rollOver(std::string_view text, std::int64_t minlen, const HashGroups& groups, OnHit&& onHit,
              Tell&& tell) {
    std::uint64_t topPower = 1;
    for (std::int64_t i = 1; i < minlen; ++i) topPower *= kBase;
    std::array<std::uint64_t, 256> leaving{};  // a first byte's share of the hash
    for (std::uint64_t c = 0; c < 256; ++c) leaving[c] = (c + 1) * topPower;
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    const std::int64_t positions = static_cast<std::int64_t>(text.size()) - minlen + 1;
    auto roll = [&](std::uint64_t h, std::int64_t p) {
        return (h - leaving[t[p]]) * kBase + (t[p + minlen] + 1U);
    };

    // Stretches too short to pay for their own first hash are not worth it. One position at
    // least is left after them, so their last roll still reads inside T.
    const std::int64_t share = (positions - 1) / kStretches;
    const std::int64_t stretch = share >= 4 * minlen ? share : 0;
    std::int64_t done = 0;
    if (stretch > 0) {
        std::array<std::uint64_t, kStretches> h{};
        for (int k = 0; k < kStretches; ++k) h[k] = hashOf(text.data() + k * stretch, minlen);
        for (std::int64_t i = 0; i < stretch; ++i) {
            if (i % kTellEvery == 0) tell(static_cast<double>(i) / static_cast<double>(stretch));
            for (int k = 0; k < kStretches; ++k) {
                const std::int64_t p = k * stretch + i;
                if (groups.mayHold(h[k])) {
                    const std::uint32_t g = groups.find(h[k]);
                    if (g != kNoGroup) onHit(k, g, p);
                }
                h[k] = roll(h[k], p);
            }
        }
        done = kStretches * stretch;
    }
    if (done < positions) {
        std::uint64_t h = hashOf(text.data() + done, minlen);
        for (std::int64_t p = done;; ++p) {
            const std::uint32_t g = groups.find(h);
            if (g != kNoGroup) onHit(kStretches, g, p);
            if (p + 1 == positions) break;
            h = roll(h, p);
        }
    }
}

}  // namespace

// Gram length and smallest chunk length of the sampled index.
constexpr std::int64_t kGram = 32;
constexpr std::int64_t kSampledMinimum = 1000;

ChunkFinder::ChunkFinder(std::string_view s, std::string_view t, std::int64_t minlen,
                         const IndexProgress& progress)
    : s_(s), t_(t), minlen_(minlen), fullChunks_(static_cast<std::int64_t>(s.size()) / minlen) {
    if (fullChunks_ > 0 && static_cast<std::int64_t>(t_.size()) >= minlen_) buildIndex(progress);
}

bool ChunkFinder::buildSampledIndex() {
    const std::int64_t m = minlen_;
    const auto lenT = static_cast<std::int64_t>(t_.size());
    // About sqrt(kGram * m) balances the work on both sides; never more than m - kGram + 1, so
    // that the window of every occurrence holds a whole sampled gram.
    std::int64_t step = 1;
    while ((step + 1) * (step + 1) <= kGram * m) ++step;
    step = std::min(step, m - kGram + 1);

    // The grams of T at every step-th place, and per gram hash its places in text order.
    const std::int64_t samples = (lenT - kGram) / step + 1;
    HashGroups grams(static_cast<std::size_t>(samples));
    std::vector<std::uint32_t> sampleGram(static_cast<std::size_t>(samples));
    for (std::int64_t k = 0; k < samples; ++k) {
        sampleGram[k] = grams.insert(hashOf(t_.data() + k * step, kGram));
    }
    std::vector<std::uint32_t> gramStart(grams.count() + 1, 0);
    for (const std::uint32_t g : sampleGram) ++gramStart[g + 1];
    for (std::size_t g = 1; g < gramStart.size(); ++g) gramStart[g] += gramStart[g - 1];
    std::vector<std::int64_t> gramPlaces(static_cast<std::size_t>(samples));
    {
        std::vector<std::uint32_t> fill(gramStart.begin(), gramStart.end() - 1);
        for (std::int64_t k = 0; k < samples; ++k) gramPlaces[fill[sampleGram[k]]++] = k * step;
    }

    std::uint64_t topPower = 1;
    for (std::int64_t i = 1; i < kGram; ++i) topPower *= kBase;
    // Candidates beyond this many mean text so repetitive that the rolling index does better:
    // a candidate costs a jump into T, some 30 times what rolling over a byte of T does. The
    // budget is paced over the chunks, so that text repetitive throughout gives up early rather
    // than after most of the work.
    const auto budget = static_cast<std::int64_t>(s_.size() + t_.size()) / 128 + 64;
    std::int64_t examined = 0;

    const auto chunks = static_cast<std::size_t>(fullChunks_);
    std::vector<std::uint64_t> starts(chunks + 1, 0);
    std::vector<std::int64_t> occurrences;
    std::vector<std::int64_t> found;
    std::vector<std::uint64_t> gramHashes(static_cast<std::size_t>(step));
    std::vector<std::int64_t> passing;
    for (std::size_t c = 0; c < chunks; ++c) {
        const char* chunk = s_.data() + static_cast<std::int64_t>(c) * m;
        found.clear();
        const std::int64_t allowed =
            budget / 8 + budget * static_cast<std::int64_t>(c + 1) / fullChunks_;
        // The chunk's first `step` grams, looked up in three sweeps: the filter's memory asked
        // for, the filter read (the table's memory asked for where it passes), the table read.
        // Most lookups miss the cache; this way their waits overlap.
        std::uint64_t h = hashOf(chunk, kGram);
        for (std::int64_t i = 0; i < step; ++i) {
            grams.prefetchFilter(h);
            gramHashes[static_cast<std::size_t>(i)] = h;
            if (i + 1 < step) {
                h = (h - byteValue(chunk[i]) * topPower) * kBase + byteValue(chunk[i + kGram]);
            }
        }
        passing.clear();
        for (std::int64_t i = 0; i < step; ++i) {
            const std::uint64_t gram = gramHashes[static_cast<std::size_t>(i)];
            if (!grams.mayHold(gram)) continue;
            grams.prefetchSlot(gram);
            passing.push_back(i);
        }
        for (const std::int64_t i : passing) {
            // An occurrence at p whose sampled gram starts at p + i.
            const std::uint32_t g = grams.find(gramHashes[static_cast<std::size_t>(i)]);
            if (g == kNoGroup) continue;
            for (std::uint32_t k = gramStart[g]; k < gramStart[g + 1]; ++k) {
                const std::int64_t p = gramPlaces[k] - i;
                if (p < 0 || p + m > lenT) continue;
                if (++examined > allowed) return false;
                found.push_back(p);
            }
        }
        std::sort(found.begin(), found.end());
        found.erase(std::unique(found.begin(), found.end()), found.end());
        for (const std::int64_t p : found) {
            if (std::memcmp(t_.data() + p, chunk, static_cast<std::size_t>(m)) == 0) {
                occurrences.push_back(p);
            }
        }
        starts[c + 1] = occurrences.size();
    }

    // Every chunk is its own slot and group; its list holds true occurrences only.
    chunkSlot_.resize(chunks);
    slotGroup_.resize(chunks);
    slotCursor_.resize(chunks);
    for (std::size_t c = 0; c < chunks; ++c) {
        chunkSlot_[c] = static_cast<std::uint32_t>(c);
        slotGroup_[c] = static_cast<std::uint32_t>(c);
        slotCursor_[c] = starts[c];
    }
    groupStart_ = std::move(starts);
    candidates_ = std::move(occurrences);
    return true;
}

void ChunkFinder::buildIndex(const IndexProgress& progress) {
    // Shares of the work, as measured on long unrelated texts: S's chunks are put in their
    // groups, then T is rolled over once (a second roll, on repetitive text, tells 1).
    constexpr double kGrouping = 0.4;
    const auto tell = [&progress](double done) {
        if (progress) progress(done);
    };
    if (minlen_ >= kSampledMinimum && buildSampledIndex()) return;
    const auto chunks = static_cast<std::size_t>(fullChunks_);
    HashGroups groups(chunks);
    chunkSlot_.resize(chunks);

    // Chunks of equal hash share a group; within a group, each distinct content gets a slot
    // (more than one only on a hash collision).
    std::vector<std::uint32_t> groupFirstSlot;
    std::vector<std::uint32_t> slotNext;
    std::vector<std::int64_t> slotChunk;
    const std::vector<std::uint64_t> chunkHashes = hashChunks(s_, minlen_, chunks);
    for (std::size_t c = 0; c < chunks; ++c) {
        if (c % kTellEvery == 0)
            tell(kGrouping * static_cast<double>(c) / static_cast<double>(chunks));
        const char* text = s_.data() + static_cast<std::int64_t>(c) * minlen_;
        const std::uint32_t g = groups.insert(chunkHashes[c]);
        if (g == groupFirstSlot.size()) groupFirstSlot.push_back(kNoGroup);
        std::uint32_t slot = groupFirstSlot[g];
        while (slot != kNoGroup &&
               std::memcmp(s_.data() + slotChunk[slot] * minlen_, text, minlen_) != 0) {
            slot = slotNext[slot];
        }
        if (slot == kNoGroup) {
            slot = static_cast<std::uint32_t>(slotChunk.size());
            slotChunk.push_back(static_cast<std::int64_t>(c));
            slotGroup_.push_back(g);
            slotNext.push_back(groupFirstSlot[g]);
            groupFirstSlot[g] = slot;
        }
        chunkSlot_[c] = slot;
    }

    // The candidates are sorted by group, each group in text order. Usually there are few:
    // one rolling pass over T notes them, per stretch in text order, and they are counted and
    // placed from the notes. When they grow too many to note cheaply, a second pass places
    // them instead. Counting per stretch lets each stretch place its candidates after those of
    // the stretches before it.
    const std::size_t groupCount = groups.count();
    constexpr auto kLanes = static_cast<std::size_t>(kStretches) + 1;
    std::vector<std::uint64_t> place(groupCount * kLanes + 1, 0);  // [group * kLanes + stretch]
    const std::size_t noteLimit = std::max<std::size_t>(1 << 16, t_.size() / 16);
    std::array<std::vector<std::pair<std::int64_t, std::uint32_t>>, kLanes> notes;
    std::size_t noted = 0;
    bool noting = true;
    rollOver(
        t_, minlen_, groups,
        [&](int stretch, std::uint32_t g, std::int64_t p) {
            const auto lane = static_cast<std::size_t>(stretch);
            ++place[g * kLanes + lane + 1];
            if (!noting) return;
            if (++noted > noteLimit) {
                noting = false;
                for (auto& n : notes) n = {};
                return;
            }
            notes[lane].emplace_back(p, g);
        },
        [&](double done) { tell(kGrouping + (1 - kGrouping) * done); });
    for (std::size_t i = 1; i < place.size(); ++i) place[i] += place[i - 1];
    groupStart_.resize(groupCount + 1);
    for (std::size_t g = 0; g <= groupCount; ++g) groupStart_[g] = place[g * kLanes];
    candidates_.resize(groupStart_.back());
    auto placeOne = [&](int stretch, std::uint32_t g, std::int64_t p) {
        candidates_[place[g * kLanes + static_cast<std::size_t>(stretch)]++] = p;
    };
    if (noting) {
        for (std::size_t lane = 0; lane < kLanes; ++lane) {
            for (const auto& [p, g] : notes[lane]) placeOne(static_cast<int>(lane), g, p);
        }
    } else {
        rollOver(t_, minlen_, groups, placeOne, [&](double) { tell(1); });
    }

    slotCursor_.resize(slotGroup_.size());
    for (std::size_t slot = 0; slot < slotGroup_.size(); ++slot) {
        slotCursor_[slot] = groupStart_[slotGroup_[slot]];
    }
}

std::int64_t ChunkFinder::find(std::int64_t chunk) {
    if (chunk < fullChunks_) return chunkSlot_.empty() ? -1 : findFull(chunk);
    return findLast();
}

std::int64_t ChunkFinder::findFull(std::int64_t chunk) {
    const std::uint32_t slot = chunkSlot_[static_cast<std::size_t>(chunk)];
    const std::uint64_t end = groupStart_[slotGroup_[slot] + 1];
    const char* text = s_.data() + chunk * minlen_;
    std::uint64_t i = slotCursor_[slot];
    while (i < end) {
        const std::int64_t p = candidates_[i];
        const std::int64_t z = firstClaimedFrom(p);
        if (z < p + minlen_) {
            // Every candidate up to z overlaps the same claimed byte.
            i = static_cast<std::uint64_t>(
                std::upper_bound(candidates_.begin() + static_cast<std::ptrdiff_t>(i),
                                 candidates_.begin() + static_cast<std::ptrdiff_t>(end), z) -
                candidates_.begin());
            continue;
        }
        if (std::memcmp(t_.data() + p, text, minlen_) == 0) {
            slotCursor_[slot] = i;
            return p;
        }
        ++i;  // same hash, other content
    }
    slotCursor_[slot] = end;
    return -1;
}

std::int64_t ChunkFinder::findLast() const {
    const std::int64_t start = fullChunks_ * minlen_;
    const auto length = static_cast<std::int64_t>(s_.size()) - start;
    const auto size = static_cast<std::int64_t>(t_.size());
    if (length <= 0 || length > size) return -1;
    // Boyer-Moore with the good-suffix rule: linear in T even for chunks such as "baaa..."
    // in a run of "a", where a plain scan would compare the whole chunk at every byte.
    const std::string_view chunk = s_.substr(static_cast<std::size_t>(start));
    const std::boyer_moore_searcher searcher(chunk.begin(), chunk.end());
    std::int64_t from = 0;
    while (size - from >= length) {
        const auto hit = std::search(t_.begin() + from, t_.end(), searcher);
        if (hit == t_.end()) return -1;
        const std::int64_t p = hit - t_.begin();
        const std::int64_t z = firstClaimedFrom(p);
        if (z >= p + length) return p;
        // Resume after the claimed stretch that holds z.
        auto it = std::upper_bound(claims_.begin(), claims_.end(), z,
                                   [](std::int64_t v, const auto& c) { return v < c.second; });
        from = it->second;
    }
    return -1;
}

void ChunkFinder::claim(std::int64_t pos, std::int64_t length) {
    if (length <= 0) return;
    if (!claims_.empty() && pos <= claims_.back().second) {
        claims_.back().second = std::max(claims_.back().second, pos + length);
    } else {
        claims_.emplace_back(pos, pos + length);
    }
}

std::int64_t ChunkFinder::firstClaimedFrom(std::int64_t pos) const {
    auto it = std::upper_bound(claims_.begin(), claims_.end(), pos,
                               [](std::int64_t v, const auto& c) { return v < c.second; });
    if (it == claims_.end()) return static_cast<std::int64_t>(t_.size());
    return std::max(it->first, pos);
}

std::int64_t ChunkFinder::lastClaimedUpTo(std::int64_t pos) const {
    // The first stretch that starts after pos; the one before it holds or precedes pos.
    auto it = std::upper_bound(claims_.begin(), claims_.end(), pos,
                               [](std::int64_t v, const auto& c) { return v < c.first; });
    if (it == claims_.begin()) return -1;
    --it;
    return std::min(it->second - 1, pos);
}

bool ChunkFinder::claimed(std::int64_t pos) const {
    auto it = std::upper_bound(claims_.begin(), claims_.end(), pos,
                               [](std::int64_t v, const auto& c) { return v < c.second; });
    return it != claims_.end() && it->first <= pos;
}

}  // namespace scrivane
