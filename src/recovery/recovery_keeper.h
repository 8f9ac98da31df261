#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "document/workspace.h"
#include "recovery/changed_span.h"
#include "recovery/process_identity.h"
#include "recovery/recovery_store.h"
#include "recovery/write_schedule.h"

namespace scrivane {

class SnapshotWriter;
struct SnapshotJob;
struct SnapshotResult;

struct RecoveryTiming {
    std::chrono::milliseconds quiet{3000};     // after the last change
    std::chrono::milliseconds longest{30000};  // after the first change not yet written
    std::chrono::milliseconds retry{30000};    // after a failed write
    std::size_t step = std::size_t{2} << 20;   // bytes copied per turn of the event loop
};

// Keeps the open document's unsaved work in a recovery file while the editor runs, and
// offers it back after an editor ended without saving it.
//
// The window's thread only copies the bytes that changed since the last snapshot (a few
// megabytes per turn of the event loop when much changed) and reads the marking; a thread of
// its own rebuilds the whole text from the last snapshot and writes the file.
class RecoveryKeeper final : public QObject {
    Q_OBJECT
  public:
    // `unchanged` answers exactly whether the document equals its stored text; it is asked
    // only when the session ends (elsewhere the caption's last answer serves). `self` is the
    // process the files are kept for.
    RecoveryKeeper(Workspace& ws, std::string dir, std::function<bool()> unchanged,
                   RecoveryTiming timing = {}, ProcessIdentity self = currentProcess(),
                   QObject* parent = nullptr);
    ~RecoveryKeeper() override;

    // The window's hooks. Touched: after any change event or caret move (cheap when nothing
    // changed). Opened: a file was opened, or the editor started without one; asks about
    // recovery files left for it. Saved and Closed: the recovery files go.
    void documentTouched();
    void documentOpened();
    void documentSaved();
    void documentClosed();

    // Writes the recovery file now, on this thread, and returns once it is in place (or the
    // document turned out unchanged and its files are gone).
    void writeNow();

    // What the last snapshot cost the window's thread.
    struct WriteCost {
        double windowMs = 0;       // all steps together, by the clock
        double windowCpuMs = 0;    // all steps together, the thread's own processor time
        double longestStepMs = 0;  // the longest the window waited at once
        int steps = 0;
        std::size_t copiedBytes = 0;
    };
    const WriteCost& lastWriteCost() const { return lastCost_; }
    // True while a snapshot is taken or written.
    bool busy() const { return state_ != State::Idle; }
    // True while a change waits to be written.
    bool pending() const { return schedule_.pending(); }
    // The file this process keeps for the document ("" while none).
    const std::string& currentFile() const { return ownFile_; }
    const RecoveryStore& store() const { return store_; }

  private:
    enum class State { Idle, Preparing, Copying, Writing };
    struct Seen {
        std::uint64_t revision = 0;
        std::uint64_t storedGeneration = 0;
        bool tracking = false;
        std::string path;
        bool operator==(const Seen&) const = default;
    };

    Seen current() const;
    bool knownUnchanged() const;
    bool ensureDir();
    void report(const std::string& error, const std::string& path);
    void arm();
    void restartFrom(std::shared_ptr<const std::string> text);
    void dropFiles();
    // No more writes for the document that was here, and its files gone.
    void leaveDocument();
    void abortSnapshot();

    void beginSnapshot();
    // Take what the writer's thread handed back, on the window's thread.
    Q_INVOKABLE void takeBuffer();
    Q_INVOKABLE void takeResult();
    void bufferReady(std::string buffer);
    void copyStep();
    void finishSnapshot();
    // The job for a snapshot whose changed middle is `middle`; counts changes afresh from it.
    SnapshotJob snapshotOf(const ChangedSpan::Span& span, std::string middle);
    void written(SnapshotResult result);

    Workspace& ws_;
    RecoveryStore store_;
    std::function<bool()> unchanged_;
    RecoveryTiming timing_;
    ProcessIdentity self_;
    ChangedSpan span_;
    WriteSchedule schedule_;
    QTimer deadline_;
    QTimer stepper_;

    State state_ = State::Idle;
    Seen seen_;
    std::int64_t lastChange_ = 0;  // seconds since 1970
    std::shared_ptr<const std::string> pendingBase_;
    std::string ownFile_;
    std::vector<std::string> adopted_;  // offered files taken back, kept until ours is written
    std::vector<std::string> superseding_;
    bool dirReady_ = false;
    bool reported_ = false;
    bool ending_ = false;

    std::string staging_;
    ChangedSpan::Span copySpan_;
    std::uint64_t copyEdits_ = 0;
    std::size_t copied_ = 0;
    WriteCost cost_;
    WriteCost lastCost_;

    // What the writer's thread hands back: buffers it made ready and the outcome of each job,
    // each followed by a queued call that takes it. They cross under this lock rather than
    // inside the queued call, so that the hand-over is one ThreadSanitizer can see: Qt's event
    // queue is guarded by locks of its own that the tool does not know.
    std::mutex handedBackMutex_;
    std::deque<std::string> buffers_;
    std::deque<SnapshotResult> results_;

    // Last, so that it stops before anything its callbacks reach.
    std::unique_ptr<SnapshotWriter> writer_;
};

}  // namespace scrivane
