#include <algorithm>
#include <cctype>
#include <random>

#include "compare/markup_format.h"
#include "platform/pure/random_docs.h"
#include "tracking/modified_check.h"
#include "tracking/tracking_fixture.h"

namespace scrivane {
namespace {

// The tracked-editing rules on plain bytes: each byte with its marking letter, and a selection.
struct Model {
    std::string text, marks;
    Pos start = 0, length = 0;
    std::string clipboard;

    bool pairAt(Pos i) const {
        return i >= 0 && i + 1 < static_cast<Pos>(text.size()) && text[i] == '\r' &&
               text[i + 1] == '\n';
    }
    void erase(Pos from, Pos n) {
        text.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(n));
        marks.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(n));
    }
    void insert(Pos at, const std::string& s, char mark) {
        text.insert(static_cast<std::size_t>(at), s);
        marks.insert(static_cast<std::size_t>(at), s.size(), mark);
    }
    bool markerAt(Pos i) const { return std::isupper(marks[static_cast<std::size_t>(i)]) != 0; }
    void unstrikeRange(Pos from, Pos n) {
        Pos kept = n;
        for (Pos i = from + n - 1; i >= from; --i) {
            if (markerAt(i)) {
                erase(i, 1);
                --kept;
            }
        }
        for (Pos i = from; i < from + kept; ++i) marks[static_cast<std::size_t>(i)] = '.';
    }

    void deletion(bool backspace, bool shift, bool ctrl) {
        if (shift && !ctrl && length > 0) clipboard = text.substr(start, length);
        if (length == 0) {
            const Pos size = static_cast<Pos>(text.size());
            if (backspace) {
                if (start == 0) return;
                length = pairAt(start - 2) ? 2 : 1;
                start -= length;
            } else {
                if (start >= size) return;
                length = pairAt(start) ? 2 : 1;
            }
        }
        Pos skip = backspace ? 0 : length;
        if (!ctrl) {
            const std::string selMarks = marks.substr(start, length);
            const bool blue = std::all_of(selMarks.begin(), selMarks.end(),
                                          [](char m) { return m == 'b' || m == 'B'; });
            if ((length == 1 && markerAt(start)) || blue) {
                erase(start, length);
                length = 0;
                return;
            }
            // Struck red; a marker stays a marker.
            for (Pos i = start; i < start + length; ++i) {
                marks[static_cast<std::size_t>(i)] = markerAt(i) ? 'R' : 'r';
            }
        } else if (!shift) {
            unstrikeRange(start, length);
        }
        length = 0;
        start = std::min<Pos>(start + skip, static_cast<Pos>(text.size()));
    }
    void replaceSelection(const std::string& s, char mark) {
        erase(start, length);
        insert(start, s, mark);
        start += static_cast<Pos>(s.size());
        length = 0;
    }
    void unstrikeSelection() {
        unstrikeRange(start, length);
        length = 0;
    }
    std::string unstruck() const {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (marks[i] == '.' || marks[i] == 'b') out.push_back(text[i]);
        }
        return out;
    }
};

