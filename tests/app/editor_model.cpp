#include "editor_model.h"

#include <algorithm>

#include "compare/compare_engine.h"
#include "platform/pure/text_runs.h"
#include "platform/pure/utf8.h"

namespace scrivane::model {
namespace {

LineEnd lineEndOf(LineEnds ends) {
    switch (ends) {
        case LineEnds::CrLf:
            return LineEnd::CrLf;
        case LineEnds::Lf:
            return LineEnd::Lf;
        default:
            return LineEnd::Cr;
    }
}

std::string bytesOfEnd(LineEnd end) {
    switch (end) {
        case LineEnd::Lf:
            return "\n";
        case LineEnd::Cr:
            return "\r";
        default:
            return "\r\n";
    }
}

Colour colourOf(Paint paint) {
    return paint == Paint::Blue ? kInsertedBlue : paint == Paint::Red ? kDeletedRed : kPlain;
}

// Every CR, LF and CR LF as CR LF, as the editor holds text.
std::string withCrLf(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' || s[i] == '\n') {
            out += "\r\n";
            if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

Cells cellsOf(const std::string& bytes, Paint paint) {
    Cells cells;
    for (const char c : bytes) cells.push_back(Cell{c, paint});
    return cells;
}

// The length of a valid UTF-8 sequence starting at s[i], or 0.
std::size_t utf8Length(std::string_view s, std::size_t i) {
    for (std::size_t n = 1; n <= 4 && i + n <= s.size(); ++n) {
        if (isValidUtf8(s.substr(i, n))) return n;
    }
    return 0;
}

}  // namespace

EditorModel::EditorModel(const std::string& fileBytes, bool autoIndent) : autoIndent_(autoIndent) {
    std::size_t crlf = 0, lf = 0, cr = 0;
    for (std::size_t i = 0; i < fileBytes.size(); ++i) {
        const char c = fileBytes[i];
        if (c != '\r' && c != '\n') {
            doc_.push_back(Cell{c});
            continue;
        }
        LineEnd end = LineEnd::Lf;
        if (c == '\r' && i + 1 < fileBytes.size() && fileBytes[i + 1] == '\n') {
            end = LineEnd::CrLf;
            ++i;
            ++crlf;
        } else if (c == '\r') {
            end = LineEnd::Cr;
            ++cr;
        } else {
            ++lf;
        }
        doc_.push_back(Cell{'\r', Paint::Plain, false, end});
        doc_.push_back(Cell{'\n', Paint::Plain, false, end});
    }
    // The ending used most; CR LF wins a tie, LF wins one against CR; LF without breaks.
    if (crlf + lf + cr == 0) {
        usual_ = LineEnds::Lf;
    } else if (crlf >= lf && crlf >= cr) {
        usual_ = LineEnds::CrLf;
    } else {
        usual_ = lf >= cr ? LineEnds::Lf : LineEnds::Cr;
    }
    for (Cell& c : doc_) {
        if (c.end == lineEndOf(usual_)) c.end = LineEnd::Usual;
    }
    stored_ = doc_;
    utf8_ = isValidUtf8(text());
    snapshot();
}

// ---- reading ----

std::string EditorModel::text() const {
    std::string out;
    for (const Cell& c : doc_) out += c.byte;
    return out;
}

RichText EditorModel::content() const {
    RichText out;
    Pos line = 0;
    for (const Cell& c : doc_) {
        out.text += c.byte;
        appendRun(out.runs, 1, Marking{colourOf(c.paint), c.paint == Paint::Red, c.marker});
        if (c.byte == '\n') {
            if (c.end != LineEnd::Usual) out.breaks.push_back({line, c.end});
            ++line;
        }
    }
    if (allPlain(out.runs)) out.runs.clear();
    return out;
}

Cells EditorModel::keptCells() const {
    Cells out;
    for (const Cell& c : doc_) {
        if (kept(c)) out.push_back(Cell{c.byte, Paint::Plain, false, c.end});
    }
    return out;
}

std::string EditorModel::bytesOf(const Cells& cells) const {
    std::string out;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const Cell& c = cells[i];
        if (c.byte != '\r' && c.byte != '\n') {
            out += c.byte;
            continue;
        }
        out += bytesOfEnd(c.end == LineEnd::Usual ? lineEndOf(usual_) : c.end);
        if (c.byte == '\r' && i + 1 < cells.size() && cells[i + 1].byte == '\n') ++i;
    }
    return out;
}

bool EditorModel::unchanged() const {
    std::string real, stored;
    for (const Cell& c : keptCells()) real += c.byte;
    for (const Cell& c : stored_) stored += c.byte;
    return real == stored;
}

std::pair<Pos, Pos> EditorModel::caretLineAndCount() const {
    const Pos line = lineOf(sel_.start);
    return {line, std::max(line, size() > 0 ? lineOf(size() - 1) : 0)};
}

std::string EditorModel::encodeTyped(const std::string& utf8) const {
    if (utf8_) return utf8;
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        unsigned code = n == 1 ? lead : lead & (0xFFu >> (n + 1));
        for (std::size_t k = 1; k < n; ++k) {
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        out += code <= 0xFF ? static_cast<char>(code) : '?';
        i += n;
    }
    return out;
}

// ---- positions ----

bool EditorModel::crlfAt(Pos i) const {
    return i >= 0 && i + 1 < size() && doc_[static_cast<std::size_t>(i)].byte == '\r' &&
           doc_[static_cast<std::size_t>(i + 1)].byte == '\n';
}

Pos EditorModel::charEnd(Pos i) const {
    if (crlfAt(i)) return i + 2;
    if (!utf8_) return i + 1;
    const std::string t = text();
    return i + std::max<Pos>(1, static_cast<Pos>(utf8Length(t, static_cast<std::size_t>(i))));
}

Pos EditorModel::charStartBefore(Pos i) const {
    if (crlfAt(i - 2)) return i - 2;
    if (utf8_) {
        const std::string t = text();
        for (Pos from = std::max<Pos>(0, i - 4); from < i; ++from) {
            if (static_cast<Pos>(utf8Length(t, static_cast<std::size_t>(from))) == i - from) {
                return from;
            }
        }
    }
    return i - 1;
}

Pos EditorModel::lineOf(Pos pos) const {
    Pos line = 1;
    for (Pos i = 0; i < std::min(pos, size()); ++i) {
        if (doc_[static_cast<std::size_t>(i)].byte == '\n') ++line;
    }
    return line;
}

Pos EditorModel::lineStartOf(Pos line) const {
    Pos start = 0;
    Pos at = 1;
    for (Pos i = 0; i < size() && at < line; ++i) {
        if (doc_[static_cast<std::size_t>(i)].byte == '\n') {
            start = i + 1;
            ++at;
        }
    }
    return start;
}

// ---- editing ----

void EditorModel::insert(Pos at, const std::string& bytes, Paint paint) {
    const Cells cells = cellsOf(bytes, paint);
    doc_.insert(doc_.begin() + at, cells.begin(), cells.end());
}

void EditorModel::erase(Pos from, Pos n) {
    doc_.erase(doc_.begin() + from, doc_.begin() + from + n);
}

void EditorModel::replaceSelection(const std::string& bytes, Paint paint) {
    erase(sel_.start, sel_.length);
    const std::string normal = withCrLf(bytes);
    insert(sel_.start, normal, paint);
    sel_ = {sel_.start + static_cast<Pos>(normal.size()), 0};
}

void EditorModel::snapshot() {
    if (undoslot_ == -1) undoslot_ = 0;
    undo_[static_cast<std::size_t>(undoslot_)] = Snapshot{doc_, sel_, tracking_};
}

void EditorModel::type(const std::string& bytes) {
    if (!typingrun_) snapshot();
    typingrun_ = true;
    replaceSelection(bytes, typing());
}

void EditorModel::enter() {
    type("\r\n");
    if (!autoIndent_) return;
    // The new line takes the blanks and tabs that begin the line above, as they stand.
    const Pos lineEnd = sel_.start - 2;
    Pos lineStart = lineEnd;
    while (lineStart > 0 && doc_[static_cast<std::size_t>(lineStart - 1)].byte != '\n') --lineStart;
    std::string indent;
    for (Pos i = lineStart; i < lineEnd; ++i) {
        const char c = doc_[static_cast<std::size_t>(i)].byte;
        if (c != ' ' && c != '\t') break;
        indent += c;
    }
    insert(sel_.start, indent, typing());
    sel_.start += static_cast<Pos>(indent.size());
}

void EditorModel::del(bool shift, bool ctrl) {
    if (sel_.length > 0) {
        snapshot();
        typingrun_ = true;
    }
    if (tracking_) {
        trackedDeletion(false, shift, ctrl);
        return;
    }
    if (sel_.length == 0 && sel_.start < size()) sel_.length = charEnd(sel_.start) - sel_.start;
    erase(sel_.start, sel_.length);
    sel_.length = 0;
}

void EditorModel::backspace(bool shift, bool ctrl) {
    if (tracking_) {
        trackedDeletion(true, shift, ctrl);
        return;
    }
    if (sel_.length == 0 && sel_.start > 0) {
        const Pos from = charStartBefore(sel_.start);
        sel_ = {from, sel_.start - from};
    }
    erase(sel_.start, sel_.length);
    sel_.length = 0;
}

void EditorModel::trackedDeletion(bool backspace, bool shift, bool ctrl) {
    if (shift && !ctrl && sel_.length > 0) {
        const Cells selected(doc_.begin() + sel_.start, doc_.begin() + sel_.start + sel_.length);
        // On the clipboard as other programs read it: the file's line ends, in UTF-8.
        clipboard.clear();
        Cells usual = selected;
        for (Cell& c : usual) c.end = LineEnd::Usual;
        for (const char c : bytesOf(usual)) {
            const auto b = static_cast<unsigned char>(c);
            if (utf8_ || b < 0x80) {
                clipboard += c;
            } else {
                clipboard += static_cast<char>(0xC0 | (b >> 6));
                clipboard += static_cast<char>(0x80 | (b & 0x3F));
            }
        }
    }
    if (sel_.length == 0) {
        // One whole character on the key's side; nothing at the document's edge.
        if (backspace ? sel_.start == 0 : sel_.start >= size()) return;
        const Pos from = backspace ? charStartBefore(sel_.start) : sel_.start;
        const Pos to = backspace ? sel_.start : charEnd(sel_.start);
        sel_ = {from, to - from};
    }
    const Pos skip = backspace ? 0 : sel_.length;
    const auto first = doc_.begin() + sel_.start;
    const auto last = first + sel_.length;
    if (!ctrl) {
        // Inserted text, or a lone marker, goes for real: there is nothing to keep.
        const bool blue =
            std::all_of(first, last, [](const Cell& c) { return c.paint == Paint::Blue; });
        if ((sel_.length == 1 && first->marker) || blue) {
            erase(sel_.start, sel_.length);
            sel_.length = 0;
            return;
        }
        std::for_each(first, last, [](Cell& c) { c.paint = Paint::Red; });
    } else if (!shift) {
        unstrikeRange(sel_.start, sel_.length);
    }
    sel_ = {charStartAt(std::min(sel_.start + skip, size())), 0};
}

void EditorModel::unstrikeRange(Pos from, Pos n) {
    Pos kept = n;
    for (Pos i = from + n - 1; i >= from; --i) {
        if (doc_[static_cast<std::size_t>(i)].marker) {
            erase(i, 1);
            --kept;
        }
    }
    for (Pos i = from; i < from + kept; ++i) doc_[static_cast<std::size_t>(i)].paint = Paint::Plain;
}

void EditorModel::paste() {
    const std::string bytes = encodeTyped(clipboard);
    if (bytes.empty()) return;
    snapshot();
    replaceSelection(bytes, typing());
}

void EditorModel::undo() {
    if (undoslot_ == -1) return;
    undoslot_ = 1 - undoslot_;
    snapshot();
    undoslot_ = 1 - undoslot_;
    const Snapshot& s = undo_[static_cast<std::size_t>(undoslot_)];
    doc_ = s.doc;
    sel_ = s.sel;
    tracking_ = s.tracking;
    utf8_ = isValidUtf8(text());
    undoslot_ = 1 - undoslot_;
}

void EditorModel::accept() {
    doc_ = keptCells();
}

void EditorModel::trackChanges() {
    Pos caret = sel_.start;
    const Pos line = lineOf(caret);
    const bool marked = std::any_of(doc_.begin(), doc_.end(), [](const Cell& c) {
        return c.paint != Paint::Plain || c.marker;
    });
    if (!tracking_) {
        const Cells real = keptCells();
        if (static_cast<Pos>(real.size()) != size()) caret = 0;
        std::string newText, oldText;
        for (const Cell& c : real) newText += c.byte;
        for (const Cell& c : stored_) oldText += c.byte;
        CompareEngine engine;
        engine.compareblocks(newText, oldText);
        // Unchanged and inserted runs are the document's own bytes, deleted runs those the
        // stored text had: each keeps how its line breaks are written.
        Cells marked;
        for (const CompareRun& run : engine.runs(newText, oldText)) {
            const bool deleted = run.kind == RunKind::Deleted;
            const Cells& from = deleted ? stored_ : real;
            const std::string& whole = deleted ? oldText : newText;
            const auto at = static_cast<std::size_t>(run.text.data() - whole.data());
            const Paint paint = run.kind == RunKind::Same ? Paint::Plain
                                : deleted                 ? Paint::Red
                                                          : Paint::Blue;
            if (run.kind != RunKind::Same) marked.push_back(Cell{'\x06', paint, true});
            for (std::size_t i = at; i < at + run.text.size(); ++i) {
                marked.push_back(Cell{from[i].byte, paint, false, from[i].end});
            }
        }
        tracking_ = true;
        doc_ = marked;
        utf8_ = utf8_ && isValidUtf8(text());
    } else {
        tracking_ = false;
        const Pos before = size();
        accept();
        if (marked && size() != before) caret = 0;
    }
    // Going to a line finds lines by their characters: the empty line after a final break
    // has none, so the line before it stands for it.
    caret = caret != 0 ? std::min(caret, size())
                       : lineStartOf(std::min(line, lineOf(std::max<Pos>(0, size() - 1))));
    sel_ = {charStartAt(caret), 0};
}

Pos EditorModel::charStartAt(Pos pos) const {
    // The caret is never put inside a character: inside one, it goes to its start.
    if (pos <= 0 || pos >= size()) return pos;
    if (crlfAt(pos - 1)) return pos - 1;
    if (!utf8_) return pos;
    const std::string t = text();
    for (Pos start = pos - 1; start >= std::max<Pos>(0, pos - 3); --start) {
        const auto n = static_cast<Pos>(utf8Length(t, static_cast<std::size_t>(start)));
        if (n > 0) return start + n > pos ? start : pos;
    }
    return pos;
}

void EditorModel::nextChange() {
    nextChange(false);
}

void EditorModel::nextChange(bool restart) {
    if (restart) sel_ = {0, 0};
    if (!tracking_) trackChanges();
    const Pos from = restart ? 0 : sel_.start + 1;
    Pos marker = from;
    while (marker < size() && !doc_[static_cast<std::size_t>(marker)].marker) ++marker;
    if (marker >= size()) {
        if (!restart) nextChange(true);
        return;
    }
    selectChangeAfter(marker);
}

void EditorModel::previousChange() {
    previousChange(false);
}

void EditorModel::previousChange(bool restart) {
    if (restart) sel_ = {size(), 0};
    if (!tracking_) trackChanges();
    // Markers before the one just before the caret; from the end, every one.
    Pos marker = (restart ? size() : sel_.start - 1) - 1;
    while (marker >= 0 && !doc_[static_cast<std::size_t>(marker)].marker) --marker;
    if (marker < 0) {
        if (restart) sel_ = {size(), 0};
        if (!restart) previousChange(true);
        return;
    }
    selectChangeAfter(marker);
}

void EditorModel::selectChangeAfter(Pos marker) {
    const Pos p = marker + 1;
    sel_ = {p, 0};
    if (p >= size()) return;
    const Paint paint = doc_[static_cast<std::size_t>(p)].paint;
    if (paint == Paint::Plain) {
        sel_.length = charEnd(p) - p;  // one character, a line break whole
        return;
    }
    Pos end = p;
    while (end < size() && doc_[static_cast<std::size_t>(end)].paint == paint) ++end;
    sel_.length = end - p;
}

void EditorModel::unstrike() {
    if (sel_.length == 0) return;
    unstrikeRange(sel_.start, sel_.length);
    sel_.length = 0;
}

void EditorModel::replaceAll(const std::string& from, const std::string& to) {
    const std::string t = text();
    std::vector<std::size_t> matches;
    for (std::size_t at = t.find(from); !from.empty() && at != std::string::npos;
         at = t.find(from, at + from.size())) {
        matches.push_back(at);
    }
    if (matches.empty()) return;
    snapshot();
    for (auto at = matches.rbegin(); at != matches.rend(); ++at) {
        erase(static_cast<Pos>(*at), static_cast<Pos>(from.size()));
        insert(static_cast<Pos>(*at), to, typing());
    }
    sel_ = {0, 0};
}

void EditorModel::fixIndents() {
    std::vector<std::size_t> blanks;
    for (std::size_t lineStart = 0; lineStart < doc_.size();) {
        for (std::size_t k = 0; k < 20 && lineStart + k < doc_.size(); ++k) {
            const char c = doc_[lineStart + k].byte;
            if (c == '\t') continue;
            if (c != ' ') break;
            blanks.push_back(lineStart + k);
        }
        while (lineStart < doc_.size() && doc_[lineStart].byte != '\n') ++lineStart;
        ++lineStart;
    }
    if (blanks.empty()) return;
    snapshot();
    for (const std::size_t at : blanks) {
        Cell& c = doc_[at];
        c.byte = '\t';
        if (c.paint != Paint::Red) c.paint = typing();
    }
    sel_ = {0, 0};
}

std::string EditorModel::save() {
    if (tracking_) trackChanges();
    stored_ = doc_;
    return bytesOf(doc_);
}

void EditorModel::moved(Selection now, bool endsTypingRun) {
    sel_ = now;
    if (endsTypingRun) typingrun_ = false;
}

}  // namespace scrivane::model
