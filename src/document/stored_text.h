#pragma once

#include <cstdint>
#include <memory>
#include <string>

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
    }

  private:
    std::shared_ptr<const std::string> text_ = std::make_shared<const std::string>();
    std::uint64_t generation_ = 0;
};

}  // namespace scrivane
