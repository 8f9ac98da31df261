#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/text_buffer.h"

namespace scrivane {

// The document's text as last opened or saved, every break CR LF: what "unmodified" compares
// with and what Track Changes marks against. Shared, so that an undo snapshot or a recovery
// write of an unchanged document need not copy it; the generation counts replacements, so
// that an answer computed from it knows when it is stale.
class StoredText {
  public:
    const std::string& text() const { return *text_; }
    std::shared_ptr<const std::string> shared() const { return text_; }
    std::uint64_t generation() const { return generation_; }
    void set(std::string text) {
        text_ = std::make_shared<const std::string>(std::move(text));
        ++generation_;
        sameAs_.reset();
    }
    // The document's text at `revision` is this text (it was opened or saved from it): a
    // comparison with the document at that revision can be skipped, a pass over all of it.
    void sameAs(std::uint64_t revision) { sameAs_ = revision; }
    bool knownSameAs(std::uint64_t revision) const { return sameAs_ == revision; }

  private:
    std::optional<std::uint64_t> sameAs_;
    std::shared_ptr<const std::string> text_ = std::make_shared<const std::string>();
    std::uint64_t generation_ = 0;
};

// Whether `text` holds exactly the stored text: known without a pass over it when it was
// opened or saved from it and has not changed since.
inline bool holdsStored(const TextBuffer& text, const StoredText& stored) {
    return stored.knownSameAs(text.Revision()) || text.TextEquals(stored.text());
}

}  // namespace scrivane
