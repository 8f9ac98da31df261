#include <gtest/gtest.h>

#include <random>

#include "editing/styled_edits.h"
#include "platform/pure/text_ops.h"
#include "platform/pure/text_runs.h"

namespace scrivane {
namespace {

struct Mark {
    Colour colour = kPlain;
    bool strike = false;
    bool operator==(const Mark&) const = default;
};

std::vector<Mark> perByte(const RichText& doc) {
    std::vector<Mark> marks;
    for (const TextRun& run : doc.runs)
        marks.insert(marks.end(), run.length, {run.colour, run.strike});
    marks.resize(doc.text.size());
    return marks;
}

RichText randomStyled(std::mt19937& rng, std::string_view alphabet, std::size_t size) {
    RichText doc;
    for (std::size_t i = 0; i < size; ++i) doc.text += alphabet[rng() % alphabet.size()];
    const Mark styles[] = {{kPlain, false}, {kInsertedBlue, false}, {kDeletedRed, true}};
    std::size_t covered = 0;
    while (covered < size && rng() % 5 != 0) {
        const std::size_t length = std::min<std::size_t>(1 + rng() % 6, size - covered);
        const Mark m = styles[rng() % 3];
        doc.runs.push_back(TextRun{length, m.colour, m.strike});
        covered += length;
    }
    return normalised(doc);
}

// The text and per-byte marking after the edits, made one by one from the last; fails when
// the edits are out of order or overlap.
struct Edited {
    std::string text;
    std::vector<Mark> marks;
};
Edited applied(const RichText& doc, const std::vector<RangeEdit>& edits) {
    Edited out{doc.text, perByte(doc)};
    Pos limit = static_cast<Pos>(doc.text.size());
    for (auto e = edits.rbegin(); e != edits.rend(); ++e) {
        EXPECT_LE(e->pos + e->removed, limit) << "edits out of order or overlapping";
        limit = e->pos;
        const auto at = static_cast<std::size_t>(e->pos);
        out.text.replace(at, static_cast<std::size_t>(e->removed), e->inserted);
        out.marks.erase(out.marks.begin() + e->pos, out.marks.begin() + e->pos + e->removed);
        out.marks.insert(out.marks.begin() + e->pos, e->inserted.size(),
                         Mark{e->marking.colour, e->marking.strike});
    }
    return out;
}

// Against a byte-by-byte rebuild: the text is what the plain replace gives, every byte outside
// a match keeps its marking, every inserted byte has the new colour.
TEST(StyledEdits, ReplaceAllKeepsTheMarkingOfEveryOtherByte) {
    std::mt19937 rng(5);
    for (int round = 0; round < 4000; ++round) {
        const RichText doc = randomStyled(rng, "ab\r\n", rng() % 40);
        std::string from;
        for (std::size_t n = 1 + rng() % 3; n > 0; --n) from += "ab"[rng() % 2];
        std::string to;
        for (std::size_t n = rng() % 4; n > 0; --n) to += "xy"[rng() % 2];
        const Colour colour = rng() % 2 ? kInsertedBlue : kPlain;

        const StyledEdit edit = replaceAllStyled(doc.text, from, to, colour);

        const std::vector<Mark> old = perByte(doc);
        std::vector<Mark> want;
        std::size_t count = 0;
        for (std::size_t i = 0; i < doc.text.size();) {
            if (doc.text.compare(i, from.size(), from) == 0) {
                want.insert(want.end(), to.size(), Mark{colour, false});
                i += from.size();
                ++count;
            } else {
                want.push_back(old[i++]);
            }
        }
        const std::string where = "round " + std::to_string(round);
        ASSERT_EQ(edit.count, count) << where;
        const Edited after = applied(doc, edit.edits);
        ASSERT_EQ(after.text, replaceAll(doc.text, from, to)) << where;
        ASSERT_EQ(after.marks, want) << where;
    }
}

// Against the twenty passes of "LF + new*(i-1) + old -> LF + new*i" over LF + text.
TEST(StyledEdits, FixIndentsMatchesTheTwentyPassRewrite) {
    std::mt19937 rng(6);
    for (int round = 0; round < 3000; ++round) {
        // Long indentations now and then, to cross the twentieth position.
        RichText doc = randomStyled(rng, "  \t\r\nx", rng() % 60);
        if (rng() % 4 == 0) doc = randomStyled(rng, "      \t", 20 + rng() % 10);
        const Colour colour = rng() % 2 ? kInsertedBlue : kPlain;

        const StyledEdit edit = fixIndentsStyled(doc.text, doc.runs, ' ', '\t', colour);

        std::string t = "\n" + doc.text;
        for (int i = 1; i <= 20; ++i) {
            t = replaceAll(t, "\n" + std::string(i - 1, '\t') + " ", "\n" + std::string(i, '\t'));
        }
        t.erase(0, 1);
        const std::vector<Mark> old = perByte(doc);
        std::vector<Mark> want = old;
        std::size_t changed = 0;
        for (std::size_t i = 0; i < t.size(); ++i) {
            if (t[i] == doc.text[i]) continue;
            ++changed;
            if (!old[i].strike) want[i] = Mark{colour, false};
        }
        const std::string where = "round " + std::to_string(round);
        ASSERT_EQ(edit.count, changed) << where;
        const Edited after = applied(doc, edit.edits);
        ASSERT_EQ(after.text, t) << where;
        ASSERT_EQ(after.marks, want) << where;
    }
}

TEST(StyledEdits, FixIndentsExamples) {
    const struct {
        std::string text, fixed;
    } cases[] = {
        {"  two", "\t\ttwo"},
        {"    x", "\t\t\t\tx"},
        {std::string(25, ' ') + "a", std::string(20, '\t') + "     a"},
        {" \t a", "\t\t\ta"},
        {std::string(25, '\t') + " a", std::string(25, '\t') + " a"},
        {"a  b", "a  b"},
        {"x\r\n y\r\n  z", "x\r\n\ty\r\n\t\tz"},
    };
    for (const auto& c : cases) {
        const StyledEdit edit = fixIndentsStyled(c.text, {}, ' ', '\t', kPlain);
        EXPECT_EQ(applied(RichText{c.text}, edit.edits).text, c.fixed) << c.text;
    }
}

}  // namespace
}  // namespace scrivane
