#include "support/fake_surface.h"

#include "files/file_bytes.h"
#include "platform/pure/line_ends.h"
#include "platform/pure/rich_text_crlf.h"
#include "platform/pure/utf8.h"

namespace scrivane {
namespace {

bool isWordByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x80 || b == '_' || (b >= '0' && b <= '9') ||
           ((b | 0x20) >= 'a' && (b | 0x20) <= 'z');
}

bool isSpace(char c) {
    return c == ' ' || c == '\t';
}

bool isBreak(char c) {
    return c == '\r' || c == '\n';
}

// The bytes of a typed character: UTF-8, or one Latin-1 byte (none for what Latin-1 lacks).
std::string typedBytes(char32_t c, bool utf8) {
    std::string out;
    if (!utf8) {
        if (c <= 0xFF) out += static_cast<char>(c);
        return out;
    }
    appendUtf8(out, c);
    return out;
}

// The key code a character is typed with, roughly as on a US keyboard.
int keyCodeOf(char32_t c) {
    if (c >= 'a' && c <= 'z') return static_cast<int>(c - 'a' + 'A');
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ') return static_cast<int>(c);
    return 223;  // a character key no table names
}

}  // namespace

class FakeSurface::WriteScope {
  public:
    explicit WriteScope(FakeSurface& surface) : surface_(surface) { ++surface_.writeDepth_; }
    ~WriteScope() {
        if (--surface_.writeDepth_ == 0) surface_.deliverChanges();
    }
    WriteScope(const WriteScope&) = delete;
    WriteScope& operator=(const WriteScope&) = delete;

  private:
    FakeSurface& surface_;
};

void FakeSurface::deliverChanges() {
    while (pendingChanges_ > 0) {
        --pendingChanges_;
        if (SurfaceEvents* handlers = events()) handlers->Change();
    }
}

// ---- content ----

void FakeSurface::SetContent(const RichText& doc) {
    WriteScope scope(*this);
    const Pos oldLength = TextLength();
    selection_.forgetChosen();
    readOnly_ = false;
    // Watchers hear of the change before it, with the length it will have.
    const RichText fitted = richTextWithCrLf(doc);
    noteEdit(0, oldLength, static_cast<Pos>(fitted.text.size()));
    text_.SetContent(fitted);
    anchor_ = caret_ = 0;
    pendingChanges_ += (oldLength > 0 ? 1 : 0) + (TextLength() > 0 ? 1 : 0);
}

namespace {

struct FakePendingText final : PendingText {
    bool Append(std::string_view piece) override {
        text.append(piece);
        return true;
    }
    void Describe(const TextSurvey&) override {}
    std::string text;
    bool readOnly = false;
};

}  // namespace

std::unique_ptr<PendingText> FakeSurface::StartText(std::uint64_t expected, bool readOnly) {
    auto pending = std::make_unique<FakePendingText>();
    pending->text.reserve(static_cast<std::size_t>(expected));
    pending->readOnly = readOnly;
    return pending;
}

void FakeSurface::TakeText(std::unique_ptr<PendingText> text,
                           const std::vector<LineBreak>& breaks) {
    auto& pending = static_cast<FakePendingText&>(*text);
    SetContent(RichText{std::move(pending.text), {}, breaks});
    readOnly_ = pending.readOnly;
}

void FakeSurface::SetText(std::string_view text) {
    SetContent(RichText{std::string(text)});
}

void FakeSurface::InsertAt(Pos pos, std::string_view bytes, const Marking& marking) {
    if (bytes.empty()) return;
    WriteScope scope(*this);
    pos = clamp(pos);
    noteEdit(pos, 0, static_cast<Pos>(bytes.size()));
    text_.InsertAt(pos, bytes, marking);
    const auto length = static_cast<Pos>(bytes.size());
    if (anchor_ >= pos) anchor_ += length;
    if (caret_ >= pos) caret_ += length;
    ++pendingChanges_;
}

void FakeSurface::RemoveAt(Pos pos, Pos length) {
    pos = clamp(pos);
    length = std::min(length, TextLength() - pos);
    if (length <= 0) return;
    WriteScope scope(*this);
    noteEdit(pos, length, 0);
    text_.RemoveAt(pos, length);
    const auto shift = [pos, length](Pos p) { return p <= pos ? p : std::max(pos, p - length); };
    anchor_ = shift(anchor_);
    caret_ = shift(caret_);
    ++pendingChanges_;
}

void FakeSurface::MarkRange(Pos pos, Pos length, const Marking& marking) {
    text_.MarkRange(pos, length, marking);
}

void FakeSurface::SetLineBreaks(const std::vector<LineBreak>& breaks) {
    text_.SetLineBreaks(breaks);
}

