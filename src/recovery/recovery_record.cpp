#include "recovery/recovery_record.h"

#include <cstring>
#include <limits>

#include "platform/pure/text_runs.h"
#include "recovery/checksum.h"
#include "recovery/first_version_checksum.h"

namespace scrivane {
namespace {

constexpr char kMagic[8] = {'S', 'c', 'r', 'i', 'v', 'R', 'e', 'c'};
constexpr std::uint32_t kTrackingFlag = 1;
// A run's flags.
constexpr unsigned char kStruckRun = 1;
constexpr unsigned char kMarkerRun = 2;

// The header's size in each version; its checksum, in its last 8 bytes, covers the rest.
std::size_t headerSize(std::uint32_t version) {
    return version == 1 ? 104 : kRecoveryHeaderSize;
}

// The checksum a file of `version` carries: XXH3, or the first version's own.
std::uint64_t checksumFor(std::uint32_t version, std::string_view bytes) {
    return version == 1 ? firstVersionChecksumOf(bytes) : checksumOf(bytes);
}

void putU64(std::string& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void putU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint64_t getU(std::string_view bytes, std::size_t at, int width) {
    std::uint64_t v = 0;
    for (int i = 0; i < width; ++i) {
        v |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return v;
}

bool addWithin(std::uint64_t& total, std::uint64_t more) {
    if (more > std::numeric_limits<std::uint64_t>::max() - total) return false;
    total += more;
    return true;
}

bool addTimes(std::uint64_t& total, std::uint64_t count, std::uint64_t size) {
    return count <= std::numeric_limits<std::uint64_t>::max() / size &&
           addWithin(total, count * size);
}

// Reads `count` runs; false unless they are well formed and cover exactly `textLength`
// bytes (no runs at all: a plain text).
bool decodeRuns(std::string_view bytes, std::uint64_t count, std::uint64_t textLength,
                std::uint32_t version, std::vector<TextRun>& runs) {
    const unsigned char known = version == 1 ? kStruckRun : kStruckRun | kMarkerRun;
    std::vector<TextRun> read;
    read.reserve(count);
    std::uint64_t covered = 0;
    for (std::size_t at = 0; at < count * kRecoveryRunSize; at += kRecoveryRunSize) {
        TextRun run;
        const std::uint64_t length = getU(bytes, at, 8);
        const auto flags = static_cast<unsigned char>(bytes[at + 12]);
        if (length == 0 || (flags & ~known) != 0 || !addWithin(covered, length)) return false;
        run.length = static_cast<std::size_t>(length);
        run.colour = static_cast<Colour>(getU(bytes, at + 8, 4));
        run.strike = (flags & kStruckRun) != 0;
        run.marker = (flags & kMarkerRun) != 0;
        read.push_back(run);
    }
    if (count > 0 && covered != textLength) return false;
    runs = std::move(read);
    return true;
}

// Reads `count` breaks: lines in increasing order, each with a written ending.
bool decodeBreaks(std::string_view bytes, std::uint64_t count, std::vector<LineBreak>& breaks) {
    std::vector<LineBreak> read;
    read.reserve(count);
    for (std::size_t at = 0; at < count * kRecoveryBreakSize; at += kRecoveryBreakSize) {
        const auto line = static_cast<Pos>(getU(bytes, at, 8));
        const auto end = static_cast<unsigned char>(bytes[at + 8]);
        if (line < 0 || (!read.empty() && line <= read.back().line)) return false;
        if (end == 0 || end > static_cast<unsigned char>(LineEnd::Cr)) return false;
        read.push_back(LineBreak{line, static_cast<LineEnd>(end)});
    }
    breaks = std::move(read);
    return true;
}

}  // namespace

std::string encodeRecoveryHeader(const RecoveryHeader& h) {
    std::string out(kMagic, sizeof kMagic);
    putU32(out, kRecoveryVersion);
    putU32(out, h.tracking ? kTrackingFlag : 0);
    putU64(out, static_cast<std::uint64_t>(h.owner.pid));
    putU64(out, h.owner.startTicks);
    out.append(reinterpret_cast<const char*>(h.owner.bootId.data()), h.owner.bootId.size());
    putU64(out, static_cast<std::uint64_t>(h.changedAt));
    putU64(out, static_cast<std::uint64_t>(h.selStart));
    putU64(out, static_cast<std::uint64_t>(h.selLength));
    putU64(out, h.pathLength);
    putU64(out, h.textLength);
    putU64(out, h.runCount);
    putU64(out, h.breakCount);
    putU64(out, checksumOf(out));
    return out;
}

bool decodeRecoveryHeader(std::string_view bytes, RecoveryHeader& header) {
    if (bytes.size() < 16) return false;
    if (std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return false;
    const auto version = static_cast<std::uint32_t>(getU(bytes, 8, 4));
    if (version != 1 && version != kRecoveryVersion) return false;
    const std::size_t size = headerSize(version);
    if (bytes.size() < size) return false;
    if (checksumFor(version, bytes.substr(0, size - 8)) != getU(bytes, size - 8, 8)) return false;
    const std::uint64_t flags = getU(bytes, 12, 4);
    if ((flags & ~std::uint64_t{kTrackingFlag}) != 0) return false;
    RecoveryHeader h;
    h.version = version;
    h.tracking = (flags & kTrackingFlag) != 0;
    h.owner.pid = static_cast<std::int64_t>(getU(bytes, 16, 8));
    h.owner.startTicks = getU(bytes, 24, 8);
    std::memcpy(h.owner.bootId.data(), bytes.data() + 32, h.owner.bootId.size());
    h.changedAt = static_cast<std::int64_t>(getU(bytes, 48, 8));
    h.selStart = static_cast<Pos>(getU(bytes, 56, 8));
    h.selLength = static_cast<Pos>(getU(bytes, 64, 8));
    h.pathLength = getU(bytes, 72, 8);
    h.textLength = getU(bytes, 80, 8);
    h.runCount = getU(bytes, 88, 8);
    h.breakCount = version == 1 ? 0 : getU(bytes, 96, 8);
    if (h.owner.pid <= 0 || h.selStart < 0 || h.selLength < 0) return false;
    if (recoveryFileSize(h) == 0) return false;
    header = h;
    return true;
}

std::uint64_t recoveryFileSize(const RecoveryHeader& h) {
    std::uint64_t total = headerSize(h.version) + kRecoveryTrailerSize;
    if (!addWithin(total, h.pathLength) || !addWithin(total, h.textLength) ||
        !addTimes(total, h.runCount, kRecoveryRunSize) ||
        !addTimes(total, h.breakCount, kRecoveryBreakSize)) {
        return 0;
    }
    return total;
}

std::string encodeRecoveryMarking(const std::vector<TextRun>& runs,
                                  const std::vector<LineBreak>& breaks) {
    std::string out;
    out.reserve(runs.size() * kRecoveryRunSize + breaks.size() * kRecoveryBreakSize);
    for (const TextRun& run : runs) {
        putU64(out, run.length);
        putU32(out, run.colour);
        out += static_cast<char>((run.strike ? kStruckRun : 0) | (run.marker ? kMarkerRun : 0));
    }
    for (const LineBreak& b : breaks) {
        putU64(out, static_cast<std::uint64_t>(b.line));
        out += static_cast<char>(b.end);
    }
    return out;
}

std::string encodeRecoveryFile(const RecoveryHeader& header, std::string_view path,
                               const RichText& content) {
    RecoveryHeader h = header;
    h.version = kRecoveryVersion;
    h.pathLength = path.size();
    h.textLength = content.text.size();
    h.runCount = content.runs.size();
    h.breakCount = content.breaks.size();
    std::string out = encodeRecoveryHeader(h);
    out.append(path);
    out.append(content.text);
    out += encodeRecoveryMarking(content.runs, content.breaks);
    putU64(out, checksumOf(out));
    return out;
}

bool decodeRecoveryFile(std::string file, RecoveryRecord& record) {
    const std::string_view bytes = file;
    RecoveryHeader h;
    if (!decodeRecoveryHeader(bytes, h)) return false;
    if (recoveryFileSize(h) != bytes.size()) return false;
    const std::size_t sumAt = bytes.size() - kRecoveryTrailerSize;
    if (checksumFor(h.version, bytes.substr(0, sumAt)) != getU(bytes, sumAt, 8)) return false;
    std::size_t at = headerSize(h.version);
    const std::string_view path = bytes.substr(at, h.pathLength);
    at += h.pathLength;
    const std::size_t textAt = at;
    at += h.textLength;
    std::vector<TextRun> runs;
    if (!decodeRuns(bytes.substr(at), h.runCount, h.textLength, h.version, runs)) return false;
    at += h.runCount * kRecoveryRunSize;
    std::vector<LineBreak> breaks;
    if (!decodeBreaks(bytes.substr(at), h.breakCount, breaks)) return false;
    const auto length = static_cast<std::uint64_t>(h.textLength);
    if (static_cast<std::uint64_t>(h.selStart) > length ||
        static_cast<std::uint64_t>(h.selLength) > length - static_cast<std::uint64_t>(h.selStart)) {
        return false;
    }
    // Version 1 knew no marker flag: its markers were the bytes 6 that begin coloured runs.
    if (h.version == 1) runs = withMarkersAtRunStarts(bytes.substr(textAt, h.textLength), runs);
    record.header = h;
    record.path.assign(path);
    record.content.runs = std::move(runs);
    record.content.breaks = std::move(breaks);
    file.resize(textAt + h.textLength);
    file.erase(0, textAt);
    record.content.text = std::move(file);
    return true;
}

}  // namespace scrivane
