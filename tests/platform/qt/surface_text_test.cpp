#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QTest>

#include <QTemporaryDir>
#include <fstream>
#include <functional>

#include "surface_fixture.h"

namespace scrivane {
namespace {

using namespace std::string_literals;

std::string allBytes() {
    std::string s;
    for (int b = 0; b < 256; ++b) {
        if (b != '\r' && b != '\n') s += static_cast<char>(b);
    }
    return s;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// ---- line ends: every way text gets in ----

struct WritePath {
    const char* name;
    std::function<void(ScintillaSurface&, const std::string&)> write;
};

const std::vector<WritePath>& writePaths() {
    static const std::vector<WritePath> paths{
        {"SetText", [](ScintillaSurface& s, const std::string& t) { s.SetText(t); }},
        {"SetSelText",
         [](ScintillaSurface& s, const std::string& t) {
             s.SetText("");
             s.SetSelText(t);
         }},
        {"SetContent",
         [](ScintillaSurface& s, const std::string& t) {
             s.SetContent(RichText{t, {TextRun{t.size(), kInsertedBlue, false}}});
         }},
        {"LoadFile",
         [](ScintillaSurface& s, const std::string& t) {
             QTemporaryDir dir;
             const std::string path = dir.filePath("in.txt").toStdString();
             writeFile(path, t);
             std::string error;
             ASSERT_TRUE(s.LoadFile(path, error)) << error;
         }},
    };
    return paths;
}

struct LineEndCase {
    std::string in;
    std::string out;
};

class LineEnds : public SurfaceTest,
                 public ::testing::WithParamInterface<std::tuple<int, LineEndCase>> {};

TEST_P(LineEnds, EveryWriteStoresCrLf) {
    const auto& [pathIndex, c] = GetParam();
    const WritePath& path = writePaths()[static_cast<std::size_t>(pathIndex)];
    path.write(surface, c.in);
    EXPECT_EQ(surface.Text(), c.out) << path.name;
    EXPECT_TRUE(onlyCrLf(surface.Text())) << path.name;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, LineEnds,
    ::testing::Combine(
        ::testing::Range(0, 4),
        ::testing::Values(LineEndCase{"a\nb", "a\r\nb"}, LineEndCase{"a\rb", "a\r\nb"},
                          LineEndCase{"a\r\nb", "a\r\nb"}, LineEndCase{"\n\n", "\r\n\r\n"},
                          LineEndCase{"\r\r\n\n", "\r\n\r\n\r\n"}, LineEndCase{"x\r", "x\r\n"},
                          LineEndCase{"\ny", "\r\ny"}, LineEndCase{"", ""})));

// ---- bytes survive untouched ----

struct BytesCase {
    const char* name;
    std::string bytes;
};

class Bytes : public SurfaceTest, public ::testing::WithParamInterface<BytesCase> {};

TEST_P(Bytes, RoundTripThroughTextAndSelection) {
    const std::string& bytes = GetParam().bytes;
    surface.SetText(bytes);
    EXPECT_EQ(surface.Text(), bytes);
    EXPECT_EQ(surface.TextLength(), static_cast<Pos>(bytes.size()));

    select(1, static_cast<Pos>(bytes.size()) - 2);
    EXPECT_EQ(surface.SelText(), bytes.substr(1, bytes.size() - 2));
    surface.SetText("");
    surface.SetSelText(bytes);
    EXPECT_EQ(surface.Text(), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Bytes,
    ::testing::Values(BytesCase{"nul", "a\0b\0\0c"s},
                      BytesCase{"high", "\x80\x81\xfe\xff\xe9t\xe9"s},
                      BytesCase{"markers", "\x06x\x07y\x06"s}, BytesCase{"every byte", allBytes()},
                      BytesCase{"utf8", "gr\xc3\xbc\xc3\x9f \xe2\x82\xac\r\n!"s}),
    [](const auto& info) { return std::to_string(info.index); });

// ---- code page follows the content ----

struct CodePageCase {
    const char* name;
    std::string text;
    long codePage;
};

class CodePages : public SurfaceTest, public ::testing::WithParamInterface<CodePageCase> {};

TEST_P(CodePages, ChosenWhenContentIsReplaced) {
    const CodePageCase& c = GetParam();
    for (const std::string& before : {"\xe9"s, "\xc3\xa9"s}) {
        surface.SetText(before);
        surface.SetText(c.text);
        EXPECT_EQ(codePage(), c.codePage) << c.name;
        EXPECT_EQ(surface.Text(), c.text);
        surface.SetContent(RichText{c.text, {}});
        EXPECT_EQ(codePage(), c.codePage) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CodePages,
    ::testing::Values(CodePageCase{"ascii", "plain", QsciScintillaBase::SC_CP_UTF8},
                      CodePageCase{"empty", "", QsciScintillaBase::SC_CP_UTF8},
                      CodePageCase{"utf8", "caf\xc3\xa9", QsciScintillaBase::SC_CP_UTF8},
                      CodePageCase{"latin1", "caf\xe9", 0},
                      CodePageCase{"cut sequence", "caf\xc3", 0},
                      CodePageCase{"overlong", "\xc0\xaf", 0}),
    [](const auto& info) {
        return std::string(info.param.name == std::string("cut sequence") ? "cut"
                                                                          : info.param.name);
    });

TEST_F(SurfaceTest, InsertingKeepsTheCodePage) {
    surface.SetText("caf\xc3\xa9");
    surface.SetSelStart(0);
    surface.SetSelText("\xe9");
    EXPECT_EQ(codePage(), QsciScintillaBase::SC_CP_UTF8);
    EXPECT_EQ(surface.Text(),
              "\xe9"
              "caf\xc3\xa9");
}

// ---- selection ----

struct SelectionCase {
    Pos start;
    Pos length;
    Pos wantStart;
    Pos wantLength;
    std::string wantText;
};

class Selection : public SurfaceTest, public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(Selection, ClampsAndReads) {
    const SelectionCase& c = GetParam();
    surface.SetText("ab\r\ncd");
    select(c.start, c.length);
    EXPECT_EQ(surface.SelStart(), c.wantStart);
    EXPECT_EQ(surface.SelLength(), c.wantLength);
    EXPECT_EQ(surface.SelText(), c.wantText);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Selection,
    ::testing::Values(SelectionCase{0, 2, 0, 2, "ab"}, SelectionCase{2, 1, 2, 1, "\r"},
                      SelectionCase{2, 2, 2, 2, "\r\n"},
                      SelectionCase{3, 2, 3, 2, "\nc"},  // starts between CR and LF
                      SelectionCase{3, 0, 3, 0, ""}, SelectionCase{4, 100, 4, 2, "cd"},
                      SelectionCase{-5, 2, 0, 2, "ab"}, SelectionCase{100, 3, 6, 0, ""},
                      SelectionCase{6, 0, 6, 0, ""}, SelectionCase{1, -4, 1, 0, ""}));

TEST_F(SurfaceTest, SetTextTakesAViewOfItsOwnText) {
    const std::vector<std::tuple<std::string, Pos, Pos, std::string>> cases{
        {"abc\r\ndef", 2, 5, "c\r\nde"}, {"abc\r\ndef", 0, 8, "abc\r\ndef"}, {"abcdef", 5, 1, "f"}};
    for (const auto& [text, pos, len, want] : cases) {
        surface.SetText(text);
        select(1, 1);
        surface.SetSelText("");  // moves the editor's gap into the middle of the text
        surface.SetSelText("b");
        surface.SetText(surface.TextRange(pos, len));
        EXPECT_EQ(surface.Text(), want);
    }
}

TEST_F(SurfaceTest, SetSelStartCollapsesTheSelection) {
    surface.SetText("abcdef");
    select(1, 3);
    surface.SetSelStart(2);
    EXPECT_EQ(surface.SelStart(), 2);
    EXPECT_EQ(surface.SelLength(), 0);
}

TEST_F(SurfaceTest, WholeContentWritesLeaveTheCaretAtZero) {
    const std::vector<std::function<void()>> writes{
        [&] { surface.SetText("one\r\ntwo"); },
        [&] {
            surface.SetContent(RichText{"one two", {TextRun{7, kDeletedRed, true}}});
        },
    };
    for (std::size_t i = 0; i < writes.size(); ++i) {
        surface.SetText("something long enough");
        select(5, 4);
        writes[i]();
        EXPECT_EQ(surface.SelStart(), 0) << i;
        EXPECT_EQ(surface.SelLength(), 0) << i;
    }
}

// ---- replacing the selection ----

struct ReplaceCase {
    const char* name;
    std::string text;
    Pos start;
    Pos length;
    std::string insert;
    std::string want;
    Pos wantCaret;
};

class Replace : public SurfaceTest, public ::testing::WithParamInterface<ReplaceCase> {};

TEST_P(Replace, PutsTheCaretAfterTheNewText) {
    const ReplaceCase& c = GetParam();
    surface.SetText(c.text);
    select(c.start, c.length);
    surface.SetSelText(c.insert);
    EXPECT_EQ(surface.Text(), c.want) << c.name;
    EXPECT_EQ(surface.SelStart(), c.wantCaret) << c.name;
    EXPECT_EQ(surface.SelLength(), 0) << c.name;
    EXPECT_TRUE(onlyCrLf(surface.Text())) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Replace,
    ::testing::Values(
        ReplaceCase{"middle", "hello world", 6, 5, "there", "hello there", 11},
        ReplaceCase{"insert at start", "abc", 0, 0, "x", "xabc", 1},
        ReplaceCase{"append", "abc", 3, 0, "de", "abcde", 5},
        ReplaceCase{"delete", "abc", 1, 1, "", "ac", 1},
        ReplaceCase{"new line", "ab", 1, 0, "\n", "a\r\nb", 3},
        ReplaceCase{"lone cr inside", "ab", 1, 0, "p\rq", "ap\r\nqb", 5},
        ReplaceCase{"nul", "ab", 1, 0, std::string("\0", 1), std::string("a\0b", 3), 2},
        ReplaceCase{"between cr and lf", "a\r\nb", 2, 0, "X", "a\r\nX\r\nb", 4},
        ReplaceCase{"from between cr and lf", "a\r\nbc", 2, 2, "Y", "a\r\nYc", 4},
        ReplaceCase{"only the cr", "a\r\nb", 1, 1, "", "a\r\nb", 1},
        ReplaceCase{"only the lf", "a\r\nb", 2, 1, "", "a\r\nb", 3},
        ReplaceCase{"whole line break", "a\r\nb", 1, 2, "", "ab", 1},
        ReplaceCase{"text ending in cr before lf", "a\r\nb", 2, 0, "\r", "a\r\n\r\n\r\nb", 5}),
    [](const auto& info) { return std::to_string(info.index); });

// ---- lines and ranges ----

TEST_F(SurfaceTest, LineFromCharCountsCrLfAsOneBreak) {
    surface.SetText("ab\r\ncd\r\n\r\nz");
    const std::vector<std::pair<Pos, Pos>> cases{{0, 0},  {2, 0},  {3, 0},  {4, 1},
                                                 {6, 1},  {7, 1},  {8, 2},  {9, 2},
                                                 {10, 3}, {11, 3}, {-1, 0}, {1000, 3}};
    for (const auto& [pos, line] : cases) EXPECT_EQ(surface.GetLineFromChar(pos), line) << pos;
}

TEST_F(SurfaceTest, TextRangeClampsToTheText) {
    surface.SetText("0123456789");
    const std::vector<std::tuple<Pos, Pos, std::string>> cases{
        {0, 3, "012"}, {8, 5, "89"}, {10, 1, ""}, {-3, 2, "01"},
        {4, 0, ""},    {3, -2, ""},  {50, 5, ""}};
    for (const auto& [pos, len, want] : cases)
        EXPECT_EQ(surface.TextRange(pos, len), want) << pos << "," << len;
}

// With the editor's gap after every position an edit can leave it at, each candidate is
// equal exactly when Text() says so, and the gap stays where the edit left it.
TEST_F(SurfaceTest, TextEqualsLeavesTheGapAndAgreesWithText) {
    const std::string base = "0123456789";
    for (Pos at = 0; at <= 10; ++at) {
        surface.SetText(base);
        surface.InsertAt(at, "x", Marking{});
        surface.RemoveAt(at, 1);
        const long gap = surface.editor()->SendScintilla(QsciScintillaBase::SCI_GETGAPPOSITION);
        for (const std::string& other : {base, "x123456789"s, "012345678x"s, "012345678"s,
                                         "01234567890"s, ""s, "01234x6789"s}) {
            EXPECT_EQ(surface.TextEquals(other), other == base) << at << " " << other;
        }
        EXPECT_EQ(surface.editor()->SendScintilla(QsciScintillaBase::SCI_GETGAPPOSITION), gap);
    }
}

// ---- files ----

TEST_F(SurfaceTest, LoadFileReadsBytesAndKeepsContentOnFailure) {
    QTemporaryDir dir;
    const std::string good = dir.filePath("good.txt").toStdString();
    writeFile(good, "a\nb\0c\xff"s);
    const std::string empty = dir.filePath("empty.txt").toStdString();
    writeFile(empty, "");
    const std::string fifo = dir.filePath("fifo").toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    struct Case {
        std::string path;
        bool ok;
        std::string error;
        std::string text;
    };
    const std::vector<Case> cases{
        {good, true, "", "a\r\nb\0c\xff"s},
        {dir.filePath("missing.txt").toStdString(), false, "No such file or directory", "kept"},
        {dir.path().toStdString(), false, "Is a directory", "kept"},
        {empty, true, "", ""},
        {"/dev/zero", false, "Not a regular file", "kept"},  // would never end
        {fifo, false, "Not a regular file", "kept"},         // never waited on
    };
    for (const Case& c : cases) {
        surface.SetText("kept");
        select(2, 0);
        std::string error;
        EXPECT_EQ(surface.LoadFile(c.path, error), c.ok) << c.path;
        EXPECT_EQ(error, c.error) << c.path;
        EXPECT_EQ(surface.Text(), c.text) << c.path;
        if (c.ok) {
            EXPECT_EQ(surface.SelStart(), 0);
        }
    }
    EXPECT_EQ(codePage(), QsciScintillaBase::SC_CP_UTF8);
    std::string error;
    ASSERT_TRUE(surface.LoadFile(good, error));
    EXPECT_EQ(codePage(), 0);
}

// ---- widget state ----

TEST_F(SurfaceTest, FontReachesEveryStyle) {
    const std::vector<std::pair<FontSpec, long>> fonts{{{"Monospace", 10, false, false}, 1000},
                                                       {{"Serif", 10.5, true, false}, 1050},
                                                       {{"Sans", 23.25, false, true}, 2325},
                                                       {{"Sans", 0, false, false}, 100},
                                                       {{"Sans", -4, true, true}, 100}};
    surface.SetText("abc");
    select(0, 1);
    surface.SetSelColor(0x00FF00);  // a style of its own, made before the font changes
    for (const auto& [font, shownSize] : fonts) {
        surface.SetFont(font);
        EXPECT_EQ(surface.Font(), font);
        auto* e = surface.editor();
        // The style the coloured byte is drawn with, whatever it is, has the font.
        const auto coloured =
            static_cast<unsigned long>(e->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, 0));
        for (unsigned long style :
             {coloured, 0ul, static_cast<unsigned long>(QsciScintillaBase::STYLE_DEFAULT)}) {
            EXPECT_EQ(e->SendScintilla(QsciScintillaBase::SCI_STYLEGETSIZEFRACTIONAL, style),
                      shownSize)
                << font.name << " style " << style;
            EXPECT_EQ(e->SendScintilla(QsciScintillaBase::SCI_STYLEGETBOLD, style) != 0, font.bold);
            EXPECT_EQ(e->SendScintilla(QsciScintillaBase::SCI_STYLEGETITALIC, style) != 0,
                      font.italic);
        }
    }
}

TEST_F(SurfaceTest, RightMarginSwitchesWrapping) {
    const std::vector<std::pair<float, long>> cases{
        {3, QsciScintillaBase::SC_WRAP_WHITESPACE}, {60000, QsciScintillaBase::SC_WRAP_NONE},
        {0, QsciScintillaBase::SC_WRAP_WHITESPACE}, {100, QsciScintillaBase::SC_WRAP_WHITESPACE},
        {101, QsciScintillaBase::SC_WRAP_NONE},     {1440, QsciScintillaBase::SC_WRAP_NONE},
        {3, QsciScintillaBase::SC_WRAP_WHITESPACE}};
    for (const auto& [margin, mode] : cases) {
        surface.SetRightMargin(margin);
        EXPECT_EQ(surface.editor()->SendScintilla(QsciScintillaBase::SCI_GETWRAPMODE), mode)
            << margin;
    }
}

// The lock is the surface's own: the widget keeps its state, and with it the keyboard focus.
TEST_F(SurfaceTest, DisabledSurfaceStillTakesProgramWrites) {
    surface.widget()->show();
    surface.widget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(surface.widget()));
    surface.SetFocus();
    ASSERT_TRUE(surface.widget()->hasFocus());
    surface.SetEnabled(false);
    EXPECT_FALSE(surface.Enabled());
    EXPECT_TRUE(surface.widget()->isEnabled());
    EXPECT_TRUE(surface.widget()->hasFocus());
    surface.SetText("abc");
    select(3, 0);
    surface.SetSelText("d");
    EXPECT_EQ(surface.Text(), "abcd");
    surface.SetEnabled(true);
    EXPECT_TRUE(surface.widget()->hasFocus());
}

TEST_F(SurfaceTest, EditorKeepsNoUndoHistory) {
    surface.SetText("abc");
    select(1, 1);
    surface.SetSelText("x");
    auto* e = surface.editor();
    EXPECT_EQ(e->SendScintilla(QsciScintillaBase::SCI_GETUNDOCOLLECTION), 0);
    EXPECT_EQ(e->SendScintilla(QsciScintillaBase::SCI_CANUNDO), 0);
}

}  // namespace
}  // namespace scrivane
