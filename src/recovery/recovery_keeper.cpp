#include "recovery/recovery_keeper.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstring>
#include <ctime>
#include <optional>

#include "recovery/recovery_offer.h"
#include "recovery/snapshot_writer.h"

namespace scrivane {
namespace {

// Small enough to grow on the window's thread; anything larger is made by the writer.
constexpr std::size_t kDirectCopy = std::size_t{64} << 10;
// How soon to look again while the surface is locked for a rewrite.
constexpr int kLockedRetryMs = 200;

std::int64_t secondsOf(TimePoint t) {
    return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
}

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Times one step of work on the window's thread into `cost`: as the clock on the wall (which
// includes time the thread waited for a processor) and as the thread's own processor time.
class StepTimer {
  public:
    explicit StepTimer(RecoveryKeeper::WriteCost& cost) : cost_(cost), cpuAtStart_(threadCpuMs()) {
        timer_.start();
    }
    ~StepTimer() {
        const double ms = static_cast<double>(timer_.nsecsElapsed()) / 1e6;
        cost_.windowMs += ms;
        cost_.windowCpuMs += threadCpuMs() - cpuAtStart_;
        cost_.longestStepMs = std::max(cost_.longestStepMs, ms);
        ++cost_.steps;
    }
    StepTimer(const StepTimer&) = delete;
    StepTimer& operator=(const StepTimer&) = delete;

  private:
    RecoveryKeeper::WriteCost& cost_;
    double cpuAtStart_;
    QElapsedTimer timer_;
};

}  // namespace

RecoveryKeeper::RecoveryKeeper(Workspace& ws, std::string dir, std::function<bool()> unchanged,
                               RecoveryTiming timing, ProcessIdentity self, QObject* parent)
    : QObject(parent),
      ws_(ws),
      store_(std::move(dir)),
      unchanged_(std::move(unchanged)),
      timing_(timing),
      self_(self),
      schedule_(timing.quiet, timing.longest, timing.retry) {
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] { beginSnapshot(); });
    stepper_.setSingleShot(true);
    stepper_.setInterval(0);
    connect(&stepper_, &QTimer::timeout, this, [this] { copyStep(); });
    // The writer's thread queues what it hands back, then posts a call by name: a posted
    // functor would carry its data past the lock (see handedBackMutex_).
    writer_ = std::make_unique<SnapshotWriter>(store_, [this](SnapshotResult result) {
        {
            std::lock_guard lock(handedBackMutex_);
            results_.push_back(std::move(result));
        }
        QMetaObject::invokeMethod(this, "takeResult", Qt::QueuedConnection);
    });
    ws_.mergedoc.AddEditWatcher(&span_);
    restartFrom(ws_.doc.stored.kept());
}

RecoveryKeeper::~RecoveryKeeper() {
    ws_.mergedoc.RemoveEditWatcher(&span_);
    writer_.reset();
}

RecoveryKeeper::Seen RecoveryKeeper::current() const {
    return Seen{ws_.mergedoc.Revision(), ws_.doc.stored.generation(), ws_.trackChanges,
                ws_.doc.filename};
}

bool RecoveryKeeper::knownUnchanged() const {
    // The caption's answer, when it is about the document as it is now; the full comparison
    // costs a pass over the document, too much to repeat here.
    if (ws_.mergedoc.ReadOnly()) return true;
    const ModifiedCheck& last = ws_.modified;
    return last.known && last.revision == ws_.mergedoc.Revision() &&
           last.storedGeneration == ws_.doc.stored.generation() && last.unchanged;
}

bool RecoveryKeeper::ensureDir() {
    if (dirReady_) return true;
    std::string error;
    dirReady_ = store_.prepare(error);
    if (!dirReady_) report(error, store_.dir());
    return dirReady_;
}

void RecoveryKeeper::report(const std::string& error, const std::string& path) {
    // Once per session: the user learns that recovery is not working, and is not asked to
    // acknowledge it again every half minute.
    if (reported_ || ending_) return;
    reported_ = true;
    ws_.services.MessageBox(error + " opening " + path, Buttons::Ok, Icon::None);
}

void RecoveryKeeper::arm() {
    if (state_ != State::Idle) return;  // looked at again when the work in hand is done
    const auto due = schedule_.due();
    if (!due) {
        deadline_.stop();
        return;
    }
    const auto wait =
        std::chrono::duration_cast<std::chrono::milliseconds>(*due - WriteSchedule::Clock::now());
    deadline_.start(static_cast<int>(std::max<std::int64_t>(0, wait.count())));
}

