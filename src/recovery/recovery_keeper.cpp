#include "recovery/recovery_keeper.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstring>

#include "recovery/recovery_offer.h"
#include "recovery/snapshot_writer.h"

namespace scrivane {
namespace {

// Small enough to grow on the window's thread; anything larger is made by the writer.
constexpr std::size_t kDirectCopy = std::size_t{64} << 10;
// A buffer this large is not kept between snapshots.
constexpr std::size_t kKeptBuffer = std::size_t{16} << 20;
// How soon to look again while the surface is locked for a rewrite.
constexpr int kLockedRetryMs = 200;

std::int64_t secondsOf(TimePoint t) {
    return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
}

// Times one step of work on the window's thread into `cost`.
class StepTimer {
  public:
    explicit StepTimer(RecoveryKeeper::WriteCost& cost) : cost_(cost) { timer_.start(); }
    ~StepTimer() {
        const double ms = static_cast<double>(timer_.nsecsElapsed()) / 1e6;
        cost_.windowMs += ms;
        cost_.longestStepMs = std::max(cost_.longestStepMs, ms);
        ++cost_.steps;
    }
    StepTimer(const StepTimer&) = delete;
    StepTimer& operator=(const StepTimer&) = delete;

  private:
    RecoveryKeeper::WriteCost& cost_;
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
    writer_ = std::make_unique<SnapshotWriter>(store_, [this](SnapshotResult result) {
        QMetaObject::invokeMethod(
            this, [this, r = std::move(result)]() mutable { written(std::move(r)); },
            Qt::QueuedConnection);
    });
    ws_.mergedoc.SetEditWatcher(&span_);
    restartFrom(ws_.mergedoc.SharedTag());
}

RecoveryKeeper::~RecoveryKeeper() {
    ws_.mergedoc.SetEditWatcher(nullptr);
    writer_.reset();
}

RecoveryKeeper::Seen RecoveryKeeper::current() const {
    return Seen{ws_.mergedoc.Revision(), ws_.mergedoc.TagGeneration(), ws_.trackChanges,
                ws_.doc.filename};
}

bool RecoveryKeeper::knownUnchanged() const {
    // The caption's answer, when it is about the document as it is now; the full comparison
    // costs a pass over the document, too much to repeat here.
    const ModifiedCheck& last = ws_.modified;
    return last.known && last.revision == ws_.mergedoc.Revision() &&
           last.tagGeneration == ws_.mergedoc.TagGeneration() && last.unchanged;
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
    if (reported_) return;
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
    if (text && static_cast<Pos>(text->size()) == length &&
        ws_.mergedoc.TextRange(0, length) == *text) {
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

void RecoveryKeeper::documentOpened() {
    abortSnapshot();
    dropFiles();
    schedule_.clear();
    restartFrom(ws_.mergedoc.SharedTag());
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
    abortSnapshot();
    dropFiles();
    schedule_.clear();
    restartFrom(ws_.mergedoc.SharedTag());
    arm();
}

void RecoveryKeeper::documentClosed() {
    abortSnapshot();
    dropFiles();
    schedule_.clear();
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
                    QMetaObject::invokeMethod(
                        this,
                        [this, b = std::move(buffer)]() mutable { bufferReady(std::move(b)); },
                        Qt::QueuedConnection);
                });
                return;
            }
            staging_.resize(needed);
        }
        state_ = State::Copying;
    }
    copyStep();
}

void RecoveryKeeper::bufferReady(std::string buffer) {
    if (buffer.size() > staging_.size()) staging_ = std::move(buffer);
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
            const std::string_view bytes = ws_.mergedoc.TextRange(
                copySpan_.head + static_cast<Pos>(copied_), static_cast<Pos>(take));
            if (bytes.size() != take) {
                // The text is not as long as counted: start over with all of it.
                state_ = State::Idle;
                restartFrom(nullptr);
                schedule_.changed(WriteSchedule::Clock::now());
                arm();
                return;
            }
            std::memcpy(staging_.data() + copied_, bytes.data(), bytes.size());
            copied_ += take;
        }
        if (copied_ == needed) {
            finishSnapshot();
            return;
        }
    }
    stepper_.start();
}

void RecoveryKeeper::finishSnapshot() {
    SnapshotJob job;
    job.base = std::move(pendingBase_);
    job.head = static_cast<std::size_t>(copySpan_.head);
    job.tail = static_cast<std::size_t>(copySpan_.tail);
    staging_.resize(copied_);
    job.middle = std::move(staging_);
    staging_ = std::string();
    job.path = ws_.doc.filename;
    job.header.owner = self_;
    job.header.changedAt = lastChange_;
    job.header.selStart = ws_.mergedoc.SelStart();
    job.header.selLength = ws_.mergedoc.SelLength();
    job.header.tracking = ws_.trackChanges;
    job.runs = ws_.mergedoc.Runs();
    job.file = store_.fileFor(job.path, self_.pid);
    superseding_ = adopted_;
    if (!ownFile_.empty() && ownFile_ != job.file) superseding_.push_back(ownFile_);
    job.supersedes = superseding_;
    job.epoch = writer_->epoch();
    cost_.copiedBytes = copied_;

    span_.restart(ws_.mergedoc.TextLength());
    seen_ = current();
    schedule_.taken();
    state_ = State::Writing;
    writer_->submit(std::move(job));
}

void RecoveryKeeper::written(SnapshotResult result) {
    state_ = State::Idle;
    lastCost_ = cost_;
    if (result.spare.capacity() <= kKeptBuffer && result.spare.size() > staging_.size()) {
        staging_ = std::move(result.spare);
    }
    if (result.written) {
        ownFile_ = result.file;
        std::erase_if(adopted_, [this](const std::string& f) {
            return std::find(superseding_.begin(), superseding_.end(), f) != superseding_.end();
        });
    } else if (result.chainBroken) {
        restartFrom(nullptr);
        schedule_.changed(WriteSchedule::Clock::now());
    } else if (!result.cancelled) {
        schedule_.failed(WriteSchedule::Clock::now());
        report(result.error, result.file);
    }
    superseding_.clear();
    arm();
}

void RecoveryKeeper::writeNow() {
    abortSnapshot();
    writer_->waitIdle();
    if (unchanged_ ? unchanged_() : knownUnchanged()) {
        dropFiles();
        schedule_.clear();
        return;
    }
    if (!ensureDir()) return;
    // Whatever the state of the snapshots before it, this one carries the whole text.
    SnapshotJob job;
    job.base = std::make_shared<const std::string>();
    ws_.mergedoc.CopyText(job.middle);
    job.path = ws_.doc.filename;
    job.header.owner = self_;
    job.header.changedAt = lastChange_ != 0 ? lastChange_ : secondsOf(ws_.services.Now());
    job.header.selStart = ws_.mergedoc.SelStart();
    job.header.selLength = ws_.mergedoc.SelLength();
    job.header.tracking = ws_.trackChanges;
    job.runs = ws_.mergedoc.Runs();
    job.file = store_.fileFor(job.path, self_.pid);
    job.supersedes = adopted_;
    if (!ownFile_.empty() && ownFile_ != job.file) job.supersedes.push_back(ownFile_);
    job.epoch = writer_->epoch();
    const SnapshotResult result = writer_->runNow(std::move(job));
    if (result.written) {
        ownFile_ = result.file;
        adopted_.clear();
        schedule_.clear();
    }
    // The text the writer keeps is now the whole document: later snapshots change it.
    pendingBase_.reset();
    span_.restart(ws_.mergedoc.TextLength());
    seen_ = current();
}

}  // namespace scrivane
