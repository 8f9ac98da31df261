// The editor's document keeps style bytes only where wrapping or a very long line needs them;
// a document handed over when Wrap Text comes on keeps everything it held.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "platform/qt/editor_document.h"
#include "surface_fixture.h"

namespace scrivane {
namespace {

using Sci = QsciScintillaBase;
using namespace std::string_literals;

constexpr float kNoWrap = 60000;
constexpr float kWrap = 0;

TEST_F(SurfaceTest, StylesAreKeptWhereWrappingOrALongLineNeedsThem) {
    const std::string longLine(100'000, 'x');
    const struct {
        bool wrapped;
        std::string text;
        bool styles;
    } cases[] = {
        {false, "short\r\nlines\r\n", false}, {false, "", false},
        {false, "a\r\n" + longLine, true},    {false, longLine + "\r\nb", true},
        {true, "short\r\nlines\r\n", true},   {true, "", true},
    };
    for (const auto& c : cases) {
        surface.SetRightMargin(c.wrapped ? kWrap : kNoWrap);
        surface.SetText(c.text);
        EXPECT_EQ(documentKeepsStyles(*surface.editor()), c.styles) << c.wrapped << c.text.size();
        EXPECT_EQ(surface.Text(), c.text);
        // The settings that live with a document came along.
        EXPECT_EQ(surface.editor()->SendScintilla(Sci::SCI_GETEOLMODE), Sci::SC_EOL_CRLF);
        EXPECT_EQ(surface.editor()->SendScintilla(Sci::SCI_GETUNDOCOLLECTION), 0);
        EXPECT_EQ(surface.editor()->SendScintilla(Sci::SCI_GETLEXER), Sci::SCLEX_CONTAINER);
    }
}

TEST_F(SurfaceTest, WrapTextOnMovesEverythingToADocumentWithStyles) {
    surface.SetRightMargin(kNoWrap);
    const RichText content{"\xC3\xA9t\xC3\xA9 old\r\nnew line\r\nlast",
                           {{6, kPlain, false}, {4, kDeletedRed, true}, {5, kInsertedBlue, false}}};
    surface.SetContent(content);
    const std::vector<LineBreak> breaks{{0, LineEnd::Lf}, {1, LineEnd::Cr}};
    surface.SetLineBreaks(breaks);
    surface.editor()->SendScintilla(Sci::SCI_SETSEL, 12UL, 3L);
    ASSERT_FALSE(documentKeepsStyles(*surface.editor()));
    const RichText held = surface.Content();
    ASSERT_EQ(held.text, content.text);
    ASSERT_EQ(held.runs.size(), 4u);  // the plain rest of the text included
    const std::uint64_t revision = surface.Revision();
    const int changes = events.changes;

    surface.SetRightMargin(kWrap);
    EXPECT_TRUE(documentKeepsStyles(*surface.editor()));
    EXPECT_EQ(surface.Content(), held);
    EXPECT_EQ(surface.LineBreaks(), breaks);
    EXPECT_TRUE(surface.IsUtf8());
    EXPECT_EQ(surface.editor()->SendScintilla(Sci::SCI_GETANCHOR), 12);
    EXPECT_EQ(surface.editor()->SendScintilla(Sci::SCI_GETCURRENTPOS), 3);
    EXPECT_EQ(surface.Revision(), revision);
    EXPECT_EQ(events.changes, changes);

    // Edits go on in the new document, and the marking of typed text follows as before.
    surface.SetSelStart(surface.TextLength());
    surface.SetSelLength(0);
    QTest::keyClicks(surface.widget(), "z");
    EXPECT_EQ(surface.Text(), content.text + "z");
    EXPECT_EQ(surface.LineBreaks(), breaks);
}

// The length of every editor view's document but the surface's own (the caret keys' hidden
// view is one).
std::vector<long> lengthsInOtherViews(const ScintillaSurface& surface) {
    std::vector<long> lengths;
    for (QWidget* w : QApplication::allWidgets()) {
        auto* view = qobject_cast<QsciScintillaBase*>(w);
        if (view && view != surface.editor())
            lengths.push_back(view->SendScintilla(Sci::SCI_GETLENGTH));
    }
    return lengths;
}

// The caret keys run in a hidden view of the editor's document. Once the editor has another
// document, no view keeps the old one (and its memory) alive.
TEST_F(SurfaceTest, ACaretKeyLeavesNoHoldOnAReplacedDocument) {
    const std::string old(123'457, 'o');
    surface.SetRightMargin(kWrap);
    surface.SetText(old);
    surface.SetSelStart(0);
    QTest::keyClick(surface.widget(), Qt::Key_Right);
    ASSERT_EQ(surface.SelStart(), 1);
    const long oldLength = static_cast<long>(old.size());
    ASSERT_THAT(lengthsInOtherViews(surface), ::testing::Contains(oldLength))
        << "the key ran in a hidden view";

    surface.SetRightMargin(kNoWrap);
    surface.SetText("new");  // into a document without styles
    EXPECT_THAT(lengthsInOtherViews(surface), ::testing::Not(::testing::Contains(oldLength)));

    // Wrapped again, the keys follow the new document.
    surface.SetRightMargin(kWrap);
    surface.SetSelStart(3);
    QTest::keyClick(surface.widget(), Qt::Key_Left);
    EXPECT_EQ(surface.SelStart(), 2);
    EXPECT_EQ(surface.Text(), "new");
}

}  // namespace
}  // namespace scrivane
