// The review page: what its text holds for chosen runs, and for real comparisons that the
// text read back from the page is the compared text and its changes are the engine's.

#include "compare/html_review.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "compare/pair_generator.h"
#include "platform/pure/encoding.h"
#include "platform/pure/utf8.h"

namespace scrivane {
namespace {

using R = RunKind;

// What lies between the page's <pre> and </pre>.
std::string_view body(std::string_view page) {
    const std::size_t from = page.find("<pre>\n") + 6;
    return page.substr(from, page.find("</pre>") - from);
}

TEST(HtmlReview, Pages) {
    const struct Case {
        const char* what;
        std::vector<CompareRun> runs;
        ReviewNames names;
        std::vector<std::string_view> has, hasNot;
    } cases[] = {
        {"markup characters are escaped everywhere",
         {{R::Same, "a<b>&\"'"}, {R::Inserted, "</pre><script>"}},
         {"<new>", "o&d"},
         {"a&lt;b&gt;&amp;&quot;&#39;", "&lt;/pre&gt;&lt;script&gt;",
          "<title>&lt;new&gt; compared with o&amp;d</title>"},
         {"<new>", "</pre><script>"}},
        {"a Latin-1 text is converted to UTF-8",
         {{R::Same, "caf\xE9"}, {R::Deleted, "\xFC"}},
         {},
         {"<meta charset=\"utf-8\">", "caf\xC3\xA9", ">\xC3\xBC</del>", ", Latin-1</p>"},
         {"caf\xE9"}},
        {"old text that is not UTF-8 makes the whole page Latin-1, as in the editor",
         {{R::Same, "\xC3\xA9"}, {R::Deleted, "\xE9"}},
         {},
         {"<pre>\n\xC3\x83\xC2\xA9", ", Latin-1"},
         {}},
        {"the count at the top, each change linked to the next, the last to the first",
         {{R::Same, "x"}, {R::Inserted, "a"}, {R::Deleted, "b"}, {R::Same, "y"}, {R::Deleted, "c"}},
         {},
         {"<strong id=\"count\">3 differences were found.</strong>", "<a href=\"#c1\">First",
          "<a class=\"next\" href=\"#c2\"><ins id=\"c1\">a</ins></a>",
          "<a class=\"next\" href=\"#c3\"><del id=\"c2\">b</del></a>",
          "<a class=\"next\" href=\"#c1\"><del id=\"c3\">c</del></a>"},
         {"id=\"c4\""}},
        {"identical texts: no changes, no links",
         {{R::Same, "same\r\n"}},
         {},
         {"No differences were found.</strong></p>", "<pre>\nsame\n</pre>"},
         {"First change", "id=\"c1\"", "<a class"}},
        {"empty texts: an empty page that still says so",
         {},
         {},
         {"No differences were found.", "<pre>\n</pre>", "</html>\n"},
         {"id=\"c1\""}},
        {"line breaks: CR LF, lone CR and LF, a CR LF cut between runs; a first empty line kept",
         {{R::Same, "\r\na\rb\nc\r"}, {R::Inserted, "\nd"}},
         {},
         {"<pre>\n\na\nb\nc\n<a class=\"next\" href=\"#c1\"><ins id=\"c1\">d</ins>"},
         {"\r"}},
        {"control characters show as named boxes; tab stays",
         {{R::Same, std::string_view("\x00\x06\t\x1F\x7F", 5)}, {R::Deleted, "\x85"}},
         {},
         {"<span class=\"ctl\">NUL</span><span class=\"ctl\">ACK</span>\t<span "
          "class=\"ctl\">US</span><span class=\"ctl\">DEL</span>",
          "<span class=\"ctl\">x85</span>"},
         {std::string_view("\x00", 1), "\x06", "\xC2\x85"}},
        {"file names that are not UTF-8 are shown escaped",
         {},
         {"r\xE9sum\xE9.txt", "\x01"},
         {"<title>r\\xE9sum\\xE9.txt compared with <span class=\"ctl\">SOH</span></title>"},
         {"\xE9"}},
    };
    for (const Case& c : cases) {
        const std::string page = htmlReview(c.runs, c.names);
        for (std::string_view part : c.has) {
            EXPECT_NE(page.find(part), std::string::npos) << c.what << ": lacks " << part << "\n"
                                                          << page;
        }
        for (std::string_view part : c.hasNot) {
            EXPECT_EQ(page.find(part), std::string::npos) << c.what << ": has " << part << "\n"
                                                          << page;
        }
        EXPECT_TRUE(isValidUtf8(page)) << c.what;
    }
}

// The page's text with the markup taken out and the entities read: each control box becomes
// '\x01'.
std::string readBack(std::string_view pre) {
    constexpr std::string_view kBox = "<span class=\"ctl\">";
    std::string out;
    for (std::size_t i = 0; i < pre.size();) {
        if (pre.substr(i).starts_with(kBox)) {
            out.push_back('\x01');
            i = pre.find("</span>", i) + 7;
        } else if (pre[i] == '<') {
            i = pre.find('>', i) + 1;
        } else if (pre[i] == '&') {
            const std::size_t end = pre.find(';', i);
            const std::string_view entity = pre.substr(i, end + 1 - i);
            out.push_back(entity == "&lt;"     ? '<'
                          : entity == "&gt;"   ? '>'
                          : entity == "&amp;"  ? '&'
                          : entity == "&quot;" ? '"'
                          : entity == "&#39;"  ? '\''
                                               : '?');
            i = end + 1;
        } else {
            out.push_back(pre[i++]);
        }
    }
    return out;
}

// The compared text as a reader should see it: UTF-8, breaks as LF, controls as '\x01'.
std::string shown(std::string_view text, bool utf8) {
    const std::string converted = documentToUtf8(text, utf8);
    std::string out;
    for (std::size_t i = 0; i < converted.size(); ++i) {
        const auto c = static_cast<unsigned char>(converted[i]);
        if (c == '\r' && i + 1 < converted.size() && converted[i + 1] == '\n') continue;
        if (c == '\r' || c == '\n' || c == '\t') {
            out.push_back(c == '\t' ? '\t' : '\n');
        } else if (c < 0x20 || c == 0x7F) {
            out.push_back('\x01');
        } else if (c == 0xC2 && static_cast<unsigned char>(converted[i + 1]) < 0xA0) {
            out.push_back('\x01');
            ++i;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

TEST(HtmlReview, ShowsEveryComparedCharacterAndTheEnginesCount) {
    testing::PairGenerator gen(20261209);
    for (const testing::Alphabet alphabet : testing::kAllAlphabets) {
        for (int round = 0; round < 8; ++round) {
            const testing::TextPair pair = gen.similar(alphabet, 1 + gen.below(3000), 12, 40);
            CompareEngine engine;
            engine.compareblocks(pair.docnew, pair.docold);
            const RunRange range = engine.runs(pair.docnew, pair.docold);
            const std::vector<CompareRun> runs(range.begin(), range.end());
            const std::string page = htmlReview(runs, {"new", "old"});
            const bool utf8 = reviewIsUtf8(runs);
            const std::string label = "alphabet " + std::to_string(static_cast<int>(alphabet)) +
                                      " round " + std::to_string(round);

            std::string expected;
            for (const CompareRun& run : runs) expected += run.text;
            // Compared by hand: gtest's line diff of two long texts takes minutes.
            const std::string got = readBack(body(page)), want = shown(expected, utf8);
            const auto differ = std::mismatch(got.begin(), got.end(), want.begin(), want.end());
            EXPECT_TRUE(got == want) << label << ": the page's text differs from byte "
                                     << (differ.first - got.begin()) << " on";
            const std::int64_t count = engine.countchanges();
            EXPECT_NE(page.find(">" + differencesText(count) + "<"), std::string::npos) << label;
            std::int64_t ids = 0;
            for (const std::string_view tag : {"<ins id=\"c", "<del id=\"c"}) {
                for (std::size_t at = page.find(tag); at != std::string::npos;
                     at = page.find(tag, at + 1)) {
                    ++ids;
                }
            }
            EXPECT_EQ(ids, count) << label;
            EXPECT_TRUE(isValidUtf8(page)) << label;
            EXPECT_EQ(std::count_if(page.begin(), page.end(),
                                    [](char c) {
                                        const auto u = static_cast<unsigned char>(c);
                                        return (u < 0x20 && c != '\n' && c != '\t') || u == 0x7F;
                                    }),
                      0)
                << label;
        }
    }
}

}  // namespace
}  // namespace scrivane
