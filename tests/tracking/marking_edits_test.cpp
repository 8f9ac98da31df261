#include "tracking/marking_edits.h"
#include "compare/marked_content.h"
#include "compare/pair_generator.h"
#include "platform/pure/line_ends.h"
#include "platform/pure/text_runs.h"
#include "tracking/tracking_fixture.h"

namespace scrivane {
namespace {

using testing::Alphabet;
using testing::PairGenerator;

// Marking in place gives what writing the whole marked content gives, and accepting in place
// gives the new text back, on pairs of every kind the surface can hold.
TEST_F(TrackingTest, InPlaceMarkingAgreesWithRewriting) {
    PairGenerator gen(31);
    const Alphabet alphabets[] = {Alphabet::TwoLetters, Alphabet::Letters, Alphabet::Words,
                                  Alphabet::Lines, Alphabet::Utf8};
    int declined = 0;
    for (int n = 0; n < 400; ++n) {
        const Alphabet alphabet = alphabets[n % 5];
        auto pair =
            n % 4 == 0 ? gen.unrelated(alphabet, gen.below(60), gen.below(60))
                       : gen.similar(alphabet, gen.below(800), 1 + gen.below(6), 1 + gen.below(25));
        // The surface holds CR LF only, and so do the texts the editor compares.
        pair.docnew = toCrLf(pair.docnew);
        pair.docold = toCrLf(pair.docold);
        CompareEngine engine;
        engine.compareblocks(pair.docnew, pair.docold);
        txt.SetContent(markedContent(engine, pair.docnew, pair.docold));
        mergedoc.SetText(pair.docnew);
        if (!markInPlace(mergedoc, engine, pair.docnew, pair.docold)) {
            // Declined (deleted bytes that would change how the text is shown): untouched.
            ASSERT_EQ(mergedoc.Text(), pair.docnew) << "pair " << n;
            ++declined;
            continue;
        }
        ASSERT_EQ(mergedoc.Text(), txt.Text()) << "pair " << n;
        ASSERT_EQ(marksOf(normalised(mergedoc.Content())), marksOf(normalised(txt.Content())))
            << "pair " << n;
        Pos removed = 0;
        ASSERT_TRUE(acceptInPlace(mergedoc, removed));
        ASSERT_EQ(mergedoc.Text(), pair.docnew) << "pair " << n;
        ASSERT_TRUE(mergedoc.Runs().empty()) << "pair " << n;
    }
    EXPECT_LT(declined, 40);
}

// Struck text and markers go, the file's own bytes 6 and 7 stay; too many changes leave the
// work to a rewrite.
TEST_F(TrackingTest, AcceptingInPlaceKeepsTheFilesBytesAndGivesUpOnHugeCounts) {
    Pos removed = 0;
    load(std::string("a\x07") + "b\x06\x06" + "cde\x06", "....Rr..B");
    ASSERT_TRUE(acceptInPlace(mergedoc, removed));
    EXPECT_EQ(mergedoc.Text(), std::string("a\x07") + "b\x06" + "de");
    EXPECT_EQ(removed, 3);
    // A removal that would leave a lone CR behind declines, and changes nothing.
    load("a\r\nb", "..r.");
    EXPECT_FALSE(acceptInPlace(mergedoc, removed));
    EXPECT_EQ(marks(), "..r.");
    std::string text, marks;
    for (int i = 0; i < 25000; ++i) {
        text += "xy";
        marks += ".r";
    }
    load(text, marks);
    EXPECT_FALSE(acceptInPlace(mergedoc, removed));
    EXPECT_EQ(mergedoc.Text(), text);
}

}  // namespace
}  // namespace scrivane
