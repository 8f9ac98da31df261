// Every line break keeps the bytes it had in the file through edits, tracking and undo; breaks
// that come from typing or pasting take the file's usual ending.
#include <algorithm>
#include <random>

#include "app/opening.h"
#include "app/saving.h"
#include "app_fixture.h"
#include "tracking/edit_menu.h"
#include "tracking/modified_check.h"
#include "tracking/track_changes.h"
#include "tracking/undo_buffer.h"

namespace scrivane {
namespace {

// What the document should be: its CR LF text and, per line, the bytes its break must be
// written with ("" for the usual ending). Edits move the break bytes the way a user sees lines
// move: a split line's own break ends its last part, a joined line ends with the last one's.
struct BreakModel {
    std::string text;
    std::vector<std::string> ends;

    std::size_t lineOf(std::size_t pos) const {
        std::size_t line = 0;
        for (std::size_t at = text.find("\r\n"); at != std::string::npos && at < pos;
             at = text.find("\r\n", at + 2)) {
            ++line;
        }
        return line;
    }

    void insert(std::size_t pos, const std::string& bytes) {
        const std::size_t line = lineOf(pos);
        std::size_t added = 0;
        for (std::size_t at = bytes.find("\r\n"); at != std::string::npos;
             at = bytes.find("\r\n", at + 2)) {
            ++added;
        }
        text.insert(pos, bytes);
        ends.insert(ends.begin() + static_cast<std::ptrdiff_t>(line), added, "");
    }

    void erase(std::size_t pos, std::size_t length) {
        const std::size_t first = lineOf(pos);
        const std::size_t last = lineOf(pos + length);
        ends[first] = ends[last];
        ends.erase(ends.begin() + static_cast<std::ptrdiff_t>(first) + 1,
                   ends.begin() + static_cast<std::ptrdiff_t>(last) + 1);
        text.erase(pos, length);
    }

