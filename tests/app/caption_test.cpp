#include <random>

#include "app/caption.h"
#include "app/opening.h"
#include "app_fixture.h"
#include "platform/pure/line_ends.h"
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
        ws.doc.stored.set(c.text);
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

// The real content, built and streamed, against reading the document byte by byte: struck
// bytes and markers go, every other byte stays (bytes 6 and 7 of the file's own included), and
// a CR whose LF went still breaks its line.
TEST_F(CaptionTest, ModifiedCheckAgreesWithReadingByteByByte) {
    std::mt19937 rng(20261208);
    const std::string alphabet = std::string("ab \\{}\r\n\x06\x07\xe9", 12);
    const Colour colours[] = {kPlain, kDeletedRed, kInsertedBlue, 0x00ff00};
    for (int round = 0; round < 300; ++round) {
        RichText doc;
        const int runs = static_cast<int>(rng() % 5);
        for (int r = 0; r < runs; ++r) {
            const std::size_t len = 1 + rng() % 6;
            const Colour colour = colours[rng() % 4];
            const bool strike = rng() % 3 == 0;
            for (std::size_t i = 0; i < len; ++i) {
                const char c = alphabet[rng() % alphabet.size()];
                doc.text += c;
                doc.runs.push_back({1, colour, strike, c == '\x06' && rng() % 2 == 0});
            }
        }
        mergedoc.SetContent(doc);
        const RichText held = mergedoc.Content();
        EXPECT_EQ(mergedoc.Runs(), held.runs) << round;
        std::string expected;
        std::size_t at = 0;
        for (const TextRun& run : held.runs) {
            if (!run.strike && !run.marker) expected += held.text.substr(at, run.length);
            at += run.length;
        }
        expected = toCrLf(expected + held.text.substr(std::min(at, held.text.size())));
        EXPECT_EQ(realContent(mergedoc), expected) << round;
        ws.doc.stored.set(expected);
        EXPECT_TRUE(isUnchanged(mergedoc, ws.doc.stored)) << round;
        ws.doc.stored.set(expected + "x");
        EXPECT_FALSE(isUnchanged(mergedoc, ws.doc.stored)) << round;
    }
}

}  // namespace
}  // namespace scrivane