void RecoveryKeeper::restartFrom(std::shared_ptr<const std::string> text) {
    // The next snapshot is a change of `text`, if the surface really holds it; otherwise it
    // carries the whole document.
    const Pos length = ws_.mergedoc.TextLength();
    // The stored text, just opened or saved, is known to be there without a pass over it.
    const bool holds =
        text && (text == ws_.doc.stored.kept() ? holdsStored(ws_.mergedoc, ws_.doc.stored)
                                               : ws_.mergedoc.TextEquals(*text));
    if (holds) {
        pendingBase_ = std::move(text);
        span_.restart(length);
    } else {
        pendingBase_ = std::make_shared<const std::string>();
        span_.restart(0);
        span_.TextEdited(0, 0, length);
    }
    seen_ = current();
}

void RecoveryKeeper::dropFiles() {
    std::vector<std::string> files = adopted_;
    if (!ownFile_.empty()) files.push_back(ownFile_);
    // Also cancels a write under way, so that it cannot bring a removed file back.
    writer_->remove(files);
    ownFile_.clear();
    adopted_.clear();
}

void RecoveryKeeper::abortSnapshot() {
    stepper_.stop();
    if (state_ == State::Copying) state_ = State::Idle;
}

void RecoveryKeeper::documentTouched() {
    const Seen now = current();
    if (now == seen_) return;
    seen_ = now;
    lastChange_ = secondsOf(ws_.services.Now());
    schedule_.changed(WriteSchedule::Clock::now());
    arm();
}

void RecoveryKeeper::leaveDocument() {
    abortSnapshot();
    dropFiles();
    schedule_.clear();
}

void RecoveryKeeper::documentOpened() {
    leaveDocument();
    restartFrom(ws_.doc.stored.kept());
    // A read-only document never has edits to keep, and no earlier work fits into it.
    if (ws_.mergedoc.ReadOnly()) return;
    const RecoveryOffer offer = offerRecovery(ws_, store_);
    if (offer.outcome == RecoveryOffer::Outcome::Restored) {
        // The file stays until this process has written its own: a crash before then must
        // not lose the recovered work.
        adopted_.push_back(offer.file);
        restartFrom(offer.text);
        lastChange_ = offer.changedAt;
        schedule_.changed(WriteSchedule::Clock::now());
    }
    arm();
}

void RecoveryKeeper::documentSaved() {
    leaveDocument();
    restartFrom(ws_.doc.stored.kept());
    arm();
}

void RecoveryKeeper::documentClosed() {
    leaveDocument();
    arm();
}

void RecoveryKeeper::beginSnapshot() {
    if (state_ != State::Idle || !schedule_.pending()) return;
    if (!ws_.mergedoc.Enabled()) {
        deadline_.start(kLockedRetryMs);
        return;
    }
    cost_ = WriteCost{};
    {
        StepTimer timer(cost_);
        if (knownUnchanged()) {
            dropFiles();
            schedule_.clear();
            return;
        }
        if (!ensureDir()) {
            schedule_.failed(WriteSchedule::Clock::now());
            arm();
            return;
        }
        copySpan_ = span_.span();
        if (copySpan_.length != ws_.mergedoc.TextLength()) {
            // The count of edits went wrong somewhere: take the whole text afresh.
            restartFrom(nullptr);
            copySpan_ = span_.span();
        }
        copyEdits_ = span_.edits();
        copied_ = 0;
        const auto needed = static_cast<std::size_t>(copySpan_.middleLength());
        if (needed > staging_.size()) {
            if (needed > kDirectCopy) {
                state_ = State::Preparing;
                writer_->prepareBuffer(needed + needed / 16, [this](std::string buffer) {
                    {
                        std::lock_guard lock(handedBackMutex_);
                        buffers_.push_back(std::move(buffer));
                    }
                    QMetaObject::invokeMethod(this, "takeBuffer", Qt::QueuedConnection);
                });
                return;
            }
            staging_.resize(needed);
        }
        state_ = State::Copying;
    }
    copyStep();
}

// Each call was posted right after its item was handed back: it takes the oldest.
void RecoveryKeeper::takeBuffer() {
    std::string buffer;
    {
        std::lock_guard lock(handedBackMutex_);
        if (buffers_.empty()) return;
        buffer = std::move(buffers_.front());
        buffers_.pop_front();
    }
    bufferReady(std::move(buffer));
}

void RecoveryKeeper::takeResult() {
    std::optional<SnapshotResult> result;
    {
        std::lock_guard lock(handedBackMutex_);
        if (results_.empty()) return;
        result = std::move(results_.front());
        results_.pop_front();
    }
    written(std::move(*result));
}

void RecoveryKeeper::bufferReady(std::string buffer) {
    {
        StepTimer timer(cost_);
        if (buffer.size() > staging_.size()) std::swap(staging_, buffer);
    }
    if (state_ != State::Preparing) return;
    state_ = State::Idle;
    // The document may have changed meanwhile: measure again.
    beginSnapshot();
}

