#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace scrivane::compare_tool {

// A file's text as the tool compares it: its bytes, and after normaliseLineEnds the bytes
// with every line break made CR LF, as the editor holds them.
class FileText {
  public:
    FileText() = default;
    FileText(FileText&& other) noexcept;
    FileText& operator=(FileText&&) = delete;
    ~FileText() { unmap(); }

    std::string_view view() const {
        return map_ != nullptr ? std::string_view(static_cast<const char*>(map_), size_)
                               : std::string_view(text_);
    }

    // What fixlines followed by toCrLfInPlace makes of the bytes.
    void normaliseLineEnds();

  private:
    friend std::optional<FileText> readFile(const std::string& path, std::string& error);

    void unmap();

    // A regular file is mapped rather than read: its pages are the file cache's, where read()
    // would copy them into fresh memory that the kernel first has to clear. Anything else is
    // read into text_.
    void* map_ = nullptr;
    std::size_t size_ = 0;
    std::string text_;
};

// Reads the whole file as bytes; on failure `error` gets "<reason> opening <path>".
std::optional<FileText> readFile(const std::string& path, std::string& error);

}  // namespace scrivane::compare_tool
