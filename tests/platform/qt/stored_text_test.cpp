// The stored text that follows the document instead of copying it, against a model that keeps
// every version as a plain string: on the real surface and on the test double, through every
// way their text changes, with the editor's gap moved about between edits.
#include "document/stored_text.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>

#include "platform/qt/scintilla_surface.h"
#include "support/fake_surface.h"
#include "support/surface_positions.h"

namespace scrivane {
namespace {

void runAgainstModel(RichTextBox& surface, unsigned seed) {
    std::mt19937 rng(seed);
    const auto pick = [&](Pos below) {
        return static_cast<Pos>(rng() % static_cast<unsigned>(below + 1));
    };
    surface.SetText("alpha\r\nbeta\r\ngamma caf\xc3\xa9\r\n");
    StoredText stored;
    stored.follow(surface);
    std::string model = surface.Text();
    // Versions an undo snapshot would hold, with the text each must keep.
    std::vector<std::pair<StoredText::Version, std::string>> held;
    Pos lastInsert = -1;  // where the last insertion went, to take it back
    Pos lastLength = 0;
    for (int step = 0; step < 400; ++step) {
        const Pos length = surface.TextLength();
        const Pos pos = offPair(surface, pick(length));
        const Pos end = offPair(surface, std::min<Pos>(length, pos + pick(5)));
        switch (rng() % 11) {
            case 0:
            case 1:
                surface.SetSelStart(pos);
                surface.SetSelLength(end - pos);
                surface.SetSelText(rng() % 3 ? "xy" : "");
                break;
            case 2:
            case 3:
                surface.InsertAt(pos, rng() % 2 ? "q" : "r\r\ns", Marking{kInsertedBlue});
                lastInsert = pos;
                lastLength = surface.TextLength() - length;
                break;
            case 4:
                surface.RemoveAt(pos, end - pos);
                break;
            case 5:
                // The last insertion taken back: often the stored text again.
                if (lastInsert >= 0 && lastInsert + lastLength <= length)
                    surface.RemoveAt(lastInsert, lastLength);
                lastInsert = -1;
                break;
            case 6:
                surface.MarkRange(0, std::min<Pos>(3, length), Marking{kDeletedRed, true});
                break;
            case 7:
                if (rng() % 8 == 0)
                    surface.SetContent(RichText{"new\r\ntext " + model.substr(0, 5), {}});
                break;
            case 8:
                // Saved: the document's text is the stored text from here; the version an
                // undo snapshot holds keeps the text before.
                held.emplace_back(stored.version(), model);
                // As New starts the document's state afresh.
                if (rng() % 3 == 0) stored = StoredText();
                if (rng() % 4 == 0) {
                    stored.set(surface.Text());
                } else {
                    stored.follow(surface);
                }
                model = surface.Text();
                break;
            case 9:
                // Track Changes wants it whole; it is kept whole from then on.
                if (rng() % 4 == 0) {
                    EXPECT_EQ(*stored.whole(), model) << step;
                }
                break;
            default:
                // A read across the gap moves it, as a search or a copy does.
                surface.TextRange(pos, pick(length - pos));
                break;
        }
        if (held.size() > 3) held.erase(held.begin());
        ASSERT_EQ(stored.version().copy(), model) << "step " << step;
        ASSERT_EQ(stored.size(), static_cast<Pos>(model.size())) << "step " << step;
        ASSERT_EQ(holdsStored(surface, stored), surface.Text() == model) << "step " << step;
        ASSERT_TRUE(stored.equals({model, {}})) << "step " << step;
        for (const auto& [version, text] : held) ASSERT_EQ(version.copy(), text) << "step " << step;
    }
}

TEST(StoredText, FollowingTheDocumentAlwaysGivesTheTextAsStored) {
    const std::vector<std::pair<const char*, std::function<std::unique_ptr<RichTextBox>()>>>
        surfaces = {
            {"editor", [] { return std::make_unique<ScintillaSurface>(); }},
            {"test double", [] { return std::make_unique<FakeSurface>(); }},
        };
    for (const auto& [name, make] : surfaces) {
        for (unsigned seed = 1; seed <= 6; ++seed) {
            SCOPED_TRACE(std::string(name) + " seed " + std::to_string(seed));
            const std::unique_ptr<RichTextBox> surface = make();
            runAgainstModel(*surface, seed);
        }
    }
}

// Nothing is copied until something wants the text whole: the bytes kept are the ones edits
// took away, and a text opened and only looked at keeps none.
TEST(StoredText, KeepsOnlyWhatEditsTookAway) {
    ScintillaSurface surface;
    std::string text;
    for (int line = 0; line < 2000; ++line) text += "line " + std::to_string(line) + "\r\n";
    surface.SetText(text);
    StoredText stored;
    stored.follow(surface);
    EXPECT_EQ(stored.kept(), nullptr);
    surface.RemoveAt(100, 7);
    surface.InsertAt(5000, "new", Marking{});
    EXPECT_EQ(stored.kept(), nullptr);
    const TextParts parts = surface.Parts();
    std::size_t own = 0;
    for (const std::string_view piece : stored.pieces(surface, parts)) {
        const bool inText = (piece.data() >= parts.first.data() &&
                             piece.data() < parts.first.data() + parts.first.size()) ||
                            (piece.data() >= parts.second.data() &&
                             piece.data() < parts.second.data() + parts.second.size());
        if (!inText) own += piece.size();
    }
    EXPECT_EQ(own, 7u);
    EXPECT_EQ(stored.version().copy(), text);

    // Edits in thousands of places, as Replace All makes them: past a few thousand changes the
    // text is kept whole, and stays the text as it was.
    for (Pos at = surface.TextLength() - 10; at > 0; at -= 7) surface.InsertAt(at, "+", Marking{});
    EXPECT_NE(stored.kept(), nullptr);
    EXPECT_EQ(stored.version().copy(), text);
    EXPECT_FALSE(holdsStored(surface, stored));
}

}  // namespace
}  // namespace scrivane
