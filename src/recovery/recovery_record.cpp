#include "recovery/recovery_record.h"

#include <cstring>
#include <limits>

#include "recovery/checksum.h"

namespace scrivane {
namespace {

constexpr char kMagic[8] = {'S', 'c', 'r', 'i', 'v', 'R', 'e', 'c'};
constexpr std::uint32_t kVersion = 1;
constexpr std::uint32_t kTrackingFlag = 1;
// Where the header's checksum sits: it covers every byte before it.
constexpr std::size_t kHeaderSumAt = kRecoveryHeaderSize - 8;

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

}  // namespace

std::string encodeRecoveryHeader(const RecoveryHeader& h) {
    std::string out(kMagic, sizeof kMagic);
    putU32(out, kVersion);
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
    putU64(out, checksumOf(out));
    return out;
}

bool decodeRecoveryHeader(std::string_view bytes, RecoveryHeader& header) {
    if (bytes.size() < kRecoveryHeaderSize) return false;
    if (std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return false;
    if (checksumOf(bytes.substr(0, kHeaderSumAt)) != getU(bytes, kHeaderSumAt, 8)) return false;
    if (getU(bytes, 8, 4) != kVersion) return false;
    const std::uint64_t flags = getU(bytes, 12, 4);
    if ((flags & ~std::uint64_t{kTrackingFlag}) != 0) return false;
    RecoveryHeader h;
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
    if (h.owner.pid <= 0 || h.selStart < 0 || h.selLength < 0) return false;
    if (recoveryFileSize(h) == 0) return false;
    header = h;
    return true;
}

std::uint64_t recoveryFileSize(const RecoveryHeader& h) {
    std::uint64_t total = kRecoveryHeaderSize + kRecoveryTrailerSize;
    if (h.runCount > std::numeric_limits<std::uint64_t>::max() / kRecoveryRunSize) return 0;
    if (!addWithin(total, h.pathLength) || !addWithin(total, h.textLength) ||
        !addWithin(total, h.runCount * kRecoveryRunSize)) {
        return 0;
    }
    return total;
}

std::string encodeRecoveryRuns(const std::vector<TextRun>& runs) {
    std::string out;
    out.reserve(runs.size() * kRecoveryRunSize);
    for (const TextRun& run : runs) {
        putU64(out, run.length);
        putU32(out, run.colour);
        out += run.strike ? '\1' : '\0';
    }
    return out;
}

bool decodeRecoveryRuns(std::string_view bytes, std::uint64_t count, std::uint64_t textLength,
                        std::vector<TextRun>& runs) {
    if (count > bytes.size() / kRecoveryRunSize || bytes.size() != count * kRecoveryRunSize) {
        return false;
    }
    std::vector<TextRun> read;
    read.reserve(count);
    std::uint64_t covered = 0;
    for (std::size_t at = 0; at < bytes.size(); at += kRecoveryRunSize) {
        TextRun run;
        const std::uint64_t length = getU(bytes, at, 8);
        const auto strike = static_cast<unsigned char>(bytes[at + 12]);
        if (length == 0 || strike > 1 || !addWithin(covered, length)) return false;
        run.length = static_cast<std::size_t>(length);
        run.colour = static_cast<Colour>(getU(bytes, at + 8, 4));
        run.strike = strike == 1;
        read.push_back(run);
    }
    if (count > 0 && covered != textLength) return false;
    runs = std::move(read);
    return true;
}

std::string encodeRecoveryFile(const RecoveryHeader& header, std::string_view path,
                               const RichText& content) {
    RecoveryHeader h = header;
    h.pathLength = path.size();
    h.textLength = content.text.size();
    h.runCount = content.runs.size();
    std::string out = encodeRecoveryHeader(h);
    out.append(path);
    out.append(content.text);
    out += encodeRecoveryRuns(content.runs);
    putU64(out, checksumOf(out));
    return out;
}

bool decodeRecoveryFile(std::string file, RecoveryRecord& record) {
    const std::string_view bytes = file;
    RecoveryHeader h;
    if (!decodeRecoveryHeader(bytes, h)) return false;
    if (recoveryFileSize(h) != bytes.size()) return false;
    const std::size_t sumAt = bytes.size() - kRecoveryTrailerSize;
    if (checksumOf(bytes.substr(0, sumAt)) != getU(bytes, sumAt, 8)) return false;
    std::size_t at = kRecoveryHeaderSize;
    const std::string_view path = bytes.substr(at, h.pathLength);
    at += h.pathLength;
    const std::size_t textAt = at;
    at += h.textLength;
    std::vector<TextRun> runs;
    if (!decodeRecoveryRuns(bytes.substr(at, sumAt - at), h.runCount, h.textLength, runs)) {
        return false;
    }
    const auto length = static_cast<std::uint64_t>(h.textLength);
    if (static_cast<std::uint64_t>(h.selStart) > length ||
        static_cast<std::uint64_t>(h.selLength) > length - static_cast<std::uint64_t>(h.selStart)) {
        return false;
    }
    record.header = h;
    record.path.assign(path);
    record.content.runs = std::move(runs);
    file.resize(textAt + h.textLength);
    file.erase(0, textAt);
    record.content.text = std::move(file);
    return true;
}

}  // namespace scrivane
