#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/original_text.h"
#include "platform/rich_text_box.h"

namespace scrivane {

// The document's text as last opened or saved, every break CR LF: what "unmodified" compares
// with and what Track Changes marks against. Right after opening or saving it is the
// document's own text, so it keeps no copy: it follows the document and keeps only the bytes
// that edits take from it (`follow`). Its whole text is made when something needs it whole
// (`whole`), and then kept. The generation counts replacements, so that an answer computed
// from it knows when it is stale.
class StoredText final : public TextEditWatcher {
    struct State {
        std::shared_ptr<const std::string> text;  // its bytes, or null while it follows
        const TextBuffer* live = nullptr;         // the text it follows
        OriginalText changes;                     // how it differs from `live`
    };

  public:
    // One stored text as an undo snapshot keeps it: it stays that text, whatever the stored
    // text and the document become.
    class Version {
      public:
        explicit operator bool() const { return state_ != nullptr; }
        bool operator==(const Version& other) const { return state_ == other.state_; }
        std::string copy() const;

      private:
        friend class StoredText;
        std::shared_ptr<State> state_;
    };

    StoredText();
    ~StoredText() override;
    StoredText(const StoredText&) = delete;
    // Takes over what `other` holds and follows; its generation moves on from both.
    StoredText& operator=(StoredText&& other) noexcept;

    // A text of its own.
    void set(std::string text);
    // `live`'s text as it is now; told of its edits from here on.
    void follow(RichTextBox& live);

    Version version() const;
    // The whole text, made once and kept from then on.
    std::shared_ptr<const std::string> whole();
    // The whole text when it has one already; null while it follows the document.
    std::shared_ptr<const std::string> kept() const;
    Pos size() const;
    // Whether it holds exactly the bytes of `other`.
    bool equals(const TextParts& other) const;
    // The text in order, among bytes kept here slices of the text it follows: of `parts`,
    // as the caller read them, when that is `text`. Valid until the next edit.
    std::vector<std::string_view> pieces(const TextBuffer& text, const TextParts& parts) const;

    std::uint64_t generation() const { return generation_; }
    // The document's text at `revision` is this text (it was opened or saved from it): a
    // comparison with the document at that revision can be skipped, a pass over all of it.
    void sameAs(std::uint64_t revision) { sameAs_ = revision; }
    bool knownSameAs(std::uint64_t revision) const { return sameAs_ == revision; }

    void TextEdited(Pos pos, Pos removed, Pos inserted) override;

  private:
    void replaceState(std::shared_ptr<State> state);
    // Makes the whole text of a version that follows, which then follows no more.
    static void keepWhole(State& state);
    // A version's text in order, the followed text's slices taken from `live`, or from that
    // text's parts as they lie now.
    static std::vector<std::string_view> piecesOf(const State& state, const TextParts& live);
    static std::vector<std::string_view> piecesOf(const State& state);
    void stopFollowing();
    void watch(RichTextBox* live);

    std::optional<std::uint64_t> sameAs_;
    std::shared_ptr<State> state_;
    // Every version that follows the document and may still be held: an undo snapshot's
    // version goes on following after a save has made a new one.
    std::vector<std::weak_ptr<State>> followers_;
    RichTextBox* watched_ = nullptr;
    std::uint64_t generation_ = 0;
};

// Whether `text` holds exactly the stored text: known without a pass over it when it was
// opened or saved from it and has not changed since; otherwise read where they differ.
bool holdsStored(const TextBuffer& text, const StoredText& stored);

}  // namespace scrivane
