#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "recovery/recovery_record.h"
#include "recovery/recovery_store.h"

namespace scrivane {

// One snapshot of the document as the window's thread took it. The text comes as a change
// of the text of the snapshot before (or of `base`): its first `head` and last `tail` bytes,
// with `middle` between them, so that the window copies only what changed.
struct SnapshotJob {
    std::shared_ptr<const std::string> base;  // set: the text the change applies to
    std::size_t head = 0;
    std::size_t tail = 0;
    std::string middle;
    std::string path;       // the document's path ("" for an unnamed document)
    RecoveryHeader header;  // owner, time, caret, tracking; the lengths are filled in
    std::vector<TextRun> runs;
    std::vector<LineBreak> breaks;
    std::string file;                     // where the record goes
    std::vector<std::string> supersedes;  // removed once it is in place
    std::uint64_t epoch = 0;              // SnapshotWriter::epoch() when it was taken
};

struct SnapshotResult {
    bool written = false;      // the file is in place
    bool cancelled = false;    // a removal came after the snapshot was taken: nothing written
    bool chainBroken = false;  // the change did not fit the text before it: nothing written,
                               // and the next snapshot must carry the whole text
    std::string error;         // why writing failed (the system's description)
    std::string file;
    std::string spare;  // the job's middle, to be reused; freed here when it is large
};

// Applies snapshots and writes recovery files on a thread of its own, one job at a time, in
// the order they come. It keeps the text of the last snapshot, which the next one changes.
class SnapshotWriter {
  public:
    using Done = std::function<void(SnapshotResult)>;
    using Ready = std::function<void(std::string)>;

    // `done` is called on the writer's thread after each job.
    SnapshotWriter(const RecoveryStore& store, Done done);
    // Finishes the work in hand, then stops.
    ~SnapshotWriter();
    SnapshotWriter(const SnapshotWriter&) = delete;
    SnapshotWriter& operator=(const SnapshotWriter&) = delete;

    void submit(SnapshotJob job);
    // Makes a buffer of `size` bytes, its memory in place, and hands it to `ready` on the
    // writer's thread: fresh pages are paid for there, not by the window.
    void prepareBuffer(std::size_t size, Ready ready);

    // Removes `files` now. A snapshot taken before this call is still applied to the kept
    // text but is not written, so a file removed here never comes back from older work.
    void remove(const std::vector<std::string>& files);
    std::uint64_t epoch() const;

    // Waits until every job submitted so far is done.
    void waitIdle();
    // Waits, then runs `job` on the calling thread and returns its result (not passed to
    // `done`): the last write before the process ends.
    SnapshotResult runNow(SnapshotJob job);

  private:
    void loop();
    SnapshotResult apply(SnapshotJob& job);

    const RecoveryStore& store_;
    Done done_;

    std::mutex queueMutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> tasks_;
    int running_ = 0;
    bool stopping_ = false;

    // Whoever applies a job holds this: the kept text belongs to one job at a time.
    std::mutex textMutex_;
    std::shared_ptr<const std::string> shared_;  // the kept text while it is a base as given
    std::string own_;                            // the kept text once changed here
    bool usingShared_ = true;

    // Putting a file in place and removing files are ordered by this.
    mutable std::mutex fileMutex_;
    std::uint64_t epoch_ = 0;

    std::thread thread_;
};

}  // namespace scrivane
