#include "document/stored_text.h"

#include <algorithm>

namespace scrivane {
namespace {

constexpr std::size_t kMostFollowedChanges = 2048;

}  // namespace

std::vector<std::string_view> StoredText::piecesOf(const State& state, const TextParts& live) {
    if (state.text) return {std::string_view(*state.text)};
    return state.changes.pieces(live);
}

std::vector<std::string_view> StoredText::piecesOf(const State& state) {
    return piecesOf(state, state.live ? state.live->Parts() : TextParts{});
}

std::string StoredText::Version::copy() const {
    if (!state_) return {};
    if (state_->text) return *state_->text;
    return joinedPieces(piecesOf(*state_));
}

StoredText::StoredText() : state_(std::make_shared<State>()) {
    state_->text = std::make_shared<const std::string>();
}

StoredText::~StoredText() {
    watch(nullptr);
}

StoredText& StoredText::operator=(StoredText&& other) noexcept {
    if (this == &other) return *this;
    // The versions this one followed go on following, as long as they are held, unless
    // `other` follows another text.
    if (other.watched_ && other.watched_ != watched_) {
        stopFollowing();
        watch(other.watched_);
    }
    other.watch(nullptr);
    sameAs_ = other.sameAs_;
    state_ = std::move(other.state_);
    other.state_ = std::make_shared<State>();
    other.state_->text = std::make_shared<const std::string>();
    followers_.insert(followers_.end(), other.followers_.begin(), other.followers_.end());
    other.followers_.clear();
    generation_ = std::max(generation_, other.generation_) + 1;
    return *this;
}

void StoredText::set(std::string text) {
    auto state = std::make_shared<State>();
    state->text = std::make_shared<const std::string>(std::move(text));
    replaceState(std::move(state));
}

void StoredText::follow(RichTextBox& live) {
    if (watched_ != &live) {
        stopFollowing();
        watch(&live);
    }
    auto state = std::make_shared<State>();
    state->live = &live;
    followers_.push_back(state);
    replaceState(std::move(state));
}

void StoredText::replaceState(std::shared_ptr<State> state) {
    state_ = std::move(state);
    ++generation_;
    sameAs_.reset();
    // Versions no longer held need no more telling.
    followers_.erase(std::remove_if(followers_.begin(), followers_.end(),
                                    [](const std::weak_ptr<State>& f) { return f.expired(); }),
                     followers_.end());
}

void StoredText::stopFollowing() {
    // Versions that followed the text watched so far would no longer hear of its edits.
    for (const std::weak_ptr<State>& follower : followers_) {
        if (const auto state = follower.lock()) keepWhole(*state);
    }
    followers_.clear();
}

void StoredText::watch(RichTextBox* live) {
    if (watched_ == live) return;
    if (watched_) watched_->RemoveEditWatcher(this);
    watched_ = live;
    if (watched_) watched_->AddEditWatcher(this);
}

StoredText::Version StoredText::version() const {
    Version version;
    version.state_ = state_;
    return version;
}

std::shared_ptr<const std::string> StoredText::whole() {
    keepWhole(*state_);
    return state_->text;
}

void StoredText::keepWhole(State& state) {
    if (state.text) return;
    state.text = std::make_shared<const std::string>(joinedPieces(piecesOf(state)));
    state.changes = OriginalText{};
    state.live = nullptr;
}

std::shared_ptr<const std::string> StoredText::kept() const {
    return state_->text;
}

Pos StoredText::size() const {
    if (state_->text) return static_cast<Pos>(state_->text->size());
    return state_->changes.size(state_->live->TextLength());
}

bool StoredText::equals(const TextParts& other) const {
    if (size() != other.size()) return false;
    return samePieces(piecesOf(*state_), {other.first, other.second});
}

std::vector<std::string_view> StoredText::pieces(const TextBuffer& text,
                                                 const TextParts& parts) const {
    return state_->live == &text ? piecesOf(*state_, parts) : piecesOf(*state_);
}

void StoredText::TextEdited(Pos pos, Pos removed, Pos inserted) {
    for (const std::weak_ptr<State>& follower : followers_) {
        const auto state = follower.lock();
        if (!state || state->text) continue;
        // Each edit costs a pass over the changes after it: past this many, as after a
        // Replace All over every line, the text made whole costs less.
        if (state->changes.changeCount() >= kMostFollowedChanges) {
            keepWhole(*state);
            continue;
        }
        state->changes.edited(*state->live, pos, removed, inserted);
    }
}

bool holdsStored(const TextBuffer& text, const StoredText& stored) {
    return stored.knownSameAs(text.Revision()) ||
           (stored.size() == text.TextLength() && stored.equals(text.Parts()));
}

}  // namespace scrivane
