#include <gtest/gtest.h>

#include "tracking/edit_menu.h"

namespace scrivane {
namespace {

TEST(EditMenu, CaptionsShowTheClipboardAndSearchTextLiterally) {
    struct Case {
        std::string clipboard, findtext, paste, findNext;
    };
    const std::vector<Case> cases = {
        {"", "", "&Paste", "Find &Next"},
        {"0123456789", "a&b", "&Paste \"0123456789\"", "Find &Next \"a&&b\""},
        {"0123456789x", "", "&Paste \"0123456789...\"", "Find &Next"},
        // Ten characters, not ten bytes: a multi-byte character is never cut.
        {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", "",
         "&Paste "
         "\"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\"",
         "Find &Next"},
        {"\xE2\x82\xAC"
         "123456789ab",
         "",
         "&Paste \"\xE2\x82\xAC"
         "123456789...\"",
         "Find &Next"},
        {"a\tb&", "x\ty",
         "&Paste \"a\xE2\x86\x92"
         "b&&\"",
         "Find &Next \"x\xE2\x86\x92y\""},
    };
    for (const Case& c : cases) {
        EditMenuInputs in;
        in.clipboard = c.clipboard;
        in.findtext = c.findtext;
        const EditMenuState st = mnuEdit_Click(in);
        EXPECT_EQ(st.pasteCaption, c.paste) << c.clipboard;
        EXPECT_EQ(st.paste, !c.clipboard.empty());
        EXPECT_EQ(st.findNextCaption, c.findNext) << c.findtext;
        EXPECT_EQ(st.findPreviousCaption, "Find &Previous" + c.findNext.substr(10)) << c.findtext;
    }
}

TEST(EditMenu, EnabledStatesFollowTheDocument) {
    EditMenuInputs in;
    EditMenuState st = mnuEdit_Click(in);
    EXPECT_FALSE(st.cutCopy || st.unstrike || st.undo || st.find || st.gotoLine);
    in.selLength = 3;
    in.selHasStrike = true;
    in.canUndo = true;
    in.textEmpty = false;
    in.linecount = 2;
    st = mnuEdit_Click(in);
    EXPECT_TRUE(st.cutCopy && st.unstrike && st.undo && st.find && st.gotoLine);
}

}  // namespace
}  // namespace scrivane
