#include <gtest/gtest.h>

#include "surface_fixture.h"

namespace scrivane {
namespace {

using namespace std::string_literals;

constexpr Colour kGreen = 0x00FF00;
constexpr Colour kOdd = 0x123456;

TextRun run(std::size_t length, Colour colour = kPlain, bool strike = false) {
    return TextRun{length, colour, strike};
}

// ---- whole content with its marking ----

struct ContentCase {
    const char* name;
    RichText in;
    RichText out;  // what Content() gives back
};

class ContentRoundTrip : public SurfaceTest, public ::testing::WithParamInterface<ContentCase> {};

TEST_P(ContentRoundTrip, ThroughContent) {
    const ContentCase& c = GetParam();
    surface.SetContent(c.in);
    EXPECT_EQ(surface.Content(), c.out) << c.name;
}

const RichText kMarked{"keep\x06gone\x06new\r\nend",
                       {run(4), run(5, kDeletedRed, true), run(4, kInsertedBlue), run(5)}};

INSTANTIATE_TEST_SUITE_P(
    Cases, ContentRoundTrip,
    ::testing::Values(ContentCase{"plain", {"just text", {}}, {"just text", {}}},
                      ContentCase{"explicit plain runs", {"ab", {run(1), run(1)}}, {"ab", {}}},
                      ContentCase{"marked", kMarked, kMarked},
                      ContentCase{"other colours",
                                  {"rgb", {run(1, kGreen), run(1, kOdd), run(1)}},
                                  {"rgb", {run(1, kGreen), run(1, kOdd), run(1)}}},
                      ContentCase{"strike without colour",
                                  {"abc", {run(1), run(1, kPlain, true), run(1)}},
                                  {"abc", {run(1), run(1, kPlain, true), run(1)}}},
                      ContentCase{"struck line break",
                                  {"a\r\nb", {run(1), run(2, kDeletedRed, true), run(1)}},
                                  {"a\r\nb", {run(1), run(2, kDeletedRed, true), run(1)}}},
                      ContentCase{"lone lf grows inside its run",
                                  {"a\nb", {run(1), run(1, kInsertedBlue), run(1)}},
                                  {"a\r\nb", {run(1), run(2, kInsertedBlue), run(1)}}},
                      ContentCase{"runs past the end are cut",
                                  {"ab", {run(1, kInsertedBlue), run(5, kDeletedRed, true)}},
                                  {"ab", {run(1, kInsertedBlue), run(1, kDeletedRed, true)}}},
                      ContentCase{"uncovered tail is plain",
                                  {"abc", {run(1, kInsertedBlue)}},
                                  {"abc", {run(1, kInsertedBlue), run(2)}}},
                      ContentCase{"high bytes marked",
                                  {"\xe9\x00\xff"s, {run(3, kInsertedBlue)}},
                                  {"\xe9\x00\xff"s, {run(3, kInsertedBlue)}}},
                      ContentCase{"pair split across runs",
                                  {"a\r\nb\n", {run(2, kInsertedBlue), run(3)}},
                                  {"a\r\nb\r\n", {run(2, kInsertedBlue), run(4)}}},
                      ContentCase{"lf cr is two breaks",
                                  {"\n\r", {run(1, kInsertedBlue), run(1, kDeletedRed, true)}},
                                  {"\r\n\r\n", {run(2, kInsertedBlue), run(2, kDeletedRed, true)}}},
                      ContentCase{"empty runs dropped",
                                  {"ab", {run(0, kDeletedRed), run(2, kInsertedBlue), run(0)}},
                                  {"ab", {run(2, kInsertedBlue)}}},
                      ContentCase{"empty", {"", {}}, {"", {}}}),
    [](const auto& info) { return std::to_string(info.index); });

TEST_F(SurfaceTest, PlainReplacementForgetsEarlierMarking) {
    surface.SetContent(kMarked);
    surface.SetText("fresh");
    EXPECT_EQ(surface.Content(), (RichText{"fresh", {}}));
    EXPECT_FALSE(surface.HasStrike());
}

// ---- selection attributes ----

struct AttributeCase {
    Pos start;
    Pos length;
    Colour colour;
    bool strike;
};

class SelectionAttributes : public SurfaceTest,
                            public ::testing::WithParamInterface<AttributeCase> {};

TEST_P(SelectionAttributes, ReadFromTheSelection) {
    const AttributeCase& c = GetParam();
    surface.SetContent(
        RichText{"aaabbbccc", {run(3), run(3, kInsertedBlue), run(3, kDeletedRed, true)}});
    select(c.start, c.length);
    EXPECT_EQ(surface.SelColor(), c.colour);
    EXPECT_EQ(surface.SelStrikeThru(), c.strike);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SelectionAttributes,
    ::testing::Values(AttributeCase{0, 3, kPlain, false}, AttributeCase{3, 3, kInsertedBlue, false},
                      AttributeCase{6, 3, kDeletedRed, true},
                      AttributeCase{7, 1, kDeletedRed, true},
                      AttributeCase{2, 2, kMixedColour, false},
                      AttributeCase{5, 2, kMixedColour, false},
                      AttributeCase{0, 9, kMixedColour, false},
                      AttributeCase{4, 0, kInsertedBlue, false},  // before the caret
                      AttributeCase{3, 0, kPlain, false}, AttributeCase{0, 0, kPlain, false},
                      AttributeCase{9, 0, kDeletedRed, true}));

TEST_F(SurfaceTest, ColourAndStrikeApplyToTheSelectionOnly) {
    surface.SetText("abcdef");
    select(1, 2);
    surface.SetSelColor(kDeletedRed);
    surface.SetSelStrikeThru(true);
    select(3, 2);
    surface.SetSelColor(kInsertedBlue | 0xFF000000u);  // bits above the colour are ignored
    EXPECT_EQ(surface.SelColor(), kInsertedBlue);
    select(2, 2);
    surface.SetSelStrikeThru(false);
    EXPECT_EQ(surface.Content(), (RichText{"abcdef",
                                           {run(1), run(1, kDeletedRed, true), run(1, kDeletedRed),
                                            run(2, kInsertedBlue), run(1)}}));
    select(0, 6);
    surface.SetSelColor(kPlain);
    surface.SetSelStrikeThru(false);
    EXPECT_EQ(surface.Content(), (RichText{"abcdef", {}}));
    surface.SetSelColor(
        kMixedColour);  // reading back a mixed colour and writing it changes nothing
    EXPECT_EQ(surface.Content(), (RichText{"abcdef", {}}));
}

TEST_F(SurfaceTest, HasStrikeFindsStruckTextAnywhere) {
    const std::vector<std::pair<std::vector<TextRun>, bool>> cases{
        {{}, false},
        {{run(1, kDeletedRed, true), run(9)}, true},
        {{run(9), run(1, kDeletedRed, true)}, true},
        {{run(4), run(2, kPlain, true), run(4)}, true},
        {{run(4), run(2, kDeletedRed), run(4)}, false},
        {{run(10, kDeletedRed, true)}, true},
    };
    for (const auto& [runs, want] : cases) {
        surface.SetContent(RichText{"0123456789", runs});
        EXPECT_EQ(surface.HasStrike(), want);
        select(0, 10);
        surface.SetSelStrikeThru(false);
        EXPECT_FALSE(surface.HasStrike());
    }
}

// ---- the format new text takes ----

struct InsertCase {
    const char* name;
    std::vector<TextRun> runs;  // over "abc"
    Pos start;
    Pos length;
    std::optional<Colour> chosenColour;  // set with an empty selection before writing
    std::optional<bool> chosenStrike;
    RichText want;
};

class InsertedText : public SurfaceTest, public ::testing::WithParamInterface<InsertCase> {};

TEST_P(InsertedText, TakesTheTypingFormat) {
    const InsertCase& c = GetParam();
    surface.SetContent(RichText{"abc", c.runs});
    select(c.start, c.length);
    if (c.length == 0 && c.chosenColour) surface.SetSelColor(*c.chosenColour);
    if (c.length == 0 && c.chosenStrike) surface.SetSelStrikeThru(*c.chosenStrike);
    surface.SetSelText("XY");
    EXPECT_EQ(surface.Content(), c.want) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InsertedText,
    ::testing::Values(
        InsertCase{"plain stays plain", {}, 1, 0, {}, {}, {"aXYbc", {}}},
        InsertCase{"chosen colour",
                   {},
                   1,
                   0,
                   kInsertedBlue,
                   {},
                   {"aXYbc", {run(1), run(2, kInsertedBlue), run(2)}}},
        InsertCase{"chosen strike", {}, 3, 0, {}, true, {"abcXY", {run(3), run(2, kPlain, true)}}},
        InsertCase{"after blue",
                   {run(1, kInsertedBlue), run(2)},
                   1,
                   0,
                   {},
                   {},
                   {"aXYbc", {run(3, kInsertedBlue), run(2)}}},
        InsertCase{"at the start takes the first character's",
                   {run(1, kInsertedBlue), run(2)},
                   0,
                   0,
                   {},
                   {},
                   {"XYabc", {run(3, kInsertedBlue), run(2)}}},
        InsertCase{"after struck text is plain",
                   {run(3, kDeletedRed, true)},
                   3,
                   0,
                   {},
                   {},
                   {"abcXY", {run(3, kDeletedRed, true), run(2)}}},
        InsertCase{"inside struck text is plain",
                   {run(3, kDeletedRed, true)},
                   1,
                   0,
                   {},
                   {},
                   {"aXYbc", {run(1, kDeletedRed, true), run(2), run(2, kDeletedRed, true)}}},
        InsertCase{"before struck text is plain",
                   {run(1), run(2, kDeletedRed, true)},
                   1,
                   0,
                   {},
                   {},
                   {"aXYbc", {run(3), run(2, kDeletedRed, true)}}},
        InsertCase{"over a selection takes its first character's",
                   {run(1), run(1, kInsertedBlue), run(1)},
                   1,
                   2,
                   {},
                   {},
                   {"aXY", {run(1), run(2, kInsertedBlue)}}}),
    [](const auto& info) { return std::to_string(info.index); });

TEST_F(SurfaceTest, ChosenColourWaitsAtTheCaretOnly) {
    surface.SetText("abc");
    select(1, 0);
    surface.SetSelColor(kInsertedBlue);
    EXPECT_EQ(surface.SelColor(), kInsertedBlue);
    surface.SetSelStart(2);
    EXPECT_EQ(surface.SelColor(), kPlain);
    surface.SetSelText("Z");
    EXPECT_EQ(surface.Content(), (RichText{"abZc", {}}));
}

TEST_F(SurfaceTest, ManyColoursEachKeepTheirOwn) {
    std::string text(300, 'x');
    std::vector<TextRun> runs;
    for (int i = 0; i < 300; ++i)
        runs.push_back(run(1, static_cast<Colour>(0x010000 * (i + 1) + 7)));
    surface.SetContent(RichText{text, runs});
    const RichText back = surface.Content();
    ASSERT_EQ(back.text, text);
    std::size_t pos = 0;
    int exact = 0;
    for (const TextRun& r : back.runs) {
        for (std::size_t i = 0; i < r.length; ++i, ++pos) exact += r.colour == runs[pos].colour;
    }
    EXPECT_EQ(pos, text.size());
    EXPECT_GE(exact, 240);  // the editor has room for about 245 colours; the rest get the nearest
}

}  // namespace
}  // namespace scrivane
