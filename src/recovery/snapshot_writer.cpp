#include "recovery/snapshot_writer.h"

#include <cstring>

namespace scrivane {
namespace {

// A buffer larger than this is freed on the writer's thread instead of being handed back:
// its memory is better returned than kept, and freeing it takes time the window should not
// spend.
constexpr std::size_t kSpareLimit = std::size_t{16} << 20;

}  // namespace

SnapshotWriter::SnapshotWriter(const RecoveryStore& store, Done done)
    : store_(store), done_(std::move(done)), thread_([this] { loop(); }) {}

SnapshotWriter::~SnapshotWriter() {
    {
        std::lock_guard lock(queueMutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void SnapshotWriter::loop() {
    std::unique_lock lock(queueMutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
        if (tasks_.empty()) return;  // stopping, with nothing left to do
        std::function<void()> task = std::move(tasks_.front());
        tasks_.pop_front();
        ++running_;
        lock.unlock();
        task();
        lock.lock();
        --running_;
        if (tasks_.empty() && running_ == 0) idle_.notify_all();
    }
}

void SnapshotWriter::submit(SnapshotJob job) {
    auto shared = std::make_shared<SnapshotJob>(std::move(job));
    {
        std::lock_guard lock(queueMutex_);
        tasks_.emplace_back([this, shared] {
            SnapshotResult result = apply(*shared);
            if (result.spare.capacity() > kSpareLimit) result.spare = std::string();
            if (done_) done_(std::move(result));
        });
    }
    wake_.notify_one();
}

void SnapshotWriter::prepareBuffer(std::size_t size, Ready ready) {
    {
        std::lock_guard lock(queueMutex_);
        tasks_.emplace_back([size, ready = std::move(ready)] {
            std::string buffer;
            buffer.resize(size);  // written through, so every page is in place
            ready(std::move(buffer));
        });
    }
    wake_.notify_one();
}

void SnapshotWriter::remove(const std::vector<std::string>& files) {
    std::lock_guard lock(fileMutex_);
    ++epoch_;
    for (const std::string& file : files) store_.remove(file);
}

std::uint64_t SnapshotWriter::epoch() const {
    std::lock_guard lock(fileMutex_);
    return epoch_;
}

void SnapshotWriter::waitIdle() {
    std::unique_lock lock(queueMutex_);
    idle_.wait(lock, [this] { return tasks_.empty() && running_ == 0; });
}

SnapshotResult SnapshotWriter::runNow(SnapshotJob job) {
    waitIdle();
    return apply(job);
}

SnapshotResult SnapshotWriter::apply(SnapshotJob& job) {
    std::lock_guard textLock(textMutex_);
    SnapshotResult result;
    result.file = job.file;
    if (job.base) {
        shared_ = std::move(job.base);
        usingShared_ = true;
        own_ = std::string();
    }
    const std::string empty;
    const std::string& before = usingShared_ ? (shared_ ? *shared_ : empty) : own_;
    if (job.head > before.size() || job.tail > before.size() - job.head) {
        result.chainBroken = true;
        result.spare = std::move(job.middle);
        return result;
    }
    const std::size_t length = job.head + job.middle.size() + job.tail;
    const bool same = job.middle.empty() && length == before.size();
    if (usingShared_ && !same) {
        std::string next;
        if (job.middle.capacity() >= length) {
            // Room for the kept ends around the middle (a change over most of the text, such
            // as a comparison's marks): built in the middle's own buffer, not a second one.
            next = std::move(job.middle);
            const std::size_t middle = next.size();
            next.resize(length);
            std::memmove(next.data() + job.head, next.data(), middle);
            std::memcpy(next.data(), before.data(), job.head);
            std::memcpy(next.data() + job.head + middle, before.data() + before.size() - job.tail,
                        job.tail);
        } else {
            next.reserve(length + length / 16);
            next.append(before, 0, job.head);
            next += job.middle;
            next.append(before, before.size() - job.tail, job.tail);
        }
        own_ = std::move(next);
        shared_.reset();
        usingShared_ = false;
    } else if (!usingShared_) {
        // In place: the kept end moves to its new place, then the new middle goes in.
        const std::size_t old = own_.size();
        if (length > old) own_.resize(length);
        std::memmove(own_.data() + length - job.tail, own_.data() + old - job.tail, job.tail);
        if (length < old) own_.resize(length);
        if (!job.middle.empty()) {
            std::memcpy(own_.data() + job.head, job.middle.data(), job.middle.size());
        }
    }
    result.spare = std::move(job.middle);

    const std::string& text = usingShared_ ? (shared_ ? *shared_ : empty) : own_;
    const std::string temporary = store_.writeTemporary(job.file, job.header, job.path, text,
                                                        job.runs, job.breaks, result.error);
    if (temporary.empty()) return result;
    std::lock_guard fileLock(fileMutex_);
    if (epoch_ != job.epoch) {
        store_.remove(temporary);
        result.cancelled = true;
        return result;
    }
    if (!store_.commit(temporary, job.file, result.error)) return result;
    for (const std::string& old : job.supersedes) {
        if (old != job.file) store_.remove(old);
    }
    result.written = true;
    return result;
}

}  // namespace scrivane
