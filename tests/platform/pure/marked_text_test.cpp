#include "platform/pure/marked_text.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/pure/random_docs.h"
#include "platform/pure/run_styles.h"
#include "platform/pure/text_runs.h"

namespace scrivane {
namespace {

// Runs against a plain value per byte: after every insert, erase and fill the value of every
// byte agrees, and no two neighbouring runs hold the same value.
TEST(RunStyles, AgreeWithAValuePerByte) {
    std::mt19937 rng(3);
    for (int round = 0; round < 300; ++round) {
        RunStyles<int> runs;
        std::vector<int> bytes;
        for (int step = 0; step < 60; ++step) {
            const auto size = static_cast<Pos>(bytes.size());
            const Pos pos = static_cast<Pos>(rng() % static_cast<unsigned>(size + 1));
            const Pos length = static_cast<Pos>(rng() % 6);
            const int value = static_cast<int>(rng() % 3);
            switch (rng() % 3) {
                case 0:
                    runs.insert(pos, length, value);
                    bytes.insert(bytes.begin() + pos, static_cast<std::size_t>(length), value);
                    break;
                case 1: {
                    const Pos n = std::min(length, size - pos);
                    runs.erase(pos, n);
                    bytes.erase(bytes.begin() + pos, bytes.begin() + pos + n);
                    break;
                }
                default: {
                    const Pos n = std::min(length, size - pos);
                    runs.fill(pos, n, value);
                    std::fill_n(bytes.begin() + pos, n, value);
                }
            }
            ASSERT_EQ(runs.length(), static_cast<Pos>(bytes.size())) << round << ":" << step;
            Pos changes = 0;
            for (Pos i = 0; i < runs.length(); ++i) {
                ASSERT_EQ(runs.valueAt(i), bytes[static_cast<std::size_t>(i)])
                    << round << ":" << step << " at " << i;
                if (i > 0 &&
                    bytes[static_cast<std::size_t>(i)] != bytes[static_cast<std::size_t>(i - 1)])
                    ++changes;
            }
            if (!bytes.empty()) {
                ASSERT_EQ(runs.runCount(), changes + 1) << round << ":" << step;
            }
        }
    }
}

// The document a byte at a time: each byte's marking, and on an LF the break's form.
struct Cell {
    char byte;
    Marking marking;
    LineEnd end = LineEnd::Usual;
};

RichText contentOf(const std::vector<Cell>& cells) {
    RichText doc;
    Pos line = 0;
    for (const Cell& c : cells) {
        doc.text += c.byte;
        appendRun(doc.runs, 1, c.marking);
        if (c.byte != '\n') continue;
        if (c.end != LineEnd::Usual) doc.breaks.push_back({line, c.end});
        ++line;
    }
    if (allPlain(doc.runs)) doc.runs.clear();
    return doc;
}

// Random range operations on the value and on the byte-by-byte document agree after each:
// content, marking, line breaks, line numbers, and what Next Change and the colour runs read.
TEST(MarkedText, RangeOperationsAgreeWithAByteByByteDocument) {
    std::mt19937 rng(11);
    const Marking markings[] = {{},
                                {kInsertedBlue},
                                {kDeletedRed, true},
                                {kInsertedBlue, false, true},
                                {kDeletedRed, true, true}};
    const LineEnd ends[] = {LineEnd::Usual, LineEnd::Lf, LineEnd::Cr, LineEnd::CrLf};
    for (int round = 0; round < 200; ++round) {
        MarkedText value;
        std::vector<Cell> cells;
        for (int step = 0; step < 40; ++step) {
            const auto size = static_cast<Pos>(cells.size());
            auto pick = [&rng](Pos n) {
                return static_cast<Pos>(rng() % static_cast<unsigned>(n));
            };
            // Positions on character borders: never between CR and LF.
            auto border = [&] {
                Pos p = pick(size + 1);
                if (p > 0 && p < size && cells[static_cast<std::size_t>(p)].byte == '\n') --p;
                return p;
            };
            const Pos from = border();
            const Pos to = std::max(from, border());
            const Marking marking = markings[pick(5)];
            switch (pick(5)) {
                case 0: {
                    const std::string bytes = rng() % 3 == 0 ? "a\r\nb" : rng() % 2 ? "\x06" : "xy";
                    value.InsertAt(from, bytes, marking);
                    std::vector<Cell> added;
                    for (const char c : bytes) added.push_back({c, marking});
                    cells.insert(cells.begin() + from, added.begin(), added.end());
                    break;
                }
                case 1:
                    value.RemoveAt(from, to - from);
                    cells.erase(cells.begin() + from, cells.begin() + to);
                    break;
                case 2:
                    value.MarkRange(from, to - from, marking);
                    for (Pos i = from; i < to; ++i)
                        cells[static_cast<std::size_t>(i)].marking = marking;
                    break;
                case 3: {
                    value.AcceptRange(from, to - from);
                    std::vector<Cell> kept(cells.begin(), cells.begin() + from);
                    for (Pos i = from; i < to; ++i) {
                        Cell c = cells[static_cast<std::size_t>(i)];
                        if (c.marking.strike || c.marking.marker) continue;
                        c.marking = {};
                        kept.push_back(c);
                    }
                    kept.insert(kept.end(), cells.begin() + to, cells.end());
                    cells = kept;
                    break;
                }
                default: {
                    // New breaks for some lines.
                    RichText doc = contentOf(cells);
                    std::vector<LineBreak> breaks;
                    const auto lines =
                        static_cast<Pos>(std::count(doc.text.begin(), doc.text.end(), '\n'));
                    for (Pos line = 0; line < lines; ++line) {
                        if (rng() % 2) breaks.push_back({line, ends[1 + pick(3)]});
                    }
                    value.SetLineBreaks(breaks);
                    Pos line = 0;
                    for (Cell& c : cells) {
                        if (c.byte != '\n') continue;
                        c.end = LineEnd::Usual;
                        for (const LineBreak& b : breaks) {
                            if (b.line == line) c.end = b.end;
                        }
                        ++line;
                    }
                }
            }
            const RichText want = contentOf(cells);
            ASSERT_EQ(value.Content(), want) << "round " << round << " step " << step;
            const Pos probe = pick(static_cast<Pos>(cells.size()) + 1);
            Pos marker = probe;
            while (marker < static_cast<Pos>(cells.size()) &&
                   !cells[static_cast<std::size_t>(marker)].marking.marker)
                ++marker;
            ASSERT_EQ(value.NextMarker(probe), marker) << "round " << round << " step " << step;
            const auto lfsBefore = std::count_if(cells.begin(), cells.begin() + probe,
                                                 [](const Cell& c) { return c.byte == '\n'; });
            ASSERT_EQ(value.GetLineFromChar(probe), lfsBefore)
                << "round " << round << " step " << step;
            if (probe < static_cast<Pos>(cells.size())) {
                Pos end = probe;
                while (end < static_cast<Pos>(cells.size()) &&
                       cells[static_cast<std::size_t>(end)].marking.colour ==
                           cells[static_cast<std::size_t>(probe)].marking.colour) {
                    ++end;
                }
                ASSERT_EQ(value.ColourRunEnd(probe), end) << "round " << round << " step " << step;
            }
        }
        // And whole: what the value gives, it takes back unchanged.
        const RichText content = value.Content();
        ASSERT_EQ(MarkedText(content).Content(), content) << "round " << round;
    }
}

}  // namespace
}  // namespace scrivane