bool FakeSurface::LoadFile(const std::string& path, std::string& error) {
    std::string bytes;
    if (!readFileAsCrLf(path, bytes, error)) return false;
    SetText(bytes);
    return true;
}

// ---- selection ----

void FakeSurface::select(Pos anchor, Pos caret) {
    selection_.forgetChosen();
    anchor_ = clamp(anchor);
    caret_ = clamp(caret);
}

void FakeSurface::SetSelStart(Pos pos) {
    select(pos, pos);
}

void FakeSurface::SetSelLength(Pos len) {
    const Pos start = SelStart();
    select(start, start + std::max<Pos>(len, 0));
}

void FakeSurface::SelectInContext(Pos start, Pos length) {
    SetSelStart(start);
    SetSelLength(length);
}

void FakeSurface::SetSelText(std::string_view text) {
    WriteScope scope(*this);
    selection_.SetSelText(text);
}

// ---- character and line steps ----

Pos FakeSurface::nextChar(Pos pos) const {
    if (pos >= TextLength()) return TextLength();
    if (TextRange(pos, 2) == "\r\n") return pos + 2;
    ++pos;
    if (IsUtf8()) {
        while (pos < TextLength() &&
               (static_cast<unsigned char>(TextRange(pos, 1)[0]) & 0xC0) == 0x80)
            ++pos;
    }
    return pos;
}

Pos FakeSurface::previousChar(Pos pos) const {
    if (pos <= 0) return 0;
    if (pos >= 2 && TextRange(pos - 2, 2) == "\r\n") return pos - 2;
    --pos;
    if (IsUtf8()) {
        while (pos > 0 && (static_cast<unsigned char>(TextRange(pos, 1)[0]) & 0xC0) == 0x80) --pos;
    }
    return pos;
}

Pos FakeSurface::lineStart(Pos pos) const {
    while (pos > 0 && TextRange(pos - 1, 1)[0] != '\n') --pos;
    return pos;
}

Pos FakeSurface::lineEnd(Pos pos) const {
    while (pos < TextLength() && !isBreak(TextRange(pos, 1)[0])) ++pos;
    return pos;
}

// Word steps as the component takes them: over a stretch of one class (word bytes, line
// breaks, other punctuation), and the blanks after it going forward or before it going back.
int FakeSurface::classAt(Pos pos) const {
    const char c = TextRange(pos, 1)[0];
    return isSpace(c) ? 0 : isBreak(c) ? 1 : isWordByte(c) ? 2 : 3;
}

Pos FakeSurface::wordEnd(Pos pos) const {
    const Pos length = TextLength();
    if (pos >= length) return length;
    const int start = classAt(pos);
    while (pos < length && classAt(pos) == start) ++pos;
    while (pos < length && classAt(pos) == 0) ++pos;
    return pos;
}

Pos FakeSurface::wordStart(Pos pos) const {
    while (pos > 0 && classAt(pos - 1) == 0) --pos;
    if (pos == 0) return 0;
    const int start = classAt(pos - 1);
    while (pos > 0 && classAt(pos - 1) == start) --pos;
    return pos;
}

// ---- keys ----

void FakeSurface::typeKeys(std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b0 = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = b0 < 0x80 ? 1 : b0 < 0xE0 ? 2 : b0 < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? b0 : b0 & (0x3F >> (length - 1));
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += length;
        press(keyCodeOf(c), 0, c);
    }
}

void FakeSurface::press(int code, int shiftBits, char32_t typed) {
    if (!enabled_) return;  // the rewrite lock drops keys
    int ascii = 0;
    switch (code) {
        case key::Backspace:
        case key::Tab:
        case key::Enter:
        case key::Escape:
            ascii = code;
            break;
        default:
            if (shiftBits & shift::Alt) break;
            if (shiftBits & shift::Ctrl) {
                ascii = code >= 'A' && code <= 'Z' ? code - 'A' + 1 : 0;
            } else {
                ascii = static_cast<int>(typed);
            }
    }
    bool through = true;
    if (SurfaceEvents* handlers = events()) {
        int keyCode = code;
        handlers->KeyDown(keyCode, shiftBits);
        if (keyCode == 0) through = false;
        if (through && ascii != 0) {
            int a = ascii;
            handlers->KeyPress(a);
            if (a == 0) through = false;
        }
    }
    if (through) {
        writeDepth_ += 1;
        defaultAction(code, shiftBits, ascii >= 0x20 ? static_cast<char32_t>(ascii) : 0);
        writeDepth_ -= 1;
        selection_.forgetChosen();
        deliverChanges();
    }
    if (SurfaceEvents* handlers = events()) {
        int keyCode = code;
        handlers->KeyUp(keyCode, shiftBits);
    }
}