    std::string file(const std::string& usual) const {
        std::string out;
        std::size_t line = 0;
        std::size_t from = 0;
        for (std::size_t at = text.find("\r\n"); at != std::string::npos;
             at = text.find("\r\n", from)) {
            out += text.substr(from, at - from);
            out += ends[line].empty() ? usual : ends[line];
            ++line;
            from = at + 2;
        }
        return out + text.substr(from);
    }
};

// Generated files of every kind: one ending, mixed, binary with NUL bytes and lone CRs.
std::string generatedFile(std::mt19937& rng) {
    static constexpr const char* kBreaks[] = {"\n", "\r\n", "\r"};
    const unsigned kind = rng() % 4;
    std::string bytes;
    const std::size_t lines = 1 + rng() % 12;
    for (std::size_t i = 0; i < lines; ++i) {
        const std::size_t length = rng() % 6;
        for (std::size_t k = 0; k < length; ++k) {
            bytes += kind == 3 ? static_cast<char>(rng() % 4 == 0 ? 0 : 'a' + rng() % 26)
                               : static_cast<char>('a' + rng() % 26);
        }
        bytes += kBreaks[kind < 3 && rng() % 5 != 0 ? kind : rng() % 3];
    }
    if (rng() % 2 == 0) bytes += "tail";
    return bytes;
}

class LineBreakTest : public AppTest {
  protected:
    // Where an edit may start or end: not between the CR and LF of a break.
    std::size_t boundary(std::mt19937& rng) const {
        const std::string text = mergedoc.Text();
        std::size_t pos = rng() % (text.size() + 1);
        if (pos > 0 && pos < text.size() && text[pos - 1] == '\r' && text[pos] == '\n') --pos;
        return pos;
    }
};

TEST_F(LineBreakTest, UntouchedBreaksKeepTheirBytesThroughEditsTrackingAndUndo) {
    std::mt19937 rng(10);
    static constexpr const char* kInserts[] = {"x", "\r\n", "ab\r\ncd", "\r\n\r\n", "q\r\n"};
    for (int round = 0; round < 150; ++round) {
        const std::string original = generatedFile(rng);
        const std::string path = writeFile("f.bin", original);
        forgetChanges();
        // Every other file opened unwrapped (a document without styles), and every fourth
        // handed to a document with styles by Wrap Text halfway.
        const bool unwrapped = round % 2 == 1;
        mergedoc.SetRightMargin(unwrapped ? 60000.0f : 0.0f);
        openfile(ws, path);
        ASSERT_TRUE(services.messages.empty());
        const std::string usual = fromCrLf("\r\n", ws.doc.lineEnds);

        // No edit: back byte for byte.
        ASSERT_TRUE(savefile(ws, path));
        ASSERT_EQ(readFile(path), original) << round;

        BreakModel model{mergedoc.Text(), {}};
        const DocumentText read = readLineEnds(original, LineEnds::Lf);
        model.ends.assign(
            static_cast<std::size_t>(std::count(model.text.begin(), model.text.end(), '\n')) + 1,
            "");
        for (const LineBreak& b : read.breaks) {
            model.ends[static_cast<std::size_t>(b.line)] =
                fromCrLf("\r\n", b.end == LineEnd::Lf   ? LineEnds::Lf
                                 : b.end == LineEnd::Cr ? LineEnds::Cr
                                                        : LineEnds::CrLf);
        }
        const int edits = static_cast<int>(rng() % 4);
        for (int e = 0; e < edits; ++e) {
            if (rng() % 2 == 0) {
                const std::size_t pos = boundary(rng);
                const std::string bytes = kInserts[rng() % 5];
                mergedoc.InsertAt(static_cast<Pos>(pos), bytes, Marking{});
                model.insert(pos, bytes);
            } else {
                std::size_t a = boundary(rng);
                std::size_t b = boundary(rng);
                if (a > b) std::swap(a, b);
                mergedoc.RemoveAt(static_cast<Pos>(a), static_cast<Pos>(b - a));
                model.erase(a, b - a);
            }
            ASSERT_EQ(mergedoc.Text(), model.text) << round;
        }
        // Compared with another file (the document as opened is compared from its stored text,
        // an edited one from a copy), tracking on and off again, and an undo snapshot
        // restored, change no break.
        if (rng() % 3 == 0) {
            // A Latin-1 byte in the deleted text has the whole document shown anew.
            const std::string other = generatedFile(rng) + (rng() % 2 == 0 ? "\xE9" : "");
            services.openNames = {writeFile("other.bin", other)};
            mnuCompareTo_Click(ws);
            ASSERT_TRUE(services.messages.empty()) << services.lastMessage();
        }
        if (rng() % 2 == 0) {
            mnuTrackChanges_Click(ws);
            mnuTrackChanges_Click(ws);
        }
        if (rng() % 2 == 0) {
            setundobuffer(ws.undo, mergedoc, ws.doc.stored, ws.trackChanges);
            mergedoc.SetSelStart(0);
            type("zz");
            mnuUndo_Click(ws.undo, mergedoc, ws.doc.stored, ws.trackChanges);
        }
        if (unwrapped && round % 4 == 1) mergedoc.SetRightMargin(0.0f);
        if (rng() % 2 == 0) mnuTrackChanges_Click(ws);  // saved with tracking on
        ASSERT_EQ(realContent(mergedoc), model.text) << round;
        ASSERT_TRUE(savefile(ws, path));
        ASSERT_EQ(readFile(path), model.file(usual))
            << round << " from " << ::testing::PrintToString(original);
    }
}

// A document whose breaks are all usual keeps no per-line states in the editor through edits
// and snapshots: states, once there, are moved along by every insertion or deletion of lines.
TEST_F(LineBreakTest, AllUsualBreaksNeedNoLineStates) {
    for (const std::string& file : {std::string(2000, '\n'), "a\r\n" + std::string(2000, '\n')}) {
        forgetChanges();
        openfile(ws, writeFile("states.txt", file));
        const bool mixed = file[1] == '\r';
        for (const Pos at : {mergedoc.TextLength(), Pos{0}, mergedoc.TextLength() / 2}) {
            mergedoc.SetSelStart(at);
            mergedoc.SetSelLength(0);
            type("x\r\n");
            setundobuffer(ws.undo, mergedoc, ws.doc.stored, ws.trackChanges);
        }
        EXPECT_EQ(mergedoc.LineBreaks().size(), mixed ? 1u : 0u);
        if (!mixed) {
            EXPECT_EQ(mergedoc.editor()->SendScintilla(QsciScintillaBase::SCI_GETMAXLINESTATE), 0);
        }
    }
}

// Copied text carries the document's own line ends.
TEST_F(LineBreakTest, TheClipboardGetsTheDocumentsLineEnds) {
    const struct {
        std::string file;
        std::string copied;
    } cases[] = {
        {"a\nb\nc", "a\nb\nc"},
        {"a\r\nb\r\nc", "a\r\nb\r\nc"},
        {"a\rb\rc", "a\rb\rc"},
        {"a\nb\r\nc\n", "a\nb\nc\n"},  // the usual ending
    };
    for (const auto& c : cases) {
        forgetChanges();
        openfile(ws, writeFile("clip.txt", c.file));
        mergedoc.SetSelStart(0);
        mergedoc.SetSelLength(mergedoc.TextLength());
        mnuCopy_Click(ws);
        EXPECT_EQ(services.clipboard, c.copied) << ::testing::PrintToString(c.file);
    }
}

}  // namespace
}  // namespace scrivane
