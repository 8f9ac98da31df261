#include <random>

#include "app/caption.h"
#include "app/opening.h"
#include "app_fixture.h"
#include "compare/markup_format.h"
#include "tracking/modified_check.h"

namespace scrivane {
namespace {

using CaptionTest = AppTest;

TEST_F(CaptionTest, TimesOfDayOnTheTwelveHourClock) {
    const struct {
        int hour, minute;
        const char* shown;
    } cases[] = {{0, 5, "12:05 AM"},  {9, 5, "9:05 AM"},  {11, 59, "11:59 AM"},
                 {12, 0, "12:00 PM"}, {15, 7, "3:07 PM"}, {23, 59, "11:59 PM"}};
    for (const auto& c : cases) {
        EXPECT_EQ(formatTime(localTime(2026, 3, 1, c.hour, c.minute)), c.shown);
    }
}

TEST_F(CaptionTest, CaretLineAndLineCount) {
    const struct {
        std::string text;
        Pos caret;
        Pos caretline, linecount;
    } cases[] = {
        {"", 0, 1, 1},
        {"a\r\nb", 0, 1, 2},
        {"a\r\n", 3, 2, 2},  // the caret on the empty last line raises the count
        {"a\r\n", 0, 1, 1},
        {"one\r\ntwo\r\nthree", 7, 2, 3},
        {"x\r\n\r\n\r\ny", 8, 4, 4},
    };
    for (const auto& c : cases) {
        mergedoc.SetText(c.text);
        mergedoc.SetTag(c.text);
        mergedoc.SetSelStart(c.caret);
        setcaption(ws);
        EXPECT_EQ(ws.status.caretline, c.caretline) << c.text;
        EXPECT_EQ(ws.status.linecount, c.linecount) << c.text;
        EXPECT_EQ(view.caption, "Scrivane ver. 1.2 -  (line " + std::to_string(c.caretline) + "/" +
                                    std::to_string(c.linecount) + " unmodified)");
    }
}

TEST_F(CaptionTest, ModifiedStateAndStatusLabel) {
    // Unnamed, never saved: the label stays empty.
    type("typed");
    setcaption(ws);
    EXPECT_EQ(view.caption, "Scrivane ver. 1.2 -  (line 1/1)");
    EXPECT_EQ(view.statusLabel, "");

    const std::string path = writeFile("n.txt", "abc");
    setModified(path, localTime(2026, 12, 8, 14, 30));
    services.answers = {Answer::No};
    openfile(ws, path);
    setcaption(ws);
    EXPECT_EQ(view.caption, "Scrivane ver. 1.2 - " + path + " (line 1/1 unmodified)");
    EXPECT_EQ(view.statusLabel, "");

    mergedoc.SetSelStart(3);
    type("d");
    setcaption(ws);
    EXPECT_EQ(view.caption, "Scrivane ver. 1.2 - " + path + " (line 1/1)");
    EXPECT_EQ(view.statusLabel, "last modified 2:30 PM");

    // Taking the change back makes it unmodified again.
    mergedoc.SetSelStart(3);
    mergedoc.SetSelLength(1);
    type("");
    setcaption(ws);
    EXPECT_EQ(view.caption, "Scrivane ver. 1.2 - " + path + " (line 1/1 unmodified)");
    EXPECT_EQ(view.statusLabel, "");
}

// The in-place check must agree with stripping the surface's RTF whenever the document is
// marked; an unmarked document (a file's own bytes 6 and 7 included) is its own content.
TEST_F(CaptionTest, ModifiedCheckAgreesWithStrippingTheRtf) {
    std::mt19937 rng(20261208);
    const std::string alphabet = std::string("ab \\{}\r\n\x06\x07\xe9", 12);
    const Colour colours[] = {kPlain, kDeletedRed, kInsertedBlue, 0x00ff00};
    for (int round = 0; round < 300; ++round) {
        RichText doc;
        const int runs = static_cast<int>(rng() % 5);
        for (int r = 0; r < runs; ++r) {
            const std::size_t len = 1 + rng() % 6;
            for (std::size_t i = 0; i < len; ++i) doc.text += alphabet[rng() % alphabet.size()];
            doc.runs.push_back({len, colours[rng() % 4], rng() % 3 == 0});
        }
        mergedoc.SetContent(doc);
        EXPECT_EQ(mergedoc.Runs(), mergedoc.Content().runs) << round;
        bool marked = false;
        for (const TextRun& run : doc.runs) marked = marked || run.colour != kPlain || run.strike;
        const std::string stripped = marked ? stripstruckText(mergedoc.TextRTF()) : mergedoc.Text();
        EXPECT_EQ(realContent(mergedoc), stripped) << round;
        mergedoc.SetTag(stripped);
        EXPECT_TRUE(isUnchanged(mergedoc)) << round;
        mergedoc.SetTag(stripped + "x");
        EXPECT_FALSE(isUnchanged(mergedoc)) << round;
    }
}

}  // namespace
}  // namespace scrivane
