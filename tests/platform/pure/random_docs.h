#pragma once

#include <array>
#include <ostream>
#include <random>
#include <string>
#include <string_view>

#include "platform/pure/rich_text.h"
#include "platform/pure/rtf_writer.h"
#include "platform/pure/text_runs.h"

namespace scrivane {

// Readable failure messages for styled texts.
inline void PrintTo(const RichText& doc, std::ostream* os) {
    *os << "text of " << doc.text.size() << " bytes, runs";
    std::size_t shown = 0;
    for (const TextRun& run : doc.runs) {
        if (++shown > 20) {
            *os << " ...";
            break;
        }
        *os << " [" << run.length << " " << run.colour << (run.strike ? " struck]" : "]");
    }
}

}  // namespace scrivane

namespace scrivane::testing {

// The RTF document of a plain text, without colour or strike-through.
inline std::string writePlainRtf(std::string_view text, const FontSpec& font) {
    return writeRtf(RichText{std::string(text), {}}, font);
}

// Seeded generators for property tests. The byte strings lean towards what trips RTF code
// up: line-end bytes, braces, backslashes, marker bytes, high bytes and RTF-looking words
// written as literal text.
inline std::string randomBytes(std::mt19937& rng, std::size_t maxLength) {
    static constexpr std::array<std::string_view, 14> kFragments = {
        "\\strike", "\\strike0", "\\'06", "\\'07",  "\\par ", "\\\\", "strike0",
        "{",        "}",         "\r\n",  "\\cf1 ", "$TEXT_", "}}",   "\\u8364?",
    };
    std::uniform_int_distribution<std::size_t> lengthDist(0, maxLength);
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<int> anyByte(0, 255);
    std::uniform_int_distribution<int> letter('a', 'z');
    std::uniform_int_distribution<std::size_t> fragment(0, kFragments.size() - 1);
    static constexpr std::string_view kSpecial{"\r\n\\{}\x06\x07\x00\t ", 10};
    std::uniform_int_distribution<std::size_t> special(0, kSpecial.size() - 1);

    const std::size_t length = lengthDist(rng);
    std::string out;
    while (out.size() < length) {
        switch (kind(rng)) {
            case 0:
            case 1:
                out += static_cast<char>(anyByte(rng));
                break;
            case 2:
            case 3:
                out += kSpecial[special(rng)];
                break;
            case 4:
                out += kFragments[fragment(rng)];
                break;
            default:
                out += static_cast<char>(letter(rng));
        }
    }
    return out;
}

// A document with runs of every kind the editor shows: plain, deleted (red, struck),
// inserted (blue), other colours, struck without colour, red without strike. Run lengths
// may be 0 and neighbours may repeat a style, so the writer sees unnormalised input.
inline RichText randomDoc(std::mt19937& rng, std::size_t maxLength) {
    RichText doc;
    doc.text = randomBytes(rng, maxLength);
    std::uniform_int_distribution<int> style(0, 6);
    std::uniform_int_distribution<std::size_t> runLength(0, 12);
    std::uniform_int_distribution<Colour> anyColour(1, 0xFFFFFF);
    std::size_t covered = 0;
    while (covered < doc.text.size()) {
        TextRun run;
        run.length = runLength(rng);
        switch (style(rng)) {
            case 0:
            case 1:
                break;
            case 2:
                run.colour = kDeletedRed;
                run.strike = true;
                break;
            case 3:
                run.colour = kInsertedBlue;
                break;
            case 4:
                run.colour = anyColour(rng);
                break;
            case 5:
                run.strike = true;
                break;
            default:
                run.colour = kDeletedRed;
        }
        covered += run.length;
        doc.runs.push_back(run);
    }
    return doc;
}

// Lines with a deleted and an inserted run each, as a comparison leaves them, up to `size`
// bytes.
inline RichText markedDocument(std::size_t size) {
    RichText doc;
    while (doc.text.size() < size) {
        doc.text +=
            "unchanged text of a line\r\n\x06"
            "deleted words\x06"
            "inserted\r\n";
        doc.runs.push_back({26, kPlain, false});
        doc.runs.push_back({1, kDeletedRed, true, true});
        doc.runs.push_back({13, kDeletedRed, true});
        doc.runs.push_back({1, kInsertedBlue, false, true});
        doc.runs.push_back({8, kInsertedBlue, false});
        doc.runs.push_back({2, kPlain, false});
    }
    return doc;
}

// The document as the marked-up RTF format reads it, where every byte 6 is a change marker.
inline RichText withEveryByte6AMarker(const RichText& doc) {
    RichText out{doc.text, {}, doc.breaks};
    std::size_t pos = 0;
    for (const TextRun& run : normalised(doc).runs) {
        for (std::size_t i = pos; i < pos + run.length; ++i) {
            appendRun(out.runs, 1, Marking{run.colour, run.strike, doc.text[i] == '\x06'});
        }
        pos += run.length;
    }
    for (; pos < doc.text.size(); ++pos) {
        appendRun(out.runs, 1, Marking{kPlain, false, doc.text[pos] == '\x06'});
    }
    return out;
}

}  // namespace scrivane::testing
