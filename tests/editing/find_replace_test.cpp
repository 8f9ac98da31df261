#include <gtest/gtest.h>

#include "editing/replace_all.h"
#include "support/fake_surface.h"
#include "support/workspace_fixture.h"

namespace scrivane {
namespace {

// The search bar's boxes; writing the find box clears findok as the real box's change does.
class FakeBar final : public SearchBarView {
  public:
    explicit FakeBar(Workspace& ws) : ws_(ws) {}
    std::string FindText() const override { return find; }
    void SetFindText(const std::string& text) override {
        find = text;
        ++findWrites;
        txtFind_Change(ws_);
    }
    std::string ReplaceText() const override { return replace; }
    bool Exact() const override { return exact; }
    void FocusFindBox() override { ++findBoxFocused; }

    // What a user does in the find box: typing changes it.
    void type(const std::string& text) { SetFindText(text); }

    std::string find;
    std::string replace;
    bool exact = false;
    int findWrites = 0;
    int findBoxFocused = 0;

  private:
    Workspace& ws_;
};

enum class Act { Find, Next, Previous, Replace };

struct Selection {
    Pos start, length;
    bool operator==(const Selection&) const = default;
};

class FindReplaceTest : public WorkspaceFixture<FakeSurface> {
  protected:
    Selection selection() const { return {mergedoc.SelStart(), mergedoc.SelLength()}; }

    void act(Act a) {
        switch (a) {
            case Act::Find:
                cmdFind_Click(ws, bar);
                break;
            case Act::Next:
                mnuFindNext_Click(ws, bar);
                break;
            case Act::Previous:
                mnuFindPrevious_Click(ws, bar);
                break;
            case Act::Replace:
                cmdReplace_Click(ws, bar);
                break;
        }
    }

    int nothingFoundCount() const {
        int n = 0;
        for (const auto& m : services.messages) n += m.text == kNothingFound;
        return n;
    }

