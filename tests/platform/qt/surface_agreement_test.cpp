#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <random>
#include <string>

#include "platform/pure/marked_text.h"
#include "platform/qt/scintilla_surface.h"
#include "support/fake_surface.h"

namespace scrivane {
namespace {

// What a buffer holds, as one comparable value: content with marking and breaks, and what
// the line numbers, Next Change and the colour runs read at a probe.
struct Reading {
    RichText content;
    Pos line, marker, colourEnd;
    bool operator==(const Reading&) const = default;
};

Reading readAt(const TextBuffer& text, Pos probe) {
    return {text.Content(), text.GetLineFromChar(probe), text.NextMarker(probe),
            probe < text.TextLength() ? text.ColourRunEnd(probe) : -1};
}

std::string describe(const Reading& r) {
    std::string out = "text [" + r.content.text + "] runs";
    for (const TextRun& run : r.content.runs)
        out += " " + std::to_string(run.length) + ":" + std::to_string(run.colour) +
               (run.strike ? "s" : "") + (run.marker ? "m" : "");
    out += " breaks";
    for (const LineBreak& b : r.content.breaks)
        out += " " + std::to_string(b.line) + ":" + std::to_string(static_cast<int>(b.end));
    return out + " line " + std::to_string(r.line) + " marker " + std::to_string(r.marker) +
           " colourEnd " + std::to_string(r.colourEnd);
}

// The same random range operations on the marked text and on the surface over the editing
// component agree after each: the value is a faithful stand-in for the component's document.
TEST(SurfaceAgreement, RangeOperationsOnTheValueAndTheComponentAgree) {
    std::mt19937 rng(5);
    const Marking markings[] = {{},
                                {kInsertedBlue},
                                {kDeletedRed, true},
                                {kInsertedBlue, false, true},
                                {kDeletedRed, true, true}};
    const LineEnd ends[] = {LineEnd::Lf, LineEnd::Cr, LineEnd::CrLf};
    const char* pieces[] = {"ab", "\r\n", "x\r\ny", "\x06", "\xC3\xA9", " \t", "\n", "\r"};
    const auto pick = [&rng](Pos n) { return static_cast<Pos>(rng() % static_cast<unsigned>(n)); };
    for (int round = 0; round < 60; ++round) {
        // Both choose how to show the text (UTF-8 or Latin-1) when given all of it.
        MarkedText value(RichText{"start\n"});
        ScintillaSurface surface;
        surface.SetContent(RichText{"start\n"});
        for (int step = 0; step < 30; ++step) {
            const Pos length = value.TextLength();
            // Range ends on character borders: never inside a CR LF pair.
            const auto border = [&] {
                Pos p = pick(length + 1);
                if (p > 0 && p < length && value.TextRange(p - 1, 2) == "\r\n") --p;
                return p;
            };
            const Pos from = border();
            const Pos to = std::max(from, border());
            const Marking marking = markings[pick(5)];
            std::string what;
            switch (pick(6)) {
                case 0: {
                    std::string bytes = pieces[pick(6)];  // whole breaks only
                    what = "insert at " + std::to_string(from);
                    value.InsertAt(from, bytes, marking);
                    surface.InsertAt(from, bytes, marking);
                    break;
                }
                case 1:
                    what = "remove " + std::to_string(from) + "-" + std::to_string(to);
                    value.RemoveAt(from, to - from);
                    surface.RemoveAt(from, to - from);
                    break;
                case 2:
                    what = "mark " + std::to_string(from) + "-" + std::to_string(to);
                    value.MarkRange(from, to - from, marking);
                    surface.MarkRange(from, to - from, marking);
                    break;
                case 3: {
                    what = "breaks";
                    std::vector<LineBreak> breaks;
                    const Pos lines = value.GetLineFromChar(length);
                    for (Pos line = 0; line < lines; ++line) {
                        if (rng() % 2) breaks.push_back({line, ends[pick(3)]});
                    }
                    value.SetLineBreaks(breaks);
                    surface.SetLineBreaks(breaks);
                    break;
                }
                case 4: {
                    // Whole content, lone CRs and LFs included: both make them CR LF.
                    what = "content";
                    RichText doc;
                    for (Pos n = pick(6); n > 0; --n) {
                        const std::string piece = pieces[pick(8)];
                        doc.text += piece;
                        appendRun(doc.runs, piece.size(), markings[pick(5)]);
                    }
                    if (rng() % 2) doc.breaks.push_back({0, ends[pick(3)]});
                    value.SetContent(doc);
                    surface.SetContent(doc);
                    break;
                }
                default:
                    what = "text";
                    value.SetText("one\ntwo\r\n\xE9");
                    surface.SetText("one\ntwo\r\n\xE9");
                    break;
            }
            const Pos probe = pick(value.TextLength() + 1);
            const Reading want = readAt(value, probe);
            const Reading got = readAt(surface, probe);
            ASSERT_EQ(got, want) << "round " << round << " step " << step << " " << what
                                 << "\nvalue   " << describe(want) << "\nsurface " << describe(got);
            ASSERT_EQ(surface.IsUtf8(), value.IsUtf8()) << "round " << round << " step " << step;
        }
    }
}

// A key the editing component handles as the fake surface does, for the keys the fake claims.
struct Key {
    const char* name;
    Qt::Key qt;
    Qt::KeyboardModifiers mods;
    int code;
    int shiftBits;
};

// The same random keys pressed on the fake surface and on the real one (no handlers, no
// wrapping) leave the same text, marking and selection: the fake's keys are the component's.
TEST(SurfaceAgreement, KeysOnTheFakeAndTheComponentAgree) {
    const Key keys[] = {
        {"Backspace", Qt::Key_Backspace, Qt::NoModifier, key::Backspace, 0},
        {"Delete", Qt::Key_Delete, Qt::NoModifier, key::Delete, 0},
        {"Shift+Delete", Qt::Key_Delete, Qt::ShiftModifier, key::Delete, shift::Shift},
        {"Ctrl+Shift+Delete", Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier, key::Delete,
         shift::Ctrl | shift::Shift},
        {"Ctrl+Shift+Backspace", Qt::Key_Backspace, Qt::ControlModifier | Qt::ShiftModifier,
         key::Backspace, shift::Ctrl | shift::Shift},
        {"Enter", Qt::Key_Return, Qt::NoModifier, key::Enter, 0},
        {"Tab", Qt::Key_Tab, Qt::NoModifier, key::Tab, 0},
        {"Left", Qt::Key_Left, Qt::NoModifier, key::Left, 0},
        {"Right", Qt::Key_Right, Qt::NoModifier, key::Right, 0},
        {"Shift+Left", Qt::Key_Left, Qt::ShiftModifier, key::Left, shift::Shift},
        {"Shift+Right", Qt::Key_Right, Qt::ShiftModifier, key::Right, shift::Shift},
        {"Home", Qt::Key_Home, Qt::NoModifier, 36, 0},
        {"End", Qt::Key_End, Qt::NoModifier, 35, 0},
        {"Shift+End", Qt::Key_End, Qt::ShiftModifier, 35, shift::Shift},
        {"Ctrl+Home", Qt::Key_Home, Qt::ControlModifier, 36, shift::Ctrl},
        {"Ctrl+End", Qt::Key_End, Qt::ControlModifier, 35, shift::Ctrl},
        {"Ctrl+Left", Qt::Key_Left, Qt::ControlModifier, key::Left, shift::Ctrl},
        {"Ctrl+Right", Qt::Key_Right, Qt::ControlModifier, key::Right, shift::Ctrl},
    };
    const std::string typed[] = {"a", " ", "\xC3\xA9", "."};
    std::mt19937 rng(9);
    const auto pick = [&rng](std::size_t n) { return rng() % n; };
    for (int round = 0; round < 200; ++round) {
        FakeSurface fake;
        ScintillaSurface real;
        real.SetRightMargin(60000);
        const RichText start{"ab c\r\n\xC3\xA9t\r\n\r\nend", {}};
        fake.SetContent(start);
        real.SetContent(start);
        // The caret starts on a character's start, as the window always puts it.
        Pos at = static_cast<Pos>(pick(static_cast<std::size_t>(fake.TextLength())));
        if (at > 0 && fake.TextRange(at - 1, 2) == "\r\n") --at;
        while (at > 0 && (static_cast<unsigned char>(fake.TextRange(at, 1)[0]) & 0xC0) == 0x80)
            --at;
        fake.SetSelStart(at);
        real.SetSelStart(at);
        std::string script;
        for (int step = 0; step < 25; ++step) {
            if (pick(3) == 0) {
                const std::string& text = typed[pick(4)];
                script += " type[" + text + "]";
                fake.typeKeys(text);
                const QString character = QString::fromUtf8(text.c_str());
                const QChar c = character.at(0);
                const auto qtKey =
                    static_cast<Qt::Key>(c.isLetter() ? c.toUpper().unicode() : c.unicode());
                QTest::sendKeyEvent(QTest::Click, real.widget(), qtKey, character, {});
            } else {
                const Key& k = keys[pick(std::size(keys))];
                script += std::string(" ") + k.name;
                fake.press(k.code, k.shiftBits);
                QTest::keyClick(real.widget(), k.qt, k.mods);
            }
            QCoreApplication::processEvents();
            ASSERT_EQ(real.Text(), fake.Text()) << "round " << round << ":" << script;
            ASSERT_EQ(real.Runs(), fake.Runs()) << "round " << round << ":" << script;
            ASSERT_EQ(real.SelStart(), fake.SelStart()) << "round " << round << ":" << script;
            ASSERT_EQ(real.SelLength(), fake.SelLength()) << "round " << round << ":" << script;
        }
    }
}

}  // namespace
}  // namespace scrivane
