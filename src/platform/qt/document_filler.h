#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/rich_text_box.h"

class QsciScintillaBase;

namespace scrivane {

// A new document of the editing component filled off to the side, in a view of its own that
// is never shown, while the editor goes on showing its document. The component's own loader
// would keep a second copy of everything added in its undo history; this view collects none.
class DocumentFiller final : public PendingText {
  public:
    // `styles`: the document keeps a style byte per byte; `readOnly`: 64-bit positions, no edits.
    DocumentFiller(std::uint64_t expected, bool styles, bool readOnly);
    ~DocumentFiller() override;
    DocumentFiller(const DocumentFiller&) = delete;
    DocumentFiller& operator=(const DocumentFiller&) = delete;

    bool Append(std::string_view text) override;
    void Describe(const TextSurvey& survey) override;

    bool readOnly() const { return readOnly_; }
    std::uint64_t length() const;
    // Whether a line longer than `limit` bytes went in.
    bool hasLineLongerThan(std::uint64_t limit) const { return longestLine_ > limit; }
    // The filled document, with one reference the caller now holds; the filler is spent.
    long takeDocument();

  private:
    std::unique_ptr<QsciScintillaBase> view_;
    bool readOnly_;
    bool failed_ = false;
    bool utf8_ = false;
    std::uint64_t longestLine_ = 0;
};

}  // namespace scrivane
