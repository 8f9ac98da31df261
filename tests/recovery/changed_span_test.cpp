#include <gtest/gtest.h>

#include <random>

#include "platform/qt/scintilla_surface.h"
#include "recovery/changed_span.h"
#include "support/surface_positions.h"

namespace scrivane {
namespace {

// The text as the span describes it: the base's ends around the current middle.
std::string rebuilt(const std::string& base, const std::string& now, const ChangedSpan& span) {
    const ChangedSpan::Span s = span.span();
    EXPECT_EQ(s.baseLength, static_cast<Pos>(base.size()));
    EXPECT_EQ(s.length, static_cast<Pos>(now.size()));
    EXPECT_LE(s.head + s.tail, std::min(s.baseLength, s.length));
    return base.substr(0, s.head) + now.substr(s.head, s.middleLength()) +
           base.substr(base.size() - s.tail);
}

// Random edits on a plain string, told to the span as the surface tells them; after each
// one the base's kept ends and the new middle give back the text.
TEST(ChangedSpan, BaseEndsAndMiddleAlwaysGiveTheText) {
    std::mt19937 rng(11);
    for (int round = 0; round < 200; ++round) {
        std::string base(rng() % 30, 'a');
        for (char& c : base) c = static_cast<char>('a' + rng() % 3);
        std::string now = base;
        ChangedSpan span;
        span.restart(static_cast<Pos>(base.size()));
        for (int edit = 0; edit < 8; ++edit) {
            const std::size_t pos = rng() % (now.size() + 1);
            const std::size_t removed = rng() % (now.size() - pos + 1);
            const std::string inserted(rng() % 4, static_cast<char>('a' + rng() % 3));
            span.TextEdited(static_cast<Pos>(pos), static_cast<Pos>(removed),
                            static_cast<Pos>(inserted.size()));
            now.replace(pos, removed, inserted);
            ASSERT_EQ(rebuilt(base, now, span), now) << "round " << round << " edit " << edit;
        }
    }
}

TEST(ChangedSpan, AnEditThatDoesNotFitKeepsNothing) {
    ChangedSpan span;
    span.restart(10);
    span.TextEdited(8, 5, 0);  // past the end as counted
    EXPECT_EQ(span.span().head, 0);
    EXPECT_EQ(span.span().tail, 0);
}

// The same on the real surface, through every way its text changes: typing over a
// selection, range edits, whole replacements.
TEST(ChangedSpan, TheSurfaceReportsEveryChangeOfItsText) {
    ScintillaSurface surface;
    ChangedSpan span;
    surface.AddEditWatcher(&span);
    std::mt19937 rng(5);
    surface.SetText("alpha\r\nbeta\r\ngamma\r\n");
    std::string base = surface.Text();
    span.restart(surface.TextLength());
    for (int step = 0; step < 300; ++step) {
        const Pos length = surface.TextLength();
        const Pos pos =
            offPair(surface, static_cast<Pos>(rng() % static_cast<unsigned>(length + 1)));
        switch (rng() % 6) {
            case 0:
                surface.SetSelStart(pos);
                surface.SetSelLength(offPair(surface, std::min<Pos>(length, pos + rng() % 4)) -
                                     pos);
                surface.SetSelText(rng() % 2 ? "xy" : "");
                break;
            case 1:
                surface.InsertAt(pos, "q", Marking{kInsertedBlue});
                break;
            case 2:
                surface.RemoveAt(pos, offPair(surface, std::min<Pos>(length, pos + 2)) - pos);
                break;
            case 3:
                surface.MarkRange(0, std::min<Pos>(3, length), Marking{kDeletedRed, true});
                break;
            case 4:
                if (rng() % 10 == 0) surface.SetContent(RichText{"new\r\ntext", {}});
                break;
            default:
                // A new base, as after each snapshot.
                base = surface.Text();
                span.restart(surface.TextLength());
                break;
        }
        ASSERT_EQ(rebuilt(base, surface.Text(), span), surface.Text()) << "step " << step;
    }
    surface.RemoveEditWatcher(&span);
}

}  // namespace
}  // namespace scrivane