void FakeSurface::typeOver(Pos from, Pos to, std::string_view bytes, const Marking& marking) {
    RemoveAt(from, to - from);
    InsertAt(from, bytes, marking);
    const auto length = static_cast<Pos>(bytes.size());
    const Pos caret = from + selection_.repairLineEnds(from, from + length) + length;
    select(caret, caret);
}

void FakeSurface::defaultAction(int code, int shiftBits, char32_t typed) {
    const Marking marking = selection_.insertionMarking();
    const bool ctrl = (shiftBits & shift::Ctrl) != 0;
    const bool alt = (shiftBits & shift::Alt) != 0;
    const bool withShift = (shiftBits & shift::Shift) != 0;
    const Pos from = SelStart();
    const Pos to = from + SelLength();
    // Removes [a, b) and mends a break split at its border; the selection's ends move with
    // the text, or it collapses there.
    const auto removeOnly = [this](Pos a, Pos b) {
        RemoveAt(a, b - a);
        selection_.repairLineEnds(a, a);
    };
    const auto removeRange = [&](Pos a, Pos b) {
        removeOnly(a, b);
        select(a, a);
    };
    if (alt) return;
    switch (code) {
        case key::Backspace:
            if (ctrl && withShift) {
                removeOnly(lineStart(caret_), caret_);
            } else if (ctrl) {
                removeRange(wordStart(caret_), caret_);
            } else if (from != to) {
                removeRange(from, to);
            } else {
                removeRange(previousChar(from), from);
            }
            return;
        case key::Delete:
            if (ctrl && withShift) {
                // The component ends with an empty selection at the caret.
                const Pos at = caret_;
                removeRange(at, lineEnd(at));
            } else if (ctrl) {
                removeRange(caret_, wordEnd(caret_));
            } else if (from != to) {
                removeRange(from, to);
            } else {
                removeRange(from, nextChar(from));
            }
            return;
        case key::Enter:
            if (!ctrl) typeOver(from, to, "\r\n", marking);
            return;
        case key::Tab:
            if (!ctrl) typeOver(from, to, "\t", marking);
            return;
        case key::Escape:
            return;
        default:
            break;
    }
    if (code >= 33 && code <= 40) {
        moveCaret(code, shiftBits);
        return;
    }
    if (!ctrl && typed >= 0x20 && typed != 0x7F) {
        const std::string bytes = typedBytes(typed, IsUtf8());
        if (!bytes.empty()) typeOver(from, to, bytes, marking);
    }
}

void FakeSurface::moveCaret(int code, int shiftBits) {
    const bool ctrl = (shiftBits & shift::Ctrl) != 0;
    const bool extend = (shiftBits & shift::Shift) != 0;
    const Pos start = SelStart();
    const Pos end = start + SelLength();
    const auto lineMove = [this](Pos pos, Pos lines) {
        const Pos column = pos - lineStart(pos);
        Pos at = lineStart(pos);
        for (; lines < 0 && at > 0; ++lines) at = lineStart(previousChar(at));
        for (; lines > 0; --lines) {
            const Pos next = nextChar(lineEnd(at));
            if (next == lineEnd(at)) break;  // the last line
            at = next;
        }
        Pos target = std::min(at + column, lineEnd(at));
        while (target > at && previousChar(nextChar(target)) != target) --target;
        return target;
    };
    Pos to = caret_;
    switch (code) {
        case key::Left:
            to = ctrl                        ? wordStart(caret_)
                 : (!extend && start != end) ? start
                                             : previousChar(caret_);
            break;
        case key::Right:
            to = ctrl ? wordEnd(caret_) : (!extend && start != end) ? end : nextChar(caret_);
            break;
        case key::Up:
            to = lineMove(caret_, -1);
            break;
        case key::Down:
            to = lineMove(caret_, 1);
            break;
        case 33:  // Page Up
            to = lineMove(caret_, -20);
            break;
        case 34:  // Page Down
            to = lineMove(caret_, 20);
            break;
        case 35:  // End
            to = ctrl ? TextLength() : lineEnd(caret_);
            break;
        case 36: {  // Home: to the line's first character that is not a blank, or from there
                    // to the line's start
            const Pos line = lineStart(caret_);
            Pos text = line;
            while (text < lineEnd(line) && isSpace(TextRange(text, 1)[0])) ++text;
            to = ctrl ? 0 : caret_ == text ? line : text;
            break;
        }
        default:
            return;
    }
    select(extend ? anchor_ : to, to);
}

}  // namespace scrivane