// Random keys, pastes and unstrikes on the real window's handlers and on the model agree
// after every step; switching tracking off then leaves the model's unstruck text.
TEST_F(TrackingTest, RandomEditsAgreeWithTheModel) {
    std::mt19937 rng(20261208);
    const std::string alphabet = "ab\x06\r\n";
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    for (int round = 0; round < 60; ++round) {
        Model m;
        const int size = pick(24);
        for (int i = 0; i < size; ++i) {
            if (pick(6) == 0) {
                m.text += "\r\n";
                m.marks += std::string(2, ".rb"[pick(3)]);
            } else {
                const char c = "abc\x06"[pick(4)];
                char mark = ".rb"[pick(3)];
                // A byte 6 is a change marker, or the file's own text.
                if (c == '\x06' && mark != '.' && pick(2) == 0)
                    mark = static_cast<char>(std::toupper(mark));
                m.text.push_back(c);
                m.marks.push_back(mark);
            }
        }
        ws.trackChanges = true;
        load(m.text, m.marks);
        services.clipboard.clear();
        for (int step = 0; step < 25; ++step) {
            // A selection that never starts or ends inside a line break.
            auto border = [&] {
                Pos p = pick(static_cast<int>(m.text.size()) + 1);
                if (m.pairAt(p - 1)) --p;
                return p;
            };
            Pos a = border(), b = border();
            if (pick(2) == 0) b = a;
            m.start = std::min(a, b);
            m.length = std::max(a, b) - m.start;
            select(m.start, m.length);
            std::string what;
            const std::string before = "[" + m.text + "|" + m.marks + "|" +
                                       std::to_string(m.start) + "+" + std::to_string(m.length) +
                                       "] ";
            switch (pick(6)) {
                case 0:
                case 1: {
                    const bool backspace = pick(2) == 0;
                    const int mods = pick(4);
                    what = std::string(backspace ? "Backspace" : "Delete") + " mods " +
                           std::to_string(mods);
                    press(backspace ? key::Backspace : key::Delete,
                          (mods & 1 ? shift::Shift : 0) | (mods & 2 ? shift::Ctrl : 0));
                    m.deletion(backspace, mods & 1, mods & 2);
                    break;
                }
                case 2: {
                    const char c = "xyz"[pick(3)];
                    what = std::string("type ") + c;
                    typeChar(c);
                    m.replaceSelection(std::string(1, c), 'b');
                    break;
                }
                case 3: {
                    services.clipboard = pick(2) == 0 ? "P\r\nQ" : "pq";
                    what = "paste";
                    plainPaste(ws);
                    m.replaceSelection(services.clipboard, 'b');
                    break;
                }
                case 4:
                    what = "unstrike";
                    unstrike(ws);
                    m.unstrikeSelection();
                    break;
                default: {
                    what = "copy";
                    mnuCopy_Click(ws);
                    if (m.length > 0) m.clipboard = m.text.substr(m.start, m.length);
                    break;
                }
            }
            ASSERT_EQ(mergedoc.Text(), m.text)
                << "round " << round << " step " << step << ": " << what;
            ASSERT_EQ(marks(), m.marks)
                << before << "round " << round << " step " << step << ": " << what;
            ASSERT_EQ(mergedoc.SelStart(), m.start)
                << "round " << round << " step " << step << ": " << what;
            ASSERT_EQ(mergedoc.SelLength(), m.length) << "round " << round << " step " << step;
            // The remembered modified check follows every change of text and marking.
            if (step % 5 == 0) ws.doc.stored.set(m.unstruck());
            ASSERT_EQ(isUnchanged(mergedoc, ws.doc.stored, ws.modified),
                      isUnchanged(mergedoc, ws.doc.stored))
                << "round " << round << " step " << step << ": " << what;
            ASSERT_EQ(isUnchanged(mergedoc, ws.doc.stored),
                      realContent(mergedoc) == ws.doc.stored.version().copy())
                << "round " << round << " step " << step << ": " << what;
        }
        ws.doc.stored.set(m.unstruck() + "tail");  // the comparison itself is not what is tested
        mnuTrackChanges_Click(ws);
        ASSERT_FALSE(ws.trackChanges);
        EXPECT_EQ(mergedoc.Text(), m.unstruck()) << "round " << round;
        EXPECT_TRUE(mergedoc.Runs().empty());
    }
}

}  // namespace
}  // namespace scrivane

namespace scrivane {
namespace {

// The modified check reads the real content straight from text and runs; it agrees with
// building it, on documents with bells, markers and runs that split line breaks.
TEST_F(TrackingTest, ModifiedCheckAgreesWithBuildingTheRealContent) {
    std::mt19937 rng(5);
    for (int n = 0; n < 600; ++n) {
        mergedoc.SetContent(testing::randomDoc(rng, 40));
        const std::string real = realContent(mergedoc);
        std::string stored = real;
        if (n % 3 == 1 && !stored.empty()) stored[rng() % stored.size()] ^= 1;
        if (n % 3 == 2) stored += 'x';
        ws.doc.stored.set(stored);
        ASSERT_EQ(isUnchanged(mergedoc, ws.doc.stored), real == stored) << "document " << n;
    }
}

}  // namespace
}  // namespace scrivane