    FakeBar bar{ws};
};

TEST_F(FindReplaceTest, SearchesStepThroughMatchesAndWrap) {
    const struct {
        const char* name;
        std::string text;
        bool exact;
        Pos caret;
        std::string find;
        std::vector<std::pair<Act, Selection>> steps;
    } cases[] = {
        {"a match at the caret is passed over, then F3 goes on and wraps",
         "Abc abc ABC",
         false,
         0,
         "abc",
         {{Act::Find, {4, 3}}, {Act::Next, {8, 3}}, {Act::Next, {0, 3}}, {Act::Next, {4, 3}}}},
        {"exact counts letter case",
         "Abc abc ABC",
         true,
         0,
         "ABC",
         {{Act::Find, {8, 3}}, {Act::Next, {8, 3}}}},
        {"backward from the end finds the last",
         "Abc abc ABC",
         true,
         11,
         "ABC",
         {{Act::Find, {8, 3}}, {Act::Previous, {8, 3}}}},
        {"backward steps and wraps around the start",
         "ab ab ab",
         false,
         8,
         "AB",
         {{Act::Previous, {6, 2}},
          {Act::Previous, {3, 2}},
          {Act::Previous, {0, 2}},
          {Act::Previous, {6, 2}}}},
        {"backward finds only matches ending at the selection start",
         "aaa",
         false,
         2,
         "aa",
         {{Act::Previous, {0, 2}}, {Act::Previous, {1, 2}}}},
        {"a line break is matched as text",
         "x\r\ny\r\nx\r\ny",
         false,
         0,
         "X\r\nY",
         {{Act::Find, {6, 4}}, {Act::Next, {0, 4}}}},
        {"utf-8 letters fold, the match is selected in document bytes",
         "caf\u00E9 CAF\u00C9",
         false,
         0,
         "CAF\u00C9",
         {{Act::Find, {6, 5}}, {Act::Next, {0, 5}}}},
        {"greek capital finds small",
         "\u03C9\u03A9",
         false,
         0,
         "\u03A9",
         {{Act::Find, {2, 2}}, {Act::Next, {0, 2}}, {Act::Previous, {2, 2}}}},
        {"latin-1: C9 finds E9",
         "caf\xE9 CAF\xC9",
         false,
         0,
         "\u00C9",
         {{Act::Find, {3, 1}}, {Act::Next, {8, 1}}, {Act::Next, {3, 1}}}},
        {"latin-1 exact", "caf\xE9 CAF\xC9", true, 0, "\u00E9", {{Act::Find, {3, 1}}}},
    };
    for (const auto& c : cases) {
        mergedoc.SetText(c.text);
        mergedoc.SetSelStart(c.caret);
        bar.exact = c.exact;
        bar.type(c.find);
        int step = 0;
        for (const auto& [a, want] : c.steps) {
            // F3 and Shift+F3 use the last search text; seed it when the case starts there.
            if (a != Act::Find && ws.search.findtext.empty()) ws.search.findtext = c.find;
            act(a);
            EXPECT_EQ(selection(), want) << c.name << ", step " << step++;
        }
        EXPECT_TRUE(services.messages.empty()) << c.name;
        EXPECT_TRUE(services.inputPrompts.empty()) << c.name;
        ws.search.findtext.clear();
    }
}

TEST_F(FindReplaceTest, NothingFoundIsSaidOncePerSearchWithItsFocusAndFindokRules) {
    const struct {
        Act act;
        bool findokAfter;
        int findBoxFocus;
    } cases[] = {
        {Act::Find, true, 1},  // the Find button sets findok after any search of a text
        {Act::Next, false, 1},
        {Act::Previous, false, 0},  // the focus stays
    };
    mergedoc.SetText("abc");
    for (const auto& c : cases) {
        services.messages.clear();
        bar.findBoxFocused = 0;
        bar.type("zzz");
        ws.search.findtext = "zzz";
        ws.search.findok = true;
        act(c.act);
        EXPECT_EQ(nothingFoundCount(), 1) << static_cast<int>(c.act);
        EXPECT_EQ(services.messages.size(), 1u);
        EXPECT_EQ(services.messages.at(0).buttons, Buttons::Ok);
        EXPECT_EQ(ws.search.findok, c.findokAfter) << static_cast<int>(c.act);
        EXPECT_EQ(bar.findBoxFocused, c.findBoxFocus) << static_cast<int>(c.act);
    }
}

TEST_F(FindReplaceTest, TextTheDocumentCannotHoldIsNotFound) {
    mergedoc.SetText("a?b \xE9");  // not UTF-8: Latin-1
    ASSERT_FALSE(mergedoc.IsUtf8());
    bar.type("\u03A9");
    cmdFind_Click(ws, bar);
    EXPECT_EQ(nothingFoundCount(), 1);
    int snapshots = 0;
    EXPECT_EQ(cmdReplaceAll_Click(ws, bar, [&] { ++snapshots; }), 0u);
    EXPECT_EQ(mergedoc.Text(), "a?b \xE9");
    EXPECT_EQ(snapshots, 0);
}

TEST_F(FindReplaceTest, AskingForTheSearchText) {
    mergedoc.SetText("one two one");
    // Ctrl+F asks even when the box holds a text.
    bar.type("two");
    services.inputs = {"one"};
    mnuFind_Click(ws, bar);
    ASSERT_EQ(services.inputPrompts.size(), 1u);
    EXPECT_EQ(services.inputPrompts[0].prompt, kFindPrompt);
    EXPECT_EQ(services.inputPrompts[0].initial, "");
    EXPECT_EQ(bar.find, "one");
    EXPECT_EQ(ws.search.findtext, "one");
    EXPECT_EQ(selection(), (Selection{8, 3}));
    EXPECT_TRUE(ws.search.findok);

    // Cancelled: nothing searched, nothing said, the search text is gone.
    mergedoc.SetSelStart(0);
    mnuFind_Click(ws, bar);
    EXPECT_EQ(services.inputPrompts.size(), 2u);
    EXPECT_EQ(selection(), (Selection{0, 0}));
    EXPECT_TRUE(ws.search.findtext.empty());
    EXPECT_FALSE(ws.search.findok);
    EXPECT_TRUE(services.messages.empty());

    // F3 with no search text asks too; an empty document does nothing at all.
    services.inputs = {"two"};
    mnuFindNext_Click(ws, bar);
    EXPECT_EQ(selection(), (Selection{4, 3}));
    mergedoc.SetText("");
    ws.search.findtext.clear();
    mnuFindNext_Click(ws, bar);
    mnuFindPrevious_Click(ws, bar);
    mnuFind_Click(ws, bar);
    EXPECT_EQ(services.inputPrompts.size(), 3u);
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(FindReplaceTest, ReplaceSearchesFirstThenReplacesMatchAfterMatch) {
    mergedoc.SetText("cat cat catcat");
    bar.type("cat");
    bar.replace = "dog";
    cmdReplace_Click(ws, bar);  // findok was cleared by typing: only searches
    EXPECT_EQ(mergedoc.Text(), "cat cat catcat");
    EXPECT_EQ(selection(), (Selection{4, 3}));
    cmdReplace_Click(ws, bar);
    EXPECT_EQ(mergedoc.Text(), "cat dog catcat");
    EXPECT_EQ(selection(), (Selection{8, 3}));
    cmdReplace_Click(ws, bar);
    // The match right after the replacement is passed over; the search wraps to the start.
    EXPECT_EQ(mergedoc.Text(), "cat dog dogcat");
    EXPECT_EQ(selection(), (Selection{0, 3}));
    // Typing in the find box makes the next press search again.
    bar.type("dog");
    cmdReplace_Click(ws, bar);
    EXPECT_EQ(mergedoc.Text(), "cat dog dogcat");
    EXPECT_EQ(selection(), (Selection{4, 3}));
}

// findok stays set after a Find that found nothing, and a mouse click moves the selection
// without clearing it: Replace writes only over a selection that is a match.
TEST_F(FindReplaceTest, ReplaceWritesOnlyOverAMatch) {
    const struct {
        const char* name;
        std::string text;
        Pos selStart, selLength;
        std::string find;
        bool exact;
        std::string after;
    } cases[] = {
        {"a match, letter case folded", "x ABC y", 2, 3, "abc", false, "x new y"},
        {"a match in UTF-8", "x \u00C9t\u00C9 y", 2, 5, "\u00E9T\u00E9", false, "x new y"},
        {"a selection moved off the match", "abc def abc", 4, 3, "abc", false, "abc def abc"},
        {"just a caret", "abc def", 0, 0, "abc", false, "abc def"},
        {"exact ticked since", "x ABC y", 2, 3, "abc", true, "x ABC y"},
        {"longer than the match", "x abcd y", 2, 4, "abc", false, "x abcd y"},
    };
    for (const auto& c : cases) {
        mergedoc.SetText(c.text);
        mergedoc.SetSelStart(c.selStart);
        mergedoc.SetSelLength(c.selLength);
        bar.find = c.find;
        bar.replace = "new";
        bar.exact = c.exact;
        ws.search.findtext = c.find;
        ws.search.findok = true;
        cmdReplace_Click(ws, bar);
        EXPECT_EQ(mergedoc.Text(), c.after) << c.name;
    }

    // The Find button's search that finds nothing, then Replace: nothing is overwritten.
    services.messages.clear();
    mergedoc.SetText("abc def");
    mergedoc.SetSelStart(4);
    mergedoc.SetSelLength(3);
    bar.type("zzz");
    cmdFind_Click(ws, bar);
    EXPECT_TRUE(ws.search.findok);
    cmdReplace_Click(ws, bar);
    EXPECT_EQ(mergedoc.Text(), "abc def");
    EXPECT_EQ(nothingFoundCount(), 2);  // once per search
}

TEST_F(FindReplaceTest, ReplacementTakesTheTypingColourAndTheDocumentsEncoding) {
    for (const bool tracking : {false, true}) {
        // The match sits inside red text, so it would inherit red without its own colour.
        mergedoc.SetContent(RichText{"x\xE9 abc \xE9y", {{10, kDeletedRed, false}}});
        ASSERT_FALSE(mergedoc.IsUtf8());
        ws.trackChanges = tracking;
        mergedoc.SetSelStart(0);
        bar.type("ABC");
        bar.replace = "\u00E9!";
        cmdReplace_Click(ws, bar);
        cmdReplace_Click(ws, bar);
        EXPECT_EQ(mergedoc.Text(), "x\xE9 \xE9! \xE9y");
        mergedoc.SetSelStart(3);
        mergedoc.SetSelLength(2);
        EXPECT_EQ(mergedoc.SelColor(), tracking ? kInsertedBlue : kPlain);
        EXPECT_FALSE(mergedoc.SelStrikeThru());
    }
}

TEST_F(FindReplaceTest, ReplaceAllChangesOnlyTheOccurrences) {
    const struct {
        const char* name;
        RichText before;
        std::string find, replace;
        bool tracking;
        RichText after;
        std::size_t count;
    } cases[] = {
        {"occurrences do not overlap", {"aaaa", {}}, "aa", "b", false, {"bb", {}}, 2},
        {"letter case always counts", {"Ab ab AB", {}}, "ab", "x", false, {"Ab x AB", {}}, 1},
        {"struck text elsewhere stays struck",
         {"old new old", {{4, kDeletedRed, true}, {7, kInsertedBlue, false}}},
         "new",
         "NEW",
         false,
         {"old NEW old", {{4, kDeletedRed, true}, {3, kPlain, false}, {4, kInsertedBlue, false}}},
         1},
        {"blue while tracking",
         {"a-a", {}},
         "-",
         "+\n",
         true,
         {"a+\r\na", {{1, kPlain, false}, {3, kInsertedBlue, false}, {1, kPlain, false}}},
         1},
        {"an empty replacement deletes", {"a, b, c", {}}, ", ", "", false, {"abc", {}}, 2},
        {"utf-8 replacement",
         {"\u00E9t\u00E9", {}},
         "\u00E9",
         "\u03C9",
         false,
         {"\u03C9t\u03C9", {}},
         2},
    };
    for (const auto& c : cases) {
        mergedoc.SetContent(c.before);
        ws.trackChanges = c.tracking;
        ws.search.findtext = "kept";
        ws.search.findok = true;
        bar.find = c.find;
        bar.replace = c.replace;
        bar.exact = false;  // Replace All ignores it
        int snapshots = 0;
        std::string snapshotText;
        const std::size_t count = cmdReplaceAll_Click(ws, bar, [&] {
            ++snapshots;
            snapshotText = mergedoc.Text();
        });
        EXPECT_EQ(count, c.count) << c.name;
        EXPECT_EQ(mergedoc.Content(), c.after) << c.name;
        EXPECT_EQ(snapshots, 1) << c.name;
        EXPECT_EQ(snapshotText, c.before.text) << c.name;
        EXPECT_TRUE(mergedoc.Enabled()) << c.name;
        EXPECT_EQ(ws.search.findtext, "kept") << c.name;
        EXPECT_FALSE(ws.search.findok) << c.name;
    }
    EXPECT_TRUE(services.messages.empty());
}

TEST_F(FindReplaceTest, ReplaceAllWithNothingToReplaceChangesNothing) {
    const RichText doc{"keep this", {{4, kDeletedRed, true}, {5, kPlain, false}}};
    for (const std::string find : {"", "absent", "KEEP"}) {
        mergedoc.SetContent(doc);
        mergedoc.SetSelStart(5);
        mergedoc.SetSelLength(4);
        ws.search.findok = true;
        bar.find = find;
        bar.replace = "x";
        int snapshots = 0;
        EXPECT_EQ(cmdReplaceAll_Click(ws, bar, [&] { ++snapshots; }), 0u) << find;
        EXPECT_EQ(mergedoc.Content(), doc) << find;
        EXPECT_EQ(selection(), (Selection{5, 4})) << find;
        EXPECT_EQ(snapshots, 0) << find;
        EXPECT_TRUE(ws.search.findok) << find;
    }
    EXPECT_TRUE(services.messages.empty());
}

}  // namespace
}  // namespace scrivane
