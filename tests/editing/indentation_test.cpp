#include <gtest/gtest.h>

#include "editing/indentation.h"
#include "support/fake_surface.h"
#include "support/workspace_fixture.h"

namespace scrivane {
namespace {

TEST(Indentation, LeadingIndentIsTheBlanksAndTabsBeforeTheFirstOtherCharacter) {
    const struct {
        std::string_view line, indent;
    } cases[] = {
        {"", ""},
        {"text", ""},
        {"  two", "  "},
        {"\t \tx y", "\t \t"},
        {"   ", "   "},
        {" \r\n", " "},
        {"\x0B"
         "a",
         ""},
        {"\t\t", "\t\t"},
    };
    for (const auto& c : cases) EXPECT_EQ(leadingIndent(c.line), c.indent) << c.line;
}

class IndentationTest : public WorkspaceFixture<FakeSurface> {};

TEST_F(IndentationTest, AutoIndentSwitchFlipsAndShows) {
    const bool before = ws.settings.autoIndent;
    mnuIndent_Click(ws);
    EXPECT_NE(ws.settings.autoIndent, before);
    EXPECT_EQ(view.optionsChanged, 1);
    mnuIndent_Click(ws);
    EXPECT_EQ(ws.settings.autoIndent, before);
    EXPECT_EQ(view.optionsChanged, 2);
}

TEST_F(IndentationTest, FixIndentsChangesOnlyIndentationBytesAsOneUndoStep) {
    const struct {
        const char* name;
        RichText before;
        bool tracking;
        RichText after;
    } cases[] = {
        {"blanks become tabs one for one, first line too",
         {"  two\r\n    four\r\nx  y", {}},
         false,
         {"\t\ttwo\r\n\t\t\t\tfour\r\nx  y", {}}},
        {"struck text elsewhere stays struck; converted bytes blue while tracking",
         {"gone\r\n  b", {{4, kDeletedRed, true}, {5, kPlain, false}}},
         true,
         {"gone\r\n\t\tb",
          {{4, kDeletedRed, true},
           {2, kPlain, false},
           {2, kInsertedBlue, false},
           {1, kPlain, false}}}},
        {"a struck blank becomes a struck tab",
         {" a", {{1, kDeletedRed, true}, {1, kPlain, false}}},
         false,
         {"\ta", {{1, kDeletedRed, true}, {1, kPlain, false}}}},
    };
    for (const auto& c : cases) {
        mergedoc.SetContent(c.before);
        ws.trackChanges = c.tracking;
        ws.search.findok = true;
        int snapshots = 0;
        std::string snapshotText;
        mnuFixIndents_Click(ws, [&] {
            ++snapshots;
            snapshotText = mergedoc.Text();
        });
        EXPECT_EQ(mergedoc.Content(), c.after) << c.name;
        EXPECT_EQ(snapshots, 1) << c.name;
        EXPECT_EQ(snapshotText, c.before.text) << c.name;
        EXPECT_TRUE(mergedoc.Enabled()) << c.name;
        EXPECT_FALSE(ws.search.findok) << c.name;
    }
}

TEST_F(IndentationTest, FixIndentsWithNothingToConvertLeavesTheDocumentAlone) {
    const RichText doc{"gone\r\n\tkept  here", {{4, kDeletedRed, true}, {13, kPlain, false}}};
    mergedoc.SetContent(doc);
    mergedoc.SetSelStart(8);
    int snapshots = 0;
    EXPECT_EQ(mnuFixIndents_Click(ws, [&] { ++snapshots; }), 0u);
    EXPECT_EQ(mergedoc.Content(), doc);
    EXPECT_EQ(mergedoc.SelStart(), 8);
    EXPECT_EQ(snapshots, 0);
}

}  // namespace
}  // namespace scrivane
