#include <array>

#include "compare/compare_engine.h"
#include "compare/markup_format.h"
#include "platform/pure/text_ops.h"

namespace scrivane {

namespace {

// Builds the RTF body. Text bytes are escaped as they arrive and control words are written
// straight through, so no stand-in character is needed to tell the two apart. A CR is held
// back until the next byte shows whether it starts a CR LF pair ("\par "), also across two
// pieces of text written one after the other.
class RtfBody {
  public:
    void text(std::string_view s) {
        std::size_t plain = 0;  // start of the stretch that needs no escaping
        for (std::size_t i = 0; i < s.size(); ++i) {
            const auto c = static_cast<unsigned char>(s[i]);
            if (!kSpecial[c] && !pendingCr_) continue;
            out_.append(s.substr(plain, i - plain));
            plain = i + 1;
            put(s[i]);
        }
        out_.append(s.substr(plain));
    }

    void control(std::string_view word) {
        flushCr();
        out_.append(word);
    }

    std::string take() {
        flushCr();
        return std::move(out_);
    }

  private:
    static constexpr std::array<bool, 256> kSpecial = [] {
        std::array<bool, 256> special{};
        for (unsigned char c : {'\r', '\n', '\0', '\\', '{', '}'}) special[c] = true;
        return special;
    }();

    void flushCr() {
        if (pendingCr_) out_.append("\\'0d");
        pendingCr_ = false;
    }

    void put(char c) {
        if (pendingCr_) {
            pendingCr_ = false;
            if (c == '\n') {
                out_.append("\\par ");
                return;
            }
            out_.append("\\'0d");
        }
        switch (c) {
            case '\r':
                pendingCr_ = true;
                break;
            case '\n':
                out_.append("\\'0a");
                break;
            case '\0':
                out_.append("\\'00");
                break;
            case '\\':
                out_.append("\\\\");
                break;
            case '{':
                out_.append("\\{");
                break;
            case '}':
                out_.append("\\}");
                break;
            default:
                out_.push_back(c);
                break;
        }
    }

    std::string out_;
    bool pendingCr_ = false;
};

}  // namespace

std::string CompareEngine::markuprtf(std::string_view docnew, std::string_view docold,
                                     std::string_view defrtf, std::int64_t& count) const {
    count = 0;
    RtfBody body;
    const std::string marker(1, kChangeMarker);
    for (const CompareRun& run : runs(docnew, docold)) {
        switch (run.kind) {
            case RunKind::Same:
                body.text(run.text);
                break;
            case RunKind::Inserted:
                body.control("\\cf2 " + marker);
                body.text(run.text);
                body.control("\\cf0 ");
                ++count;
                break;
            case RunKind::Deleted:
                body.control("\\cf1 \\strike " + marker);
                body.text(run.text);
                body.control("\\strike0 \\cf0 ");
                ++count;
                break;
        }
    }
    // The body is put in as it is: a placeholder inside it stays text.
    return replaceAll(defrtf, kTextPlaceholder, body.take());
}

}  // namespace scrivane