void RecoveryKeeper::copyStep() {
    if (state_ != State::Copying) return;
    if (span_.edits() != copyEdits_) {
        // Edited under the copy: the edit is pending and brings its own, later snapshot.
        state_ = State::Idle;
        arm();
        return;
    }
    {
        StepTimer timer(cost_);
        const auto needed = static_cast<std::size_t>(copySpan_.middleLength());
        const std::size_t take = std::min(timing_.step, needed - copied_);
        if (take > 0) {
            // Read where the text lies: a range across the editor's gap would first move it.
            const Pos from = copySpan_.head + static_cast<Pos>(copied_);
            std::vector<std::string_view> views;
            ws_.mergedoc.Parts().slice(from, from + static_cast<Pos>(take), views);
            std::size_t got = 0;
            for (const std::string_view view : views) got += view.size();
            if (got != take) {
                // The text is not as long as counted: start over with all of it.
                state_ = State::Idle;
                restartFrom(nullptr);
                schedule_.changed(WriteSchedule::Clock::now());
                arm();
                return;
            }
            for (const std::string_view view : views) {
                std::memcpy(staging_.data() + copied_, view.data(), view.size());
                copied_ += view.size();
            }
        }
        if (copied_ == needed) {
            finishSnapshot();
            return;
        }
    }
    stepper_.start();
}

SnapshotJob RecoveryKeeper::snapshotOf(const ChangedSpan::Span& span, std::string middle) {
    SnapshotJob job;
    job.base = std::move(pendingBase_);
    job.head = static_cast<std::size_t>(span.head);
    job.tail = static_cast<std::size_t>(span.tail);
    job.middle = std::move(middle);
    job.path = ws_.doc.filename;
    job.header.owner = self_;
    job.header.changedAt = lastChange_ != 0 ? lastChange_ : secondsOf(ws_.services.Now());
    job.header.selStart = ws_.mergedoc.SelStart();
    job.header.selLength = ws_.mergedoc.SelLength();
    job.header.tracking = ws_.trackChanges;
    job.runs = ws_.mergedoc.Runs();
    job.breaks = ws_.mergedoc.LineBreaks();
    job.file = store_.fileFor(job.path, self_);
    job.supersedes = adopted_;
    if (!ownFile_.empty() && ownFile_ != job.file) job.supersedes.push_back(ownFile_);
    job.epoch = writer_->epoch();
    // From here on the changes are counted from this snapshot.
    span_.restart(ws_.mergedoc.TextLength());
    seen_ = current();
    schedule_.taken();
    return job;
}

void RecoveryKeeper::finishSnapshot() {
    staging_.resize(copied_);
    SnapshotJob job = snapshotOf(copySpan_, std::move(staging_));
    staging_ = std::string();
    superseding_ = job.supersedes;
    cost_.copiedBytes = copied_;
    state_ = State::Writing;
    writer_->submit(std::move(job));
}

void RecoveryKeeper::written(SnapshotResult result) {
    {
        StepTimer timer(cost_);
        state_ = State::Idle;
        if (result.spare.size() > staging_.size()) std::swap(staging_, result.spare);
        if (result.written) {
            ownFile_ = result.file;
            std::erase_if(adopted_, [this](const std::string& f) {
                return std::find(superseding_.begin(), superseding_.end(), f) != superseding_.end();
            });
        } else if (result.chainBroken) {
            restartFrom(nullptr);
            schedule_.changed(WriteSchedule::Clock::now());
        }
        superseding_.clear();
    }
    lastCost_ = cost_;
    if (!result.written && !result.chainBroken && !result.cancelled) {
        schedule_.failed(WriteSchedule::Clock::now());
        report(result.error, result.file);
    }
    arm();
}

void RecoveryKeeper::writeNow() {
    ending_ = true;  // nothing is reported from here on: the process ends next
    // Finish what is under way, and take its outcome in here, not from the event loop.
    abortSnapshot();
    writer_->waitIdle();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    abortSnapshot();
    state_ = State::Idle;
    if (unchanged_ ? unchanged_() : knownUnchanged()) {
        dropFiles();
        schedule_.clear();
        return;
    }
    // The file already holds the document as it is.
    if (!schedule_.pending() && seen_ == current() &&
        ownFile_ == store_.fileFor(ws_.doc.filename, self_)) {
        return;
    }
    if (!ensureDir()) return;
    auto run = [this] {
        ChangedSpan::Span span = span_.span();
        if (span.length != ws_.mergedoc.TextLength()) {
            restartFrom(nullptr);
            span = span_.span();
        }
        std::string middle(ws_.mergedoc.TextRange(span.head, span.middleLength()));
        return writer_->runNow(snapshotOf(span, std::move(middle)));
    };
    SnapshotResult result = run();
    if (result.chainBroken) {
        restartFrom(nullptr);
        result = run();
    }
    if (result.written) {
        ownFile_ = result.file;
        adopted_.clear();
    }
}

}  // namespace scrivane
